#!/usr/bin/env bash
# The longest polling tick of the Windows serial backend while a vanished
# port's reopen is held OPEN_DELAY_MS, under Wine, on the line helper's
# pseudo-terminal named COM5.
#   bench/windows/reopen_tick.sh [OPEN_DELAY_MS] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$PWD/build/windows
export WINEPREFIX=$build/wine WINEDEBUG=-all
tests/win32/with_pty_line.sh "$WINEPREFIX" com5 \
  wine "$build/tests/win32/reopen_tick.exe" "${1:-2000}" "${2:-6}"
