#!/usr/bin/env python3
"""Draws the sample game's cross-sell pictures (sample/assets/xsell/*.png): one small picture
per advertised game and the publisher's logo, as anti-aliased shapes on flat colours. Plain
Python (zlib and struct) so it runs anywhere the build does."""
import math
import os
import struct
import sys
import zlib

W, H = 96, 72
SS = 4  # samples per pixel side for smooth edges


def write_png(path, pixels, w, h):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render(background, shapes, w=W, h=H):
    """shapes: list of (inside(x, y) -> bool, rgb), painted in order over the background."""
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            acc = [0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    px, py = x + (sx + 0.5) / SS, y + (sy + 0.5) / SS
                    colour = background
                    for inside, rgb in shapes:
                        if inside(px, py):
                            colour = rgb
                    for i in range(3):
                        acc[i] += colour[i]
            row.append(tuple(int(a / (SS * SS)) for a in acc) + (255,))
        rows.append(row)
    return rows


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def star(cx, cy, r_out, r_in, points=5):
    corners = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        a = -math.pi / 2 + i * math.pi / points
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))

    def inside(x, y):
        hit = False
        for i in range(len(corners)):
            (x0, y0), (x1, y1) = corners[i], corners[i - 1]
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit

    return inside


def spiral_shell(cx, cy):
    def inside(x, y):
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        if r > 26:
            return False
        a = math.atan2(dy, dx) % (2 * math.pi)
        # A band whose radius grows by 8 px per turn.
        band = (r - a / (2 * math.pi) * 8) % 8
        return band < 5

    return inside


def main(out):
    os.makedirs(out, exist_ok=True)
    gold, teal = (232, 184, 58), (28, 110, 120)
    write_png(os.path.join(out, "game1.png"),
              render(teal, [(ring(34, 36, 9, 16), gold), (rect(48, 33, 80, 39), gold),
                            (rect(66, 39, 70, 48), gold), (rect(75, 39, 79, 46), gold)]), W, H)
    write_png(os.path.join(out, "game2.png"),
              render((236, 214, 170), [(circle(48, 36, 27), (200, 120, 96)),
                                       (spiral_shell(48, 36), (250, 226, 210))]), W, H)
    write_png(os.path.join(out, "game3.png"),
              render((22, 30, 72), [(circle(14, 14, 1.5), (255, 255, 255)),
                                    (circle(82, 60, 1.5), (255, 255, 255)),
                                    (star(48, 38, 28, 12), (250, 220, 80))]), W, H)
    write_png(os.path.join(out, "sitelogo.png"),
              render((240, 240, 232), [(rect(40, 18, 56, 64), (190, 40, 40)),
                                       (rect(40, 30, 56, 38), (250, 250, 250)),
                                       (rect(40, 48, 56, 56), (250, 250, 250)),
                                       (circle(48, 14, 8), (250, 210, 60))]), W, H)
    # The light card behind each game's description, so the blue link reads on it.
    write_png(os.path.join(out, "card.png"),
              render((150, 118, 80), [(rect(2, 2, 397, 77), (246, 238, 218))], 400, 80), 400, 80)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "sample", "assets", "xsell"))
