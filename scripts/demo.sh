#!/usr/bin/env bash
# Sets up the machine, builds the engine and the demo show, assembles them into an installer
# file, installs it into the build's Wine prefix, and runs the installed saver on the virtual
# display as the system would, each run ended the way a user ends it (a key press, a click, a
# password typed): the running show, the error screen (player removed), the settings window, the
# password options and a protected run. Every step waits for what it needs to see, never for a
# fixed time, and takes its screenshot once that is on the screen.
#
# Bounds (seconds): LUMIVEX_DEMO_STEP_SECONDS for each wait (default 60, enough for the qemu
# lane), LUMIVEX_DEMO_SECONDS for the whole demo after the build (default 600). A wait that runs
# out saves what the screen showed as build/demo/failed-STEP.png, names the step and what was
# missing, stops every process the demo started and exits 1.
# LUMIVEX_DEMO_PLAYER=PROGRAM assembles another player in place of the demo show; with
# build/win-i686/test-player.exe and LUMIVEX_PLAYER_WINDOW=none the show never appears.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
scripts/build.sh >/dev/null 2>&1
tree=build/win-i686  # the 32-bit engine, as a user gets it
runner=$tree/wine-run.sh
py=/usr/bin/python3  # the system's Python, which has Debian's Pillow
step_bound=${LUMIVEX_DEMO_STEP_SECONDS:-60}
started=$(date +%s)
deadline=$((started + ${LUMIVEX_DEMO_SECONDS:-600}))
demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo"

step=start
display=
pids=()
restore=()  # what the protected run changed in the prefix, put back however the demo ends

finish() {
    local status=$?
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ ${#restore[@]} -gt 0 ] && "${restore[@]}" >/dev/null 2>&1
    "$runner" --stop
    exit "$status"
}
trap finish EXIT

# Ends the demo: what the screen shows, which step failed and on what.
fail() {
    local picture=$demo/failed-$step.png
    [ -n "$display" ] && timeout 20 "$py" scripts/screen.py grab ":$display" "$picture" 2>/dev/null ||
        picture="no screenshot"
    echo "demo: step '$step' failed after $(($(date +%s) - started)) s: $1 (the screen then: $picture)" >&2
    exit 1
}

# Runs the command until it succeeds, for at most the step's bound and what is left of the demo's.
wait_until() {
    local what=$1 limit=$step_bound now
    shift
    now=$(date +%s)
    [ $((deadline - now)) -lt "$limit" ] && limit=$((deadline - now))
    [ "$limit" -gt 0 ] || limit=0
    local until=$((now + limit))
    while ! "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$until" ] || fail "no $what within $limit s"
        sleep 0.25
    done
}

window_shown() { xdotool search --onlyvisible --name "$1"; }
screen_shows() { "$py" scripts/screen.py shows ":$display" "$@"; }
ended() { ! kill -0 "$1" 2>/dev/null; }
shot() { "$py" scripts/screen.py grab ":$display" "$demo/$1" "${@:2}"; }

# Starts a Windows program in the background; $started_pid names it.
start() {
    "$runner" "$@" &
    started_pid=$!
    pids+=("$started_pid")
}

# Waits for the program to end; $exit_code is its exit code (wine keeps the low byte).
await_end() {
    wait_until "end of the program" ended "$1"
    exit_code=0
    wait "$1" || exit_code=$?
}

# Moves the pointer over the named window, as a user's hand would.
point_at() {
    local wid
    wid=$(xdotool search --onlyvisible --name "$1" | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}

# A command of the prefix that prints a line, bounded by what is left of the demo (the first one
# makes the Wine prefix, which takes a while on a new machine, longer on the qemu lane).
ask_prefix() { timeout $((deadline - $(date +%s))) "$runner" "$@" 2>/dev/null | tr -d '\r'; }

step=prefix
windows=$(ask_prefix cmd /c echo %windir%) && [ -n "$windows" ] || fail "answer from Wine (cmd /c echo)"
windows_unix=$(ask_prefix winepath -u "$windows") && [ -n "$windows_unix" ] || fail "answer from Wine (winepath)"
read -r display _ <"$tree/wineprefix.xvfb"
export DISPLAY=:$display

step=assemble
player_program=${LUMIVEX_DEMO_PLAYER:-$tree/demo-player.exe}
build/native/lumivex-pack build --engine "$tree/lumivex.exe" --player "$player_program" \
    --splash1 "$tree/art/splash1.bmp" --splash2 "$tree/art/splash2.bmp" \
    --name "Lumivex Demo" -o "$demo/LUMIDEMO.exe"
build/native/lumivex-pack info "$demo/LUMIDEMO.exe"

step=install
saver="$windows_unix/Lumivex Demo.scr"
player="$windows_unix/Lumivex Demo.exe"
rm -f "$saver" "$player"
echo "== installing (quietly: /q)"
start "$demo/LUMIDEMO.exe" /q
await_end "$started_pid"
echo "installer exit code $exit_code"
[ "$exit_code" = 0 ] && [ -f "$saver" ] && [ -f "$player" ] || fail "installed saver (exit code $exit_code)"
stat -c '  %s bytes  %n' "$saver" "$player"
echo "  system.ini [boot] $(grep -i '^scrnsave.exe' "$windows_unix/system.ini" | tr -d '\r')"

echo "== the running show"
step=show
start "$saver" /s
pid=$started_pid
wait_until "window of the show" window_shown .
wait_until "show on the screen (it stays one colour)" screen_shows
shot show.png
xdotool mousemove 640 512 key space
await_end "$pid"
echo "  exit code $exit_code after a key; screenshot $demo/show.png"

echo "== the error screen (player removed)"
step=error-screen
mv "$player" "$player.away"
start "$saver" /s
pid=$started_pid
wait_until "saver window" window_shown '^Lumivex$'
wait_until "splash picture on the screen" screen_shows
shot error.png
xdotool mousemove 640 512 click 1
await_end "$pid"
mv "$player.away" "$player"
echo "  exit code $exit_code after a click; screenshot $demo/error.png"

echo "== the settings window (/c)"
step=settings
start "$saver" /c
pid=$started_pid
wait_until "settings window" window_shown '^Lumivex$'
wait_until "settings window drawn" screen_shows 440x260
shot settings.png 440x260
point_at '^Lumivex$'
xdotool click 1
await_end "$pid"
echo "  exit code $exit_code after a click; screenshot $demo/settings.png"

# The engine's own password question belongs to the Windows 3.1 class: Wine reports that class
# to this program name for this run. The password is set as a user sets it: "/a" opens the
# password options, both entries are typed, protection stays switched on, Change, and OK.
echo "== a protected run on the Windows 3.1 class (password: lumivex, set through /a)"
step=password-options
cp "$windows_unix/system.ini" "$demo/system.ini.saved"
restore=(eval "cp '$demo/system.ini.saved' '$windows_unix/system.ini';"
    "timeout $step_bound '$runner' reg delete 'HKCU\\Software\\Wine\\AppDefaults\\Lumivex Demo.scr' /f")
timeout "$step_bound" "$runner" reg add 'HKCU\Software\Wine\AppDefaults\Lumivex Demo.scr' /v Version /d nt351 /f \
    >/dev/null 2>&1 || fail "answer from Wine (reg add)"
start "$saver" /a
pid=$started_pid
wait_until "Password Options dialog" window_shown '^Password Options$'
point_at '^Password Options$'
xdotool type lumivex
xdotool key Tab
xdotool type lumivex
wait_until "Password Options dialog drawn" screen_shows 360x200
shot options.png 360x200
xdotool key Return
# The options close and the engine confirms the change in a message box without a caption: Return
# until the box has gone and the engine has ended.
wait_until "end of the Password Options dialog" eval '! window_shown "^Password Options$"'
confirm() {
    ended "$pid" && return 0
    xdotool key Return
    sleep 0.25
    ended "$pid"
}
wait_until "end of the engine after the confirmation" confirm
await_end "$pid"
echo "  exit code $exit_code after Change; system.ini [Lumivex]:" \
    "$(grep -i -E '^password (value|protect)=' "$windows_unix/system.ini" | tr -d '\r' | tr '\n' ' ')"

step=password
start "$saver" /s
pid=$started_pid
wait_until "show above the black saver window" screen_shows
xdotool mousemove 640 512 key space
wait_until "Password Entry dialog" window_shown '^Password Entry$'
point_at '^Password Entry$'
wait_until "Password Entry dialog drawn" screen_shows 420x200
shot password.png 420x200
xdotool type lumivex
xdotool key Return
await_end "$pid"
echo "  exit code $exit_code after the right password; screenshot $demo/password.png"
"${restore[@]}" >/dev/null 2>&1
restore=()

step=pictures
pictures=(show.png error.png settings.png options.png password.png)
(cd "$demo" && "$py" "$OLDPWD/scripts/screen.py" check "${pictures[@]}") || fail "picture that shows something"
echo "== pictures in $demo, none of them one flat colour: ${pictures[*]}"
echo "== the demo took $(($(date +%s) - started)) s on the $(scripts/i386-run.sh --lane) lane"
