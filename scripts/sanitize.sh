#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
# and runs every test with leak detection on. Qt's own allocations kept to the end of the
# process are suppressed in scripts/lsan.supp, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# -O1 and line tables only: what the sanitizers need for exact reports, at a fraction of the
# compile time of a full optimised build with debug information.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" \
    -DVELT_SANITIZE=ON -DVELT_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
