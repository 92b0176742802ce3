#!/usr/bin/env bash
# Installs what is missing, builds the monitor with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=build/test
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
cmake --build "$build_dir"

# The readers of foreign bytes (capture files, the settings file) are fuzzed
# for a short bounded time on every run; bench/ has the longer runs.
scripts/fuzz.sh 15

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build_dir" --output-on-failure -LE soak -j 2 --timeout 300
