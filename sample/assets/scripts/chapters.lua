-- The story's order: search levels and the puzzles between them, played one after another from
-- where the player's saved game stands. Running this file defines PlayStory().
--
-- A step is either a search level ({ level = script }, the script returns the function that
-- plays it) or a puzzle ({ puzzle = script, opener = global }, the opener shows the puzzle in a
-- modal and returns its id). A puzzle tells it is solved by calling setComplete before
-- puzzleComplete; one that only calls puzzleComplete when solved, and closes its modal itself
-- when left, says so with solvedBy = "puzzleComplete". A step whose script the game does not ship is passed over, so a
-- level or puzzle joins the story by adding its line here.
kStory = {
  { level = "scripts/levels/harbour.lua" },
  { puzzle = "scripts/puzzles/word.lua", opener = "ShowWordPuzzle" },
  { puzzle = "scripts/puzzles/sequence.lua", opener = "ShowSequencePuzzle" },
  { puzzle = "scripts/puzzles/layer.lua", opener = "ShowLayerPuzzle" },
  { puzzle = "scripts/puzzles/codex.lua", opener = "ShowCodexPuzzle",
    solvedBy = "puzzleComplete" },
}

local function Present(step)
  return fileExists(step.level or step.puzzle)
end

-- Plays a level; true when the player cleared it, false when they left it.
local function PlayLevel(step)
  local cleared = false
  local complete = puzzleComplete
  puzzleComplete = function()
    cleared = true
    if complete then complete() end
  end
  dofile(step.level)()
  puzzleComplete = complete
  return cleared
end

-- Shows a puzzle and waits for its modal to close; true when the player solved it, false when
-- they left it unsolved.
local function PlayPuzzle(step)
  if type(_G[step.opener]) ~= "function" then dofile(step.puzzle) end
  local open = _G[step.opener]
  if type(open) ~= "function" then return true end
  local solved = false
  local id
  local complete, setDone = puzzleComplete, setComplete
  setComplete = function() solved = true end
  puzzleComplete = function()
    if step.solvedBy == "puzzleComplete" then solved = true end
    if id then PopModal(id) end
  end
  id = open()
  while id do
    local msg = WaitForMessage()
    if msg and msg.type == kModalClosed and msg.name == id then break end
    -- A dialog over the puzzle may have taken the puzzle's close while it waited.
    if gClosedWindows[id] then
      gClosedWindows[id] = nil
      break
    end
  end
  gPuzzleModal = nil
  puzzleComplete, setComplete = complete, setDone
  return solved
end

-- The step the saved game stands at: its index in kStory, from 1.
local function SavedStep()
  local step = tonumber(gSaved and gSaved.chapter) or 1
  if step < 1 or step > table.getn(kStory) then step = 1 end
  return math.floor(step)
end

local function SaveStep(step)
  gSaved.chapter = step
  SaveGame()
end

-- Plays the story from the saved step. Each step is saved as it starts, so quitting part-way
-- resumes at that step; leaving a step unfinished goes back to the menu. The last step done,
-- the credits roll and the next story starts over.
function PlayStory()
  if not gSaved then QMSerialized_restore() end
  for i = SavedStep(), table.getn(kStory) do
    local step = kStory[i]
    if Present(step) then
      SaveStep(i)
      local done
      if step.level then done = PlayLevel(step) else done = PlayPuzzle(step) end
      if not done then return end
    end
  end
  gSaved.storyDone = true
  SaveStep(1)
  if fileExists("scripts/ui/credits.lua") then dofile("scripts/ui/credits.lua")() end
end
