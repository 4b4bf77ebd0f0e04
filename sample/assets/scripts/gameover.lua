-- The end of an arcade run: the arcade window runs this file in a modal window of its own and
-- then hands the outcome ("arcadewin" or "arcadelose"), the score and the levels cleared to the
-- window named "gameoverwin". The layout is the game-over screen of scripts/ui/gameover.lua.

dofile("scripts/ui/gameover.lua")
local screen = GameOverLayout()
screen.name = "gameoverwin"
MakeDialog({ screen })
PlayGlobalSound("audio/gameover.ogg")
