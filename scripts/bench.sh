#!/usr/bin/env bash
# Sets up the machine, builds, and measures the shipped engine against its floors in one run under
# 32-bit Wine (a prefix of its own): the file's size against 144 KiB, start to the player's start
# against a bare launcher, the player's end to the engine's end against a process-handle waiter,
# CPU over 10 s of a show, and a quiet install against a plain copy; then the test engine's
# start-up steps. Prints Markdown tables.
#   scripts/bench.sh [RUNS]     (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}

scripts/setup.sh >/dev/null
scripts/build.sh >/dev/null 2>&1
tree=$PWD/build/win-i686
export LUMIVEX_WINEPREFIX=$tree/wineprefix-bench
runner=$tree/wine-run.sh
trap '"$runner" --stop' EXIT

work=$PWD/build/bench
rm -rf "$work"
mkdir -p "$work"
build/native/lumivex-pack build --engine "$tree/lumivex.exe" --player "$tree/test-player.exe" \
    --splash1 "$tree/art/splash1.bmp" --splash2 "$tree/art/splash2.bmp" --name "Lumivex Bench" \
    -o "$work/BENCH.exe" >/dev/null

echo "== benchmark on the $(scripts/i386-run.sh --lane) 32-bit lane, $runs runs, $(nproc) cores"
"$runner" "$tree/lumivex_bench.exe" --engine="$tree/lumivex.exe" --test-engine="$tree/lumivex-test.exe" \
    --test-player="$tree/test-player.exe" --launch-only="$tree/launch_only.exe" \
    --launch-with-dlls="$tree/launch_with_dlls.exe" --installer="$work/BENCH.exe" --runs="$runs" 2>/dev/null
