-- The story mode: PlayStory() opens the first level, "The Harbour at Dusk". This file also
-- holds what every search level calls back: searchItemFound and reportBadClick for clicks,
-- showOptions for Escape, the level clock (decrementGameTimer, modifyGameTimer), the hint
-- level (bumpHintLevel) and puzzleComplete. A level installs them as globals while it plays
-- (BeginSearchLevel) and gives the names back afterwards (EndSearchLevel): the puzzles answer
-- some of the same names in their own way.

-- The game's message ids, by name.
kQMMessage = {
  ItemFound = 1000,
  BadClick = 1003,
  ShowHint = 1006,
  HideHint = 1007,
  StartPlay = 1010,
  HintLevel = 1025,
  MarkFound = 2007,
  ShowTime = 2011,
  -- The level's own wake-up call to its script: the name says why.
  LevelEvent = 1500,
}

gGameState = gGameState or {}
gGameState.hintActive = gGameState.hintActive or false

kSearchCallbacks = {}

-- What the level in play keeps: its items by name, how many are left, the clock in seconds.
gLevel = nil

local function Post(id, name)
  PostMessage(CreateNamedMessage(id, name or ""))
end

local function ShowTime()
  Post(kQMMessage.ShowTime, tostring(gLevel.time))
end

-- Until the scene plays its own found sequence, the list is told directly: the entry is
-- struck out, and the last find completes the level.
local function MarkFoundInList(name, solved)
  Post(kQMMessage.MarkFound, name)
  if solved then kSearchCallbacks.puzzleComplete() end
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
  end
  local solved = newFind and gLevel.left == 0
  PostMessage(QMItemFoundMessage(kQMMessage.ItemFound, name, {
    itemIconPath = item.image, itemLabel = name, newFind = newFind, searchSolved = solved }))
  if newFind then MarkFoundInList(name, solved) end
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

function kSearchCallbacks.puzzleComplete()
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

function PlayStory()
  dofile("scripts/levels/harbour.lua")()
end
