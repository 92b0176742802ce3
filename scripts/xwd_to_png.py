#!/usr/bin/env python3
"""Converts an X window dump (xwd, 24 or 32 bits per pixel, TrueColor) to PNG
with the standard library alone.

  xwd_to_png.py INPUT.xwd OUTPUT.png
"""
import struct
import sys
import zlib


def main():
    data = open(sys.argv[1], "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    bits_per_pixel, bytes_per_line, colours = header[11], header[12], header[19]
    step = bits_per_pixel // 8
    pixels = header_size + colours * 12
    rows = []
    for y in range(height):
        line = data[pixels + y * bytes_per_line:pixels + y * bytes_per_line + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::step], line[1::step], line[0::step]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
    open(sys.argv[2], "wb").write(png)


if __name__ == "__main__":
    main()
