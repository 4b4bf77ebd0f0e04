-- The story mode: PlayStory() plays the story's levels and the puzzles between them in order,
-- from the step the player's saved game stands at. This file also holds what every search level calls back: searchItemFound and reportBadClick for clicks,
-- showOptions for Escape, the level clock (decrementGameTimer, modifyGameTimer), the hint
-- level (bumpHintLevel) and puzzleComplete. A level installs them as globals while it plays
-- (BeginSearchLevel) and gives the names back afterwards (EndSearchLevel): the puzzles answer
-- some of the same names in their own way.

-- The game's message ids, by name.
kQMMessage = {
  ItemFound = 1000,
  ItemFoundFlying = 1002,
  BadClick = 1003,
  ShowHint = 1006,
  HideHint = 1007,
  StartPlay = 1010,
  ChooseTool = 1020,
  HintLevel = 1025,
  MarkFound = 2007,
  ShowTime = 2011,
  -- The level's own wake-up call to its script: the name says why.
  LevelEvent = 1500,
}

gGameState = gGameState or {}
gGameState.hintActive = gGameState.hintActive or false

kSearchCallbacks = {}

-- What the level in play keeps: its number, its items by name (and in list order), how many are
-- left, the clock in seconds and the score.
gLevel = nil

-- A find is worth 100 points; a finished level adds its seconds left.
kFindScore = 100

local function Post(id, name)
  PostMessage(CreateNamedMessage(id, name or ""))
end

-- Shows the clock and keeps it with the saved game's finds.
local function ShowTime()
  RememberTime()
  Post(kQMMessage.ShowTime, tostring(gLevel.time))
end

function kSearchCallbacks.searchItemFound(name)
  if not gLevel then return end
  local item = gLevel.items[name]
  if not item then
    kSearchCallbacks.reportBadClick()
    return
  end
  local newFind = not item.found
  if newFind then
    item.found = true
    RememberFind(name)
    gLevel.left = gLevel.left - 1
    gLevel.misses = 0
    gLevel.score = gLevel.score + kFindScore
  end
  local solved = newFind and gLevel.left == 0
  -- The scene carries the object to the middle of the screen, strikes its entry out and, for
  -- the last one, calls puzzleComplete once the tally pause is over.
  PostMessage(QMItemFoundMessage(kQMMessage.ItemFoundFlying, name, {
    itemIconPath = item.image, itemLabel = name, newFind = newFind, searchSolved = solved }))
end

-- The hint button: the scene pans to the first object still hidden and pulses over it. One
-- hint at a time; the scene withdraws it itself.
function requestHint()
  if not gLevel or gGameState.hintActive then return end
  for _, name in ipairs(gLevel.order) do
    local item = gLevel.items[name]
    if not item.found and item.centre then
      PostMessage(QMSearchHintMessage(name, item.centre[1], item.centre[2]))
      return
    end
  end
end

-- Clicking wildly costs time: every fifth miss in a row takes ten seconds off the clock.
function kSearchCallbacks.reportBadClick()
  if not gLevel then return end
  Post(kQMMessage.BadClick)
  gLevel.misses = gLevel.misses + 1
  if gLevel.misses >= 5 then
    gLevel.misses = 0
    TimerPenalty()
  end
end

-- Called outside the level's script: the level's script opens the screen itself.
function kSearchCallbacks.showOptions()
  Post(kQMMessage.LevelEvent, "options")
end

function kSearchCallbacks.decrementGameTimer()
  if not gLevel or gLevel.time <= 0 then return end
  gLevel.time = gLevel.time - 1
  ShowTime()
end

function kSearchCallbacks.modifyGameTimer(seconds)
  if not gLevel then return end
  gLevel.time = math.max(0, gLevel.time + seconds)
  ShowTime()
end

function kSearchCallbacks.bumpHintLevel()
  if not gLevel or gLevel.hintLevel >= 3 then return end
  gLevel.hintLevel = gLevel.hintLevel + 1
  Post(kQMMessage.HintLevel, tostring(gLevel.hintLevel))
end

-- The level is over: its completion and the story score go into the player's preferences.
function kSearchCallbacks.puzzleComplete()
  if gLevel then
    gLevel.cleared = true
    ForgetFinds()
    gLevel.score = gLevel.score + gLevel.time
    SetStoryLevelComplete(gLevel.number)
    NewSetStoryScore(GetStoryScore() + gLevel.score)
  end
  gCompleted = true
  Post(kQMMessage.LevelEvent, "complete")
end

-- The saved game keeps the finds of the level in play (gSaved.level, its number, and
-- gSaved.found, the names found) and its clock (gSaved.time, the seconds left): a level left
-- part-way, or a game closed during it, reopens with those objects found and the clock where
-- it stood. Finishing the level clears them. A saved game from before the clock was kept has
-- no gSaved.time: its level reopens with the full time.
function SavedFinds(number)
  if not gSaved then QMSerialized_restore() end
  -- A game without a saved game keeps no finds.
  if type(gSaved) ~= "table" then return {} end
  if gSaved.level ~= number or type(gSaved.found) ~= "table" then
    gSaved.level = number
    gSaved.found = {}
    gSaved.time = nil
  end
  return gSaved.found
end

-- The seconds left on the level's clock as the saved game has them, or full (the level's own
-- time) when it has none, or none that fits.
function SavedTime(number, full)
  local time = type(gSaved) == "table" and gSaved.level == number and tonumber(gSaved.time)
  if not time or time ~= time or time < 0 or time > full then return full end
  return math.floor(time)
end

-- A cleared level's clock is not kept: the level is not resumed.
function RememberTime()
  if type(gSaved) == "table" and gLevel and not gLevel.cleared and
     gSaved.level == gLevel.number then
    gSaved.time = gLevel.time
  end
end

function RememberFind(name)
  if gSaved and gLevel and gSaved.level == gLevel.number and type(gSaved.found) == "table" then
    gSaved.found[name] = true
  end
end

function ForgetFinds()
  if gSaved then
    gSaved.found = {}
    gSaved.time = nil
  end
end

-- Installs the callbacks for the level, remembering what the names held before.
function BeginSearchLevel(level)
  gLevel = level
  gCallbacksBeforeLevel = {}
  for name, callback in pairs(kSearchCallbacks) do
    gCallbacksBeforeLevel[name] = { value = _G[name] }
    _G[name] = callback
  end
end

function EndSearchLevel()
  for name, before in pairs(gCallbacksBeforeLevel or {}) do _G[name] = before.value end
  gCallbacksBeforeLevel = nil
  gLevel = nil
end

-- The story's order. A step is either a search level ({ level = script }, the script returns
-- the function that plays it) or a puzzle ({ puzzle = script, opener = global }, the opener
-- shows the puzzle in a modal and returns its id). A puzzle tells it is solved by calling
-- setComplete before puzzleComplete; one that only calls puzzleComplete when solved, and closes
-- its modal itself when left, says so with solvedBy = "puzzleComplete". A step whose script the
-- game does not ship is passed over, so a level or puzzle joins the story by adding its line.
kStory = {
  { level = "scripts/levels/harbour.lua" },
  { puzzle = "scripts/puzzles/word.lua", opener = "ShowWordPuzzle" },
  { level = "scripts/levels/study.lua" },
  { puzzle = "scripts/puzzles/sequence.lua", opener = "ShowSequencePuzzle" },
  { level = "scripts/levels/cellar.lua" },
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
  local complete = kSearchCallbacks.puzzleComplete
  kSearchCallbacks.puzzleComplete = function()
    cleared = true
    complete()
  end
  dofile(step.level)()
  kSearchCallbacks.puzzleComplete = complete
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
