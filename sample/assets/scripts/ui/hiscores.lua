-- The sample game's high-score screen. "HiscoreWindow" fills the ten rows (rank "1".."10",
-- "name1".., "score1".., the account star "p1_1"..) from the local table of the game mode or
-- from the online table of one category, and calls UpdateButtons after every change; the
-- submit button opens "scripts/ui/hiscoresubmit.lua".

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

local kRowFont = { "fonts/sans.mvec", 18, Color(225, 232, 245) }
local kNoteFont = { "fonts/sans.mvec", 16, Color(210, 225, 240) }
local kHeadFont = { "fonts/sansbold.mvec", 22, Color(255, 236, 190) }

-- A small square button with a one-character caption.
local function SmallButton(t)
  t.graphics = { "images/small_normal.png", "images/small_pressed.png",
                 "images/small_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = t.name .. "label", label = "#" .. t.caption, x = 0, y = 0,
                         w = 40, h = 40, flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sansbold.mvec", 20, Color(255, 255, 255) } }))
  return Button(t)
end

local function Note(name, label, y, h, x)
  return Text({ name = name, label = label, x = x or 20, y = y, w = 300, h = h or 48,
                font = kNoteFont })
end

local function Rows()
  local rows = {}
  for i = 1, 10 do
    local y = 60 + (i - 1) * 34
    table.insert(rows, Text({ name = tostring(i), label = "#", x = 14, y = y, w = 44, h = 28,
                              flags = kHAlignRight, font = kRowFont }))
    table.insert(rows, Text({ name = "name" .. i, label = "#", x = 68, y = y, w = 170, h = 28,
                              font = kRowFont }))
    table.insert(rows, Text({ name = "score" .. i, label = "#", x = 236, y = y, w = 70, h = 28,
                              flags = kHAlignRight, font = kRowFont }))
    table.insert(rows, Bitmap({ name = "p1_" .. i, image = "images/star.png", x = 312,
                                y = y + 4 }))
  end
  return rows
end

-- Shows what the view allows: game mode arrows while a table shows, category arrows in the
-- online view, the submit button while the player has a score to send.
function UpdateButtons()
  local state = GetState()
  local tableShown = state == 0 or state == 4
  EnableWindow("gamemodeleft", tableShown)
  EnableWindow("gamemoderight", tableShown)
  SetLabel("modename", GetString("HISCORE_MODE" .. GetCurrentGameMode()))
  EnableWindow("categoryleft", state == 4)
  EnableWindow("categoryright", state == 4)
  EnableWindow("submit", state == 0 and ScoreAvailable() and GetConfig("hiscorelocal") ~= "1")
  SetButtonToggleState("global_local", state ~= 0)
  -- The status line holds the last error until a new request runs.
  if state >= 1 and state <= 3 then SetLabel("serverstatus", GetString("HISCORE_WAIT")) end
end

function HiscoreLayout()
  local left = Rows()
  left.name, left.image, left.x, left.y = "leftpanel", "images/panel.png", 40, 116
  table.insert(left, Text({ name = "local", label = "HISCORE_LOCAL", x = 0, y = 14, w = 340,
                            h = 30, flags = kHAlignCenter, font = kHeadFont }))
  table.insert(left, Text({ name = "global", label = "HISCORE_GLOBAL", x = 0, y = 14, w = 340,
                            h = 30, flags = kHAlignCenter, font = kHeadFont }))
  table.insert(left, Text({ name = "topplayers", label = "HISCORE_TOP", x = 0, y = 14, w = 340,
                            h = 30, flags = kHAlignCenter, font = kHeadFont }))
  return HiscoreWindow({ name = "hiscores", x = 0, y = 0, w = 800, h = 600,
    Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
    Text({ name = "title", label = "HISCORE_TITLE", x = 0, y = 20, w = 800, h = 50,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }),
    Bitmap(left),
    SmallButton({ name = "scrollup", caption = "^", x = 388, y = 176 }),
    SmallButton({ name = "scrolldown", caption = "v", x = 388, y = 470 }),
    Bitmap({ name = "rightpanel", image = "images/panel.png", x = 430, y = 116,
      Note("info", "HISCORE_INFO", 70),
      Text({ name = "eligibleasterisk", label = "#*", x = 20, y = 140, w = 20, h = 24,
             font = kHeadFont }),
      Note("eligible", "HISCORE_ELIGIBLE", 140, 48, 40),
      PushButton({ name = "submit", caption = "HISCORE_SUBMIT", x = 70, y = 200 }),
    }),
    Bitmap({ name = "rightpanelsmall", image = "images/panel_small.png", x = 430, y = 316,
      SmallButton({ name = "categoryleft", caption = "<", x = 16, y = 14 }),
      Text({ name = "category", label = "#", x = 60, y = 20, w = 220, h = 30,
             flags = kHAlignCenter, font = kHeadFont }),
      SmallButton({ name = "categoryright", caption = ">", x = 284, y = 14 }),
      Note("serverstatus", "HISCORE_WAIT", 64, 60),
      Note("congratulations", "HISCORE_CONGRATULATIONS", 64),
      Note("dnq", "HISCORE_DNQ", 64),
      Note("yourrank", "#", 116, 26),
      Note("yourrankglobalinfo", "HISCORE_RANKINFO", 140),
      Note("rankvalue", "#", 170, 24),
    }),
    SmallButton({ name = "gamemodeleft", caption = "<", x = 40, y = 68 }),
    Text({ name = "modename", label = "#", x = 84, y = 74, w = 252, h = 30,
           flags = kHAlignCenter, font = kHeadFont }),
    SmallButton({ name = "gamemoderight", caption = ">", x = 340, y = 68 }),
    Button({ name = "global_local", type = kToggle, x = 500, y = 548,
             graphics = { "images/toggle_off.png", "images/toggle_on.png",
                          "images/toggle_off_rollover.png", "images/toggle_on_rollover.png" },
             sound = "audio/click.ogg", SelectLayer(kAllLayers),
             Text({ name = "global_locallabel", label = "HISCORE_ONLINE", x = 0, y = 0, w = 200,
                    h = 44, flags = kHAlignCenter + kVAlignCenter,
                    font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }) }),
    PushButton({ name = "back", caption = "BACK", x = 100, y = 548, close = true,
                 cancel = true }),
  })
end

return function()
  local id = PushModal("hiscorescreen")
  MakeDialog({ HiscoreLayout() })
  WaitForCloseMessage(id)
end
