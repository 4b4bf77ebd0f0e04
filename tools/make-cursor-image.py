#!/usr/bin/env python3
"""Draws the sample game's arrow cursor (sample/assets/cursor/cursor.png): a 32x32 RGBA arrow,
white with a dark outline, its tip at the top-left pixel. Only the standard library is used."""
import os
import struct
import zlib

SIZE = 32


def inside(x, y):
    """The arrow: a triangle from the tip with a short tail below its middle."""
    if y < 20 and 0 <= x <= y * 0.62:
        return True
    return 16 <= y < 27 and 5 + (y - 16) * 0.35 <= x <= 9 + (y - 16) * 0.35


def pixel(x, y):
    if inside(x, y):
        edge = any(not inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        return (20, 24, 32, 255) if edge or x == 0 else (250, 248, 240, 255)
    near = any(inside(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))
    return (0, 0, 0, 90) if near else (0, 0, 0, 0)


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets", "cursor",
                       "cursor.png")
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, rows))


if __name__ == "__main__":
    main()
