#!/usr/bin/env bash
# Installs what is missing, builds the monitor with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test; then cross-builds the
# Windows program and runs its tests under Wine.
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
linux_status=0
ctest --test-dir "$build_dir" --output-on-failure -LE soak -j 2 --timeout 300 || linux_status=$?

scripts/build-windows.sh
windows_status=0
ctest --preset windows || windows_status=$?
exit $((linux_status != 0 ? linux_status : windows_status))
