#!/usr/bin/env bash
# The Windows program's CPU time while both ports stream, under Wine on a
# virtual display, in the desktop tests' prefix of build/windows.
#   bench/windows/capture_cpu.sh [BYTES_PER_SECOND_PER_LINE] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$PWD/build/windows
export WINEPREFIX=$build/wine-desktop WINEDEBUG=-all
wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" sh -c '
  python3 bench/windows/capture_cpu.py wine "$1/app/korvane.exe" \
    "$1/tests/win32_window/desktop_driver.exe" "$2" "$3"
  status=$?; wineserver -k; exit $status' sh "$build" "${1:-11520}" "${2:-10}"
