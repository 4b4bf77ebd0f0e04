-- The sample's word puzzle: a 3x3 grid of tiles and two rounds. Letters stand in banks left of
-- the rows; red letters below a column may not stand in that column. The player picks a bank
-- letter, the tiles it may take glow, and a click on one of them flies the letter there. Each
-- round's clue stands in the panel below the grid; the Hint button places one letter.
-- ShowWordPuzzle() opens the puzzle in a new modal and returns the modal's id; the map's Word
-- tiles button calls it.

dofile("scripts/ui/buttons.lua")

-- setComplete and puzzleComplete, which its texts call, come from the puzzles' shared script.
dofile("scripts/common/puzzle.lua")

local kPanels = {
  piece0 = { graphics = "word/panel_off.png" },
  piece1 = { graphics = "word/panel.png" },
}
local kSounds = { letterClickedSound = "word/letter_click.ogg",
                  panelRotateSound = "word/panel_rotate.ogg" }
-- The grid's cells are 64 pixels: the first one's corner stands at (x + 32, y + 32).
local kUpperLeft = { upperLeft = { 304, 170 } }

-- Across, the middle row reads SUN; down, the middle column reads RUG.
local kRound1 = {
  cluetext = "WORD_CLUE_1",
  gridCoordinates = kUpperLeft,
  gridShader = { graphics = "word/shader.png" },
  gridPieces = kPanels,
  gridLayout = { row1 = { 0, 1, 0 }, row2 = { 1, 1, 1 }, row3 = { 0, 1, 0 } },
  startingLetters = { row2 = "NSU", column2 = "GR" },
  forbiddenLetters = { column1 = "N", column2 = "S", column3 = "U" },
  solution = {
    { column = 1, row = 2, letter = "S", fromRow = true },
    { column = 2, row = 2, letter = "U", fromRow = true },
    { column = 3, row = 2, letter = "N", fromRow = true },
    { column = 2, row = 1, letter = "R", fromColumn = true },
    { column = 2, row = 3, letter = "G", fromColumn = true },
  },
  sounds = kSounds,
}

-- A word square: every row reads as the column of the same number, BAT, ARE, TEN.
local kRound2 = {
  cluetext = "WORD_CLUE_2",
  gridCoordinates = kUpperLeft,
  gridPieces = kPanels,
  gridLayout = { row1 = { 1, 1, 1 }, row2 = { 1, 1, 1 }, row3 = { 1, 1, 1 } },
  startingLetters = { row1 = "ABT", row2 = "REA", row3 = "ETN" },
  forbiddenLetters = { column1 = "E", column2 = "T", column3 = "A" },
  solution = {
    { column = 1, row = 1, letter = "B" }, { column = 2, row = 1, letter = "A" },
    { column = 3, row = 1, letter = "T" }, { column = 1, row = 2, letter = "A" },
    { column = 2, row = 2, letter = "R" }, { column = 3, row = 2, letter = "E" },
    { column = 1, row = 3, letter = "T" }, { column = 2, row = 3, letter = "E" },
    { column = 3, row = 3, letter = "N" },
  },
  -- The last round: its end is the puzzle's.
  customRoundEndScript = "scripts/common/word/round_end_last.lua",
}

function ShowWordPuzzle()
  local id = OpenPuzzleModal("wordpuzzle")
  MakeDialog({
    Bitmap({ name = "wordbackground", image = "word/background.png", x = 0, y = 0 }),
    -- Draws the letter flights over the puzzle; the clicks go through it to the puzzle.
    SpriteWindow({ name = "overlaywindow", x = 0, y = 0, w = 800, h = 600 }),
    WordPuzzleWindow({ name = "puzzleWindow", x = 0, y = 0, w = 800, h = 600,
                       wrongClickSound = "word/wrong_click.ogg",
                       round1 = kRound1, round2 = kRound2,
                       Bitmap({ name = "cluepanel", image = "word/clue_panel.png", x = 120,
                                y = 476 }),
                       Text({ name = "word_puzzle_text", label = "#", x = 136, y = 482, w = 528,
                              h = 64, flags = kHAlignCenter + kVAlignCenter,
                              font = { "fonts/sans.mvec", 18, Color(255, 240, 210) } }) }),
    Text({ name = "wordtitle", label = "WORD_TITLE", x = 0, y = 16, w = 800, h = 48,
           flags = kHAlignCenter, font = { "fonts/comic.mvec", 36, Color(92, 60, 32) } }),
    DialogPushButton({ name = "wordhint", caption = "WORD_HINT", x = 570, y = 230,
                       command = function() WordShowHint() end }),
    DialogPushButton({ name = "wordback", caption = "WORD_BACK", x = 570, y = 290,
                       command = function() ClosePuzzle() end }),
  })
  return id
end
