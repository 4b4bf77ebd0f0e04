-- The game flow. The program runs this file last at start-up; the function it returns runs as
-- the main script for as long as the game does.

-- What every puzzle's texts call (setComplete, puzzleComplete, modifyGameTimer) and the modal
-- the open puzzle lives in, when the sample has puzzles; their scripts below build on it.
if fileExists("scripts/common/puzzle.lua") then dofile("scripts/common/puzzle.lua") end
-- The word puzzle's opener, ShowWordPuzzle, when the sample has the puzzle.
if fileExists("scripts/puzzles/word.lua") then dofile("scripts/puzzles/word.lua") end
-- The codex puzzle's opener, ShowCodexPuzzle, when the sample has the puzzle.
if fileExists("scripts/puzzles/codex.lua") then dofile("scripts/puzzles/codex.lua") end
-- The sequence puzzle's opener, ShowSequencePuzzle, when the sample has the puzzle.
if fileExists("scripts/puzzles/sequence.lua") then
  dofile("assets/scripts/puzzles/sequence.lua")
end

-- The story mode and the callbacks of its search levels (PlayStory), when the sample has them.
if fileExists("scripts/story.lua") then dofile("scripts/story.lua") end

-- A game without a player chooser makes its one player itself on a fresh installation.
local kFirstPlayer = "Player"

-- On a fresh installation the game asks who is playing before the menu opens; the player
-- picked there goes straight into the story from the menu's Play.
local function FirstPlayer()
  if fileExists("scripts/ui/chooseplayer.lua") then
    if dofile("assets/scripts/ui/chooseplayer.lua")() then gPlayerChosen = true end
    return
  end
  SetCurrentUser(CreateNewUser(kFirstPlayer))
end

-- The layer puzzle's opener, ShowLayerPuzzle.
if fileExists("scripts/puzzles/layer.lua") then dofile("scripts/puzzles/layer.lua") end

-- The game's main window: the intro, then the menu when the sample has one; closing the menu
-- ends the game.
function RunGame()
  local fresh = GetNumUsers() == 0
  if fileExists("scripts/ui/intro.lua") then dofile("assets/scripts/ui/intro.lua")() end
  if fresh then FirstPlayer() end
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
