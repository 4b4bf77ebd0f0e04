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

local function GameRow(n)
  local y = kRowTop + (n - 1) * kRowStep
  return Bitmap({ name = "xsellpicture" .. n, image = "xsell/game" .. n, x = 60, y = y, w = 96, h = 72 }),
         Text({ name = "descrip" .. n, label = "", x = 180, y = y, w = 440, h = 72 }),
         -- The layout gives the buttons' centres; "SetupXSell" moves them there.
         XSellButton({ name = "xsellbutton" .. n, caption = "Play", x = 690, y = y + 36 })
end

function BuildCrossSell()
  local id = PushModal("xsell")
  local rows = { Bitmap({ name = "xsellbackground", image = "images/menu_bg.png", x = 0, y = 0 }) }
  for n = 1, kGames do
    local picture, text, button = GameRow(n)
    table.insert(rows, picture)
    table.insert(rows, text)
    table.insert(rows, button)
  end
  table.insert(rows, Text({ name = "centertext1", label = "", x = 0, y = 30, w = 800, h = 30 }))
  table.insert(rows, Text({ name = "centertext2", label = "", x = 0, y = 64, w = 800, h = 24 }))
  table.insert(rows, Bitmap({ name = "sitelogo", image = "xsell/sitelogo", x = 60, y = 510, w = 96, h = 72 }))
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
