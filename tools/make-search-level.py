#!/usr/bin/env python3
"""Draws the sample game's first story level, "The Harbour at Dusk": three 800 x 520
backgrounds laid side by side (the fisherman's shed, the quay, the lighthouse rocks), the
skyline that the drifting clouds pass behind, the eight hidden objects with the pieces of
scenery that half cover them, the item panel, the scroll buttons and arrows, the found and hint
glows, the strike-out line and the sparkle over the scroll buttons. Plain Python, no imaging
library: every pixel is computed here, with fixed seeds, so a run makes the same files."""
import math
import os
import random

from pngfile import png_bytes

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets")
W, H = 800, 520          # one background
HORIZON = 236            # where the sea meets the sky


def clamp01(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(c, f):
    return tuple(min(255, max(0, v * f)) for v in c)


def hash01(x, y, seed=0):
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def noise(x, y, scale, seed=0):
    """Smooth value noise in 0..1."""
    fx, fy = x / scale, y / scale
    ix, iy = int(math.floor(fx)), int(math.floor(fy))
    tx, ty = fx - ix, fy - iy
    tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
    a = hash01(ix, iy, seed) + (hash01(ix + 1, iy, seed) - hash01(ix, iy, seed)) * tx
    b = hash01(ix, iy + 1, seed) + (hash01(ix + 1, iy + 1, seed) - hash01(ix, iy + 1, seed)) * tx
    return a + (b - a) * ty


class Canvas:
    """Straight RGBA floats, drawn over with coverage-weighted shapes."""

    def __init__(self, w, h, colour=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(colour) for _ in range(w * h)]

    def put(self, x, y, c, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        a = min(1.0, a)
        out_a = a + p[3] / 255.0 * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (c[i] * a + p[i] * (p[3] / 255.0) * (1 - a)) / out_a
        p[3] = out_a * 255.0

    def fill(self, fn, box=None):
        """fn(x, y) -> (colour, alpha) or None, one sample per pixel."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                r = fn(x, y)
                if r:
                    self.put(x, y, r[0], r[1])

    def shape(self, inside, box, colour, alpha=1.0, ss=3):
        """Anti-aliased: inside(fx, fy) tested at ss x ss points of each pixel; colour is a
        colour or a function of the pixel."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in box)
        n = ss * ss
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                hits = 0
                for j in range(ss):
                    for i in range(ss):
                        if inside(x + (i + 0.5) / ss, y + (j + 0.5) / ss):
                            hits += 1
                if hits:
                    c = colour(x, y) if callable(colour) else colour
                    self.put(x, y, c, alpha * hits / n)

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0):
        self.shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1,
                   (cx - rx - 1, cy - ry - 1, cx + rx + 1, cy + ry + 1), colour, alpha)

    def ring(self, cx, cy, r0, r1, colour, alpha=1.0):
        self.shape(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1,
                   (cx - r1 - 1, cy - r1 - 1, cx + r1 + 1, cy + r1 + 1), colour, alpha)

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        self.shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), colour, alpha, 1)

    def poly(self, pts, colour, alpha=1.0):
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                (xi, yi), (xj, yj) = pts[i], pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        self.shape(inside, (min(xs), min(ys), max(xs), max(ys)), colour, alpha)

    def line(self, xa, ya, xb, yb, width, colour, alpha=1.0):
        dx, dy = xb - xa, yb - ya
        length2 = dx * dx + dy * dy or 1
        r = width / 2

        def inside(x, y):
            t = max(0, min(1, ((x - xa) * dx + (y - ya) * dy) / length2))
            return (x - xa - t * dx) ** 2 + (y - ya - t * dy) ** 2 <= r * r
        self.shape(inside, (min(xa, xb) - r - 1, min(ya, yb) - r - 1, max(xa, xb) + r + 1,
                            max(ya, yb) + r + 1), colour, alpha)

    def tint(self, colour, amount):
        """Pulls every pixel's colour towards colour, keeping alpha."""
        for p in self.px:
            for i in range(3):
                p[i] += (colour[i] - p[i]) * amount

    def save(self, name):
        path = os.path.join(ROOT, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png_bytes(self.w, self.h, lambda x, y: self.px[y * self.w + x]))


# ---- the backgrounds ----

SKY_TOP, SKY_LOW = (52, 48, 98), (236, 150, 96)
SEA_FAR, SEA_NEAR = (88, 92, 130), (28, 52, 78)


def sky_and_sea(c, offset):
    def fn(x, y):
        gx = x + offset
        if y < HORIZON:
            t = y / HORIZON
            col = mix(SKY_TOP, SKY_LOW, t ** 1.6)
            # The low sun behind the middle picture.
            d = math.hypot(gx - 1290, y - HORIZON + 8)
            col = mix(col, (255, 214, 150), clamp01(1 - d / 220) ** 2 * 0.8)
            return col, 1
        t = (y - HORIZON) / (H - HORIZON)
        col = mix(SEA_FAR, SEA_NEAR, t ** 0.7)
        wave = math.sin(gx * 0.05 + y * 0.9 + noise(gx, y, 40) * 6)
        col = shade(col, 1 + 0.08 * wave * (1 - t))
        # The sun's road on the water.
        road = clamp01(1 - abs(gx - 1290) / (30 + 160 * t)) * (0.5 + 0.5 * wave)
        col = mix(col, (250, 190, 130), road * 0.5 * (1 - t))
        return col, 1
    c.fill(fn)


def planks(c, x0, y0, x1, y1, base, vertical, seed, width=26):
    def fn(x, y):
        u = (x - x0) if vertical else (y - y0)
        v = (y - y0) if vertical else (x - x0)
        k = int(u // width)
        edge = u % width
        tone = 0.8 + 0.35 * hash01(k, seed)
        grain = 0.9 + 0.2 * noise(v * 0.15 + k * 40, u * 2, 3, seed)
        col = shade(base, tone * grain)
        if edge < 2:
            col = shade(col, 0.45)
        return col, 1
    c.fill(fn, (x0, y0, x1, y1))


def crate(c, x, y, w, h, base, seed):
    planks(c, x, y, x + w, y + h, base, False, seed, 18)
    dark = shade(base, 0.55)
    for bx0, by0, bx1, by1 in ((x, y, x + w, y + 5), (x, y + h - 5, x + w, y + h),
                               (x, y, x + 5, y + h), (x + w - 5, y, x + w, y + h)):
        c.rect(bx0, by0, bx1, by1, dark)
    c.line(x + 4, y + 4, x + w - 4, y + h - 4, 5, dark)


def barrel(c, x, y, w, h, base, seed):
    cx = x + w / 2

    def fn(px, py):
        t = (px - cx) / (w / 2)
        bulge = 1 - 0.12 * ((py - y) / h * 2 - 1) ** 2
        if abs(t) > bulge:
            return None
        col = shade(base, 0.55 + 0.6 * math.cos(t / bulge * 1.2) * (0.9 + 0.2 * noise(px, py, 4, seed)))
        for band in (0.18, 0.82):
            if abs((py - y) / h - band) < 0.035:
                col = (70, 66, 70)
        return col, 1
    c.fill(fn, (x, y, x + w, y + h))
    c.ellipse(cx, y + 2, w / 2 - 3, 5, shade(base, 0.5))


def rock(c, cx, cy, r, base, seed):
    def inside(x, y):
        a = math.atan2(y - cy, x - cx)
        rr = r * (0.8 + 0.3 * noise(a * 3 + 10, 0.5, 1, seed))
        return (x - cx) ** 2 + ((y - cy) * 1.35) ** 2 <= rr * rr

    def colour(x, y):
        lit = clamp01(0.6 - (y - cy) / r * 0.5 + (x - cx) / r * 0.2)
        return shade(base, 0.55 + 0.6 * lit * (0.8 + 0.4 * noise(x, y, 6, seed)))
    c.shape(inside, (cx - r * 1.2, cy - r, cx + r * 1.2, cy + r), colour, 1, 2)


def net(c, x0, y0, x1, y1, colour, step=9, alpha=0.85):
    for i in range(int((x1 - x0 + y1 - y0) / step) + 1):
        d = i * step
        c.line(x0 + d, y0, x0 + d - (y1 - y0), y1, 1.3, colour, alpha)
        c.line(x0 + d - (y1 - y0), y0, x0 + d, y1, 1.3, colour, alpha)


def background_shed():
    c = Canvas(W, H)
    sky_and_sea(c, 0)
    # The shed's wall and roof.
    planks(c, 0, 70, 430, 420, (120, 84, 56), True, 3)
    c.poly([(-10, 80), (215, 10), (445, 80)], (72, 50, 46))
    c.poly([(-10, 80), (215, 10), (445, 80), (445, 92), (215, 24), (-10, 92)], (46, 32, 30))
    # The window with its sill, and the door.
    c.rect(60, 150, 170, 250, (40, 36, 52))
    c.rect(62, 152, 168, 248, (230, 170, 110), 0.55)
    c.rect(112, 150, 118, 250, (70, 50, 40))
    c.rect(60, 196, 170, 202, (70, 50, 40))
    c.rect(50, 250, 180, 262, (96, 66, 44))
    c.rect(250, 180, 340, 420, (80, 56, 40))
    planks(c, 254, 184, 336, 420, (96, 64, 44), True, 9, 20)
    c.ellipse(324, 305, 5, 5, (200, 170, 90))
    # A row of hooks and tools on the wall.
    for hx in (200, 215, 230):
        c.line(hx, 130, hx, 138, 3, (50, 48, 52))
    c.line(198, 136, 176, 214, 6, (110, 78, 52))  # an oar leaning on the wall
    c.ellipse(174, 224, 8, 20, (120, 86, 58))
    # The pier.
    planks(c, 0, 420, 800, 520, (112, 86, 62), False, 5, 20)
    for px_ in range(430, 800, 70):
        c.rect(px_, 300, px_ + 14, 430, (60, 44, 36))
    planks(c, 430, 380, 800, 420, (104, 78, 56), False, 8, 13)
    # Crates, barrels and a rope coil on the pier.
    crate(c, 470, 300, 96, 84, (150, 112, 72), 11)
    crate(c, 560, 330, 70, 56, (138, 100, 66), 12)
    barrel(c, 660, 290, 70, 100, (120, 80, 50), 13)
    barrel(c, 360, 330, 56, 86, (110, 76, 50), 14)
    for r in range(26, 6, -5):
        c.ring(560, 470, r - 2.5, r, (170, 140, 90))
    return c


def background_quay():
    c = Canvas(W, H)
    sky_and_sea(c, 800)
    # The quay wall along the bottom and a moored boat.
    planks(c, 0, 430, 800, 520, (118, 112, 104), False, 21, 24)
    c.poly([(120, 330), (520, 330), (470, 400), (170, 400)], (62, 90, 120))
    c.poly([(120, 330), (520, 330), (512, 342), (128, 342)], (210, 200, 180))
    c.rect(280, 270, 380, 332, (190, 176, 150))
    c.rect(296, 284, 320, 304, (60, 70, 90))
    c.rect(336, 284, 360, 304, (60, 70, 90))
    c.rect(326, 180, 332, 272, (80, 60, 44))  # the mast's foot; its top is in the skyline
    # Bollards, a lamp post and crates.
    for bx in (90, 620):
        c.rect(bx, 400, bx + 30, 436, (50, 50, 58))
        c.ellipse(bx + 15, 400, 19, 7, (64, 64, 74))
    c.rect(700, 250, 708, 432, (40, 40, 48))
    c.ellipse(704, 244, 14, 10, (250, 220, 150))
    c.ellipse(704, 244, 30, 24, (255, 220, 150), 0.25)
    crate(c, 520, 380, 80, 60, (140, 104, 70), 31)
    net(c, 20, 440, 220, 510, (70, 90, 80), 8, 0.9)
    # Reflections of the boat.
    c.fill(lambda x, y: (((40, 70, 100), 0.35) if 170 < x < 470 and 400 <= y < 425
                         and math.sin(x * 0.3 + y) > 0 else None), (160, 400, 480, 425))
    return c


def background_rocks():
    c = Canvas(W, H)
    sky_and_sea(c, 1600)
    # Sand along the bottom, rocks, the lighthouse's base.
    c.fill(lambda x, y: (shade((196, 160, 110), 0.85 + 0.25 * noise(x, y, 5, 41)), 1)
           if y > 400 - 30 * math.sin(x * 0.006) else None, (0, 350, 800, 520))
    # The tower widens from where the skyline leaves it (half width 48 at y 200) to the rocks.
    def half(y):
        return 48 + 12 * (y - 200) / 210
    c.poly([(540 - half(200), 200), (540 + half(200), 200), (540 + half(410), 410),
            (540 - half(410), 410)], (220, 214, 200))
    for sy in (240, 320):
        c.poly([(540 - half(sy), sy), (540 + half(sy), sy), (540 + half(sy + 34), sy + 34),
                (540 - half(sy + 34), sy + 34)], (180, 60, 56))
    c.rect(520, 330, 560, 410, (60, 50, 50))
    for cx, cy, r, seed in ((120, 420, 70, 1), (250, 450, 50, 2), (400, 430, 60, 3),
                            (640, 440, 80, 4), (760, 400, 60, 5), (40, 470, 50, 6)):
        rock(c, cx, cy, r, (110, 112, 120), seed)
    for sx, sy in ((330, 490), (700, 500), (180, 505)):
        c.ellipse(sx, sy, 9, 6, (240, 220, 200))
    return c


def skyline():
    """The far shore, the mast's top and the lighthouse's tower, in front of the clouds."""
    c = Canvas(3 * W, HORIZON + 14)

    def hills(x, y):
        top = HORIZON - 34 - 26 * noise(x, 0, 90, 7) - 14 * noise(x, 0, 23, 8)
        if y < top:
            return None
        return shade((70, 64, 100), 0.9 + 0.1 * (y - top) / 40), 1
    c.fill(hills, (0, HORIZON - 80, 3 * W, HORIZON + 1))
    for hx in range(140, 2300, 210):  # lights of the far town
        c.ellipse(hx + 30 * hash01(hx, 2), HORIZON - 12 - 8 * hash01(hx, 3), 1.6, 1.6,
                  (255, 220, 140))
    c.rect(800 + 326, 40, 800 + 332, HORIZON + 14, (80, 60, 44))
    c.line(800 + 329, 60, 800 + 420, 200, 1.5, (60, 50, 40))
    c.line(800 + 329, 60, 800 + 240, 200, 1.5, (60, 50, 40))
    tower_x = 1600 + 540
    c.poly([(tower_x - 48 + 12 * (200 - HORIZON - 14) / 210, HORIZON + 14),
            (tower_x + 48 - 12 * (200 - HORIZON - 14) / 210, HORIZON + 14), (tower_x + 36, 70),
            (tower_x - 36, 70)], (220, 214, 200))
    c.rect(tower_x - 36, 120, tower_x + 36, 150, (180, 60, 56))
    c.rect(tower_x - 30, 36, tower_x + 30, 70, (250, 230, 160))
    c.ellipse(tower_x, 52, 60, 26, (255, 236, 170), 0.35)
    c.poly([(tower_x - 40, 38), (tower_x, 8), (tower_x + 40, 38)], (60, 50, 56))
    c.rect(tower_x - 44, 68, tower_x + 44, 76, (60, 50, 56))
    return c


def clouds():
    """A strip that repeats every 1024 pixels, the width of a skyline piece. No cloud crosses
    the strip's ends, where two copies meet."""
    c = Canvas(1024, HORIZON + 14)
    rnd = random.Random(5)
    puffs = [(rnd.uniform(60, 964), rnd.uniform(30, 170), rnd.uniform(18, 46)) for _ in range(30)]

    def fn(x, y):
        a = 0.0
        for px_, py, r in puffs:
            d = ((x - px_) ** 2 + ((y - py) * 2.2) ** 2) ** 0.5
            a = max(a, clamp01((r - d) / r * 1.6))
        if a <= 0:
            return None
        return mix((250, 200, 190), (120, 100, 150), clamp01((y - 40) / 150)), a * 0.75
    c.fill(fn)
    return c


# ---- the hidden objects (each drawn large, then tinted towards its hiding place) ----

def key(tone):
    c = Canvas(60, 24)
    c.ring(11, 12, 5, 10, tone)
    c.rect(19, 10, 56, 15, tone)
    for tx in (42, 50):
        c.rect(tx, 15, tx + 5, 22, tone)
    c.line(4, 9, 10, 5, 1.5, shade(tone, 1.4), 0.7)
    return c


def bell(tone):
    c = Canvas(40, 44)
    c.poly([(8, 34), (32, 34), (28, 12), (20, 6), (12, 12)], tone)
    c.ellipse(20, 34, 15, 4, shade(tone, 0.8))
    c.ellipse(20, 39, 4, 4, shade(tone, 0.6))
    c.ring(20, 5, 2, 4, shade(tone, 0.7))
    c.line(15, 14, 13, 30, 2, shade(tone, 1.35), 0.7)
    return c


def anchor(tone):
    c = Canvas(44, 52)
    c.ring(22, 7, 3, 6, tone)
    c.rect(20, 12, 24, 44, tone)
    c.rect(12, 17, 32, 21, tone)
    c.shape(lambda x, y: 16 * 16 <= (x - 22) ** 2 + (y - 30) ** 2 <= 20 * 20 and y > 34,
            (0, 30, 44, 52), tone)
    c.poly([(0, 34), (8, 30), (6, 40)], tone)
    c.poly([(44, 34), (36, 30), (38, 40)], tone)
    return c


def fish(tone):
    c = Canvas(56, 28)
    c.ellipse(24, 14, 20, 10, tone)
    c.poly([(40, 14), (55, 3), (55, 25)], shade(tone, 0.85))
    c.ellipse(13, 11, 2.5, 2.5, (20, 20, 24))
    c.line(28, 6, 28, 22, 1.2, shade(tone, 0.7), 0.8)
    return c


def starfish(tone):
    c = Canvas(46, 46)
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        r = 21 if i % 2 == 0 else 8
        pts.append((23 + r * math.cos(a), 24 + r * math.sin(a)))
    c.poly(pts, tone)
    for i in range(6):
        c.ellipse(23 + 6 * math.cos(i), 24 + 6 * math.sin(i), 1.2, 1.2, shade(tone, 1.3))
    return c


def teacup(tone):
    c = Canvas(40, 30)
    c.poly([(4, 6), (30, 6), (26, 24), (8, 24)], tone)
    c.ring(32, 13, 3, 6, tone)
    c.ellipse(17, 6, 13, 3, shade(tone, 0.7))
    c.ellipse(17, 26, 15, 3, shade(tone, 0.9))
    return c


def umbrella(tone):
    c = Canvas(48, 56)
    c.shape(lambda x, y: (x - 24) ** 2 + (y - 22) ** 2 <= 22 * 22 and y <= 22, (0, 0, 48, 23),
            tone)
    c.rect(23, 20, 26, 48, shade(tone, 0.6))
    c.ring(19, 48, 3, 6, shade(tone, 0.6))
    return c


def candle(tone):
    c = Canvas(20, 48)
    c.rect(5, 16, 15, 46, tone)
    c.ellipse(10, 16, 5, 2, shade(tone, 1.2))
    c.ellipse(10, 8, 3, 7, (255, 210, 120))
    c.ellipse(10, 10, 1.5, 3, (255, 250, 220))
    return c


# name, picture, the colours of its hiding place and how far it is tinted towards them; where
# each one hides is the level script's business ("scripts/levels/harbour.lua").
ITEMS = [
    ("key", key, (178, 140, 72), 0.35),
    ("bell", bell, (190, 176, 150), 0.55),
    ("anchor", anchor, (96, 98, 110), 0.55),
    ("fish", fish, (150, 120, 84), 0.5),
    ("starfish", starfish, (214, 140, 96), 0.3),
    ("teacup", teacup, (120, 96, 80), 0.45),
    ("umbrella", umbrella, (60, 58, 70), 0.5),
    ("candle", candle, (214, 206, 186), 0.45),
]


def cover_pieces():
    """Scenery drawn in front of some objects: (file, canvas)."""
    out = []
    # A net hanging over the key on the shed wall.
    c = Canvas(70, 90)
    net(c, 0, 0, 70, 90, (60, 70, 60), 9, 0.95)
    c.line(0, 2, 70, 2, 3, (90, 70, 50))
    out.append(("cover_net", c))
    # A crate slat across the fish.
    c = Canvas(90, 14)
    planks(c, 0, 0, 90, 14, (150, 112, 72), False, 11, 14)
    out.append(("cover_slat", c))
    # A coil of rope over the bell's foot.
    c = Canvas(60, 26)
    for r in range(12, 3, -3):
        c.ring(30, 14, r - 1.6, r, (170, 140, 90))
        c.ring(14, 14, r - 1.6, r, (160, 130, 84))
    out.append(("cover_rope", c))
    # A rock in front of the anchor.
    c = Canvas(60, 44)
    rock(c, 30, 24, 26, (110, 112, 120), 9)
    out.append(("cover_rock", c))
    # Seaweed over the starfish.
    c = Canvas(50, 34)
    for i in range(7):
        c.line(4 + i * 7, 34, 10 + i * 6 + 5 * math.sin(i), 4 + 3 * (i % 3), 3, (70, 96, 60), 0.9)
    out.append(("cover_weed", c))
    # The bollard's shadow over the umbrella's handle.
    c = Canvas(40, 40)
    c.rect(5, 4, 35, 40, (50, 50, 58))
    c.ellipse(20, 4, 19, 6, (64, 64, 74))
    out.append(("cover_bollard", c))
    return out


# ---- the panel, the buttons and the glows ----

def panel():
    c = Canvas(800, 80)
    c.fill(lambda x, y: (shade((70, 50, 40), 0.8 + 0.3 * noise(x, y, 6, 77) - 0.2 * (y / 80)), 1))
    c.rect(0, 0, 800, 4, (180, 140, 90))
    c.rect(632, 10, 700, 70, (40, 30, 26))
    return c


def scroll_button(left, hover):
    c = Canvas(40, 56)
    base = (236, 200, 120) if hover else (200, 170, 110)
    c.ellipse(20, 28, 19, 27, (40, 30, 26), 0.6)
    pts = [(30, 8), (10, 28), (30, 48)] if left else [(10, 8), (30, 28), (10, 48)]
    c.poly(pts, base)
    return c


def small_button(top, bottom, border):
    """The panel's Options button, 96 x 36."""
    c = Canvas(96, 36)

    def inside_round(x, y, w=96, h=36, r=9):
        cx, cy = min(max(x, r), w - r), min(max(y, r), h - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    c.shape(inside_round, (0, 0, 96, 36), border)
    c.shape(lambda x, y: inside_round(x - 2, y - 2, 92, 32, 7), (2, 2, 94, 34),
            lambda x, y: mix(top, bottom, y / 35))
    return c


def arrow_sheet(left):
    """Four frames of an arrow that nudges outwards, 40 x 56 each."""
    c = Canvas(160, 56)
    for f, shift in enumerate((0, 3, 6, 3)):
        dx = -shift if left else shift
        ox = f * 40
        c.ellipse(ox + 20, 28, 19, 27, (40, 30, 26), 0.5)
        pts = ([(ox + 30 + dx, 8), (ox + 10 + dx, 28), (ox + 30 + dx, 48)] if left
               else [(ox + 10 + dx, 8), (ox + 30 + dx, 28), (ox + 10 + dx, 48)])
        c.poly(pts, (255, 226, 140))
    return c


def glow_sheet(colour, size, frames):
    c = Canvas(size * frames, size)
    for f in range(frames):
        k = 0.6 + 0.4 * math.sin(f / frames * math.pi)
        ox, r = f * size + size / 2, size / 2

        def fn(x, y, ox=ox, r=r, k=k):
            d = math.hypot(x + 0.5 - ox, y + 0.5 - r) / r
            if d >= 1:
                return None
            return colour, clamp01((1 - d) ** 1.5 * k)
        c.fill(fn, (f * size, 0, (f + 1) * size, size))
    return c


def strikeout():
    c = Canvas(128, 24)
    c.line(2, 14, 126, 10, 2.5, (220, 40, 30))
    return c


def sequence(name, image, w, h, frame_w, frame_h, frames, script):
    rows = "\n".join(
        f'    <frame x="{i * frame_w}" y="0" w="{frame_w}" h="{frame_h}" regx="{frame_w // 2}" '
        f'regy="{frame_h // 2}" />' for i in range(frames))
    return (f'<sequence name="{name}">\n  <img name="{image}" w="{w}" h="{h}" />\n'
            f"  <framelist>\n{rows}\n  </framelist>\n  <script>{script}</script>\n</sequence>\n")


def write_text(name, text):
    path = os.path.join(ROOT, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def main():
    shed = background_shed()
    shed.save("scenes/harbour/bg.png")
    background_quay().save("scenes/harbour/bg1.png")
    background_rocks().save("scenes/harbour/bg2.png")
    sky = skyline()
    # The shed stands in front of the clouds: its roof and wall go into the skyline as well.
    for y in range(sky.h):
        for x in range(446):
            roof = 80 - 70 * (x + 10) / 225 if x <= 215 else 10 + 70 * (x - 215) / 230
            eave = 104 - 80 * (x + 10) / 225 if x <= 215 else 24 + 68 * (x - 215) / 230
            if y >= roof and (x < 431 or y <= eave + 1):
                sky.px[y * sky.w + x] = list(shed.px[y * shed.w + x])
    # Textures are at most 2048 pixels wide: the skyline goes in pieces as wide as the clouds.
    for i, x0 in enumerate(range(0, sky.w, 1024)):
        piece = Canvas(min(1024, sky.w - x0), sky.h)
        for y in range(sky.h):
            piece.px[y * piece.w:(y + 1) * piece.w] = sky.px[y * sky.w + x0:y * sky.w + x0 + piece.w]
        piece.save(f"scenes/harbour/skyline{i}.png")
    clouds().save("scenes/harbour/clouds.png")
    for name, draw, tone, amount in ITEMS:
        picture = draw(tone)
        picture.tint(tone, amount)
        picture.save(f"scenes/harbour/items/{name}.png")
    for name, picture in cover_pieces():
        picture.save(f"scenes/harbour/{name}.png")
    panel().save("scenes/harbour/panel.png")
    for left, side in ((True, "left"), (False, "right")):
        scroll_button(left, False).save(f"images/scroll_{side}.png")
        scroll_button(left, True).save(f"images/scroll_{side}_rollover.png")
    # The right arrow is the codex's own (tools/make-codex-images.py); the scene shares it.
    arrow_sheet(True).save("codex/scrollanim_left.png")
    write_text("codex/scrollanim_left.xml",
               sequence("scrollanim_left", "scrollanim_left.png", 160, 56, 40, 56, 4,
                        "function DoAnim() while true do delay(110) frames{1,2,3,4} end end"))
    for state, top, bottom, border in (
            ("normal", (150, 110, 70), (100, 70, 44), (230, 200, 140)),
            ("pressed", (90, 62, 40), (120, 86, 56), (230, 200, 140)),
            ("rollover", (180, 134, 86), (120, 86, 54), (255, 236, 170))):
        small_button(top, bottom, border).save(f"scenes/harbour/options_{state}.png")
    glow_sheet((255, 236, 160), 96, 4).save("anim/behind.png")
    glow_sheet((255, 255, 255), 64, 4).save("anim/above.png")
    glow_sheet((255, 250, 120), 120, 6).save("anim/hint.png")
    for name, size, frames in (("behind", 96, 4), ("above", 64, 4), ("hint", 120, 6)):
        write_text(f"anim/{name}.xml",
                   sequence(name, f"{name}.png", size * frames, size, size, size, frames,
                            "function DoAnim() while true do delay(90) frames{" +
                            ",".join(str(i + 1) for i in range(frames)) + "} end end"))
    strikeout().save("gameobjects/strikeout.png")


if __name__ == "__main__":
    main()
