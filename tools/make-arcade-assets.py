#!/usr/bin/env python3
"""Draws the sample game's arcade mode: three painted scenes in the manner of the story's levels
(a sail loft with a window on the sky, a chart table seen from above, painted at twice the
window's size and shown halved so the magnifier shows it at full size, and the garden below the
lighthouse), the objects hidden in them, tinted towards their hiding places and partly covered
by the scenery in front of them, the found and hint animations ("anim/behind2.xml",
"anim/above.xml", "anim/hint3.xml") and a scene's ambient glint, the first scene's drifting
clouds behind its window frame, the arcade panel and its hint light, the magnifier's mask, and
the scene catalogue "scripts/searchhelper.lua" that places the objects. Plain Python, no
imaging library: every pixel is computed here, with fixed seeds. Shares the painting helpers of
make-search-level.py. Writes into sample/assets/."""
import importlib.util
import math
import os
import random

from pngfile import png_bytes

_spec = importlib.util.spec_from_file_location(
    "search_level", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-search-level.py"))
lvl = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(lvl)
Canvas, shade, noise, hash01 = lvl.Canvas, lvl.shade, lvl.noise, lvl.hash01
planks, crate, barrel, rock, net = lvl.planks, lvl.crate, lvl.barrel, lvl.rock, lvl.net

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "sample", "assets")


def write(name, data):
    path = os.path.join(ASSETS, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


# The objects: a shape and a colour each. The three shells are one multiple-copy group.
SHAPES = {
    "apple": ("disc", (200, 40, 40)), "ball": ("ring", (40, 120, 220)),
    "bell": ("bell", (230, 190, 40)), "book": ("box", (120, 60, 30)),
    "cup": ("cup", (240, 240, 230)), "key": ("key", (200, 170, 60)),
    "lamp": ("bell", (250, 220, 120)), "leaf": ("diamond", (60, 170, 60)),
    "moon": ("moon", (235, 235, 200)), "ring": ("ring", (220, 200, 60)),
    "shell_a": ("shell", (240, 170, 150)), "shell_b": ("shell", (240, 170, 150)),
    "shell_c": ("shell", (240, 170, 150)), "star": ("star", (250, 210, 40)),
    "sun": ("disc", (250, 160, 30)), "vase": ("cup", (60, 90, 200)),
    "clock": ("ring", (180, 180, 190)), "gem": ("diamond", (200, 40, 200)),
}


def inside(shape, u, v):
    """Whether the point (u, v) in -1..1 lies in the shape."""
    r = math.hypot(u, v)
    if shape == "disc":
        return r < 0.9
    if shape == "ring":
        return 0.55 < r < 0.9
    if shape == "box":
        return abs(u) < 0.7 and abs(v) < 0.85
    if shape == "diamond":
        return abs(u) + abs(v) < 0.9
    if shape == "moon":
        return r < 0.9 and math.hypot(u - 0.4, v - 0.2) > 0.7
    if shape == "bell":
        return (v > -0.2 and abs(u) < 0.3 + 0.5 * (v + 0.2)) and v < 0.8 or math.hypot(u, v + 0.4) < 0.35
    if shape == "cup":
        return (abs(u) < 0.55 and -0.6 < v < 0.8) or (0.45 < u < 0.9 and -0.2 < v < 0.3 and math.hypot(u - 0.55, v - 0.05) > 0.12)
    if shape == "key":
        return math.hypot(u + 0.5, v) < 0.4 or (-0.2 < u < 0.9 and abs(v) < 0.12) or (0.6 < u < 0.75 and 0 < v < 0.4)
    if shape == "shell":
        a = math.atan2(v, u)
        return r < 0.85 and v < 0.6 and (int((a + math.pi) * 4) % 2 == 0 or r < 0.3)
    if shape == "star":
        a = math.atan2(v, u)
        return r < 0.5 + 0.4 * abs(math.cos(2.5 * a))
    return False


def object_png(name, size, full=False, tint=None, cover=None):
    """The object's picture. tint (colour, amount) pulls it towards its hiding place; cover(x, y)
    gives how much of each pixel the scenery in front hides (the found picture is whole)."""
    shape, colour = SHAPES[name]
    if tint:
        colour = mix(colour, tint[0], tint[1])
    light = mix(colour, (255, 255, 255), 0.45)
    dark = mix(colour, (0, 0, 0), 0.45)

    def pixel(x, y):
        u = (x + 0.5) / size * 2 - 1
        v = (y + 0.5) / size * 2 - 1
        if not inside(shape, u, v):
            return (0, 0, 0, 0)
        edge = not all(inside(shape, u + du, v + dv) for du, dv in ((0.07, 0), (-0.07, 0), (0, 0.07), (0, -0.07)))
        if edge:
            c = dark
        else:
            # Lit from the upper left, with a small shine.
            c = mix(light, colour, min(1.0, math.hypot(u + 0.35, v + 0.35) / 1.1))
            c = mix(c, mix(colour, (0, 0, 0), 0.3), max(0.0, (u + v) / 2.2))
            if math.hypot(u + 0.4, v + 0.45) < 0.12:
                c = mix(c, (255, 255, 240), 0.6)
        if full:
            c = mix(c, (255, 255, 200), 0.35)
        a = 255
        if cover:
            a = int(255 * (1 - cover(x, y)))
        return c + (a,)

    return png_bytes(size, size, pixel)


# ---- the scenes ----

def sail_loft(w, h):
    """A sail loft under the roof: plank walls, a small window on the sky (the clouds drift
    behind its frame), shelves of jars and tins, sails hung to dry, crates, barrels and sacks
    on the floor, coils of rope and a net."""
    c = Canvas(w, h)
    planks(c, 0, 0, w, 380, (118, 84, 56), True, 61, 34)
    # The roof beams and the shadow under them.
    c.fill(lambda x, y: ((20, 14, 10), 0.55 * max(0.0, 1 - y / 90)), (0, 0, w, 90))
    for bx in (0, 260, 520, 780):
        c.rect(bx, 0, bx + 22, 380, (70, 48, 32))
    c.rect(0, 36, w, 52, (78, 54, 36))
    # The window's recess, where the frame of drifting clouds sits (at 600, 60).
    c.rect(592, 52, 768, 128, (60, 42, 28))
    c.fill(lambda x, y: (mix((120, 170, 230), (190, 215, 245), (y - 60) / 60), 1), (600, 60, 760, 120))
    # Shelves with jars and tins.
    for top in (150, 250):
        c.rect(30, top, 250, top + 8, (92, 64, 40))
    for i, (bx, top) in enumerate(((40, 150), (80, 150), (150, 150), (205, 150),
                                   (50, 250), (110, 250), (175, 250))):
        tone = [(60, 90, 70), (150, 90, 50), (80, 80, 110), (170, 150, 110)][i % 4]
        c.rect(bx, top - 34, bx + 26, top, tone)
        c.rect(bx + 4, top - 40, bx + 22, top - 34, shade(tone, 0.7))
        c.line(bx + 5, top - 30, bx + 5, top - 4, 2, shade(tone, 1.5), 0.5)
    # Sails hung over a pole.
    c.rect(290, 70, 560, 76, (90, 62, 40))
    c.poly([(300, 76), (420, 76), (440, 300), (320, 270)], (226, 214, 186))
    c.poly([(400, 76), (550, 76), (530, 250), (450, 290)], (206, 190, 160))
    c.line(420, 80, 440, 296, 2, (170, 156, 128))
    # The floor.
    planks(c, 0, 380, w, h, (104, 76, 52), False, 62, 22)
    c.rect(0, 376, w, 384, (60, 42, 28))
    # Barrels, crates and sacks.
    barrel(c, 600, 250, 100, 140, (122, 82, 50), 63)
    barrel(c, 690, 280, 80, 112, (112, 76, 46), 64)
    crate(c, 40, 300, 120, 96, (150, 112, 72), 65)
    crate(c, 150, 330, 90, 70, (138, 100, 66), 66)
    c.ellipse(300, 420, 46, 32, (166, 146, 108))
    c.ellipse(300, 392, 18, 10, (146, 126, 92))
    c.ellipse(520, 470, 56, 30, (156, 136, 100))
    # Coils of rope and a net over the corner.
    for cx, cy in ((430, 470), (720, 470)):
        for r in range(30, 6, -5):
            c.ring(cx, cy, r - 2.5, r, (176, 146, 96))
    net(c, 240, 380, 420, 520, (70, 60, 44), 10, 0.6)
    # A lantern's warm light.
    c.ellipse(540, 160, 70, 70, (255, 210, 140), 0.1)
    c.rect(532, 140, 548, 176, (60, 50, 40))
    c.ellipse(540, 162, 6, 10, (255, 226, 150))
    return c


def chart_table(w, h):
    """A ship's chart table seen from above: dark planks, a chart with its coast and course,
    a compass rose, letters, a brass ruler, dividers, a candle and spilt coins. Drawn at twice
    the window's size."""
    c = Canvas(w, h)
    planks(c, 0, 0, w, h, (92, 62, 40), True, 71, 80)
    # The chart: parchment with its coast, sea lines and the course.
    def parchment(x, y):
        return shade((226, 206, 160), 0.88 + 0.16 * noise(x, y, 40, 72)), 1
    c.fill(parchment, (160, 120, 1180, 820))
    c.rect(160, 120, 1180, 126, (150, 120, 80))
    def coast(x, y):
        edge = 420 + 120 * math.sin(x / 130.0) + 60 * noise(x, 0, 70, 73)
        if y < edge:
            return shade((176, 196, 150), 0.9 + 0.15 * noise(x, y, 30, 74)), 0.8
        return None
    c.fill(coast, (160, 126, 1180, 820))
    for i in range(9):
        c.line(160, 560 + i * 30, 1180, 540 + i * 30, 1.5, (120, 140, 160), 0.4)
    for i in range(7):
        x0 = 280 + i * 130
        c.line(x0, 640 - (i % 3) * 40, x0 + 110, 600 - ((i + 1) % 3) * 40, 5, (160, 50, 40), 0.8)
    # The compass rose.
    for k in range(8):
        a = k * math.pi / 4
        r = 110 if k % 2 == 0 else 70
        c.poly([(930, 620), (930 + r * math.cos(a - 0.15) * 0.3, 620 + r * math.sin(a - 0.15) * 0.3),
                (930 + r * math.cos(a), 620 + r * math.sin(a)),
                (930 + r * math.cos(a + 0.15) * 0.3, 620 + r * math.sin(a + 0.15) * 0.3)],
               (90, 60, 40) if k % 2 == 0 else (150, 110, 60))
    c.ring(930, 620, 116, 122, (90, 60, 40))
    # Letters, a brass ruler and the dividers.
    c.poly([(1240, 180), (1520, 220), (1490, 520), (1210, 480)], (236, 228, 204))
    for i in range(10):
        c.line(1250 + i * 3, 230 + i * 26, 1480 + i * 3, 262 + i * 26, 2, (90, 80, 80), 0.5)
    c.poly([(1280, 620), (1560, 660), (1540, 900), (1260, 860)], (226, 216, 190))
    c.poly([(200, 900), (1100, 860), (1104, 900), (204, 940)], (190, 150, 70))
    for i in range(30):
        x = 220 + i * 29
        c.line(x, 900 - i * 1.3, x, 912 - i * 1.3, 2, (90, 70, 30))
    c.line(700, 200, 780, 420, 6, (170, 170, 180))
    c.line(700, 200, 620, 420, 6, (170, 170, 180))
    c.ellipse(700, 200, 14, 14, (190, 160, 80))
    # A candle in its holder, and its light on the table.
    c.ellipse(240, 1040, 200, 130, (255, 210, 140), 0.2)
    c.ellipse(240, 1040, 70, 44, (160, 130, 60))
    c.ellipse(240, 1040, 30, 20, (236, 226, 200))
    c.ellipse(240, 1030, 8, 14, (255, 210, 120))
    # An inkwell and a rolled chart.
    c.ellipse(1400, 1040, 60, 46, (30, 30, 44))
    c.ellipse(1400, 1030, 26, 18, (60, 60, 80))
    c.poly([(600, 1040), (1100, 980), (1110, 1060), (610, 1120)], (210, 190, 150))
    c.ellipse(605, 1080, 22, 40, (180, 160, 120))
    return c


def lighthouse_garden(w, h):
    """The keeper's garden below the lighthouse at noon: sky and sea, the tower with its lamp
    (where the glint is), a stone wall, a hedge, flower beds, a bench and rocks in the grass."""
    c = Canvas(w, h)
    c.fill(lambda x, y: (mix((110, 160, 220), (200, 220, 236), y / 180), 1), (0, 0, w, 180))
    for cx, cy, rx in ((120, 60, 70), (300, 40, 50), (470, 80, 80)):
        c.ellipse(cx, cy, rx, rx * 0.3, (250, 250, 250), 0.8)
    c.fill(lambda x, y: (shade(mix((70, 120, 160), (40, 80, 120), (y - 180) / 40),
                                1 + 0.06 * math.sin(x * 0.08 + y)), 1), (0, 180, w, 220))
    # The tower on the right, with its red bands and lamp.
    c.poly([(590, 220), (690, 220), (670, 70), (610, 70)], (230, 226, 214))
    for sy in (110, 170):
        c.poly([(640 - 27 - (sy - 70) * 0.066, sy), (640 + 27 + (sy - 70) * 0.066, sy),
                (640 + 27 + (sy + 22 - 70) * 0.066, sy + 22), (640 - 27 - (sy + 22 - 70) * 0.066, sy + 22)],
               (190, 60, 56))
    c.rect(612, 40, 668, 70, (250, 234, 170))
    c.ellipse(640, 55, 54, 24, (255, 240, 190), 0.4)
    c.poly([(604, 42), (640, 12), (676, 42)], (70, 60, 64))
    c.rect(600, 68, 680, 74, (70, 60, 64))
    # The grass, a stone wall across it and a hedge.
    c.fill(lambda x, y: (shade((96, 150, 70), 0.8 + 0.3 * noise(x, y, 7, 81)), 1), (0, 220, w, h))
    def wall(x, y):
        row = int((y - 232) // 22)
        col = int((x + (20 if row % 2 else 0)) // 46)
        ex, ey = (x + (20 if row % 2 else 0)) % 46, (y - 232) % 22
        tone = shade((160, 150, 136), (0.75 + 0.35 * hash01(col, row, 82)) * (0.85 + 0.3 * noise(x, y, 5, 83)))
        if ex < 3 or ey < 3:
            tone = (90, 84, 76)
        return tone, 1
    c.fill(wall, (0, 232, 560, 300))
    def hedge(x, y):
        top = 300 - 26 - 16 * noise(x, 0, 40, 84)
        if y < top:
            return None
        return shade((50, 100, 50), 0.75 + 0.45 * noise(x, y, 6, 85)), 1
    c.fill(hedge, (560, 240, w, 320))
    # Flower beds.
    rnd = random.Random(86)
    for bx, by, bw in ((40, 330, 220), (330, 360, 200)):
        c.ellipse(bx + bw / 2, by + 30, bw / 2, 34, (110, 80, 56))
        for _ in range(40):
            fx, fy = bx + rnd.uniform(10, bw - 10), by + rnd.uniform(6, 56)
            colour = rnd.choice(((230, 80, 90), (250, 210, 80), (200, 120, 220), (250, 250, 240)))
            c.ellipse(fx, fy, 5, 5, colour)
            c.ellipse(fx, fy, 1.8, 1.8, (250, 230, 120))
    # A bench, a watering can and rocks.
    c.rect(580, 380, 760, 392, (130, 90, 56))
    c.rect(580, 352, 760, 362, (120, 82, 52))
    for lx in (590, 740):
        c.rect(lx, 392, lx + 10, 430, (90, 62, 40))
    rock(c, 120, 470, 44, (130, 130, 136), 87)
    rock(c, 470, 480, 36, (126, 124, 130), 88)
    rock(c, 720, 480, 50, (120, 120, 128), 89)
    c.ellipse(300, 480, 24, 18, (90, 110, 130))
    c.line(320, 470, 346, 452, 5, (90, 110, 130))
    return c


def cover(c, kind, x, y, s, rnd):
    """Scenery in front of part of an object of size s at (x, y), in the picture's pixels."""
    if kind == "sack":
        c.ellipse(x + s * 0.05, y + s * 0.95, s * 0.5, s * 0.4, (156, 136, 100))
        c.ellipse(x - s * 0.1, y + s * 0.6, s * 0.16, s * 0.1, (136, 116, 84))
    elif kind == "plank":
        planks(c, int(x - s * 0.3), int(y + s * 0.64), int(x + s * 1.2), int(y + s * 1.0),
               (128, 92, 60), False, rnd.randint(0, 99), 12)
    elif kind == "rope":
        for r in range(int(s * 0.45), 4, -4):
            c.ring(x + s * 0.95, y + s * 0.8, r - 2, r, (176, 146, 96))
    elif kind == "jar":
        tone = rnd.choice(((60, 90, 70), (150, 90, 50), (80, 80, 110)))
        c.rect(x + s * 0.6, y + s * 0.3, x + s * 1.1, y + s * 1.0, tone)
        c.rect(x + s * 0.68, y + s * 0.18, x + s * 1.02, y + s * 0.3, shade(tone, 0.7))
    elif kind == "sail":
        c.poly([(x + s * 0.5, y - s * 0.4), (x + s * 1.4, y - s * 0.3), (x + s * 1.3, y + s * 1.4),
                (x + s * 0.45, y + s * 1.2)], (218, 204, 174))
        c.line(x + s * 0.5, y - s * 0.4, x + s * 0.45, y + s * 1.2, 2, (170, 156, 128))
    elif kind == "net":
        net(c, x - s * 0.3, y + s * 0.2, x + s * 1.3, y + s * 1.1, (70, 60, 44), 7, 0.8)
    elif kind == "letter":
        dx = rnd.choice((-1, 1))
        x0 = x + (s * 0.55 if dx > 0 else -s * 0.7)
        c.poly([(x0, y - s * 0.2), (x0 + s * 0.8, y - s * 0.1), (x0 + s * 0.75, y + s * 1.2),
                (x0 - s * 0.05, y + s * 1.1)], (234, 226, 200))
        for i in range(5):
            c.line(x0 + 6, y + i * s * 0.2, x0 + s * 0.7, y + i * s * 0.2 + 3, 2, (100, 90, 90), 0.5)
    elif kind == "fold":
        c.poly([(x - s * 0.3, y + s * 0.5), (x + s * 1.3, y + s * 0.35), (x + s * 1.3, y + s * 1.2),
                (x - s * 0.3, y + s * 1.3)], (214, 194, 150))
        c.line(x - s * 0.3, y + s * 0.5, x + s * 1.3, y + s * 0.35, 3, (170, 150, 110))
    elif kind in ("grass", "flowers"):
        for i in range(14):
            bx = x + rnd.uniform(-0.1, 1.1) * s
            height = rnd.uniform(0.35, 0.6) * s
            c.line(bx, y + s * 1.05, bx + rnd.uniform(-8, 8), y + s * 1.05 - height, 3.5,
                   shade((80, 140, 60), rnd.uniform(0.75, 1.15)))
        if kind == "flowers":
            for i in range(6):
                fx, fy = x + rnd.uniform(0, 1) * s, y + rnd.uniform(0.5, 0.95) * s
                colour = rnd.choice(((230, 80, 90), (250, 210, 80), (200, 120, 220), (250, 250, 240)))
                c.ellipse(fx, fy, 5, 5, colour)
                c.ellipse(fx, fy, 1.8, 1.8, (250, 230, 120))
    elif kind == "hedge":
        for i in range(9):
            c.ellipse(x + rnd.uniform(-0.1, 1.1) * s, y + rnd.uniform(0.4, 1.0) * s,
                      s * 0.2, s * 0.14, shade((50, 100, 50), rnd.uniform(0.7, 1.2)))
    elif kind == "rock":
        rock(c, x + s * 0.95, y + s * 0.85, s * 0.45, (126, 126, 132), rnd.randint(0, 99))
    elif kind == "stone":
        c.ellipse(x + s * 0.2, y + s * 0.85, s * 0.35, s * 0.22, (150, 142, 130))


# The hiding places of each scene: an object's top left in screen pixels (the magnifier
# scene's objects are drawn at the scene's scale) and the scenery in front of it. Objects sit
# on the shelves, crates, barrels, floor, beds and wall, never in the air.
LOFT_SPOTS = [
    (112, 104, "jar"), (190, 204, "jar"), (70, 204, "jar"), (80, 254, "rope"),
    (170, 284, "jar"), (330, 150, "sail"), (470, 200, "sail"), (250, 400, "sack"),
    (350, 440, "net"), (560, 430, "sack"), (625, 205, "rope"), (706, 236, "jar"),
    (660, 420, "rope"), (20, 420, "plank"), (440, 332, "plank"), (290, 310, "sack"),
    (760, 420, "plank"),
]
TABLE_SPOTS = [
    (110, 70, "letter"), (300, 60, "fold"), (470, 110, "letter"), (640, 80, "letter"),
    (700, 170, "letter"), (90, 240, "fold"), (250, 230, "letter"), (420, 250, "fold"),
    (560, 300, "letter"), (690, 330, "letter"), (120, 390, "fold"), (330, 420, "letter"),
    (520, 400, "fold"), (660, 430, "letter"), (40, 170, "letter"),
]
GARDEN_SPOTS = [
    (80, 330, "flowers"), (180, 340, "flowers"), (360, 365, "flowers"), (450, 372, "flowers"),
    (20, 188, "stone"), (300, 188, "stone"), (580, 262, "hedge"), (700, 258, "hedge"),
    (640, 336, "grass"), (650, 400, "grass"), (150, 430, "rock"), (425, 440, "rock"),
    (690, 440, "rock"), (250, 440, "grass"), (30, 440, "grass"), (520, 300, "grass"),
    (330, 290, "grass"),
]

# Scene key, picture size, painter, hiding places, object size in the picture, objects.
SCENES = [
    ("_1_1_gameback", (800, 520), sail_loft, LOFT_SPOTS, 48,
     ["apple", "ball", "bell", "book", "cup", "key", "lamp", "leaf", "moon", "ring",
      "shell_a", "shell_b", "shell_c", "star", "sun", "vase"]),
    ("_2_1_gameback", (1600, 1200), chart_table, TABLE_SPOTS, 88,
     ["apple", "bell", "book", "clock", "cup", "gem", "key", "leaf", "moon", "ring", "star",
      "sun", "vase", "ball"]),
    ("_3_1_gameback", (800, 520), lighthouse_garden, GARDEN_SPOTS, 48,
     ["ball", "bell", "book", "clock", "cup", "gem", "key", "lamp", "leaf", "moon", "ring",
      "shell_a", "shell_b", "star", "sun", "vase"]),
]


def average(c, x0, y0, x1, y1):
    """The mean colour of the canvas in the box: what an object hidden there is tinted to."""
    total, n = [0.0, 0.0, 0.0], 0
    for y in range(max(0, y0), min(c.h, y1), 3):
        for x in range(max(0, x0), min(c.w, x1), 3):
            p = c.px[y * c.w + x]
            for i in range(3):
                total[i] += p[i]
            n += 1
    return tuple(int(v / max(1, n)) for v in total)


def places(spots, count, rnd):
    """count of the scene's hiding places, in a shuffled order."""
    chosen = list(spots)
    rnd.shuffle(chosen)
    return chosen[:count]


def main():
    rnd = random.Random(26)
    lua = ["-- The arcade scene catalogue, written by tools/make-arcade-assets.py with the scenes'",
           "-- pictures: the play order of the scenes and the objects hidden in each (top-left",
           "-- corner on the screen, drawing layer, and the found picture's offset).",
           "PuzzleOrder = { " + ", ".join("'%s'" % s[0] for s in SCENES) + " }",
           "SearchPuzzles = {"]
    for key, (w, h), paint, spots_, size, names in SCENES:
        scene = paint(w, h)
        scale = w // 800
        # The scenery in front of the objects is drawn on a layer of its own: laid over the
        # scene, and cut out of each object it covers.
        front = Canvas(w, h)
        crnd = random.Random(key)
        spots = list(zip(names, places(spots_, len(names), rnd)))
        for name, (x, y, kind) in spots:
            cover(front, kind, x * scale, y * scale, size, crnd)
        folder = "gameobjects/" + key[1:key.index("_gameback")] + "/"
        lua.append("  %s = {" % key)
        for name, (x, y, kind) in spots:
            px, py = x * scale, y * scale
            tint = (average(scene, px, py, px + size, py + size), 0.3)

            def hidden(ix, iy, px=px, py=py):
                fx, fy = px + ix, py + iy
                if not (0 <= fx < w and 0 <= fy < h):
                    return 0.0
                return front.px[fy * w + fx][3] / 255.0
            write(folder + name + "_gameobj.png", object_png(name, size, tint=tint, cover=hidden))
            # The found picture, whole and brightened, shown where the object was picked up.
            write(folder + name + "_gameobj_full.png", object_png(name, size, full=True, tint=tint))
            lua.append("    %s = { position = { %d, %d }, layer = 1, playOffset = { 0, -6 } }," % (name, x, y))
        lua.append("  },")
        for i, p in enumerate(front.px):
            if p[3] > 0:
                scene.put(i % w, i // w, p[:3], p[3] / 255.0)
        scene.save("gameobjects/%s.png" % key[1:])
    lua.append("}")
    lua.append("-- Objects that are shown but never asked for.")
    lua.append("ExcludeItems = { clock = 1 }")
    lua.append("-- Ambient animations of a scene: a Lua expression that gives its table.")
    lua.append("SearchPuzzleData = {")
    lua.append("  _1_1_gameback = \"{ ambientAnims = { { type = 'pano', mask = 'images/arcade_skyframe.png',"
               " pano = 'images/arcade_clouds.png', x = 600, y = 60, speed = 60, deltaX = 1 } } }\",")
    lua.append("  _3_1_gameback = \"{ ambientAnims = { { type = 'sprite', path = 'anim/glint.xml', x = 640, y = 55 } } }\",")
    lua.append("}")
    write("scripts/searchhelper.lua", "\n".join(lua) + "\n")

    # The magnifier's round mask (the strike-out line is the story levels', from make-search-level.py).
    write("backgrounds/bgmask.png", png_bytes(
        128, 128, lambda x, y: (255, 255, 255, 255 if math.hypot(x - 63.5, y - 63.5) < 60 else 0)))

    # Animations: frame strips with their descriptions.
    def strip(name, frames, size, pixel, script):
        write("anim/%s.png" % name, png_bytes(size * frames, size, lambda x, y: pixel(x // size, x % size, y, size)))
        framelist = "\n".join(
            '    <frame x="%d" y="0" w="%d" h="%d" regx="%d" regy="%d" />' % (i * size, size, size, size // 2, size // 2)
            for i in range(frames))
        write("anim/%s.xml" % name,
              '<sequence name="%s">\n  <img name="%s.png" w="%d" h="%d" />\n  <framelist>\n%s\n  </framelist>\n'
              '  <script>%s</script>\n</sequence>\n' % (name, name, size * frames, size, framelist, script))

    def glow(f, x, y, size):  # a soft disc that grows and fades
        r = math.hypot(x - size / 2, y - size / 2) / (size / 2)
        t = (f + 1) / 8
        a = max(0.0, 1 - abs(r - t * 0.9) * 4) * (1 - t * 0.6)
        return (255, 230, 150, int(255 * a))

    def sparks(f, x, y, size):  # eight rays turning outwards
        u, v = x - size / 2, y - size / 2
        r = math.hypot(u, v) / (size / 2)
        ang = math.atan2(v, u) + f * 0.2
        ray = abs(math.cos(4 * ang)) > 0.93 and 0.2 + f * 0.08 < r < 0.45 + f * 0.08
        return (255, 255, 255, 230) if ray else (0, 0, 0, 0)

    def hint(f, x, y, size):  # a pulsing ring
        r = math.hypot(x - size / 2, y - size / 2) / (size / 2)
        ring = 0.7 + 0.1 * math.sin(f * math.pi / 3)
        a = max(0.0, 1 - abs(r - ring) * 12)
        return (120, 230, 255, int(255 * a))

    strip("behind2", 8, 96, glow, "function DoAnim() delay(80) frames{1,2,3,4,5,6,7,8} end")
    # "anim/above.xml" is shared with the story levels and drawn by make-search-level.py.
    strip("hint3", 6, 96, hint, "function DoAnim() local cycle = {1,2,3,4,5,6} delay(100) while true do frames(cycle) end end")
    strip("glint", 6, 32, sparks, "function DoAnim() local cycle = {1,2,3,4,5,6,5,4,3,2} delay(120) while true do frames(cycle) end end")

    # The panel under the play area and the hint light.
    def panel(x, y):
        c = mix((40, 30, 50), (20, 15, 25), y / 80)
        if y < 3:
            c = (200, 170, 90)
        return c + (255,)

    write("images/arcade_panel.png", png_bytes(800, 80, panel))
    # A window in the first scene through which clouds drift: the frame hides the strip outside
    # its pane, and the strip is one seamless turn of clouds.
    def skyframe(x, y):
        inside = 6 <= x < 154 and 6 <= y < 54
        return (0, 0, 0, 0) if inside else (110, 80, 50, 255)

    def clouds(x, y):
        sky = mix((120, 170, 230), (190, 215, 245), y / 60)
        puff = sum(max(0.0, 1 - math.hypot((x - cx) / 30, (y - cy) / 12))
                   for cx, cy in ((40, 22), (150, 34), (250, 18), (330, 40), (-40, 22), (360, 22), (440, 22)))
        return mix(sky, (255, 255, 255), min(1.0, puff)) + (255,)

    write("images/arcade_skyframe.png", png_bytes(160, 60, skyframe))
    write("images/arcade_clouds.png", png_bytes(400, 60, clouds))
    write("images/hintled.png", png_bytes(
        14, 14, lambda x, y: (120, 255, 140, 255 if math.hypot(x - 6.5, y - 6.5) < 6 else 0)))
    # The dark socket each hint light sits in, seen when that charge is used up.
    write("images/hintled_off.png", png_bytes(
        14, 14, lambda x, y: (30, 60, 40, 255 if math.hypot(x - 6.5, y - 6.5) < 6 else 0)))

    # The panel's compact push button (hint and pause) in its three states.
    def panel_button(face, rim):
        def pixel(x, y):
            if (x in (0, 95) and y in (0, 31)) or x in (0, 95) or y in (0, 31):
                return rim + (255,)
            return mix(face, mix(face, (0, 0, 0), 0.35), y / 32) + (255,)
        return png_bytes(96, 32, pixel)

    write("images/panel_button_normal.png", panel_button((110, 80, 130), (200, 170, 90)))
    write("images/panel_button_pressed.png", panel_button((70, 50, 85), (200, 170, 90)))
    write("images/panel_button_rollover.png", panel_button((140, 105, 165), (240, 210, 120)))


if __name__ == "__main__":
    main()
