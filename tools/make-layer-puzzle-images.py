#!/usr/bin/env python3
"""Draws the sample's layer puzzle into sample/assets/images/layer/: the table it lies on, the
stacking buttons, and for each round a picture cut into photo layers. Each round's scene is
computed once as a whole; the background layer is the scene without its details, and every
detail layer is an opaque cut of the whole scene, so that the stacked picture shows no seams.
Plain Python, no imaging library."""
import math
import os
import random

from pngfile import png_bytes

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets", "images",
                   "layer")
CELL = 80
W, H = 4 * CELL, 3 * CELL  # the grid: four columns, three rows


def save(name, w, h, pixel):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png_bytes(w, h, pixel))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def cut(scene, x0, y0, w, h):
    return lambda x, y: (*scene(x0 + x, y0 + y), 255)


# Round one: a meadow at noon with the sun (cell 2) and a tree (cells 8 and 12).
def meadow_back(x, y):
    hill = 150 + 18 * math.sin(x / 45.0) + 8 * math.sin(x / 13.0 + 1)
    if y < hill:
        return mix((70, 130, 220), (185, 220, 245), y / hill)
    shade = (y - hill) / (H - hill)
    grass = mix((110, 185, 70), (55, 120, 40), shade)
    if (x * 7 + y * 13) % 23 == 0:
        grass = (235, 220, 90) if (x + y) % 2 else (240, 240, 240)  # flowers
    return grass


def meadow(x, y):
    d = math.hypot(x - 120, y - 40)
    if d < 24:
        return mix((255, 250, 200), (255, 210, 60), d / 24)
    if d < 34 and int(math.degrees(math.atan2(y - 40, x - 120))) % 30 < 8:
        return (255, 225, 110)
    # The tree: a trunk and a round crown.
    if 272 <= x < 288 and 150 <= y < 236:
        return mix((110, 70, 40), (80, 50, 30), (x - 272) / 16)
    c = math.hypot(x - 280, y - 130)
    if c < 36 or math.hypot(x - 262, y - 150) < 22 or math.hypot(x - 298, y - 148) < 22:
        return mix((60, 150, 60), (30, 95, 35), (y - 94) / 80)
    return meadow_back(x, y)


# Round two: a harbour at night with the moon (cell 1), a lighthouse (cells 8 and 12) and a
# boat (cells 10 and 11).
random.seed(7)
STARS = {(random.randrange(W), random.randrange(140)) for _ in range(90)}


def harbour_back(x, y):
    if y < 150:
        if (x, y) in STARS:
            return (255, 250, 220)
        return mix((8, 12, 40), (35, 45, 95), y / 150)
    sea = mix((20, 40, 80), (5, 15, 35), (y - 150) / 90)
    if (y + int(3 * math.sin(x * 0.3))) % 7 == 0:
        sea = mix(sea, (120, 140, 190), 0.4)
    return sea


def harbour(x, y):
    d = math.hypot(x - 40, y - 38)
    if d < 26 and math.hypot(x - 52, y - 30) >= 22:
        return mix((255, 250, 220), (230, 220, 170), d / 26)
    # The lighthouse: a striped tower on a rock, with its lamp and beam.
    if 215 <= y and (x - 280) ** 2 / 1600 + (y - 240) ** 2 / 400 < 1:
        return (60, 55, 55)
    half = 9 + (y - 110) * 0.06
    if 110 <= y < 222 and abs(x - 280) < half:
        stripe = ((y - 110) // 18) % 2
        return (230, 60, 50) if stripe else (240, 240, 235)
    if 94 <= y < 110 and abs(x - 280) < 8:
        return (255, 235, 140)
    if 86 <= y < 94 and abs(x - 280) < 11:
        return (50, 50, 60)
    if 95 <= y < 110 and 240 <= x < 272 and abs(y - 102) < (272 - x) * 0.25:
        return mix((255, 235, 140), (35, 45, 95), (272 - x) / 40)
    # The boat: hull, mast and sail.
    if 190 <= y < 214 and 100 <= x < 220 and (x - 100) > (y - 190) * 0.9 and (220 - x) > (y - 190):
        return mix((120, 70, 40), (70, 40, 25), (y - 190) / 24)
    if 158 <= x < 161 and 166 <= y < 190:
        return (90, 60, 40)
    if 162 <= x < 200 and 168 <= y < 188 and (x - 162) < (y - 168) * 1.8:
        return (235, 230, 210)
    return harbour_back(x, y)


def layer_button(name, sign, fill, edge):
    def px(x, y):
        d = max(abs(x - 9.5), abs(y - 9.5))
        if d > 9.5:
            return (0, 0, 0, 0)
        if d > 8:
            return (*edge, 255)
        bar = abs(y - 9.5) < 1.6 and abs(x - 9.5) < 5.5
        if sign == "+" and abs(x - 9.5) < 1.6 and abs(y - 9.5) < 5.5:
            bar = True
        return (255, 255, 255, 255) if bar else (*fill, 255)
    save(name, 20, 20, px)


def table(x, y):
    # A wooden table with a dark frame around the grid (440, 60)-(760, 300).
    grain = 7 * math.sin(y / 9.0 + 3 * math.sin(x / 70.0)) + 2 * math.sin(x / 3.1 + y / 40.0)
    wood = mix((120, 80, 50), (95, 60, 35), y / 600)
    wood = tuple(c + grain for c in wood)
    gx, gy = 440, 60
    inside = gx <= x < gx + W and gy <= y < gy + H
    if inside:
        return (40, 30, 25, 255)
    if gx - 8 <= x < gx + W + 8 and gy - 8 <= y < gy + H + 8:
        return (*mix((70, 50, 35), (40, 28, 20), 0.5), 255)
    return (*wood, 255)


def panel(x, y):
    # The round-end dialog's card: dark, rounded, with a gold edge, and opaque: no text
    # behind shows through its own.
    w, h, r = 420, 200, 16
    cx = min(max(x + 0.5, r), w - r)
    cy = min(max(y + 0.5, r), h - r)
    d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    cover = max(0.0, min(1.0, r - d + 0.5))
    edge = d > r - 3 or x < 3 or y < 3 or x >= w - 3 or y >= h - 3
    fill = (230, 190, 90) if edge else mix((40, 35, 60), (20, 18, 35), y / h)
    return (*fill, 255 * cover)


os.makedirs(OUT, exist_ok=True)
save("panel.png", 420, 200, panel)
save("table.png", 800, 600, table)
layer_button("plus.png", "+", (60, 120, 60), (30, 60, 30))
layer_button("plus_pressed.png", "+", (40, 90, 40), (20, 40, 20))
layer_button("plus_rollover.png", "+", (80, 160, 80), (30, 60, 30))
layer_button("minus.png", "-", (140, 60, 50), (70, 30, 25))
layer_button("minus_pressed.png", "-", (110, 40, 35), (50, 20, 15))
layer_button("minus_rollover.png", "-", (180, 80, 65), (70, 30, 25))

save("meadow_back.png", W, H, lambda x, y: (*meadow_back(x, y), 255))
save("meadow_sun.png", CELL, CELL, cut(meadow, CELL, 0, CELL, CELL))
save("meadow_tree.png", CELL, 2 * CELL, cut(meadow, 3 * CELL, CELL, CELL, 2 * CELL))

save("harbour_back.png", W, H, lambda x, y: (*harbour_back(x, y), 255))
save("harbour_moon.png", CELL, CELL, cut(harbour, 0, 0, CELL, CELL))
save("harbour_lighthouse.png", CELL, 2 * CELL, cut(harbour, 3 * CELL, CELL, CELL, 2 * CELL))
save("harbour_boat.png", 2 * CELL, CELL, cut(harbour, CELL, 2 * CELL, 2 * CELL, CELL))
