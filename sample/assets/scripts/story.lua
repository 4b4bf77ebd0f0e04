-- The story mode: PlayStory() plays the levels in turn, from "The Harbour at Dusk" on. This file also
-- holds what every search level calls back: searchItemFound and reportBadClick for clicks,
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

local function ShowTime()
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
    gLevel.score = gLevel.score + gLevel.time
    SetStoryLevelComplete(gLevel.number)
    NewSetStoryScore(GetStoryScore() + gLevel.score)
  end
  gCompleted = true
  Post(kQMMessage.LevelEvent, "complete")
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

-- The story's levels in order; the next opens once the one before is complete.
local kStoryLevels = { "scripts/levels/harbour.lua", "scripts/levels/study.lua",
                       "scripts/levels/cellar.lua" }

function PlayStory()
  for _, file in ipairs(kStoryLevels) do
    gCompleted = false
    dofile(file)()
    if not gCompleted then return end
  end
end
