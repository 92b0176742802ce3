#!/usr/bin/env bash
# Installs what is missing, builds the monitor with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test; builds the Debian package
# and tests it installed; then cross-builds the Windows program and runs its
# tests under Wine.
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

# The Debian package: a Release build of what it ships, lintian, then
# installed with apt, checked and purged (that part needs root; CI is root).
package_status=0
package_started=$(date +%s)
scripts/package.sh || package_status=$?
if ((package_status == 0)); then
  tests/packaging/install_test.sh build/deb/korvane_*_"$(dpkg --print-architecture)".deb ||
    package_status=$?
fi
echo "package: built, checked, installed and purged in $(($(date +%s) - package_started)) s"

scripts/build-windows.sh
windows_status=0
ctest --preset windows || windows_status=$?
# The desktop tests under Wine drive real windows on a virtual display; one
# failed once in many runs at a window's close with no word from the driver.
# A failed test is run once more and both results stay in the log: a fault
# of ours fails twice.
if ((windows_status != 0)); then
  echo "windows: running the failed tests once more"
  windows_status=0
  ctest --preset windows --rerun-failed || windows_status=$?
fi
for status in "$linux_status" "$package_status" "$windows_status"; do
  if ((status != 0)); then exit "$status"; fi
done
