-- The sample's layer puzzle: two rounds of photo layers on the table, a meadow at noon and a
-- harbour at night. Each round's photos are dragged onto the frame, where they snap to the
-- grid, and raised or lowered with the small buttons beside the picked photo until the picture
-- is whole. ShowLayerPuzzle opens it in a new modal and returns the modal's id.

local kCell = 80
local kGrid = { x = 440, y = 60 }

local function Photo(round, name, t)
  t.name = name
  t.round = round
  t.art = "images/layer/" .. round .. "_" .. name .. ".png"
  return QMLayerPuzzlePiece(t)
end

-- The button beside the picked photo; its script function moves the photo in the stack.
local function LayerButton(name, image, action)
  return Button({ name = name, x = 0, y = 0, w = 20, h = 20,
                  graphics = { "images/layer/" .. image .. ".png",
                               "images/layer/" .. image .. "_pressed.png",
                               "images/layer/" .. image .. "_rollover.png" },
                  command = action })
end

dofile("scripts/ui/buttons.lua")
local PuzzleButton = DialogPushButton

-- setComplete, puzzleComplete and modifyGameTimer, which its round-end texts call, come from
-- the puzzles' shared script.
dofile("scripts/common/puzzle.lua")

function ShowLayerPuzzle()
  local id = OpenPuzzleModal("layerpuzzle")
  MakeDialog({
    -- Round banners and the hint's flight; made first, so that the puzzle finds it for its
    -- first round's banner, and brought to the front by the puzzle.
    SpriteWindow({ name = "overlaywindow", x = 0, y = 0, w = 800, h = 600 }),
    QMLayerWindow({
      name = "layerwindow", x = 0, y = 0, w = 800, h = 600,
      bgPath = "images/layer/table.png",
      layerChangeSound = "audio/layer/layer_change.ogg",
      pickupPieceSound = "audio/layer/pickup.ogg",
      dropPieceSound = "audio/layer/drop.ogg",
      snapToGridSound = "audio/layer/snap.ogg",
      roundCompleteSound = "audio/layer/round_complete.ogg",
      levelCompleteSound = "audio/layer/level_complete.ogg",
      correctSlotSound = "audio/layer/correct.ogg",
      -- Round one: the meadow lies on top of the sun and the tree.
      Photo("meadow", "back", { offsetX = 40, offsetY = 250, startingLayer = 3,
                                gridPosition = 1 }),
      Photo("meadow", "sun", { offsetX = 60, offsetY = 60, startingLayer = 1, gridPosition = 2,
                               piecesCovered = { "back" } }),
      Photo("meadow", "tree", { offsetX = 220, offsetY = 40, startingLayer = 2,
                                gridPosition = 8, piecesCovered = { "back" } }),
      -- Round two: the harbour at night, its sky above the moon, the boat and the lighthouse.
      Photo("harbour", "back", { offsetX = 40, offsetY = 250, startingLayer = 4,
                                 gridPosition = 1 }),
      Photo("harbour", "moon", { offsetX = 40, offsetY = 50, startingLayer = 1,
                                 gridPosition = 1, piecesCovered = { "back" } }),
      Photo("harbour", "boat", { offsetX = 150, offsetY = 60, startingLayer = 2,
                                 gridPosition = 10, piecesCovered = { "back" } }),
      Photo("harbour", "lighthouse", { offsetX = 330, offsetY = 40, startingLayer = 3,
                                       gridPosition = 8, piecesCovered = { "back" } }),
      QMLayerPuzzleRounds({ name = "QMRounds", rounds = { "meadow", "harbour" } }),
      LayerButton("PlusButton", "plus", function() LayerPlusButton() end),
      LayerButton("MinusButton", "minus", function() LayerMinusButton() end),
      -- Last, so that it lies in front of the photos: it sees the pointer first while a photo
      -- is dragged over it.
      QMLayerGrid({ name = "QMLAYERGRID", x = kGrid.x, y = kGrid.y, w = 4 * kCell, h = 3 * kCell,
                    gridWidth = kCell, gridHeight = kCell }),
    }),
    Text({ name = "layertitle", label = "LAYER_TITLE", x = 440, y = 316, w = 320, h = 34,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 24, Color(255, 236, 190) } }),
    Text({ name = "layerhelp", label = "LAYER_HELP", x = 440, y = 352, w = 320, h = 110,
           flags = kHAlignCenter, font = { "fonts/sans.mvec", 16, Color(240, 225, 200) } }),
    PuzzleButton({ name = "layerhint", caption = "LAYER_HINT_BUTTON", x = 340, y = 536,
                   command = function() LayerShowHint() end }),
    PuzzleButton({ name = "layerleave", caption = "LAYER_LEAVE", x = 560, y = 536,
                   close = true }),
    -- Shown while hints are not allowed.
    Window({ name = "disableHint", x = 0, y = 0, w = 1, h = 1 }),
  })
  EnableWindow("disableHint", false)
  return id
end
