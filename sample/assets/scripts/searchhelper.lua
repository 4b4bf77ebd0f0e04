-- The arcade scene catalogue, written by tools/make-arcade-assets.py with the scenes'
-- pictures: the play order of the scenes and the objects hidden in each (top-left
-- corner on the screen, drawing layer, and the found picture's offset).
PuzzleOrder = { '_1_1_gameback', '_2_1_gameback', '_3_1_gameback' }
SearchPuzzles = {
  _1_1_gameback = {
    apple = { position = { 551, 272 }, layer = 1, playOffset = { 0, -6 } },
    ball = { position = { 43, 302 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 188, 410 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 309, 279 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 67, 387 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 159, 160 }, layer = 1, playOffset = { 0, -6 } },
    lamp = { position = { 704, 54 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 421, 52 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 288, 386 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 315, 58 }, layer = 1, playOffset = { 0, -6 } },
    shell_a = { position = { 321, 162 }, layer = 1, playOffset = { 0, -6 } },
    shell_b = { position = { 434, 169 }, layer = 1, playOffset = { 0, -6 } },
    shell_c = { position = { 569, 154 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 673, 158 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 42, 59 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 438, 291 }, layer = 1, playOffset = { 0, -6 } },
  },
  _2_1_gameback = {
    apple = { position = { 160, 164 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 676, 157 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 35, 394 }, layer = 1, playOffset = { 0, -6 } },
    clock = { position = { 687, 286 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 324, 291 }, layer = 1, playOffset = { 0, -6 } },
    gem = { position = { 52, 53 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 188, 302 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 566, 144 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 32, 273 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 322, 142 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 447, 271 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 453, 172 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 672, 57 }, layer = 1, playOffset = { 0, -6 } },
    ball = { position = { 681, 425 }, layer = 1, playOffset = { 0, -6 } },
  },
  _3_1_gameback = {
    ball = { position = { 543, 270 }, layer = 1, playOffset = { 0, -6 } },
    bell = { position = { 165, 155 }, layer = 1, playOffset = { 0, -6 } },
    book = { position = { 698, 157 }, layer = 1, playOffset = { 0, -6 } },
    clock = { position = { 433, 34 }, layer = 1, playOffset = { 0, -6 } },
    cup = { position = { 679, 302 }, layer = 1, playOffset = { 0, -6 } },
    gem = { position = { 318, 166 }, layer = 1, playOffset = { 0, -6 } },
    key = { position = { 311, 303 }, layer = 1, playOffset = { 0, -6 } },
    lamp = { position = { 50, 147 }, layer = 1, playOffset = { 0, -6 } },
    leaf = { position = { 574, 146 }, layer = 1, playOffset = { 0, -6 } },
    moon = { position = { 423, 388 }, layer = 1, playOffset = { 0, -6 } },
    ring = { position = { 31, 395 }, layer = 1, playOffset = { 0, -6 } },
    shell_a = { position = { 55, 279 }, layer = 1, playOffset = { 0, -6 } },
    shell_b = { position = { 178, 390 }, layer = 1, playOffset = { 0, -6 } },
    star = { position = { 426, 281 }, layer = 1, playOffset = { 0, -6 } },
    sun = { position = { 562, 47 }, layer = 1, playOffset = { 0, -6 } },
    vase = { position = { 316, 33 }, layer = 1, playOffset = { 0, -6 } },
  },
}
-- Objects that are shown but never asked for.
ExcludeItems = { clock = 1 }
-- Ambient animations of a scene: a Lua expression that gives its table.
SearchPuzzleData = {
  _1_1_gameback = "{ ambientAnims = { { type = 'pano', mask = 'images/arcade_skyframe.png', pano = 'images/arcade_clouds.png', x = 600, y = 440, speed = 60, deltaX = 1 } } }",
  _3_1_gameback = "{ ambientAnims = { { type = 'sprite', path = 'anim/glint.xml', x = 620, y = 60 } } }",
}
