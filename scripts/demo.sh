#!/usr/bin/env bash
# Sets up the machine, builds the engine and the demo show, assembles them into an installer
# file, installs it into the build's Wine prefix, and runs the installed saver on the virtual
# display as the system would: screenshots of the running show and of the error screen (player
# removed), each run ended the way a user ends it (a key press, a click).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
arch=$(scripts/build.sh 2>/dev/null | tail -n 1)
tree=build/win-$arch
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
echo "== pictures in $demo: show.png error.png"
