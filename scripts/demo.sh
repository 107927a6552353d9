#!/usr/bin/env bash
# Sets up the machine, builds the engine and the demo show, assembles them into an installer
# file, installs it into the build's Wine prefix, and runs the installed saver on the virtual
# display as the system would: screenshots of the running show and of the error screen (player
# removed), each run ended the way a user ends it (a key press, a click).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
scripts/build.sh >/dev/null 2>&1
tree=build/win-i686  # the 32-bit engine, as a user gets it
runner=$tree/wine-run.sh
trap '"$runner" --stop' EXIT

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo"
windows=$("$runner" cmd /c echo %windir% 2>/dev/null | tr -d '\r')
windows_unix=$("$runner" winepath -u "$windows" 2>/dev/null | tr -d '\r')
read -r display _ <"$tree/wineprefix.xvfb"
export DISPLAY=:$display

build/native/lumivex-pack build --engine "$tree/lumivex.exe" --player "$tree/demo-player.exe" \
    --splash1 "$tree/art/splash1.bmp" --splash2 "$tree/art/splash2.bmp" \
    --name "Lumivex Demo" -o "$demo/LUMIDEMO.exe"
build/native/lumivex-pack info "$demo/LUMIDEMO.exe"

saver="$windows_unix/Lumivex Demo.scr"
player="$windows_unix/Lumivex Demo.exe"
rm -f "$saver" "$player"
echo "== installing (quietly: /q)"
code=0
"$runner" "$demo/LUMIDEMO.exe" /q || code=$?
while pgrep -f Inst9753.exe >/dev/null; do sleep 0.1; done
echo "installer exit code $code"
stat -c '  %s bytes  %n' "$saver" "$player"
echo "  system.ini [boot] $(grep -i '^scrnsave.exe' "$windows_unix/system.ini" | tr -d '\r')"

# Starts the installed saver with /s, takes a screenshot after a few seconds, then ends the run
# with the given user action and reports the exit code (wine keeps its low byte).
run_saver() {
    local picture=$1 action=$2
    "$runner" "$saver" /s &
    local pid=$!
    sleep 4.5
    xwd -root -silent | python3 scripts/xwd2png.py "$picture"
    xdotool mousemove 640 512
    case $action in
        key) xdotool key space ;;
        click) xdotool click 1 ;;
    esac
    local code=0
    wait "$pid" || code=$?
    echo "  exit code $code after a $action; screenshot $picture"
}

echo "== the running show"
run_saver "$demo/show.png" key
echo "== the error screen (player removed)"
mv "$player" "$player.away"
run_saver "$demo/error.png" click
mv "$player.away" "$player"
# Waits for the named window and moves the pointer over it, as a user's hand would.
point_at() {
    local wid
    wid=$(timeout 30 xdotool search --sync --name "$1" | head -n 1)
    [ -n "$wid" ] || { echo "  no window named $1 appeared" >&2; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}

echo "== the settings window (/c)"
"$runner" "$saver" /c &
pid=$!
sleep 3
xwd -root -silent | python3 scripts/xwd2png.py "$demo/settings.png" 440x260
point_at '^Lumivex$'
xdotool click 1
code=0
wait "$pid" || code=$?
echo "  exit code $code after a click; screenshot $demo/settings.png"

# The engine's own password question belongs to the Windows 3.1 class: Wine reports that class
# to this program name for this run. The password is set as a user sets it: "/a" opens the
# password options, both entries are typed, protection stays switched on, Change, and OK.
echo "== a protected run on the Windows 3.1 class (password: lumivex, set through /a)"
"$runner" reg add 'HKCU\Software\Wine\AppDefaults\Lumivex Demo.scr' /v Version /d nt351 /f >/dev/null 2>&1
cp "$windows_unix/system.ini" "$demo/system.ini.saved"
"$runner" "$saver" /a &
pid=$!
point_at '^Password Options$'
xdotool type lumivex
xdotool key Tab
xdotool type lumivex
sleep 0.5
xwd -root -silent | python3 scripts/xwd2png.py "$demo/options.png" 360x200
xdotool key Return
# The options close and the engine confirms the change in a message box: OK.
while xdotool search --onlyvisible --name '^Password Options$' >/dev/null 2>&1; do sleep 0.1; done
# The box has no caption to look for and may take a moment on a busy machine: Return until it has
# gone and the engine has ended.
for _ in $(seq 40); do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || break
    xdotool key Return
done
code=0
wait "$pid" || code=$?
echo "  exit code $code after Change; system.ini [Lumivex]:" \
    "$(grep -i -E '^password (value|protect)=' "$windows_unix/system.ini" | tr -d '\r' | tr '\n' ' ')"
"$runner" "$saver" /s &
pid=$!
sleep 4
xdotool mousemove 640 512 key space
point_at '^Password Entry$'
sleep 0.5
xwd -root -silent | python3 scripts/xwd2png.py "$demo/password.png" 420x200
xdotool type lumivex
xdotool key Return
code=0
wait "$pid" || code=$?
echo "  exit code $code after the right password; screenshot $demo/password.png"
cp "$demo/system.ini.saved" "$windows_unix/system.ini"
"$runner" reg delete 'HKCU\Software\Wine\AppDefaults\Lumivex Demo.scr' /f >/dev/null 2>&1

echo "== pictures in $demo: show.png error.png settings.png options.png password.png"
