#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
# and runs every test with leak detection on. Qt's own allocations kept to the end of the
# process are suppressed in scripts/lsan.supp, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
