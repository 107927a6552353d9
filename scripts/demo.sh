#!/usr/bin/env bash
# Sets up the machine, builds the engine and runs it under Wine the way the system and a user
# start it, printing what each start chose and its exit code.
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
cp "$tree/lumivex-test.exe" "$demo/Lumivex Demo.scr"
cp "$tree/lumivex-test.exe" "$demo/Lumivex Demo.exe"

# The test build notes its decisions in a trace file; the exit code is read as a 32-bit value.
start() {
    local file=$1 args=$2 code=0
    : >"$demo/trace.txt"
    LUMIVEX_TEST_TRACE="$(WINEDEBUG=-all "$runner" winepath -w "$demo/trace.txt" 2>/dev/null)" \
        "$runner" "$demo/$file" $args || code=$?
    printf '%-18s %-8s exit %-4d  %s\n' "$file" "${args:-(none)}" "$((code > 127 ? code - 256 : code))" \
        "$(tr '\n' ' ' <"$demo/trace.txt")"
}

echo "Engine: build/win-i686/lumivex.exe ($(stat -c %s build/win-i686/lumivex.exe) bytes, 32-bit); demo runs use the $arch build"
echo "An engine file without a payload ends with -4; a preview start (/p) does nothing and ends with 0."
start "Lumivex Demo.scr" "/p 1234"
start "Lumivex Demo.scr" "/s"
start "Lumivex Demo.exe" ""
start "Lumivex Demo.exe" "/c"
