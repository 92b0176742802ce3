#!/usr/bin/env bash
# Takes the README's screenshot of the Windows installer: its welcome,
# components and finish pages under Wine on a virtual display, side by side,
# written to docs/screenshot-installer.png.
#   installer-screenshot.sh [--no-build]   (--no-build: use build/windows as it is)
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --no-build ]]; then
  scripts/build-windows.sh >/dev/null
fi
build=$PWD/build/windows
installer=$(ls "$build"/korvane-*-setup.exe | head -n 1)
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-installer-shot-XXXXXX")
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot --init >/dev/null 2>&1
# Unmanaged windows: without a window manager, managed ones stall.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" sh -c '
  set -e
  cd "$1"
  driver=$2/tests/win32_window/desktop_driver.exe
  # The installer names its window after the page: "KORVANE 1.4 Setup" and more.
  window_line() { xwininfo -root -children | grep "\"KORVANE [0-9.]* Setup" | head -n 1; }
  title() { window_line | sed -e "s/^[^\"]*\"\([^\"]*\)\".*/\1/"; }
  shot() {
    sleep 1
    xwd -id "$(window_line | awk "{print \$1}")" -silent >"$1"
  }
  next_page() { wine "$driver" command "$(title)" 1 >/dev/null; }
  wine "$3" >/dev/null 2>&1 &
  for _ in $(seq 1 100); do [ -n "$(window_line)" ] && break; sleep 0.2; done
  shot welcome.xwd
  next_page
  shot components.xwd
  next_page  # the folder
  sleep 1
  next_page  # install, then the finish page
  sleep 4
  shot finish.xwd
  wineserver -k' sh "$work" "$build" "$installer"

python3 - "$work" docs/screenshot-installer.png <<'PY'
import struct, sys, zlib

def read_xwd(path):
    data = open(path, "rb").read()
    h = struct.unpack(">25I", data[:100])
    size, width, height, bpp, line, colours = h[0], h[4], h[5], h[11], h[12], h[19]
    step, start = bpp // 8, size + colours * 12
    rows = []
    for y in range(height):
        raw = data[start + y * line:start + y * line + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::step], raw[1::step], raw[0::step]
        rows.append(bytes(rgb))
    return width, height, rows

work, out = sys.argv[1], sys.argv[2]
pages = [read_xwd(f"{work}/{name}.xwd") for name in ("welcome", "components", "finish")]
gap = 12
height = max(p[1] for p in pages)
grey = bytes([240, 240, 240])
rows = []
for y in range(height):
    row = bytearray()
    for i, (w, h, page) in enumerate(pages):
        if i:
            row += grey * gap
        row += page[y] if y < h else grey * w
    rows.append(b"\0" + bytes(row))
width = len(rows[0]) // 3

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
open(out, "wb").write(png)
PY
echo "docs/screenshot-installer.png"
