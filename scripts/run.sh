#!/usr/bin/env bash
# Sets up and builds, then starts the virtual controller on 127.0.0.2 (UDP port 11990, and a
# pseudo-terminal linked as demo/COM1) with an accelerated clock, and the configurator pointed
# at it. Both run in demo/, so the "config.str" of a user's own working folder is not touched.
# The virtual controller stops when the configurator exits.
set -euo pipefail
cd "$(dirname "$0")/.."
# A fresh clone is set up and built whole; afterwards only the two programs started here are
# brought up to date, which on a built tree is a build with nothing to do.
if [ ! -f build/CMakeCache.txt ]; then
    scripts/setup.sh
fi
cmake --build build -j"$(nproc)" --target velt veltsim
root=$PWD
mkdir -p demo
cd demo

# config.str: Ethernet, COM1, reserved 1, "127.000.000.002", port 11990, time-out 1000 ms.
printf '\001\001\001127.000.000.002\000\000\000\000\000\326\056\000\000\350\003\000\000' \
    >config.str

# The clock runs ten times as fast from 05:50 today: the sample project in examples/ changes
# phase every few seconds, and its day plan changes program a minute after the start.
"$root/build/sim/veltsim" --udp 127.0.0.2:11990 --link ./COM1 \
    --speed 10 --start "$(date +%d.%m.%Y) 05:50:00" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
"$root/build/app/velt" "$@"
