#!/usr/bin/env python3
"""Draws the sample game's map screen: the sea chart, the ship, the place badges, the spark
of the particle effect, and the animated highlights with their descriptions (the sparkle as
XML, the pointer's frames as a binary ".anm" that its XML description switches to). Plain
Python, no imaging library: every pixel and every byte is computed here. Writes into
sample/assets/map/, sample/assets/anim/ and sample/assets/fx/."""
import math
import os
import sys

from pngfile import png_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "sample", "assets")
# The binary ".anm" writer is the one the animation tests' fixtures are made with.
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fixtures", "anim"))
import make_anims  # noqa: E402


def write(name, data):
    path = os.path.join(ASSETS, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def clamp01(v):
    return max(0.0, min(1.0, v))


# ---- the chart: flat sea bands, three islands with beaches, a dotted route ----

ISLANDS = [(170, 330, 95, 60), (420, 200, 80, 55), (640, 360, 105, 70)]
ROUTE = [(190, 470), (330, 300), (520, 250), (640, 470)]


def island_depth(x, y):
    """How far inside the nearest island the pixel is (>1 inside, with a wobbly coast)."""
    best = 0.0
    for cx, cy, rx, ry in ISLANDS:
        a = math.atan2(y - cy, x - cx)
        wobble = 1 + 0.08 * math.sin(5 * a + cx) + 0.05 * math.sin(11 * a)
        d = math.hypot((x - cx) / rx, (y - cy) / ry) / wobble
        best = max(best, 1.0 / max(d, 1e-6))
    return best


def near_route(x, y):
    for (x0, y0), (x1, y1) in zip(ROUTE, ROUTE[1:]):
        dx, dy = x1 - x0, y1 - y0
        t = clamp01(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy))
        px, py = x0 + t * dx, y0 + t * dy
        if math.hypot(x - px, y - py) < 2.2 and int(t * math.hypot(dx, dy)) % 14 < 7:
            return True
    return False


def chart(x, y):
    if x < 6 or y < 6 or x >= 794 or y >= 594:
        return (92, 62, 34, 255)  # the frame
    depth = island_depth(x, y)
    if depth > 1.12:
        shade = 8 * ((x // 40 + y // 40) % 2)
        return (96 + shade, 150 + shade, 78, 255)
    if depth > 1.0:
        return (226, 204, 140, 255)  # beach
    if near_route(x, y):
        return (150, 40, 36, 255)
    band = 0 if depth > 0.8 else 1 if depth > 0.6 else 2
    sea = [(78, 160, 186), (52, 126, 166), (34, 92, 138)][band]
    # Small wave marks on the open sea.
    if band == 2 and (x + 3 * (y // 24)) % 48 < 6 and y % 24 == 12:
        return (120, 180, 210, 255)
    return (*sea, 255)


def ship(x, y):
    # Hull below, a sail above, all in a 48x40 box.
    if 24 <= y < 34 and 6 + (y - 24) // 2 <= x < 42 - (y - 24) // 2:
        return (110, 70, 40, 255)
    if 22 <= y < 24 and 6 <= x < 42:
        return (80, 50, 28, 255)
    if 2 <= y < 22 and x == 23:
        return (60, 40, 20, 255)
    if 4 <= y < 20 and 24 < x <= 24 + (y - 2):
        return (245, 240, 225, 255)
    return (0, 0, 0, 0)


def badge(x, y):
    d = math.hypot(x + 0.5 - 28, y + 0.5 - 28)
    cover = clamp01(27.5 - d)
    if d < 20:
        c = (250, 226, 150) if d < 7 else (196, 60, 48)
    else:
        c = (250, 236, 200)
    return (*c, 255 * cover)


def spark(x, y):
    d = math.hypot(x + 0.5 - 4, y + 0.5 - 4)
    return (255, 250, 220, 255 * clamp01(1 - d / 4))


# ---- the animated highlights ----

def sparkle_sheet(x, y):
    """Four 16x16 frames of a four-pointed star that grows and shrinks."""
    size = [3, 6, 8, 5][x // 16]
    cx, cy = x % 16 + 0.5 - 8, y + 0.5 - 8
    arm = max(0.0, size - abs(cx) * 4) if abs(cy) < 1.5 else 0.0
    arm = max(arm, max(0.0, size - abs(cy) * 4) if abs(cx) < 1.5 else 0.0)
    core = clamp01(size / 3 - math.hypot(cx, cy) / 2)
    a = clamp01(max(arm / size, core))
    return (255, 246, 190, 255 * a)


def pointer_sheet(x, y):
    """Four 24x24 frames of a hand-drawn arrow pointing down-left, bobbing by a pixel a frame."""
    lift = [0, 1, 2, 1][x // 24]
    px, py = x % 24, y + lift
    # The arrow's shaft runs from the top right to the tip at the bottom left.
    on_shaft = abs((px - 4) - (19 - py)) <= 1.5 and 4 <= px <= 20
    on_head = px >= 3 and py <= 20 and px <= 11 and py >= 12 and (px - 3) + (20 - py) <= 9
    if on_shaft or on_head:
        return (255, 214, 80, 255)
    return (0, 0, 0, 0)


# ---- the ship's log: its parchment panel and the compass that swings on it ----

def log_panel(x, y):
    """360x260 parchment with a dark wooden edge and a faint ruled line every 24 pixels."""
    if x < 4 or y < 4 or x >= 356 or y >= 256:
        return (84, 54, 30, 255)
    grain = 6 * ((x * 7 + y * 13) % 5) // 4
    if 70 < y < 236 and (y - 70) % 24 == 0 and 20 <= x < 340:
        return (196 - grain, 176 - grain, 136, 255)
    return (238 - grain, 222 - grain, 178 - grain, 255)


COMPASS_ANGLES = [-0.35, 0.0, 0.35, 0.0]


def compass_sheet(x, y):
    """Four 48x48 frames of a compass whose needle swings from side to side."""
    angle = COMPASS_ANGLES[x // 48]
    cx, cy = x % 48 + 0.5 - 24, y + 0.5 - 24
    d = math.hypot(cx, cy)
    if d > 23:
        return (0, 0, 0, 0)
    if d > 20:
        return (120, 84, 40, 255)
    # The needle in the needle's own frame: along v, tapering to its two tips.
    u = cx * math.cos(angle) - cy * math.sin(angle)
    v = cx * math.sin(angle) + cy * math.cos(angle)
    if abs(u) < 3.5 * (1 - abs(v) / 17) and abs(v) < 17:
        return (190, 40, 34, 255) if v < 0 else (40, 44, 60, 255)
    return (244, 236, 212, 255)


def main():
    write("map/chart.png", png_bytes(800, 600, chart))
    write("map/ship.png", png_bytes(48, 40, ship))
    write("map/badge.png", png_bytes(56, 56, badge))
    write("fx/spark.png", png_bytes(8, 8, spark))
    write("anim/sparkle.png", png_bytes(64, 16, sparkle_sheet))
    write("anim/pointer.png", png_bytes(96, 24, pointer_sheet))
    write("anim/mapsparkle.xml", """<sequence name="mapsparkle">
  <img name="sparkle.png" w="64" h="16" />
  <framelist>
    <frame x="0" y="0" w="16" h="16" regx="8" regy="8" />
    <frame x="16" y="0" w="16" h="16" regx="8" regy="8" />
    <frame x="32" y="0" w="16" h="16" regx="8" regy="8" />
    <frame x="48" y="0" w="16" h="16" regx="8" regy="8" />
  </framelist>
  <script>function LoopAnim() delay(90) while true do frames{1,2,3,4,3,2} end end</script>
</sequence>
""")
    # The pointer's XML shows its first frame and hands over to the binary description.
    write("anim/pointer.xml", """<sequence name="pointer">
  <img name="pointer.png" w="96" h="24" />
  <framelist>
    <frame x="0" y="0" w="24" h="24" regx="12" regy="12" />
  </framelist>
  <script>function LoopAnim() run{ 'anim/pointer.anm', anim = 'LoopAnim' } end</script>
</sequence>
""")
    write("map/logpanel.png", png_bytes(360, 260, log_panel))
    write("anim/compass.png", png_bytes(192, 48, compass_sheet))
    # Only a binary description: the ship's log loads it by its ".anm" name.
    write("anim/compass.anm",
          make_anims.anm(2, "compass", "", dict(regx=0, regy=0, w=192, h=48, name="compass.png"),
                         [dict(regx=24, regy=24, x=48 * i, y=0, w=48, h=48) for i in range(4)],
                         "function DoAnim() delay(160) while true do frames{1,2,3,4} end end"))
    write("anim/pointer.anm",
          make_anims.anm(2, "pointer-bob", "", dict(regx=0, regy=0, w=96, h=24, name="pointer.png"),
                         [dict(regx=12, regy=12, x=24 * i, y=0, w=24, h=24) for i in range(4)],
                         "function LoopAnim() delay(120) while true do frames{1,2,3,4} end end"))


if __name__ == "__main__":
    main()
