-- The arcade scene catalogue, written by tools/make-arcade-assets.py with the scenes'
-- pictures: the play order of the scenes and the objects hidden in each (top-left
-- corner on the screen, drawing layer, and the found picture's offset).
PuzzleOrder = { '_1_1_gameback', '_2_1_gameback', '_3_1_gameback' }
SearchPuzzles = {
  _1_1_gameback = {
    apple = { position = { 170, 284 }, layer = 1, playOffset = { 0, -6 } },
    ball = { position = { 660, 420 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 20, 420 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 440, 332 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 190, 204 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 80, 254 }, layer = 1, playOffset = { 0, -6 } },
    lamp = { position = { 330, 150 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 625, 205 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 706, 236 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 250, 400 }, layer = 1, playOffset = { 0, -6 } },
    shell_a = { position = { 70, 204 }, layer = 1, playOffset = { 0, -6 } },
    shell_b = { position = { 112, 104 }, layer = 1, playOffset = { 0, -6 } },
    shell_c = { position = { 350, 440 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 560, 430 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 290, 310 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 760, 420 }, layer = 1, playOffset = { 0, -6 } },
  },
  _2_1_gameback = {
    apple = { position = { 300, 60 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 250, 230 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 40, 170 }, layer = 1, playOffset = { 0, -6 } },
    clock = { position = { 560, 300 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 90, 240 }, layer = 1, playOffset = { 0, -6 } },
    gem = { position = { 420, 250 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 700, 170 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 660, 430 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 690, 330 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 470, 110 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 640, 80 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 120, 390 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 110, 70 }, layer = 1, playOffset = { 0, -6 } },
    ball = { position = { 330, 420 }, layer = 1, playOffset = { 0, -6 } },
  },
  _3_1_gameback = {
    ball = { position = { 150, 430 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 450, 372 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 425, 440 }, layer = 1, playOffset = { 0, -6 } },
    clock = { position = { 360, 365 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 580, 262 }, layer = 1, playOffset = { 0, -6 } },
    gem = { position = { 300, 188 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 20, 188 }, layer = 1, playOffset = { 0, -6 } },
    lamp = { position = { 700, 258 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 520, 300 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 330, 290 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 690, 440 }, layer = 1, playOffset = { 0, -6 } },
    shell_a = { position = { 180, 340 }, layer = 1, playOffset = { 0, -6 } },
    shell_b = { position = { 30, 440 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 640, 336 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 250, 440 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 650, 400 }, layer = 1, playOffset = { 0, -6 } },
  },
}
-- Objects that are shown but never asked for.
ExcludeItems = { clock = 1 }
-- Ambient animations of a scene: a Lua expression that gives its table.
SearchPuzzleData = {
  _1_1_gameback = "{ ambientAnims = { { type = 'pano', mask = 'images/arcade_skyframe.png', pano = 'images/arcade_clouds.png', x = 600, y = 60, speed = 60, deltaX = 1 } } }",
  _3_1_gameback = "{ ambientAnims = { { type = 'sprite', path = 'anim/glint.xml', x = 640, y = 55 } } }",
}
