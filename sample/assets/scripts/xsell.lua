-- The cross-sell screen: three other games from "xsell/xsell.xml", each with its picture, its
-- description with a link, and a button; the publisher's site and a way back.
-- BuildCrossSell() lays the screen out in a new modal and fills it; ShowCrossSell() also waits
-- until the player leaves it. A menu button hooks it up with
--   SetCommand("moregames", function() ShowCrossSell() end)

local kGames = 3 -- as many as "xsell/xsell.xml" lists

-- A button drawn like the menu's, with its caption on every layer.
local function XSellButton(t)
  t.graphics = { "images/button_normal.png", "images/button_pressed.png",
                 "images/button_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = "label", label = "#" .. t.caption, x = 0, y = 0, w = 200, h = 44,
                         flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }))
  return Button(t)
end
local kRowTop = 120
local kRowStep = 130

-- Each description sits on a light card: dark text, and the window's blue link reads on it.
local function GameRow(n)
  local y = kRowTop + (n - 1) * kRowStep
  return Bitmap({ name = "xsellpicture" .. n, image = "xsell/game" .. n, x = 60, y = y, w = 96, h = 72 }),
         Bitmap({ name = "xsellcard" .. n, image = "xsell/card.png", x = 170, y = y - 4 }),
         Text({ name = "descrip" .. n, label = "", x = 180, y = y + 2, w = 380, h = 72,
                font = { "fonts/serif.mvec", 18, Color(60, 40, 24) } }),
         -- The layout gives the buttons' centres; "SetupXSell" moves them there.
         XSellButton({ name = "xsellbutton" .. n, caption = "Play", x = 690, y = y + 36 })
end

function BuildCrossSell()
  local id = PushModal("xsell")
  local rows = { Bitmap({ name = "xsellbackground", image = "images/menu_bg.png", x = 0, y = 0 }) }
  for n = 1, kGames do
    local picture, card, text, button = GameRow(n)
    table.insert(rows, picture)
    table.insert(rows, card)
    table.insert(rows, text)
    table.insert(rows, button)
  end
  -- The title and its line below, centred and coloured as the menu's.
  table.insert(rows, Text({ name = "centertext1", label = "", x = 40, y = 22, w = 720, h = 48,
                            flags = kHAlignCenter,
                            font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }))
  table.insert(rows, Text({ name = "centertext2", label = "", x = 40, y = 72, w = 720, h = 28,
                            flags = kHAlignCenter,
                            font = { "fonts/serif.mvec", 20, Color(210, 225, 240) } }))
  table.insert(rows, Bitmap({ name = "sitelogo", image = "xsell/sitelogo", x = 108, y = 546, w = 96, h = 72 }))
  table.insert(rows, XSellButton({ name = "gamesite", caption = "Our website", x = 400, y = 546 }))
  table.insert(rows, XSellButton({ name = "xsellback", caption = "Back", close = true, cancel = true,
                                   x = 540, y = 520 }))
  rows.name = "xsellwindow"
  rows.x, rows.y, rows.w, rows.h = 0, 0, 800, 600
  MakeDialog({ XSellWindow(rows) })
  SetupXSell()
  for n = 1, kGames do
    SetCommand("xsellbutton" .. n, function() LaunchGameLink(n) end)
  end
  SetCommand("gamesite", function() LaunchGameLink(0) end)
  return id
end

-- Waits for the way back; a click on a description's link (reported under the link's id,
-- "xsellbutton" and the game's number) opens that game's page as its button does.
function ShowCrossSell()
  local id = BuildCrossSell()
  while true do
    local msg = WaitForMessage()
    if msg then
      if msg.type == kModalClosed and msg.name == id then return end
      local name = msg.name
      if type(name) == "string" then
        local _, _, n = string.find(name, "^xsellbutton(%d)$")
        if n then LaunchGameLink(tonumber(n)) end
      end
    end
  end
end
