#!/usr/bin/env python3
"""Draws the sample game's arcade mode: three painted scenes (the second, a magnifier scene,
painted at twice the window's size and shown halved, so the glass shows it at full size), the
objects hidden in them, the
strike-out line of found list entries, the found and hint animations ("anim/behind2.xml",
"anim/above.xml", "anim/hint3.xml") and a scene's ambient glint, the first scene's drifting clouds behind a frame, the arcade panel and its hint light, the magnifier's mask,
and the scene catalogue "scripts/searchhelper.lua" that places the objects. Plain Python, no
imaging library: every pixel is computed here. Writes into sample/assets/."""
import math
import os
import random

from pngfile import png_bytes

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


def object_png(name, size, full=False):
    shape, colour = SHAPES[name]
    light = mix(colour, (255, 255, 255), 0.45)
    dark = mix(colour, (0, 0, 0), 0.4)

    def pixel(x, y):
        u = (x + 0.5) / size * 2 - 1
        v = (y + 0.5) / size * 2 - 1
        if not inside(shape, u, v):
            return (0, 0, 0, 0)
        edge = not all(inside(shape, u + du, v + dv) for du, dv in ((0.08, 0), (-0.08, 0), (0, 0.08), (0, -0.08)))
        if edge:
            return dark + (255,)
        shade = mix(light, colour, min(1.0, math.hypot(u + 0.3, v + 0.3) / 1.2))
        if full:
            shade = mix(shade, (255, 255, 200), 0.35)
        return shade + (255,)

    return png_bytes(size, size, pixel)


def scene_png(w, h, top, bottom, seed):
    rnd = random.Random(seed)
    spots = [(rnd.uniform(0, w), rnd.uniform(0, h), rnd.uniform(20, 90)) for _ in range(40)]

    def pixel(x, y):
        c = mix(top, bottom, y / h)
        for sx, sy, sr in spots:
            d = abs(x - sx) + abs(y - sy)
            if d < sr:
                c = mix(c, mix(top, (255, 255, 255), 0.2), 0.25 * (1 - d / sr))
        if (x // 40 + y // 40) % 2 == 0:
            c = mix(c, (0, 0, 0), 0.04)
        return c + (255,)

    return png_bytes(w, h, pixel)


# Scene key, picture size, colours, object size in the picture, objects and their places (top
# left, in screen pixels: the magnifier scene's objects are drawn at the scene's scale).
SCENES = [
    ("_1_1_gameback", (800, 520), (70, 60, 90), (150, 110, 80), 48,
     ["apple", "ball", "bell", "book", "cup", "key", "lamp", "leaf", "moon", "ring",
      "shell_a", "shell_b", "shell_c", "star", "sun", "vase"]),
    ("_2_1_gameback", (1600, 1200), (40, 90, 110), (190, 170, 120), 88,
     ["apple", "bell", "book", "clock", "cup", "gem", "key", "leaf", "moon", "ring", "star",
      "sun", "vase", "ball"]),
    ("_3_1_gameback", (800, 520), (90, 50, 40), (60, 110, 70), 48,
     ["ball", "bell", "book", "clock", "cup", "gem", "key", "lamp", "leaf", "moon", "ring",
      "shell_a", "shell_b", "star", "sun", "vase"]),
]


def places(count, rnd):
    """Spots on a 4-row grid over the 800 x 520 play area, shuffled and jittered."""
    cells = [(c, r) for r in range(4) for c in range(6)]
    rnd.shuffle(cells)
    out = []
    for c, r in cells[:count]:
        out.append((30 + c * 128 + rnd.randint(0, 40), 20 + r * 122 + rnd.randint(0, 40)))
    return out


def main():
    rnd = random.Random(26)
    lua = ["-- The arcade scene catalogue, written by tools/make-arcade-assets.py with the scenes'",
           "-- pictures: the play order of the scenes and the objects hidden in each (top-left",
           "-- corner on the screen, drawing layer, and the found picture's offset).",
           "PuzzleOrder = { " + ", ".join("'%s'" % s[0] for s in SCENES) + " }",
           "SearchPuzzles = {"]
    for key, (w, h), top, bottom, size, names in SCENES:
        write("gameobjects/%s.png" % key[1:], scene_png(w, h, top, bottom, key))
        folder = "gameobjects/" + key[1:key.index("_gameback")] + "/"
        lua.append("  %s = {" % key)
        for name, (x, y) in zip(names, places(len(names), rnd)):
            write(folder + name + "_gameobj.png", object_png(name, size))
            # The found picture, shown brightened where the object was picked up.
            write(folder + name + "_gameobj_full.png", object_png(name, size, full=True))
            lua.append("    %s = { position = { %d, %d }, layer = 1, playOffset = { 0, -6 } }," % (name, x, y))
        lua.append("  },")
    lua.append("}")
    lua.append("-- Objects that are shown but never asked for.")
    lua.append("ExcludeItems = { clock = 1 }")
    lua.append("-- Ambient animations of a scene: a Lua expression that gives its table.")
    lua.append("SearchPuzzleData = {")
    lua.append("  _1_1_gameback = \"{ ambientAnims = { { type = 'pano', mask = 'images/arcade_skyframe.png',"
               " pano = 'images/arcade_clouds.png', x = 600, y = 440, speed = 60, deltaX = 1 } } }\",")
    lua.append("  _3_1_gameback = \"{ ambientAnims = { { type = 'sprite', path = 'anim/glint.xml', x = 620, y = 60 } } }\",")
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
    strip("hint3", 6, 96, hint, "function DoAnim() delay(100) while true do frames{1,2,3,4,5,6} end end")
    strip("glint", 6, 32, sparks, "function DoAnim() delay(120) while true do frames{1,2,3,4,5,6,5,4,3,2} end end")

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
