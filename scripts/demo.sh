#!/usr/bin/env bash
# Sets up the machine, builds the engine, assembles the bundled demo into an installer file,
# installs it into the build's Wine prefix and starts the installed saver the way the system does.
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

# Until the demo show exists, a program of Wine's own stands in as the player.
player=$windows_unix/notepad.exe
build/native/lumivex-pack build --engine "$tree/lumivex.exe" --player "$player" \
    --splash1 "$tree/art/splash1.bmp" --splash2 "$tree/art/splash2.bmp" \
    --name "Lumivex Demo" -o "$demo/LUMIDEMO.exe"
build/native/lumivex-pack info "$demo/LUMIDEMO.exe"

rm -f "$windows_unix/Lumivex Demo.scr" "$windows_unix/Lumivex Demo.exe"
echo "== installing (quietly: /q)"
code=0
"$runner" "$demo/LUMIDEMO.exe" /q || code=$?
while pgrep -f Inst9753.exe >/dev/null; do sleep 0.1; done
echo "installer exit code $code"
ls -l "$windows_unix/Lumivex Demo.scr" "$windows_unix/Lumivex Demo.exe" | awk '{print "  " $5 " bytes  " $9 " " $10 " " $11}'
echo "  system.ini [boot] $(grep -i '^scrnsave.exe' "$windows_unix/system.ini" | tr -d '\r')"

# The saver and settings modes come with the next pieces of work: they end at once with the
# fixed results 11 and 10.
echo "== starting the installed saver"
for args in "/p 1234" "/s" "/c"; do
    code=0
    "$runner" "$windows_unix/Lumivex Demo.scr" $args || code=$?
    echo "  Lumivex Demo.scr $args: exit code $code"
done
