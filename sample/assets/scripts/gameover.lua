-- The end of an arcade run: the arcade window runs this file in a modal window of its own and
-- then hands the outcome ("arcadewin" or "arcadelose"), the score and the levels cleared to the
-- window named "gameoverwin". The layout is the game-over screen of scripts/ui/gameover.lua.

dofile("scripts/ui/gameover.lua")
MakeDialog({ GameOverLayout("gameoverwin") })
-- Tells the run's screen (scripts/arcade.lua) to close once this one has.
gArcadeRunOver = true
PlayGlobalSound("audio/gameover.ogg")
