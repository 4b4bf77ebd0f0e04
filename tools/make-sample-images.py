#!/usr/bin/env python3
"""Draws the sample game's menu images (buttons, radio and toggle states, slider pieces, a
picture and a background) into sample/assets/images/ as PNG files. Plain Python, no imaging
library: every pixel is computed here."""
import math
import os

from pngfile import png_bytes

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets", "images")


def save(name, w, h, pixel):
    """pixel(x, y) -> (r, g, b, a)"""
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png_bytes(w, h, pixel))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def rounded(w, h, r, x, y):
    """Coverage (0..1) of a rounded rectangle at the pixel's centre."""
    cx = min(max(x + 0.5, r), w - r)
    cy = min(max(y + 0.5, r), h - r)
    d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    return max(0.0, min(1.0, r - d + 0.5))


def button(name, w, h, top, bottom, border):
    def px(x, y):
        cover = rounded(w, h, 10, x, y)
        inner = rounded(w - 4, h - 4, 8, x - 2, y - 2) if 2 <= x < w - 2 and 2 <= y < h - 2 else 0
        fill = mix(top, bottom, y / (h - 1))
        c = mix(border, fill, inner)
        return (*c, 255 * cover)
    save(name, w, h, px)


def radio(name, w, h, on, hover):
    ring = (255, 236, 170) if hover else (220, 220, 230)
    def px(x, y):
        d = math.hypot(x + 0.5 - 14, y + 0.5 - h / 2)
        a = max(0.0, min(1.0, 11.5 - d))
        c = ring
        if d < 8.5:
            c = (40, 60, 90)
        if on and d < 5.5:
            c = (255, 200, 60)
        # A faint band behind the caption while the mouse is over it.
        back = 60 if hover and x >= 28 else 0
        return (*c, max(255 * a, back))
    save(name, w, h, px)


os.makedirs(OUT, exist_ok=True)
# Push buttons: normal, pressed, rollover.
button("button_normal.png", 200, 44, (70, 110, 170), (40, 70, 120), (200, 220, 255))
button("button_pressed.png", 200, 44, (30, 55, 100), (50, 85, 140), (200, 220, 255))
button("button_rollover.png", 200, 44, (95, 140, 205), (55, 95, 160), (255, 236, 170))
# Toggle: off, on, rollover off, rollover on.
button("toggle_off.png", 200, 44, (90, 90, 100), (60, 60, 70), (190, 190, 200))
button("toggle_on.png", 200, 44, (60, 150, 90), (35, 105, 60), (200, 255, 210))
button("toggle_off_rollover.png", 200, 44, (115, 115, 125), (80, 80, 90), (255, 236, 170))
button("toggle_on_rollover.png", 200, 44, (80, 180, 110), (45, 130, 75), (255, 236, 170))
# Radio buttons: off, on, rollover off, rollover on.
radio("radio_off.png", 120, 28, False, False)
radio("radio_on.png", 120, 28, True, False)
radio("radio_off_rollover.png", 120, 28, False, True)
radio("radio_on_rollover.png", 120, 28, True, True)


# A round button and its mask: only the disc takes clicks.
def disc(colour, edge):
    def px(x, y):
        d = math.hypot(x + 0.5 - 32, y + 0.5 - 32)
        a = max(0.0, min(1.0, 31.5 - d))
        c = edge if d > 27 else mix(colour, (255, 255, 255), max(0.0, 1 - d / 27) * 0.35)
        return (*c, 255 * a)
    return px


save("round_normal.png", 64, 64, disc((170, 60, 60), (240, 200, 200)))
save("round_pressed.png", 64, 64, disc((120, 35, 35), (240, 200, 200)))
save("round_rollover.png", 64, 64, disc((210, 80, 80), (255, 236, 170)))
save("round_mask.png", 64, 64,
     lambda x, y: (255, 255, 255, 255) if math.hypot(x + 0.5 - 32, y + 0.5 - 32) < 31 else (0, 0, 0, 255))

# Slider pieces, drawn along a vertical axis (a horizontal slider lays them on their side):
# the ends are 6 pixels long, the middle is stretched.
save("rail_end.png", 12, 6, lambda x, y: (150, 170, 200, 255 if 2 <= x < 10 else 0))
save("rail_mid.png", 12, 4, lambda x, y: (90, 110, 140, 255) if 3 <= x < 9 else (0, 0, 0, 0))
save("thumb.png", 20, 28, lambda x, y: (*mix((230, 230, 240), (160, 170, 190), y / 27), 255 * rounded(20, 28, 5, x, y)))
save("thumb_rollover.png", 20, 28, lambda x, y: (*mix((255, 240, 190), (220, 180, 90), y / 27), 255 * rounded(20, 28, 5, x, y)))
# The field behind the text edit.
save("field.png", 260, 36, lambda x, y: (*mix((250, 248, 240), (225, 222, 210), y / 35), 255 * rounded(260, 36, 6, x, y)))


# A small harbour at dusk.
def harbour(x, y):
    w, h = 220, 140
    if x == 0 or y == 0 or x == w - 1 or y == h - 1:
        return (250, 240, 200, 255)
    # A boat: hull, mast and sail, in front of sky and sea.
    if 60 <= x < 120 and 84 <= y < 96 and x - 60 >= (y - 84) * 0.8 and 120 - x > (y - 84) * 0.8:
        return (60, 35, 25, 255)
    if 88 <= x < 91 and 40 <= y < 84:
        return (70, 50, 40, 255)
    if 91 <= x < 118 and 44 <= y < 82 and (x - 91) < (y - 44) * 0.7:
        return (240, 235, 220, 255)
    sky = mix((40, 50, 110), (240, 150, 90), y / 80)
    if y < 80:
        if math.hypot(x - 160, y - 62) < 14:
            return (255, 220, 120, 255)
        return (*sky, 255)
    sea = mix((30, 70, 110), (10, 30, 60), (y - 80) / 60)
    # The sun's reflection, broken by waves.
    if abs(x - 160) < 14 - (y - 80) * 0.15 and (y + int(3 * math.sin(x * 0.7))) % 5 < 2:
        sea = (230, 170, 100)
    return (*sea, 255)


save("harbour.png", 220, 140, harbour)
save("menu_bg.png", 800, 600, lambda x, y: (*mix((20, 28, 52), (16, 70, 86), y / 599), 255))


# The menu screens: small arrow buttons, the panels behind the score tables and dialogs, and
# the star that marks a player with an online account.
button("small_normal.png", 40, 40, (70, 110, 170), (40, 70, 120), (200, 220, 255))
button("small_pressed.png", 40, 40, (30, 55, 100), (50, 85, 140), (200, 220, 255))
button("small_rollover.png", 40, 40, (95, 140, 205), (55, 95, 160), (255, 236, 170))
save("panel.png", 340, 400, lambda x, y: (*mix((14, 24, 44), (10, 40, 56), y / 399), 200 * rounded(340, 400, 14, x, y)))
save("panel_small.png", 340, 200, lambda x, y: (*mix((14, 24, 44), (10, 40, 56), y / 199), 200 * rounded(340, 200, 14, x, y)))


def star(x, y):
    dx, dy = x + 0.5 - 9, y + 0.5 - 9
    r = math.hypot(dx, dy)
    angle = math.atan2(dy, dx) + math.pi / 2
    # Five points: the edge swings between the inner and the outer radius.
    edge = 4 + 4.5 * abs(math.cos(2.5 * angle))
    a = max(0.0, min(1.0, edge - r + 0.5))
    return (*mix((255, 220, 90), (230, 160, 40), y / 17), 255 * a)


save("star.png", 18, 18, star)
