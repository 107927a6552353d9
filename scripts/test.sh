#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: native, Windows unit tests and
# end-to-end runs of the engine under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

scripts/setup.sh
arch=$(scripts/build.sh | tee /dev/stderr | tail -n 1)
wine_tree=build/win-$arch
trap '"$wine_tree/wine-run.sh" --stop' EXIT

echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$(nproc)"
echo "== the shipped 32-bit engine's file"
ctest --test-dir build/win-i686 --output-on-failure -R engine_file_layout
echo "== Windows tests under Wine ($arch build)"
ctest --test-dir "$wine_tree" --output-on-failure

echo "== all tests passed in $(( $(date +%s) - started )) s"
