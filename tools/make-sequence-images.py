#!/usr/bin/env python3
"""Draws the sample game's sequence puzzle into sample/assets/sequence/: the table, the slot
frames of the row, the bins, the picture cards of its two rounds (a plant growing from a seed
to a flower, the moon waxing from new to full) as resting, dragged and clue pictures, the
round-start cards of the clue panels, the hint ring's frames and the round-end board. Plain
Python, no imaging library: every pixel is computed here."""
import math
import os

from pngfile import png_bytes

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sample", "assets",
                   "sequence")
CARD = 100      # resting picture and slot size
DRAG = 112      # the dragged picture, with its glow
CLUE = 120      # the clue panels' picture


def save(name, w, h, pixel):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png_bytes(w, h, pixel))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def over(dst, src, cover):
    """src (r, g, b) painted over dst (r, g, b) with the given coverage."""
    return mix(dst, src, cover)


def edge(d):
    """Coverage from a signed distance (negative inside), one pixel of anti-aliasing."""
    return max(0.0, min(1.0, 0.5 - d))


def rounded(w, h, r, x, y):
    cx = min(max(x, r), w - r)
    cy = min(max(y, r), h - r)
    return math.hypot(x - cx, y - cy) - r


def disc(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


# Pictures in unit coordinates (u, v in 0..1), answering an (r, g, b) colour.
SKY = (250, 236, 205)
SOIL = (120, 78, 46)


def plant(stage):
    def paint(u, v):
        c = mix((255, 246, 222), SKY, v)
        ground = 0.74 + 0.03 * math.sin(u * 7)
        if v > ground:
            c = mix(SOIL, (90, 56, 32), (v - ground) * 3)
        px = 1 / 100.0
        if stage == 0:  # a seed under the soil
            c = over(c, (196, 150, 80), edge((math.hypot((u - 0.5) / 0.09, (v - 0.84) / 0.05) - 1) / 0.09 / px * 0.09))
        else:
            height = [0, 0.22, 0.42, 0.5][stage]
            top = ground - height
            stem = abs(u - 0.5 - 0.02 * math.sin(v * 9)) - 0.018
            if top <= v <= ground + 0.01:
                c = over(c, (70, 140, 60), edge(stem / px))
            # leaves
            for side in (-1, 1):
                if stage >= 1:
                    lv = ground - height * 0.45
                    d = math.hypot((u - 0.5 - side * 0.09) / 0.09, (v - lv) / 0.035) - 1
                    c = over(c, (90, 170, 70), edge(d * 3.5 / (px * 100)))
            if stage == 2:  # a closed bud
                d = math.hypot((u - 0.5) / 0.05, (v - top) / 0.08) - 1
                c = over(c, (200, 80, 120), edge(d * 4 / (px * 100)))
            if stage == 3:  # the open flower
                ang = math.atan2(v - top, u - 0.5)
                r = math.hypot(u - 0.5, v - top)
                petal = 0.13 + 0.05 * math.cos(ang * 6)
                c = over(c, (235, 90, 130), edge((r - petal) / px))
                c = over(c, (250, 210, 60), edge((r - 0.05) / px))
        return c
    return paint


def moon(stage):
    """New, crescent, first quarter, gibbous, full: the lit part's terminator moves across."""
    def paint(u, v):
        c = mix((20, 26, 60), (50, 50, 100), v)
        # a few stars
        for sx, sy in ((0.15, 0.2), (0.82, 0.15), (0.75, 0.82), (0.2, 0.78), (0.55, 0.1)):
            c = over(c, (255, 255, 220), edge((math.hypot(u - sx, v - sy) - 0.012) * 100))
        r = math.hypot(u - 0.5, v - 0.5)
        inside = edge((r - 0.3) * 100)
        if inside <= 0:
            return c
        dark = (45, 48, 70)
        lit = (250, 244, 210)
        # the terminator: an ellipse of half-width w; the lit side is the right.
        k = [-1.0, -0.55, 0.0, 0.55, 1.0][stage]
        dx = u - 0.5
        dy = v - 0.5
        half = math.sqrt(max(0.0, 0.09 - dy * dy))
        boundary = -k * half
        t = edge((dx - boundary) * 100)  # 1 left of the boundary
        col = mix(lit, dark, t) if stage < 4 else lit
        if stage == 0:
            col = dark
        # craters
        for cx, cy, cr in ((0.58, 0.42, 0.05), (0.45, 0.6, 0.04), (0.62, 0.64, 0.03)):
            col = mix(col, tuple(x * 0.85 for x in col), edge((math.hypot(u - cx, v - cy) - cr) * 100))
        return over(c, col, inside)
    return paint


def card(picture, size, glow):
    """A framed card with the picture; glow adds a soft golden halo around it."""
    margin = (size - CARD * size // (DRAG if glow else size)) // 2 if glow else 0
    inner = size - 2 * margin
    def px(x, y):
        fx, fy = x + 0.5 - margin, y + 0.5 - margin
        d = rounded(inner, inner, 10, fx, fy)
        if d > 0:
            if not glow:
                return (0, 0, 0, 0)
            a = max(0.0, 1 - d / margin) ** 2
            return (255, 214, 90, 200 * a)
        border = 4 * inner / CARD
        inset = rounded(inner - 2 * border, inner - 2 * border, 7, fx - border, fy - border)
        if inset > 0:
            frame = mix((160, 112, 60), (110, 72, 36), fy / inner)
            return frame + (255 * edge(d),)
        colour = picture(fx / inner, fy / inner)
        return tuple(colour) + (255,)
    return px


def slot(n):
    def px(x, y):
        d = rounded(CARD, CARD, 12, x + 0.5, y + 0.5)
        if d > 0:
            return (0, 0, 0, 0)
        inner = rounded(CARD - 8, CARD - 8, 9, x - 3.5, y - 3.5)
        if inner > 0:
            return (120, 86, 50, 230)
        # the slot's number, faint, as dots along the bottom
        for i in range(n):
            cx = CARD / 2 + (i - (n - 1) / 2) * 10
            if math.hypot(x + 0.5 - cx, y + 0.5 - 86) < 3:
                return (150, 112, 70, 180)
        return (60, 40, 22, 110)
    return px


def bin_art(x, y):
    size = CARD + 16
    d = rounded(size, size, 14, x + 0.5, y + 0.5)
    if d > 0:
        return (0, 0, 0, 0)
    t = (y + 0.5) / size
    base = mix((98, 64, 38), (70, 44, 26), t)
    rim = rounded(size - 10, size - 10, 10, x - 4.5, y - 4.5)
    if rim > 0:
        return mix(base, (180, 130, 80), 0.4) + (255,)
    return base + (235,)


def table(x, y):
    u, v = x / 800.0, y / 600.0
    grain = 0.5 + 0.5 * math.sin(v * 90 + math.sin(u * 13) * 2.5)
    c = mix((118, 76, 44), (150, 102, 62), grain * 0.35 + 0.3)
    c = mix(c, (70, 44, 24), max(0.0, math.hypot(u - 0.5, v - 0.45) - 0.35) * 1.4)
    # the felt under the row
    d = rounded(600, 150, 20, x - 100 + 0.5, y - 175 + 0.5)
    if d < 0:
        c = mix(c, (40, 80, 60), edge(d + 2) * 0.9)
    return c + (255,)


def intro(kind):
    """Round-start cards of the clue panels: an arrow of growth or of waxing."""
    def paint(u, v):
        base = plant(0)(u, v) if kind.startswith("plant") else moon(0)(u, v)
        c = mix(base, (255, 255, 255), 0.35)
        y = 0.45
        if abs(v - y) < 0.03 and 0.2 < u < 0.7:
            c = (200, 60, 50)
        if u >= 0.68 and abs(v - y) < (0.82 - u) * 0.9:
            c = (200, 60, 50)
        return c
    return paint


def panel(x, y):
    """The round-end dialog's board: dark wood with a golden rim."""
    w, h = 400, 220
    d = rounded(w, h, 18, x + 0.5, y + 0.5)
    if d > 0:
        return (0, 0, 0, 0)
    rim = rounded(w - 12, h - 12, 13, x - 5.5, y - 5.5)
    if rim > 0:
        return (214, 170, 90, 255 * edge(d))
    grain = 0.5 + 0.5 * math.sin(y * 0.35 + math.sin(x * 0.05) * 2)
    return mix((70, 44, 26), (92, 60, 36), grain) + (255,)


def hint_ring(x, y):
    """Four frames of a pulsing golden ring, side by side."""
    f, lx = divmod(x, CARD + 20)
    size = CARD + 20
    r = 44 + f * 3
    d = abs(math.hypot(lx + 0.5 - size / 2, y + 0.5 - size / 2) - r) - 3 - f
    a = edge(d) + max(0.0, 1 - abs(d) / 10) * 0.4
    return (255, 220, 80, 255 * min(1.0, a))


def main():
    os.makedirs(OUT, exist_ok=True)
    save("background.png", 800, 600, table)
    for i in range(1, 6):
        save("slot%02d.png" % i, CARD, CARD, slot(i))
    save("bin.png", CARD + 16, CARD + 16, bin_art)
    rounds = [("plant", plant, ["seed", "sprout", "bud", "flower"]),
              ("moon", moon, ["new", "crescent", "quarter", "gibbous", "full"])]
    for name, painter, stages in rounds:
        for i, stage in enumerate(stages):
            picture = painter(i)
            save("%s_%s.png" % (name, stage), CARD, CARD, card(picture, CARD, False))
            save("%s_%s_drag.png" % (name, stage), DRAG, DRAG, card(picture, DRAG, True))
            save("%s_%s_clue.png" % (name, stage), CLUE, CLUE, card(picture, CLUE, False))
    for r, kind in ((1, "plant"), (2, "moon")):
        for side in (1, 2):
            save("intro%d_%d.png" % (r, side), CLUE, CLUE, card(intro(kind), CLUE, False))
    save("hint.png", 4 * (CARD + 20), CARD + 20, hint_ring)
    save("panel.png", 400, 220, panel)


if __name__ == "__main__":
    main()
