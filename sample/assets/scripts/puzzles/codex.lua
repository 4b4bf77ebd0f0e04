-- The sample's codex puzzle: a smugglers' code of seven signs to crack in two rounds. The
-- player ties each word to its sign on the solve grid (click once for a check, again for an X,
-- a third time to clear) while the clue slides tell what is known; the code board fills in
-- with every check. ShowCodexPuzzle opens it in a modal of its own and returns the modal's id.

local kPuzzleId = "codex1"
local kMarkState = { [0] = 2, [2] = 3, [3] = 0, [1] = 0 }
local kCheck = 2
local kX = 3

-- The rounds: how many words, the offset of their numbers, and which sign (0-based column)
-- each word belongs to.
local kRounds = {
  { size = 3, offset = 0, answer = { 0, 1, 2 } },
  { size = 4, offset = 3, answer = { 0, 1, 2, 3 } },
}

-- The running level, its group and its puzzle, as the codex window asks about them
-- (gGameState:getCurrentLevel():getCurrentGroup():getCurrentPuzzle()).
CodexPuzzle = {}
CodexPuzzle.__index = CodexPuzzle

function CodexPuzzle.new()
  local p = { round = 1, cells = {}, words = {} }
  setmetatable(p, CodexPuzzle)
  return p
end

function CodexPuzzle:Round() return kRounds[self.round] end

function CodexPuzzle:RowColumn(cell)
  local n = self:Round().size
  return math.floor(cell / n), math.mod(cell, n)
end

function CodexPuzzle:getWordNumber(cell)
  local row = self:RowColumn(cell)
  return row + 1 + self:Round().offset
end

function CodexPuzzle:getIconNumber(cell)
  local _, column = self:RowColumn(cell)
  return column + self:Round().offset
end

function CodexPuzzle:getCodeGridCellWord(cell) return self.words[self:getIconNumber(cell)] end

function CodexPuzzle:setCodeGridCellWord(icon, word) self.words[icon] = word end

-- Solved when every word has exactly one check, on its own sign.
function CodexPuzzle:RoundSolved()
  local round = self:Round()
  local n = round.size
  for row = 0, n - 1 do
    for column = 0, n - 1 do
      local checked = self.cells[row * n + column] == kCheck
      if checked ~= (round.answer[row + 1] == column) then return false end
    end
  end
  return true
end

local function Count(key)
  if _SetState then _SetState(key, "") end
end

-- The event target: each click on a cell comes here and goes back as instructions.
CodexTarget = {}

function CodexTarget:SolveGridClicked(point, cellText)
  local puzzle = gCodexPuzzle
  local cell = tonumber(cellText)
  if not puzzle or not cell then return nil end
  local state = kMarkState[puzzle.cells[cell] or 0] or 0
  puzzle.cells[cell] = state
  if state == kCheck then Count("++LevelTotalCheckPlacements") end
  if state == kX then Count("++LevelTotalXPlacements") end
  local answer = { solveGridUpdate = { [cell] = state } }
  if puzzle:RoundSolved() then
    -- A solved round moves on at once: its whole answer goes onto the board.
    local round = puzzle:Round()
    answer.codeGridUpdate = {}
    for row = 0, round.size - 1 do
      answer.codeGridUpdate[round.answer[row + 1] + round.offset] = row + 1 + round.offset
    end
    if puzzle.round < table.getn(kRounds) then
      puzzle.round = puzzle.round + 1
      puzzle.cells = {}
      local upcoming = puzzle:Round()
      answer.group = puzzle.round - 1
      answer.gridSize = upcoming.size
      answer.gridOffset = upcoming.offset
    else
      answer.solved = true
    end
  end
  return answer
end

local function Level(puzzle)
  local group = { getCurrentPuzzle = function() return puzzle end }
  return { getCurrentGroup = function() return group end }
end

-- puzzleComplete, which its completion text calls, comes from the puzzles' shared script.
dofile("scripts/common/puzzle.lua")

local kWordFont = { "fonts/euro_ex_bold.mvec", 15, Color(60, 40, 20) }

dofile("scripts/ui/buttons.lua")
local CodexButton = DialogPushButton

-- The board's word texts, added to the window's table: the window names and places one under
-- each sign.
local function WordTexts(window, n)
  for i = 1, n do
    table.insert(window, Text({ name = "unused", x = 0, y = 0, w = 86, h = 22, label = "",
                                flags = kHAlignCenter, font = kWordFont }))
  end
  return window
end

local function Zone(t)
  t.action = "scriptedAnimation"
  t.trigger = t.trigger or "functionhook"
  return RTF_Zone(t)
end

-- One slide: a text box and, optionally, sign pictures beside it.
local function Slide(label, pictures)
  NewSlide()
  AddClueSlideText({ text = label, font = "serif", fontSize = 17,
                     color = { 0.25, 0.15, 0.07, 1 }, box = { 0, 0, 336, 160 }, align = 0 })
  for _, p in ipairs(pictures or {}) do AddClueImage(p[1], p[2], p[3]) end
end

local function NextClue()
  local count = GetSlideCount()
  if count > 0 then
    gCodexSlide = math.mod((gCodexSlide or 0) + 1, count)
    SetCurrentSlide(gCodexSlide)
  end
end

function ShowCodexPuzzle()
  gCodexPuzzle = CodexPuzzle.new()
  gGameState = gGameState or {}
  local level = Level(gCodexPuzzle)
  gGameState.getCurrentLevel = function() return level end
  gCodexSlide = 0

  local id = OpenPuzzleModal("codex")
  MakeDialog({
    QMCodexWindow(WordTexts({
      name = "puzzleWindow", x = 0, y = 0, w = 800, h = 600, bgPath = "codex/background",
      puzzleID = kPuzzleId, eventTarget = CodexTarget,
      solvePuzzleClueImagePrefix = "codex/clue", codeIconPrefix = "codex/icon",
      activeCellTexture = "codex/cell_active", inactiveCellTexture = "codex/cell_inactive",
      inactiveRowTexture = "codex/row_inactive", inactiveColumnTexture = "codex/column_inactive",
      checkTexture = "codex/cell_check", conflictTexture = "codex/cell_conflict",
      notTexure = "codex/cell_not",
      foundWordsColor = { 0.24, 0.16, 0.08, 1 }, activeWordsColor = { 0.1, 0.35, 0.75, 1 },
      clickAudio = "audio/codex/mark.ogg", groupSolvedAudio = "audio/codex/round.ogg",
      puzzleSolvedAudio = "audio/codex/solved.ogg",
      solveGridProps = { GridX = 90, GridY = 92, GridSize = 4, ColumnWidth = 50, RowHeight = 40,
                         HeaderStartX = 93, HeaderStartY = 40, LabelRowWidth = 74,
                         LabelRowFontSize = 14, LabelRowFontColor = { 0.25, 0.15, 0.07, 1 } },
      codeGridProps = { GridX = 440, GridY = 52, ColumnWidth = 88, RowHeight = 120,
                        ColumnCount = 4, IconScale = 0.6, IconTextOffset = 62 },
      CodexButton({ name = "nextButton", caption = "CODEX_NEXT_CLUE", x = 455, y = 426,
                    command = NextClue,
                    Bitmap({ name = "image0", image = "codex/next_glow.png", x = 0, y = 0 }) }),
      CodexButton({ name = "closeButton", caption = "CODEX_LEAVE", x = 580, y = 540,
                    close = true }),
    }, 7)),
    Text({ name = "codextitle", label = "CODEX_TITLE", x = 420, y = 312, w = 370, h = 34,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 24, Color(90, 55, 25) } }),
    Text({ name = "codexhelp", label = "CODEX_HELP", x = 420, y = 350, w = 370, h = 60,
           flags = kHAlignCenter, font = { "fonts/sans.mvec", 14, Color(90, 55, 25) } }),
    SpriteWindow({ name = "overlaywindow", x = 0, y = 0, w = 800, h = 600 }),
    -- Coaching: the first check, the second, and a sign given two words.
    RealTimeFeedback({ name = "1_codex_rtf_window", x = 0, y = 0, w = 800, h = 600,
      Zone({ name = "tipfirstcheck", hook = "codexgreencheck",
             actionString = "scripts/puzzles/codex_tip_check.lua", x = 0, y = 0, w = 1, h = 1 }),
      Zone({ name = "tipsecondcheck", hook = "codexsecondgreencheck",
             actionString = "scripts/puzzles/codex_tip_board.lua", x = 0, y = 0, w = 1, h = 1 }),
      Zone({ name = "tipdouble", hook = "codexdoublecolumn",
             actionString = "scripts/puzzles/codex_tip_double.lua", x = 0, y = 0, w = 1, h = 1 }),
    }),
  })

  -- Round 1: three signs of the sky.
  NewSlideGroup()
  Slide("CODEX_CLUE_INTRO")
  Slide("CODEX_CLUE_1A", { { "codex/clue1", 280, 110 } })
  Slide("CODEX_CLUE_1B", { { "codex/clue3", 280, 110 } })
  -- Round 2: four signs of the sea and the shore.
  NewSlideGroup()
  Slide("CODEX_CLUE_2A", { { "codex/clue5", 280, 110 } })
  Slide("CODEX_CLUE_2B", { { "codex/clue4", 230, 110 }, { "codex/clue6", 280, 110 } })
  Slide("CODEX_CLUE_2C", { { "codex/clue6", 280, 110 } })

  local first = kRounds[1]
  SetSolveGrid(first.size, first.offset)
  SetCodeGrid({ 1, 2, 3, 4, 5, 6, 7 }, {})
  SetCurrentGroup(0)
  return id
end
