-- The sample's sequence puzzle: two rounds of picture cards (a plant growing, the moon
-- waxing) to be dragged from their bins into the row in the right order. Running this file
-- defines ShowSequencePuzzle(), which opens the puzzle in a modal of its own.

-- Messages: the hint (1006), its end (1007) and the start of play (1010).
kQMMessage = kQMMessage or {}
kQMMessage.ShowHint = kQMMessage.ShowHint or 1006
kQMMessage.HideHint = kQMMessage.HideHint or 1007
kQMMessage.StartPlay = kQMMessage.StartPlay or 1010

gGameState = gGameState or { hintActive = false }

-- modifyGameTimer, setComplete and puzzleComplete, which its texts call, come from the puzzles'
-- shared script; its time penalty shows in the puzzle's search list.
dofile("scripts/common/puzzle.lua")

dofile("scripts/ui/buttons.lua")

-- Bins in a row below the slots; a card rests 8 pixels inside its bin.
local kBinX = { 62, 202, 342, 482, 622 }
local kBinY = 345

local function Bins()
  local bins = {}
  for i, x in ipairs(kBinX) do
    bins[i] = QMSequenceBin({ number = i, x = x, y = kBinY, offsetX = 8, offsetY = 8,
                              art = "sequence/bin.png" })
  end
  return bins
end

-- A round's cards, in their target order; bins are dealt so that no card starts below its
-- own slot.
local kRounds = {
  { name = "plant", cards = { "seed", "sprout", "bud", "flower" }, bins = { 3, 1, 4, 2 } },
  { name = "moon", cards = { "new", "crescent", "quarter", "gibbous", "full" },
    bins = { 4, 5, 1, 3, 2 } },
}

local function Pieces()
  local pieces = {}
  for _, round in ipairs(kRounds) do
    for slot, card in ipairs(round.cards) do
      local art = "sequence/" .. round.name .. "_" .. card
      table.insert(pieces, QMSequencePuzzlePiece({
        name = round.name .. "_" .. card, round = round.name, gridPosition = slot,
        startingBin = round.bins[slot], drop = art .. ".png", drag = art .. "_drag.png",
        clue = art .. "_clue.png",
        clueText = "SEQ_CLUE_" .. string.upper(round.name .. "_" .. card) }))
    end
  end
  return pieces
end

local function Clue(name, x)
  return QMSequenceClue({ name = name, imgX = x, imgY = 30,
                          clueText = { text = "", font = "sans", fontSize = 17, align = 4,
                                       color = { 1, 0.95, 0.85, 1 },
                                       background = { 0.1, 0.06, 0.03, 0.55 },
                                       box = { 128, 0, 220, 120 }, inset = 8 } })
end

function ShowSequencePuzzle()
  local names = {}
  for i, round in ipairs(kRounds) do names[i] = round.name end
  local puzzle = {
    name = "sequencepuzzle", x = 0, y = 0, w = 800, h = 600,
    bgPath = "sequence/background.png", hintAnim = "sequence/hint.xml", hintDuration = 700,
    puzzlePieceAnimateSpeed = 14, failTimePenalty = -30,
    initialClueArtPath = "sequence/intro", initialClueTextPath = "SEQ_INTRO",
    pickupPieceSound = "audio/sequence/pickup", dropPieceSound = "audio/sequence/drop",
    snapToGridSound = "audio/sequence/snap", pieceSlideSound = "audio/sequence/slide",
    clueRollOverSound = "audio/sequence/clue", puzzleFailSound = "audio/sequence/fail",
    hintSound = "audio/sequence/hint", roundCompleteSound = "audio/sequence/round",
    QMSequenceGrid({ gridWidth = 100, gridHeight = 100, gridMidX = 400, gridMidY = 250,
                     gridMax = 5, tableuArt = "sequence/slot" }),
  }
  for _, bin in ipairs(Bins()) do table.insert(puzzle, bin) end
  for _, piece in ipairs(Pieces()) do table.insert(puzzle, piece) end
  table.insert(puzzle, Clue("first", 40))
  table.insert(puzzle, Clue("second", 420))
  table.insert(puzzle, QMSequencePuzzleRounds({ name = "QMRounds", rounds = names }))

  gGameTimeLeft = 300
  gPuzzleHintLevel = 0
  OpenPuzzleModal("sequence")
  MakeDialog({
    QMSequenceWindow(puzzle),
    SearchListWindow({ name = "searchListWindow", x = 300, y = 536, w = 200, h = 44,
                       currentTime = gGameTimeLeft,
                       Text({ name = "timeText", x = 0, y = 0, w = 200, h = 44,
                              flags = kHAlignCenter + kVAlignCenter,
                              font = { "fonts/digits.mvec", 26, Color(255, 236, 190) } }) }),
    DialogPushButton({ name = "hint", caption = "SEQ_HINT", x = 60, y = 536,
                   command = function()
                     PostMessage(QMSearchHintMessage("sequencepuzzle", 0, 0))
                   end }),
    DialogPushButton({ name = "leave", caption = "SEQ_LEAVE", x = 540, y = 536,
                   command = function() ClosePuzzle() end }),
  })
  -- Play starts at once: the clock runs down from five minutes.
  PostMessage(CreateNamedMessage(kQMMessage.StartPlay, ""))
  return gPuzzleModal
end
