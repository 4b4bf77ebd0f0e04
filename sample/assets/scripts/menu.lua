-- The sample game's main menu: a layout of styled buttons (a push button, a toggle, a radio
-- group and a round button that takes clicks on its disc only), text from the string table,
-- a picture, a slider and a text edit. The script reports what the player does in the status
-- line until Quit closes the menu.

local kLabelFont = { "fonts/sans.mvec", 18, Color(255, 255, 255) }

-- A push button with a caption that shows in every state.
local function PushButton(t)
  t.graphics = { "images/button_normal.png", "images/button_pressed.png",
                 "images/button_rollover.png" }
  t.sound = "audio/click.ogg"
  t.rolloversound = "audio/rollover.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = "label", label = t.caption, x = 0, y = 0, w = 200, h = 44,
                         flags = kHAlignCenter + kVAlignCenter, font = kLabelFont }))
  return Button(t)
end

local function RadioButton(t)
  t.type = kRadio
  t.graphics = { "images/radio_off.png", "images/radio_on.png",
                 "images/radio_off_rollover.png", "images/radio_on_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = "label", label = t.caption, x = 30, y = 0, w = 90, h = 28,
                         flags = kVAlignCenter, font = { "fonts/sans.mvec", 16,
                         Color(230, 230, 240) } }))
  return Button(t)
end

-- The cross-sell screen of other games (BuildCrossSell, ShowCrossSell).
dofile("scripts/xsell.lua")

function StatusCommand()
  SetLabel("status", GetString("MENU_PRESSED", GetButtonName()))
end

return function()
  local id = PushModal("menu")
  MakeDialog({
    Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
    Text({ name = "title", label = "MENU_TITLE", x = 0, y = 24, w = 800, h = 56,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 40, Color(255, 236, 190) } }),
    Text({ name = "welcome", label = "MENU_WELCOME", x = 60, y = 84, w = 680, h = 30,
           flags = kHAlignCenter, font = { "fonts/serif.mvec", 18, Color(210, 225, 240) } }),
    PushButton({ name = "play", caption = "MENU_PLAY", x = 60, y = 140, default = true,
                 command = function() dofile("scripts/ui/chooseplayer.lua")() end }),
    Button({ name = "music", type = kToggle, x = 60, y = 200, on = true,
             graphics = { "images/toggle_off.png", "images/toggle_on.png",
                          "images/toggle_off_rollover.png", "images/toggle_on_rollover.png" },
             sound = "audio/click.ogg", command = StatusCommand,
             SelectLayer(kAllLayers),
             Text({ name = "label", label = "MENU_MUSIC", x = 0, y = 0, w = 200, h = 44,
                    flags = kHAlignCenter + kVAlignCenter, font = kLabelFont }) }),
    BeginGroup(),
    RadioButton({ name = "easy", caption = "MENU_EASY", x = 60, y = 262, on = true }),
    RadioButton({ name = "normal", caption = "MENU_NORMAL", x = 60, y = 292 }),
    RadioButton({ name = "hard", caption = "MENU_HARD", x = 60, y = 322 }),
    Text({ name = "volumelabel", label = "MENU_VOLUME", x = 60, y = 366, w = 200, h = 24,
           font = kLabelFont }),
    Slider({ name = "volume", x = 60, y = 392, w = 200, h = 28, railtop = "images/rail_end.png",
             railmid = "images/rail_mid.png", railbot = "images/rail_end.png",
             sliderimage = "images/thumb.png", sliderrollimage = "images/thumb_rollover.png" }),
    Text({ name = "namelabel", label = "MENU_NAME", x = 60, y = 436, w = 200, h = 24,
           font = kLabelFont }),
    Bitmap({ name = "field", image = "images/field.png", x = 60, y = 462 }),
    TextEdit({ name = "player", x = 68, y = 468, w = 244, h = 26, length = 20,
               label = "Player", font = { "fonts/sans.mvec", 18, Color(30, 30, 40) } }),
    Bitmap({ name = "picture", image = "images/harbour.png", x = 440, y = 150 }),
    Button({ name = "round", x = 625, y = 320, mask = "images/round_mask.png",
             graphics = { "images/round_normal.png", "images/round_pressed.png",
                          "images/round_rollover.png" }, command = StatusCommand,
             sound = "audio/click.ogg" }),
    PushButton({ name = "quit", caption = "MENU_QUIT", x = 440, y = 400, close = true,
                 cancel = true }),
    PushButton({ name = "moregames", caption = "MENU_MORE", x = 440, y = 460,
                 command = function() BuildCrossSell() end }),
    PushButton({ name = "options", caption = "MENU_OPTIONS", x = 400, y = 330,
                 command = function() dofile("scripts/ui/options.lua")() end }),
    PushButton({ name = "map", caption = "MENU_MAP", x = 440, y = 520,
                 command = function() dofile("scripts/map.lua")() end }),
    PushButton({ name = "guide", caption = "MENU_GUIDE", x = 60, y = 520,
                 command = function() dofile("scripts/ui/guide.lua")() end }),
    Text({ name = "status", label = "#", x = 60, y = 540, w = 680, h = 30,
           font = { "fonts/sans.mvec", 16, Color(255, 220, 140) } }),
  })
  RegisterHotkey("alt-q", "quit")
  SetFocus("player")
  WaitForCloseMessage(id)
end
