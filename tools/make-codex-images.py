#!/usr/bin/env python3
"""Draws the sample game's codex puzzle art into sample/assets/codex/ as PNG files: the
parchment background, the solve-grid cells and their marks, the seven code symbols (large for
the code grid, small for the grid's column headers), the cell cover and the scroll arrow
animations, the next button's glow and the dialogs' panel; and the
spark of the pointer effect (sample/assets/gameobjects/common/). Plain Python, no imaging library."""
import math
import os

from pngfile import png_bytes

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets", "codex")

INK = (62, 40, 22)
PAPER = (236, 220, 180)


def save(name, w, h, pixel):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png_bytes(w, h, pixel))


def clamp01(v):
    return max(0.0, min(1.0, v))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy or 1))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def poly_inside(px, py, pts):
    inside = False
    n = len(pts)
    for i in range(n):
        (x1, y1), (x2, y2) = pts[i], pts[(i + 1) % n]
        if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def poly_cover(px, py, pts):
    """Coverage of a polygon with a soft edge of one pixel."""
    d = min(seg_dist(px, py, *pts[i], *pts[(i + 1) % len(pts)]) for i in range(len(pts)))
    return clamp01(0.5 + d) if poly_inside(px, py, pts) else clamp01(0.5 - d)


def grain(x, y):
    return (math.sin(x * 12.9898 + y * 78.233) * 43758.5453) % 1.0


# The seven code symbols on a unit square (0..1), as a coverage function of (u, v) and a pixel
# size s in units.
def sun(u, v, s):
    d = math.hypot(u - 0.5, v - 0.5)
    disc = clamp01((0.2 - d) / s + 0.5)
    a = math.atan2(v - 0.5, u - 0.5)
    ray = clamp01((0.035 - abs(math.sin(a * 4)) * d) / s + 0.5) * (0.27 < d < 0.44)
    return max(disc, ray)


def moon(u, v, s):
    outer = clamp01((0.36 - math.hypot(u - 0.5, v - 0.5)) / s + 0.5)
    inner = clamp01((0.3 - math.hypot(u - 0.64, v - 0.42)) / s + 0.5)
    return outer * (1 - inner)


def star(u, v, s):
    pts = []
    for i in range(10):
        r = 0.42 if i % 2 == 0 else 0.17
        a = -math.pi / 2 + i * math.pi / 5
        pts.append((0.5 + r * math.cos(a), 0.53 + r * math.sin(a)))
    return poly_cover(u / s, v / s, [(x / s, y / s) for x, y in pts])


def fish(u, v, s):
    body = clamp01((1 - math.hypot((u - 0.42) / 0.3, (v - 0.5) / 0.17)) * 0.17 / s + 0.5)
    tail = poly_cover(u / s, v / s, [(0.68 / s, 0.5 / s), (0.9 / s, 0.3 / s), (0.9 / s, 0.7 / s)])
    eye = clamp01((0.035 - math.hypot(u - 0.27, v - 0.46)) / s + 0.5)
    return max(body, tail) * (1 - eye)


def bird(u, v, s):
    """A gull in flight: two wings, each a shallow arch."""
    pts = [(0.08, 0.5), (0.22, 0.36), (0.36, 0.38), (0.5, 0.56), (0.64, 0.38), (0.78, 0.36),
           (0.92, 0.5)]
    d = min(seg_dist(u, v, *pts[i], *pts[i + 1]) for i in range(len(pts) - 1))
    return clamp01((0.045 - d) / s + 0.5)


def tree(u, v, s):
    crown = poly_cover(u / s, v / s, [(0.5 / s, 0.1 / s), (0.85 / s, 0.68 / s), (0.15 / s, 0.68 / s)])
    trunk = clamp01((0.07 - abs(u - 0.5)) / s + 0.5) * clamp01((0.9 - v) / s + 0.5) * (v > 0.6)
    return max(crown, trunk)


def boat(u, v, s):
    hull = poly_cover(u / s, v / s, [(0.1 / s, 0.66 / s), (0.9 / s, 0.66 / s), (0.75 / s, 0.86 / s),
                                     (0.25 / s, 0.86 / s)])
    sail = poly_cover(u / s, v / s, [(0.52 / s, 0.12 / s), (0.52 / s, 0.6 / s), (0.82 / s, 0.6 / s)])
    mast = clamp01((0.03 - abs(u - 0.49)) / s + 0.5) * (0.1 < v < 0.68)
    return max(hull, sail, mast)


SYMBOLS = [sun, moon, star, fish, bird, tree, boat]
COLOURS = [(200, 120, 20), (70, 80, 150), (190, 150, 20), (30, 110, 140), (90, 60, 40),
           (40, 120, 50), (140, 50, 40)]


def symbol(name, size, shape, colour, tile):
    s = 1.0 / size

    def px(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        c = shape(u, v, s)
        if not tile:
            return (*colour, 255 * c)
        edge = min(x, y, size - 1 - x, size - 1 - y)
        back = mix((214, 194, 150), PAPER, clamp01(edge / 3))
        return (*mix(back, colour, c), 255)
    save(name, size, size, px)


def cell(name, w, h, face, mark=None, mark_colour=None):
    def px(x, y):
        edge = min(x, y, w - 1 - x, h - 1 - y)
        c = mix((120, 90, 55), face, clamp01(edge - 0.5))
        if mark:
            c = mix(c, mark_colour, mark((x + 0.5) / w, (y + 0.5) / h, w, h))
        return (*c, 255)
    save(name, w, h, px)


def check_mark(u, v, w, h):
    x, y = u * w, v * h
    d = min(seg_dist(x, y, w * 0.28, h * 0.52, w * 0.45, h * 0.75),
            seg_dist(x, y, w * 0.45, h * 0.75, w * 0.75, h * 0.25))
    return clamp01(3.2 - d)


def x_mark(u, v, w, h):
    x, y = u * w, v * h
    d = min(seg_dist(x, y, w * 0.3, h * 0.22, w * 0.7, h * 0.78),
            seg_dist(x, y, w * 0.7, h * 0.22, w * 0.3, h * 0.78))
    return clamp01(3.0 - d)


def bang_mark(u, v, w, h):
    x, y = u * w, v * h
    d = min(seg_dist(x, y, w * 0.5, h * 0.2, w * 0.5, h * 0.6), math.hypot(x - w * 0.5, y - h * 0.8))
    return clamp01(3.0 - d)


def background():
    w, h = 800, 600

    def px(x, y):
        g = grain(x // 2, y // 2) * 14 - 7
        vignette = clamp01(math.hypot((x - 400) / 520, (y - 300) / 420))
        c = mix(tuple(v + g for v in PAPER), (150, 110, 70), vignette ** 2 * 0.8)
        # Panels: the solve grid, the code board and the clue slides.
        for (l, t, r, b) in ((10, 24, 300, 270), (420, 24, 790, 300), (50, 388, 404, 572)):
            if l <= x < r and t <= y < b:
                edge = min(x - l, y - t, r - 1 - x, b - 1 - y)
                c = mix(c, (110, 80, 50), 0.6) if edge < 2 else mix(c, (250, 240, 215), 0.45)
        return (*c, 255)
    save("background.png", w, h, px)


def strip(name, fw, fh, count, frame_pixel):
    def px(x, y):
        return frame_pixel(x // fw, x % fw, y)
    save(name, fw * count, fh, px)


def cover(frame, x, y):
    fw, fh = 48, 38
    edge = min(x, y, fw - 1 - x, fh - 1 - y)
    shine = 0.5 + 0.5 * math.sin((x + y) * 0.25 - frame * 1.6)
    c = mix((150, 115, 75), (205, 175, 125), shine * 0.4 + 0.3)
    c = mix((90, 65, 40), c, clamp01(edge - 0.5))
    q = min(seg_dist(x, y, 19, 12, 24, 9), seg_dist(x, y, 24, 9, 29, 12),
            seg_dist(x, y, 29, 12, 24, 19), seg_dist(x, y, 24, 19, 24, 22))
    q = min(q, math.hypot(x - 24, y - 27))
    c = mix(c, (245, 230, 190), clamp01(2.0 - q))
    return (*c, 255)


def arrow(frame, x, y):
    shift = [0, 3, 6, 3][frame]
    pts = [(4 + shift, 14), (22 + shift, 14), (22 + shift, 6), (36 + shift, 20), (22 + shift, 34),
           (22 + shift, 26), (4 + shift, 26)]
    c = poly_cover(x + 0.5, y + 0.5, pts)
    return (200, 80, 30, 255 * c)


def glow():
    w, h = 200, 44

    def px(x, y):
        cx = min(max(x + 0.5, 22), w - 22)
        d = math.hypot(x + 0.5 - cx, (y + 0.5 - 22) * 1.0)
        # A ring along the button's edge: the caption stays readable.
        return (255, 220, 120, 190 * clamp01(1 - abs(d - 20) / 3.5))
    save("next_glow.png", w, h, px)


def panel():
    w, h = 400, 220

    def px(x, y):
        edge = min(x, y, w - 1 - x, h - 1 - y)
        g = grain(x // 2, y // 2) * 10 - 5
        c = mix((110, 75, 40), tuple(v + g for v in (246, 234, 204)), clamp01((edge - 3) / 2))
        if 8 <= edge < 10:
            c = mix(c, (170, 120, 60), 0.7)
        return (*c, 255 * clamp01(edge + 1))
    save("complete_panel.png", w, h, px)


def spark():
    """The pointer effect's spark, beside its particle description."""
    folder = os.path.join(OUT, "..", "gameobjects", "common")
    os.makedirs(folder, exist_ok=True)

    def px(x, y):
        d = math.hypot(x + 0.5 - 5, y + 0.5 - 5)
        return (255, 230, 150, 255 * clamp01(1 - d / 5) ** 1.5)
    with open(os.path.join(folder, "spark.png"), "wb") as f:
        f.write(png_bytes(10, 10, px))


os.makedirs(OUT, exist_ok=True)
spark()
panel()
background()
cell("cell_active.png", 48, 38, (250, 242, 220))
cell("cell_inactive.png", 48, 38, (180, 165, 135))
cell("cell_check.png", 48, 38, (250, 242, 220), check_mark, (30, 140, 40))
cell("cell_not.png", 48, 38, (250, 242, 220), x_mark, (190, 40, 30))
cell("cell_conflict.png", 48, 38, (250, 210, 150), bang_mark, (200, 90, 10))
cell("row_inactive.png", 60, 38, (180, 165, 135))
cell("column_inactive.png", 44, 44, (180, 165, 135))
for i, (shape, colour) in enumerate(zip(SYMBOLS, COLOURS), start=1):
    symbol("clue%d.png" % i, 44, shape, colour, True)
    symbol("icon%d.png" % i, 96, shape, colour, False)
strip("wordblank.png", 48, 38, 4, cover)
strip("scrollanim_right.png", 40, 40, 4, arrow)
glow()
