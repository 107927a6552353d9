#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) and runs each for the given number
# of seconds (default 20), two or more side by side: first over the regression inputs that earlier
# findings left in tests/fuzz/regressions/TARGET/*.hex (hex text), then from the generated seeds and
# the corpus it keeps in build/fuzz/corpus/TARGET. Prints executions and coverage per target;
# fails when a target breaks a promise or crashes (the input lands in build/fuzz/findings/TARGET).
#   fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
root=$PWD/build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$root" -G Ninja -DLUMIVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root" >/dev/null
rm -rf "$root/seeds" "$root/regressions"
python3 scripts/make-fuzz-seeds.py "$root/seeds"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for binary in "$root"/*_fuzz; do targets+=("$(basename "$binary" _fuzz)"); done
fi

run_target() {
    local target=$1 seconds=$2 root=$3
    local binary=$root/${target}_fuzz log=$root/logs/$target.log
    mkdir -p "$root/corpus/$target" "$root/findings/$target" "$root/regressions/$target" "$root/seeds/$target"
    for hex in tests/fuzz/regressions/"$target"/*.hex; do
        [ -e "$hex" ] || continue
        grep -v '^#' "$hex" | xxd -r -p >"$root/regressions/$target/$(basename "$hex" .hex)"
    done
    local status=0
    if compgen -G "$root/regressions/$target/*" >/dev/null; then
        "$binary" "$root"/regressions/"$target"/* >"$log.regressions" 2>&1 || status=$?
        if [ $status -ne 0 ]; then
            echo "$target: a regression input fails again (see $log.regressions)"
            return 1
        fi
    fi
    "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$root/findings/$target/" \
        -max_len=8192 "$root/corpus/$target" "$root/seeds/$target" >"$log" 2>&1 || status=$?
    local runs cov
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    printf '%-18s %12s executions  %s\n' "$target" "${runs:-?}" "${cov:-?}"
    if [ $status -ne 0 ]; then
        echo "$target: FINDING (exit $status), input in $root/findings/$target/; log $log"
        grep -m1 -E 'broken promise|ERROR: ' "$log" || true
        echo "  keep it as a regression: xxd -p INPUT > tests/fuzz/regressions/$target/NAME.hex (with a # line saying what it was)"
        return 1
    fi
}
export -f run_target
mkdir -p "$root/logs"
echo "== fuzzing ${#targets[@]} targets for $seconds s each"
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_target "$@"' _ {} "$seconds" "$root"
