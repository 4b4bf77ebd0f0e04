-- The sample game's game-over screen. The game calls the function this file returns with a
-- heading label from the string table ("GAMEOVER_WIN" or "GAMEOVER_LOSE"), the score and the
-- level (-1 for none) as texts; "GameOver" fills them in, hides the high-score button when the
-- score does not beat the player's best, and in story mode gives the screen a black backdrop.

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

local kLabelFont = { "fonts/sans.mvec", 22, Color(210, 225, 240) }
local kValueFont = { "fonts/sansbold.mvec", 22, Color(255, 220, 140) }

-- The arcade's end of run names the screen "gameoverwin".
function GameOverLayout(name)
  return GameOver({ name = name or "gameover", x = 0, y = 0, w = 800, h = 600,
    Bitmap({ name = "overbackground", x = 0, y = 0, w = 800, h = 600 }),
    Bitmap({ name = "panel", image = "images/panel.png", x = 230, y = 90 }),
    Text({ name = "highscoretext", label = "#", x = 230, y = 130, w = 340, h = 70,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 26, Color(255, 236, 190) } }),
    Text({ name = "scorelabel", label = "GAMEOVER_SCORE", x = 260, y = 230, w = 140, h = 30,
           font = kLabelFont }),
    Text({ name = "scorevalue", label = "#", x = 400, y = 230, w = 140, h = 30,
           flags = kHAlignRight, font = kValueFont }),
    -- The arcade gives the number of levels the run cleared (one less than the level it ended
    -- on); the label says so.
    Text({ name = "level", label = "GAMEOVER_LEVEL", x = 260, y = 270, w = 200, h = 30,
           font = kLabelFont }),
    Text({ name = "levelvalue", label = "#", x = 460, y = 270, w = 80, h = 30,
           flags = kHAlignRight, font = kValueFont }),
    PushButton({ name = "highscorebutton", caption = "MENU_HISCORES", x = 300, y = 360,
                 command = function() dofile("scripts/ui/hiscores.lua")() end }),
    PushButton({ name = "continue", caption = "GAMEOVER_CONTINUE", x = 300, y = 420,
                 default = true, close = true, cancel = true }),
  })
end

return function(label, score, level)
  local id = PushModal("gameoverscreen")
  MakeDialog({ GameOverLayout() })
  PlayGlobalSound("audio/gameover.ogg")
  SetGameOverStats(label, tostring(score), tostring(level or -1))
  WaitForCloseMessage(id)
end
