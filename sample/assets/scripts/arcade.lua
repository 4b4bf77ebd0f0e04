-- The sample game's arcade run: the play area above ("ArcadeGame", which plays the scenes of
-- "scripts/searchhelper.lua") and the panel below with the twelve list entries, the clock, the
-- score, the hint button and its three lights, and the pause button. The panel sits in the
-- search overlay ("ArcadeSearchOverlay"), which the arcade window brings to the front. The run
-- ends on the game-over screen ("scripts/gameover.lua"); closing that screen closes this one.

dofile("scripts/ui/buttons.lua")

-- The arcade window colours every entry it writes light green (a found one fades to half-clear
-- white), whatever colour the layout gives; the layout asks for that same green so that the
-- entries read as they are drawn.
local kEntryFont = { "fonts/sans.mvec", 16, Color(110, 255, 171) }
local kClockFont = { "fonts/sansbold.mvec", 22, Color(255, 236, 190) }

-- Opens a panel: a modal window named after the panel's script, built by the function the
-- script returns (given the mode); answers the modal's id for WaitForCloseMessage.
function makePanelWindow(file, mode)
  local id = PushModal(file)
  local build = dofile("assets/" .. file)
  if type(build) == "function" then build(mode) end
  return id
end

-- The panel's compact push button, its caption on every layer.
local function PanelButton(t) return CaptionButton(t, "images/panel_button", 96, 32, 16) end

local function PanelWindows()
  local t = {
    name = "searchOverlay", x = 0, y = 520, w = 800, h = 80,
    Bitmap({ name = "panelback", image = "images/arcade_panel.png", x = 0, y = 0 }),
  }
  for i = 1, 12 do
    local column = math.mod(i - 1, 4)
    local row = math.floor((i - 1) / 4)
    -- Centred in its height, as the story's entries are: the strike-out line, drawn across
    -- the middle of the entry's box, then runs through the letters.
    table.insert(t, Text({ name = "SearchItem" .. i, label = "#", x = 8 + column * 122,
                           y = 6 + row * 24, w = 120, h = 22, flags = kVAlignCenter,
                           font = kEntryFont }))
  end
  table.insert(t, Text({ name = "arcadetimer", label = "#", x = 500, y = 4, w = 90, h = 30,
                         font = kClockFont }))
  table.insert(t, Text({ name = "arcadescore", label = "#", x = 500, y = 40, w = 100, h = 30,
                         font = kClockFont }))
  table.insert(t, PanelButton({ name = "hint", caption = "ARCADE_HINT", x = 600, y = 6,
                                command = function() ShowArcadeHint() end }))
  -- Pauses as Escape does: the pause panel on top stops the run's clock until it closes.
  table.insert(t, PanelButton({ name = "pause", caption = "ARCADE_PAUSE", x = 700, y = 6,
                                command = function()
                                  makePanelWindow("scripts/runpause.lua", "none")
                                end }))
  -- One light for each hint charge left; the dark sockets show the three a run can hold.
  for i = 0, 2 do
    table.insert(t, Bitmap({ name = "hintsocket" .. i, image = "images/hintled_off.png",
                             x = 622 + i * 22, y = 52 }))
  end
  for i = 0, 2 do
    table.insert(t, Bitmap({ name = "hintled" .. i, image = "images/hintled.png",
                             x = 622 + i * 22, y = 52 }))
  end
  return ArcadeSearchOverlay(t)
end

return function()
  SetCurrentGameMode(1)
  local id = PushModal("arcade")
  MakeDialog({
    PanelWindows(),
    ArcadeGame({ name = "puzzleWindow", x = 0, y = 0, w = 800, h = 600 }),
  })
  -- The run ends on the game-over screen (which sets gArcadeRunOver); when the player leaves
  -- it, the run's screen goes too.
  gArcadeRunOver = nil
  while true do
    local msg = WaitForMessage()
    if msg and msg.type == kModalClosed then
      if msg.name == id then return end
      if gArcadeRunOver then
        gArcadeRunOver = nil
        PopModal(id)
        return
      end
    end
  end
end
