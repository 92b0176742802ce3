#!/usr/bin/env bash
# Takes the README's screenshot of the Windows program: korvane.exe under
# Wine on a virtual display, showing a capture file of both ports, written
# to docs/screenshot-windows.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-windows.sh >/dev/null
build=$PWD/build/windows
export WINEPREFIX=$build/wine-desktop WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-screenshot-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Forty records, port B every third, text and binary bytes.
python3 - "$work/sample.kvn" <<'PY'
import sys
records = bytearray()
for i in range(40):
    port = 2 if i % 3 == 2 else 1
    data = bytes((i * 37 + k * 11) % 256 for k in range(1 + (i * 5) % 16))
    if i % 4 == 0:
        data = b"Hello, port " + (b"B" if port == 2 else b"A")
    records += bytes([len(data), port]) + b"%06d: " % (i // 3 + 1) + data
open(sys.argv[1], "wb").write(records)
PY

wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" sh -c '
  cd "$1"
  wine "$2/app/korvane.exe" sample.kvn >/dev/null 2>&1 &
  wine "$2/tests/win32_window/desktop_driver.exe" wait "sample.kvn - KORVANE" >/dev/null
  sleep 1
  window=$(xwininfo -root -children | awk "/\"sample.kvn - KORVANE\"/ {print \$1}")
  xwd -id "$window" -silent >screen.xwd
  wineserver -k' sh "$work" "$build"
python3 scripts/xwd_to_png.py "$work/screen.xwd" docs/screenshot-windows.png
echo "docs/screenshot-windows.png"
