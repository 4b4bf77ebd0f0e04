-- The game flow. The program runs this file last at start-up; the function it returns runs as
-- the main script for as long as the game does.

-- The puzzles' openers, for the map screen's buttons.
dofile("assets/scripts/puzzles/sequence.lua")

-- The sample's first player, made by script on a fresh installation.
local kFirstPlayer = "Player"

local function EnsurePlayer()
  if GetNumUsers() == 0 then
    local user = CreateNewUser(kFirstPlayer)
    SetCurrentUser(user)
  end
end

-- The game's main window: the menu when the sample has one; closing it ends the game.
function RunGame()
  EnsurePlayer()
  if fileExists("scripts/menu.lua") then
    local showMenu = dofile("assets/scripts/menu.lua")
    if type(showMenu) == "function" then
      showMenu()
      Exit()
    end
  end
  while true do
    WaitForMessage()
  end
end

return RunGame
