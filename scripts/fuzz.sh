#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each for SECONDS
# (default 60), two at a time, starting from its seed corpus in fuzz/corpus/<target>/. New
# inputs go to build-fuzz/fuzz-work/<target>/, crashes to build-fuzz/fuzz-findings/<target>/.
# Prints the executions and findings per target; exits 1 when anything was found.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
root=$PWD
build=$root/build-fuzz

# libFuzzer comes with clang's runtime libraries; CI does not need them, so setup.sh does not
# install them.
if ! command -v clang++ >/dev/null || ! dpkg -s libclang-rt-14-dev >/dev/null 2>&1; then
    echo "fuzz.sh needs clang and libFuzzer: apt-get install clang libclang-rt-14-dev" >&2
    exit 2
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_FUZZ=ON \
    >/dev/null
cmake --build "$build" -j2 --target fuzz_all >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=()
    for src in fuzz/fuzz_*.cpp; do
        name=$(basename "$src" .cpp)
        targets+=("${name#fuzz_}")
    done
fi

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
# Qt keeps some allocations of its own to the end of the process; they are not ours.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

run_one() {
    local name=$1
    local work=$build/fuzz-work/$name findings=$build/fuzz-findings/$name
    mkdir -p "$work" "$findings"
    rm -f "$findings"/*
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$name" \
        >"$build/fuzz-$name.log" 2>&1 || true
}

mkdir -p "$build/fuzz-work"
running=0
for name in "${targets[@]}"; do
    run_one "$name" &
    running=$((running + 1))
    if [ $running -ge 2 ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

found=0
printf '%-12s %12s %10s %8s\n' target executions exec/s findings
for name in "${targets[@]}"; do
    log=$build/fuzz-$name.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    findings=$(find "$build/fuzz-findings/$name" -type f | wc -l)
    printf '%-12s %12s %10s %8s\n' "$name" "${runs:-?}" "${speed:-?}" "$findings"
    if [ "$findings" -gt 0 ] || [ -z "$runs" ]; then
        found=1
        find "$build/fuzz-findings/$name" -type f -printf '    %p\n'
    fi
done
exit $found
