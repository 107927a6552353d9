#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: native, then the Windows unit tests
# and the end-to-end runs of the shipped 32-bit engine under 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

scripts/setup.sh
scripts/build.sh
tree=build/win-i686
trap '"$tree/wine-run.sh" --stop-all' EXIT

echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$(nproc)"
echo "== fuzzing the readers of untrusted input (a bounded run; scripts/fuzz.sh SECONDS for longer)"
scripts/fuzz.sh 20
echo "== the shipped engine's file, structure and import audit"
ctest --test-dir "$tree" --output-on-failure --verbose -R '^engine_' | grep -E '^[0-9]+: (check-|  )|Passed|Failed'
echo "== Windows tests of the shipped 32-bit engine ($(scripts/i386-run.sh --lane) lane for 32-bit code)"
ctest --test-dir "$tree" --output-on-failure -j "$(( $(nproc) + 1 ))" -E '^engine_'
echo "== a maker's signing, from the ctest e2e_signed (its whole output: $tree/Testing/Temporary/LastTest.log)"
grep -h '^signing: [^ ]' "$tree/Testing/Temporary/LastTest.log" || true
echo "== a maker's Windows Installer package, from the ctest e2e_msi"
grep -h '^msi: ' "$tree/Testing/Temporary/LastTest.log" || true

echo "== all tests passed in $(( $(date +%s) - started )) s"
