#!/usr/bin/env python3
"""Draws the sample game's second and third story levels: "The Captain's Study", a room of
1000 x 650 (shown at 0.8, so the magnifying glass has detail to show) with six small objects,
and "The Chandler's Cellar", a dark cellar (drawn at 800 x 520, enlarged to 1000 x 650) with six
objects to find by flashlight.
Shares the drawing helpers of make-search-level.py; fixed seeds, so a run makes the same files."""
import importlib.util
import math
import os

_spec = importlib.util.spec_from_file_location(
    "search_level", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-search-level.py"))
lvl = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(lvl)

Canvas, shade, noise, hash01, mix = lvl.Canvas, lvl.shade, lvl.noise, lvl.hash01, lvl.mix
planks, crate, barrel = lvl.planks, lvl.crate, lvl.barrel


# ---- the study ----

def books(c, x0, y0, x1, y1, seed):
    x = x0
    k = 0
    while x < x1 - 6:
        w = 8 + int(10 * hash01(k, seed))
        h = (y1 - y0) * (0.7 + 0.28 * hash01(k, seed + 1))
        tone = [(120, 40, 36), (40, 70, 110), (60, 96, 60), (150, 120, 70), (90, 60, 90)][
            int(5 * hash01(k, seed + 2)) % 5]
        tone = shade(tone, 0.8 + 0.4 * hash01(k, seed + 3))
        c.rect(x, y1 - h, min(x + w, x1), y1, tone)
        c.rect(x, y1 - h + 6, min(x + w, x1), y1 - h + 9, shade(tone, 1.5), 0.8)
        x += w + 1
        k += 1


def study_background():
    c = Canvas(1000, 650)
    planks(c, 0, 0, 1000, 430, (74, 62, 46), True, 31, 40)
    c.rect(0, 400, 1000, 430, (52, 40, 30))
    planks(c, 0, 430, 1000, 650, (112, 80, 50), False, 32, 30)
    c.ellipse(300, 580, 260, 60, (120, 36, 40), 0.9)
    c.ellipse(300, 580, 230, 48, (150, 60, 50), 0.9)
    # The bookshelf.
    c.rect(40, 60, 330, 430, (60, 40, 26))
    for shelf in range(4):
        top = 70 + shelf * 90
        c.rect(52, top, 318, top + 80, (38, 26, 18))
        books(c, 56, top + 6, 314, top + 80, 40 + shelf)
        c.rect(46, top + 80, 324, top + 88, (88, 62, 40))
    # The window and the night outside.
    c.rect(712, 52, 938, 308, (70, 52, 36))
    c.fill(lambda x, y: (mix((14, 20, 52), (40, 60, 110), (y - 64) / 232), 1), (724, 64, 926, 296))
    for sx, sy in ((760, 100), (850, 90), (900, 160), (790, 210), (740, 260)):
        c.ellipse(sx, sy, 1.5, 1.5, (240, 240, 210))
    c.rect(820, 64, 828, 296, (70, 52, 36))
    c.rect(724, 176, 926, 184, (70, 52, 36))
    c.rect(700, 300, 950, 316, (96, 70, 46))
    # A painting of a ship.
    c.rect(470, 110, 650, 250, (150, 120, 60))
    c.fill(lambda x, y: (mix((90, 120, 150), (40, 70, 100), (y - 122) / 116), 1), (482, 122, 638, 238))
    c.poly([(520, 210), (610, 210), (596, 226), (532, 226)], (60, 40, 30))
    c.poly([(560, 140), (560, 206), (600, 206)], (230, 226, 210))
    # The desk: its top seen from above, its front below.
    c.poly([(430, 392), (990, 392), (1000, 470), (420, 470)], (104, 66, 40))
    planks(c, 420, 470, 1000, 600, (90, 56, 34), True, 33, 58)
    c.rect(420, 466, 1000, 474, (70, 44, 26))
    # Papers, an inkwell and a lamp on it.
    c.poly([(500, 410), (640, 404), (648, 452), (508, 458)], (226, 216, 190))
    c.poly([(520, 418), (620, 414), (626, 446), (526, 450)], (236, 228, 204))
    for i in range(6):
        c.line(530, 424 + i * 4, 610, 421 + i * 4, 0.8, (120, 110, 100), 0.6)
    c.ellipse(790, 420, 16, 10, (30, 30, 40))
    c.ellipse(790, 412, 8, 4, (50, 50, 66))
    c.rect(900, 330, 908, 430, (150, 130, 70))
    c.poly([(870, 330), (938, 330), (924, 296), (884, 296)], (200, 170, 90))
    c.ellipse(904, 432, 26, 6, (150, 130, 70))
    # Drawer knobs on the front.
    for kx in (520, 700, 900):
        c.ellipse(kx, 530, 6, 6, (170, 140, 80))
    return c


def coin(tone):
    c = Canvas(18, 18)
    c.ellipse(9, 9, 8, 8, tone)
    c.ring(9, 9, 5, 6.5, shade(tone, 0.75))
    c.line(5, 6, 8, 4, 1.2, shade(tone, 1.4), 0.8)
    return c


def ring(tone):
    c = Canvas(16, 16)
    # A faint shine fills the band, so a click in the middle takes the ring too.
    c.ellipse(8, 9, 5, 5, shade(tone, 0.6), 0.5)
    c.ring(8, 9, 4.5, 7, tone)
    c.ellipse(8, 3, 3, 2.5, (120, 200, 230))
    return c


def stamp(tone):
    c = Canvas(16, 20)
    for i in range(8):
        for x, y in ((1 + i * 2, 1), (1 + i * 2, 19), (1, 1 + i * 2.4), (15, 1 + i * 2.4)):
            c.ellipse(x, y, 1, 1, tone)
    c.rect(2, 2, 14, 18, tone)
    c.rect(4, 4, 12, 16, (180, 60, 60))
    c.ellipse(8, 9, 2.5, 3, (240, 220, 180))
    return c


def thimble(tone):
    c = Canvas(16, 18)
    c.poly([(3, 17), (13, 17), (12, 4), (4, 4)], tone)
    c.ellipse(8, 4, 4, 2.5, shade(tone, 1.15))
    for y in range(6, 16, 3):
        for x in range(5, 12, 3):
            c.ellipse(x, y, 0.8, 0.8, shade(tone, 0.6))
    return c


def button(tone):
    c = Canvas(16, 16)
    c.ellipse(8, 8, 7, 7, tone)
    c.ring(8, 8, 5, 6, shade(tone, 0.7))
    for x, y in ((6, 6), (10, 6), (6, 10), (10, 10)):
        c.ellipse(x, y, 1, 1, shade(tone, 0.4))
    return c


def small_key(tone):
    c = Canvas(30, 12)
    c.ring(6, 6, 2.5, 5, tone)
    c.rect(10, 5, 28, 8, tone)
    for tx in (21, 25):
        c.rect(tx, 8, tx + 2.5, 11, tone)
    return c


# ---- the cellar ----

def stone_wall(c, x0, y0, x1, y1, base, seed):
    def fn(x, y):
        row = int((y - y0) // 34)
        shift = 30 if row % 2 else 0
        col = int((x - x0 + shift) // 60)
        ex, ey = (x - x0 + shift) % 60, (y - y0) % 34
        tone = shade(base, (0.75 + 0.4 * hash01(col, row, seed)) *
                     (0.85 + 0.3 * noise(x, y, 5, seed)))
        if ex < 3 or ey < 3:
            tone = shade(base, 0.35)
        return tone, 1
    c.fill(fn, (x0, y0, x1, y1))


def cellar_background():
    c = Canvas(800, 520)
    stone_wall(c, 0, 0, 800, 400, (96, 88, 80), 51)
    # The vault's shadow at the top and the corners.
    c.fill(lambda x, y: ((10, 8, 8), 0.75 * max(0.0, 1 - y / 120)), (0, 0, 800, 120))
    for side in (0, 1):
        c.fill(lambda x, y, s=side: ((10, 8, 8), 0.6 * max(0.0, 1 - (x if s == 0 else 799 - x) / 90)),
               (0 if side == 0 else 710, 0, 90 if side == 0 else 800, 520))
    planks(c, 0, 400, 800, 520, (70, 62, 56), False, 52, 40)
    # The shelf on the left with its bottles and jars.
    for top in (140, 210, 280):
        c.rect(40, top + 40, 250, top + 48, (92, 64, 40))
    for i, (bx, top) in enumerate(((60, 140), (130, 140), (170, 140), (60, 210), (120, 210),
                                   (196, 210), (70, 280), (150, 280))):
        tone = [(40, 70, 40), (90, 50, 30), (60, 60, 80)][i % 3]
        c.rect(bx, top + 10, bx + 18, top + 40, tone)
        c.rect(bx + 5, top, bx + 13, top + 10, shade(tone, 0.8))
    c.rect(40, 140, 46, 340, (70, 48, 30))
    c.rect(244, 140, 250, 340, (70, 48, 30))
    # A ledge on the right wall.
    c.rect(600, 200, 770, 210, (92, 64, 40))
    c.ellipse(620, 192, 10, 8, (120, 110, 90))
    c.rect(730, 176, 752, 200, (80, 70, 60))
    # Barrels and crates on the floor.
    barrel(c, 330, 250, 120, 160, (120, 80, 48), 53)
    barrel(c, 560, 262, 110, 150, (110, 74, 44), 54)
    crate(c, 640, 340, 130, 100, (140, 104, 66), 55)
    crate(c, 20, 360, 110, 90, (130, 96, 60), 56)
    # A sack slumped by the barrel.
    c.ellipse(480, 400, 40, 30, (150, 130, 96))
    c.ellipse(480, 372, 16, 10, (130, 112, 84))
    return c


def bottle(tone):
    c = Canvas(20, 44)
    c.rect(3, 16, 17, 43, tone)
    c.ellipse(10, 16, 7, 5, tone)
    c.rect(7, 2, 13, 14, tone)
    c.rect(6, 0, 14, 4, (150, 110, 70))
    c.rect(5, 24, 15, 34, (220, 210, 180))
    c.line(5, 18, 5, 40, 1.5, shade(tone, 1.6), 0.6)
    return c


def apple(tone):
    c = Canvas(30, 32)
    c.ellipse(15, 18, 13, 12, tone)
    c.line(15, 7, 17, 1, 2, (90, 60, 30))
    c.ellipse(21, 4, 5, 2.5, (70, 120, 50))
    c.ellipse(10, 13, 3, 4, shade(tone, 1.5), 0.6)
    return c


def spoon(tone):
    c = Canvas(50, 16)
    c.ellipse(9, 8, 8, 6, tone)
    c.line(16, 8, 48, 6, 3, tone)
    c.ellipse(8, 7, 4, 2.5, shade(tone, 1.3), 0.7)
    return c


def upscale(src, w, h):
    """The picture resampled bilinearly to w x h."""
    out = Canvas(w, h)
    for y in range(h):
        fy = min(src.h - 1.001, max(0.0, (y + 0.5) * src.h / h - 0.5))
        y0 = int(fy)
        ty = fy - y0
        for x in range(w):
            fx = min(src.w - 1.001, max(0.0, (x + 0.5) * src.w / w - 0.5))
            x0 = int(fx)
            tx = fx - x0
            a, b = src.px[y0 * src.w + x0], src.px[y0 * src.w + x0 + 1]
            c, d = src.px[(y0 + 1) * src.w + x0], src.px[(y0 + 1) * src.w + x0 + 1]
            out.px[y * w + x] = [(a[i] * (1 - tx) + b[i] * tx) * (1 - ty) +
                                 (c[i] * (1 - tx) + d[i] * tx) * ty for i in range(4)]
    return out


# name, picture, the colours of its hiding place and how far it is tinted towards them.
STUDY_ITEMS = [
    ("coin", coin, (200, 170, 80), 0.25),
    ("ring", ring, (190, 160, 70), 0.2),
    ("stamp", stamp, (226, 216, 190), 0.15),
    ("thimble", thimble, (170, 170, 176), 0.3),
    ("button", button, (120, 80, 50), 0.4),
    ("brasskey", small_key, (150, 120, 60), 0.3),
]

CELLAR_ITEMS = [
    ("bottle", bottle, (40, 90, 50), 0.3),
    ("apple", apple, (180, 40, 36), 0.25),
    ("spoon", spoon, (170, 170, 176), 0.3),
    ("teacup", lvl.teacup, (160, 130, 110), 0.35),
    ("candle", lvl.candle, (214, 206, 186), 0.35),
    ("bell", lvl.bell, (190, 170, 120), 0.45),
]


def main():
    study = study_background()
    study.save("scenes/study/bg.png")
    # The scene holds a tool's background only when it is shown scaled: the cellar is drawn
    # at the screen's size and enlarged by a quarter, like the study.
    upscale(cellar_background(), 1000, 650).save("scenes/cellar/bg.png")
    for folder, items in (("study", STUDY_ITEMS), ("cellar", CELLAR_ITEMS)):
        for name, draw, tone, amount in items:
            picture = draw(tone)
            picture.tint(tone, amount)
            picture.save(f"scenes/{folder}/items/{name}.png")


if __name__ == "__main__":
    main()
