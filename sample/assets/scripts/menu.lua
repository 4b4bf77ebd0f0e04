-- The sample game's main menu. The window behind it ("MainMenu") greets the current player,
-- plays the menu's theme while it is open and hides "More games" when the game ships no
-- cross-sell screen. Play lets the player pick a profile, unless one was just picked, and then
-- starts the story when the game has one ("PlayStory"); Quit asks first; the other buttons
-- open the other screens.

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

-- The cross-sell screen of other games (BuildCrossSell, ShowCrossSell).
dofile("scripts/xsell.lua")

-- The story is defined by "scripts/story.lua" once the game has one.
if type(PlayStory) ~= "function" and fileExists("scripts/story.lua") then
  dofile("scripts/story.lua")
end

-- A player made in this run is welcomed, one who played before is welcomed back.
local function Greet()
  SetWelcomeName()
  if gPlayerIsNew then
    SetLabel("welcome", GetString("MENU_WELCOME_NEW"))
  else
    SetLabel("welcome", GetString("MENU_WELCOME_BACK"))
  end
end

local function ChangePlayer()
  local picked = dofile("scripts/ui/chooseplayer.lua")()
  if picked then gPlayerChosen = true end
  Greet()
  return picked
end

-- A player chosen a moment ago (on the first run, or with Change player) is not asked again.
function MenuPlay()
  local chosen = gPlayerChosen
  gPlayerChosen = false
  if not chosen then
    chosen = ChangePlayer()
    gPlayerChosen = false
  end
  if chosen and type(PlayStory) == "function" then PlayStory() end
end

-- The menu answers "quit" when it closes this way, as its closing buttons answer their names.
local function MenuQuit()
  if dofile("scripts/ui/confirmquit.lua")() then
    ModalReturn("quit")
    PopModal("menu")
  end
end

return function()
  local id = PushModal("menu")
  MakeDialog({
    MainMenu({ name = "mainmenu", x = 0, y = 0, w = 800, h = 600,
               bgAudio = "audio/menu_theme.ogg",
      Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
      Text({ name = "title", label = "MENU_TITLE", x = 0, y = 24, w = 800, h = 56,
             flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 40, Color(255, 236, 190) } }),
      Bitmap({ name = "picture", image = "images/harbour.png", x = 290, y = 84 }),
      Text({ name = "welcome", label = "MENU_WELCOME_BACK", x = 0, y = 238, w = 395, h = 30,
             flags = kHAlignRight, font = { "fonts/serif.mvec", 20, Color(210, 225, 240) } }),
      Text({ name = "userName", label = "#", x = 405, y = 238, w = 395, h = 30,
             font = { "fonts/serif.mvec", 20, Color(255, 220, 140) } }),
      PushButton({ name = "changeplayer", caption = "MENU_CHANGE_PLAYER", x = 300, y = 272,
                   command = ChangePlayer }),
      PushButton({ name = "play", caption = "MENU_PLAY", x = 180, y = 340, default = true,
                   command = MenuPlay }),
      PushButton({ name = "options", caption = "MENU_OPTIONS", x = 180, y = 400,
                   command = function() dofile("scripts/ui/options.lua")() end }),
      PushButton({ name = "hiscores", caption = "MENU_HISCORES", x = 180, y = 460,
                   command = function() dofile("scripts/ui/hiscores.lua")() end }),
      PushButton({ name = "credits", caption = "MENU_CREDITS", x = 440, y = 400,
                   command = function() dofile("scripts/ui/credits.lua")() end }),
      PushButton({ name = "map", caption = "MENU_MAP", x = 440, y = 340,
                   command = function() dofile("scripts/map.lua")() end }),
      PushButton({ name = "quit", caption = "MENU_QUIT", x = 300, y = 530, cancel = true,
                   command = MenuQuit }),
      PushButton({ name = "moregames", caption = "MENU_MORE", x = 440, y = 460,
                   command = function() BuildCrossSell() end }),
      PushButton({ name = "arcade", caption = "MENU_ARCADE", x = 40, y = 530,
                   command = function() dofile("assets/scripts/arcade.lua")() end }),
      PushButton({ name = "guide", caption = "MENU_GUIDE", x = 560, y = 530,
                   command = function() dofile("scripts/ui/guide.lua")() end }),
    }),
  })
  RegisterHotkey("alt-q", "quit")
  Greet()
  WaitForCloseMessage(id)
end
