#!/usr/bin/env python3
"""Draws the sample game's search-tool and panel pictures: the crosshair cursor, the magnifying
glass's lens mask and frame, the flashlight's spot mask, a small study scene with two items to
look at through them, the two pages of the guide panel, the pause screen's panel, the
pop-up navigation drawer, the shade laid behind a panel and the opaque panels of short
messages and questions. Plain Python, no imaging library: every pixel is computed here."""
import math
import os

from pngfile import png_bytes

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets")


def save(name, w, h, pixel):
    path = os.path.join(ASSETS, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png_bytes(w, h, pixel))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def disc(cx, cy, r, x, y):
    """Coverage (0..1) of a disc at the pixel's centre."""
    return max(0.0, min(1.0, r - math.hypot(x + 0.5 - cx, y + 0.5 - cy) + 0.5))


def crosshair(x, y):
    # The hot spot is the middle pixel (16, 16): a ring around it and four ticks that stop
    # short of the middle, white with a dark outline so it reads on light and dark scenes alike.
    dx, dy = x - 16, y - 16
    d = math.hypot(dx, dy)
    ring = abs(d - 9) < 1.0
    tick = (abs(dy) <= 0.5 and 4 <= abs(dx) <= 14) or (abs(dx) <= 0.5 and 4 <= abs(dy) <= 14)
    if ring or tick:
        return (255, 255, 255, 255)
    near = abs(d - 9) < 2.2 or (abs(dy) <= 1.5 and 3 <= abs(dx) <= 15) or \
        (abs(dx) <= 1.5 and 3 <= abs(dy) <= 15)
    return (16, 16, 16, 230) if near else (0, 0, 0, 0)


LENS = 128


def lens_mask(x, y):
    # Red decides: inside the glass the scene shows, outside the lens is clear.
    c = disc(LENS / 2, LENS / 2, 58, x, y)
    return (255, 255, 255, 255) if c >= 0.5 else (0, 0, 0, 0)


def lens_frame(x, y):
    cx = cy = LENS / 2
    d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    rim = max(0.0, 1.0 - abs(d - 60) / 4.0)
    # The handle runs from the rim toward the lower right.
    u = ((x + 0.5 - cx) + (y + 0.5 - cy)) / math.sqrt(2)
    v = ((x + 0.5 - cx) - (y + 0.5 - cy)) / math.sqrt(2)
    handle = 64 <= u <= 112 and abs(v) <= 7
    if handle:
        shade = 0.6 + 0.4 * (1 - abs(v) / 7)
        return (int(120 * shade), int(72 * shade), int(36 * shade), 255)
    if rim > 0:
        return (*mix((90, 70, 40), (230, 200, 120), rim), int(255 * min(1.0, rim * 2)))
    return (0, 0, 0, 0)


SPOT = 200


def spot_mask(x, y):
    # Clear in the middle, black at the edges, a soft ring between.
    d = math.hypot(x + 0.5 - SPOT / 2, y + 0.5 - SPOT / 2)
    return (0, 0, 0, int(255 * max(0.0, min(1.0, (d - 70) / 28))))


def study(x, y):
    """An 800x600 study: a papered wall, a window, a bookshelf and a desk."""
    wall = mix((150, 120, 90), (110, 84, 62), y / 600)
    if (x // 40 + y // 40) % 2 == 0:
        wall = mix(wall, (170, 140, 104), 0.25)
    c = wall
    if 80 <= x < 300 and 70 <= y < 290:  # window: sky and frame
        c = mix((140, 190, 235), (220, 235, 250), (y - 70) / 220)
        if abs(x - 190) < 5 or abs(y - 180) < 5 or x < 90 or x >= 290 or y < 80 or y >= 280:
            c = (92, 60, 36)
    if 460 <= x < 740 and 60 <= y < 380:  # bookshelf
        c = (84, 52, 30)
        shelf = (y - 60) % 80
        if 4 <= shelf < 70 and 470 <= x < 730:
            book = (x - 470) // 18
            colours = [(150, 40, 40), (40, 90, 150), (60, 120, 60), (170, 140, 50), (100, 50, 120)]
            c = colours[(book + (y - 60) // 80) % len(colours)]
            if (x - 470) % 18 < 2:
                c = (40, 26, 16)
    if y >= 420:  # desk
        c = mix((130, 82, 44), (96, 58, 30), (y - 420) / 180)
        if (x + y // 3) % 37 == 0:
            c = mix(c, (70, 40, 20), 0.5)
    return (*c, 255)


def key(x, y):
    """A 48x24 brass key."""
    bow = disc(10, 12, 9, x, y) - disc(10, 12, 4, x, y)
    shaft = 1.0 if 18 <= x < 46 and 10 <= y < 14 else 0.0
    bit = 1.0 if 36 <= x < 46 and 14 <= y < 21 and (x - 36) % 5 < 3 else 0.0
    a = max(bow, shaft, bit)
    return (*mix((120, 90, 30), (235, 200, 90), 1 - y / 24), int(255 * max(0.0, a)))


def cup(x, y):
    """A 40x36 teacup with a handle."""
    body = 1.0 if 4 <= x < 30 and 8 <= y < 32 - max(0, (x - 17) ** 2 // 60) else 0.0
    handle = disc(31, 18, 7, x, y) - disc(31, 18, 3.5, x, y)
    if x < 30:
        handle = 0.0
    a = max(body, handle)
    return (*mix((250, 250, 245), (200, 210, 225), x / 40), int(255 * max(0.0, a)))


PAGE_W, PAGE_H = 520, 320


def page(number):
    """A comic panel: a framed picture with a sun (page 1) or a moon (page 2)."""
    def px(x, y):
        if x < 6 or y < 6 or x >= PAGE_W - 6 or y >= PAGE_H - 6:
            return (60, 40, 24, 255)
        if number == 1:
            sky = mix((120, 180, 235), (250, 225, 170), y / PAGE_H)
            c = mix(sky, (255, 210, 80), disc(400, 90, 44, x, y))
        else:
            sky = mix((20, 24, 60), (60, 50, 110), y / PAGE_H)
            moon = disc(130, 90, 40, x, y) - disc(146, 80, 34, x, y)
            c = mix(sky, (240, 235, 200), max(0.0, moon))
            if (x * 7 + y * 13) % 211 == 0:
                c = (255, 255, 230)
        if y > 230 + 20 * math.sin(x / 40):
            c = (70, 110, 60) if number == 1 else (28, 40, 36)
        return (*c, 255)
    return px


DRAWER_W, DRAWER_H = 600, 110


def drawer(x, y):
    """The navigation drawer: a tab on top of a wooden board."""
    tab = 240 <= x < 360 and y < 24
    board = y >= 24
    if not (tab or board):
        return (0, 0, 0, 0)
    c = mix((150, 100, 56), (104, 66, 34), y / DRAWER_H)
    if (x + 3 * y) % 53 == 0:
        c = mix(c, (80, 50, 24), 0.6)
    if tab and 8 <= y < 18 and abs(x - 300) < (y - 8) * 1.5 + 1:
        c = (250, 230, 180)  # an arrow pointing up
    if board and (y < 27 or y >= DRAWER_H - 3 or x < 3 or x >= DRAWER_W - 3):
        c = (60, 36, 18)
    return (*c, 255)


PAUSE_W, PAUSE_H = 360, 200


def pause_panel(x, y):
    """A dark, slightly clear panel with a light rim, behind the pause screen's words."""
    cover = 1.0 if 2 <= x < PAUSE_W - 2 and 2 <= y < PAUSE_H - 2 else 0.0
    if not cover:
        return (240, 220, 170, 255)
    return (*mix((30, 24, 40), (16, 12, 24), y / PAUSE_H), 225)


def shade(x, y):
    """Laid over the whole screen behind a panel: the scene beneath all but disappears."""
    return (8, 6, 14, 248)


def framed_panel(w, h):
    """An opaque dark panel with a light rim, for a message that must read at a glance."""
    def px(x, y):
        if not (2 <= x < w - 2 and 2 <= y < h - 2):
            return (240, 220, 170, 255)
        return (*mix((44, 34, 56), (20, 14, 30), y / h), 255)
    return px


def main():
    save("cursor/crosshair.png", 32, 32, crosshair)
    save("images/tools/lens_mask.png", LENS, LENS, lens_mask)
    save("images/tools/lens_frame.png", 2 * LENS, 2 * LENS, lens_frame)
    save("images/tools/spot_mask.png", SPOT, SPOT, spot_mask)
    save("images/tools/study.png", 800, 600, study)
    save("images/tools/key.png", 48, 24, key)
    save("images/tools/cup.png", 40, 36, cup)
    save("images/panels/page1.png", PAGE_W, PAGE_H, page(1))
    save("images/panels/page2.png", PAGE_W, PAGE_H, page(2))
    save("images/panels/drawer.png", DRAWER_W, DRAWER_H, drawer)
    save("images/panels/pause.png", PAUSE_W, PAUSE_H, pause_panel)
    save("images/shade.png", 800, 600, shade)
    save("images/panels/banner.png", 720, 110, framed_panel(720, 110))
    save("images/panels/dialog.png", 460, 200, framed_panel(460, 200))


if __name__ == "__main__":
    main()
