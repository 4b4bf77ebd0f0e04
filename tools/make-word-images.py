#!/usr/bin/env python3
"""Draws the sample word puzzle's images into sample/assets/word/ as PNG files: the parchment
background, the cell panels (active, inactive and the panel shader), the hover and selection
markers, the glow's four frames and the clue panel. Plain Python, no imaging library: every
pixel is computed here."""
import math
import os

from pngfile import png_bytes

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets", "word")
CELL = 64


def save(name, w, h, pixel):
    """pixel(x, y) -> (r, g, b, a)"""
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png_bytes(w, h, pixel))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def rounded(w, h, r, x, y):
    """Coverage (0..1) of a rounded rectangle at the pixel's centre."""
    cx = min(max(x + 0.5, r), w - r)
    cy = min(max(y + 0.5, r), h - r)
    d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    return max(0.0, min(1.0, r - d + 0.5))


def background():
    """Warm parchment with a darker rim and a faint grain, framed by a wooden border."""
    w, h = 800, 600
    paper = (236, 222, 188)
    edge = (196, 168, 118)
    wood = (110, 72, 40)

    def px(x, y):
        border = min(x, y, w - 1 - x, h - 1 - y)
        if border < 14:
            grain = 10 * math.sin(x * 0.05 + y * 0.9)
            c = mix(wood, (150, 100, 58), border / 14)
            return (c[0] + grain, c[1] + grain * 0.6, c[2] + grain * 0.3, 255)
        dx = (x - w / 2) / (w / 2)
        dy = (y - h / 2) / (h / 2)
        c = mix(paper, edge, (dx * dx + dy * dy) * 0.45)
        # Banded grain, quantised so the file stays small.
        g = 4 * round(math.sin(y * 0.21 + math.sin(x * 0.013) * 3))
        return (c[0] + g, c[1] + g, c[2] + g * 0.5, 255)
    save("background.png", w, h, px)


def panel(name, top, bottom, rim):
    def px(x, y):
        cover = rounded(CELL, CELL, 9, x, y)
        inner = rounded(CELL - 6, CELL - 6, 7, x - 3, y - 3) if 3 <= x < CELL - 3 and 3 <= y < CELL - 3 else 0
        c = mix(rim, mix(top, bottom, y / (CELL - 1)), inner)
        return (*c, 255 * cover)
    save(name, CELL, CELL, px)


def ring(name, colour, width):
    """A rounded outline the size of a cell."""
    def px(x, y):
        outer = rounded(CELL, CELL, 10, x, y)
        inset = width
        inner = (rounded(CELL - 2 * inset, CELL - 2 * inset, max(1, 10 - inset), x - inset, y - inset)
                 if inset <= x < CELL - inset and inset <= y < CELL - inset else 0)
        return (*colour, 255 * max(0.0, outer - inner))
    save(name, CELL, CELL, px)


def glow():
    """Four frames of a soft golden halo, brighter at each step."""
    frames = 4

    def px(x, y):
        f = x // CELL
        lx = x % CELL
        cover = rounded(CELL, CELL, 12, lx, y)
        d = min(lx + 0.5, y + 0.5, CELL - lx - 0.5, CELL - y - 0.5)
        strength = 0.45 + 0.18 * f
        a = cover * max(0.0, 1 - d / 14) * strength + cover * 0.12
        return (255, 214, 90, 255 * min(1.0, a))
    save("blank_glow.png", CELL * frames, CELL, px)


def shader():
    """A light sheen that can pass over a panel."""
    def px(x, y):
        cover = rounded(CELL, CELL, 9, x, y)
        t = abs((x - y) / CELL)
        return (255, 255, 255, 90 * cover * max(0.0, 1 - t * 3))
    save("shader.png", CELL, CELL, px)


def board(name, w, h, rim, top, bottom, alpha):
    """A rounded dark board with a rim: the clue's panel, and the one a finished round's message
    stands on."""
    def px(x, y):
        cover = rounded(w, h, 14, x, y)
        inner = rounded(w - 6, h - 6, 11, x - 3, y - 3) if 3 <= x < w - 3 and 3 <= y < h - 3 else 0
        c = mix(rim, mix(top, bottom, y / (h - 1)), inner)
        return (*c, alpha * cover)
    save(name, w, h, px)


def clue_panel():
    board("clue_panel.png", 560, 76, (92, 60, 32), (70, 58, 48), (44, 36, 30), 235)


def round_end_bar():
    """Below the grid, over the clue panel: opaque, so the clue does not show through."""
    board("round_end_bar.png", 600, 110, (150, 104, 52), (62, 48, 38), (40, 31, 25), 255)


def main():
    os.makedirs(OUT, exist_ok=True)
    background()
    panel("panel.png", (70, 82, 96), (38, 46, 58), (150, 160, 172))
    panel("panel_off.png", (120, 104, 84), (98, 84, 66), (130, 112, 90))
    ring("letter_over.png", (255, 250, 220), 3)
    ring("letter_down.png", (230, 120, 40), 5)
    glow()
    shader()
    clue_panel()
    round_end_bar()


if __name__ == "__main__":
    main()
