#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Tarnvale and runs every test. With
# TARNVALE_SANITIZE=ON it builds into build-asan with address and undefined-behaviour
# sanitizers instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

sanitize=${TARNVALE_SANITIZE:-OFF}
if [ "$sanitize" = ON ]; then
    dir=build-asan type=Debug
    # Fail on the first report of either sanitizer; Qt's own allocations at exit are not ours.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
else
    dir=build type=Release
fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DTARNVALE_SANITIZE="$sanitize"
cmake --build "$dir" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
