-- The map screen: a sprite window that draws the sea chart and runs its own script
-- ("scripts/mapscreen.lua"), its three navigation buttons, and the window on top that draws
-- the buttons' highlights. Running this file gives a function that opens the screen in a new
-- modal and returns the modal's id; the menu's Map button calls it.

-- The messages the sprite window answers: back, on, and a button of its own by name.
local kMapPrevious = 1021
local kMapNext = 1027
local kMapNamedButton = 2013

local function MapButton(t)
  t.graphics = { "images/button_normal.png", "images/button_pressed.png",
                 "images/button_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = "label", label = t.caption, x = 0, y = 0, w = 200, h = 44,
                         flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }))
  return Button(t)
end

-- The screen's script waits for these; the window it goes to is the one with the focus.
local function Tell(id, name)
  return function() PostMessage(CreateNamedMessage(id, name or "")) end
end

return function()
  local id = PushModal("map")
  MakeDialog({
    SpriteWindow({ name = "mapwindow", x = 0, y = 0, w = 800, h = 600,
                   runfile = "scripts/mapscreen.lua",
                   -- Hidden until the screen's script has brought the map in.
                   MapButton({ name = "prevButton", caption = "MAP_PREVIOUS", x = 40, y = 536,
                               command = Tell(kMapPrevious) }),
                   MapButton({ name = "nextButton", caption = "MAP_NEXT", x = 300, y = 536,
                               command = Tell(kMapNext) }),
                   MapButton({ name = "closeButton", caption = "MAP_LEAVE", x = 560, y = 536,
                               command = Tell(kMapNamedButton, "leave") }),
                   -- Opens the ship's log over the darkened map ("scripts/maplog.lua").
                   MapButton({ name = "logButton", caption = "MAP_LOG", x = 20, y = 16,
                               command = Tell(kMapNamedButton, "log") }) }),
    MapButton({ name = "codexButton", caption = "MAP_CODEX", x = 580, y = 124,
                command = function() ShowCodexPuzzle() end }),
    AnimOverSpriteWindow({ name = "map_animation", x = 0, y = 0, w = 800, h = 600 }),
    -- The puzzles between the story's places, each opened from a button of its own.
    MapButton({ name = "layerButton", caption = "MAP_LAYER", x = 300, y = 484,
                command = function() ShowLayerPuzzle() end }),
    -- Opens the word puzzle, to play it by hand.
    MapButton({ name = "wordButton", caption = "MAP_WORD", x = 580, y = 16,
                command = function() ShowWordPuzzle() end }),
    -- Opens the sequence puzzle, to play it by hand.
    MapButton({ name = "sequenceButton", caption = "MAP_SEQUENCE", x = 580, y = 70,
                command = function() ShowSequencePuzzle() end }),
  })
  return id
end
