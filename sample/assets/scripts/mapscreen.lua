-- The map screen's own script, run as a coroutine by its sprite window. It lays out the chart,
-- the title, the three place badges and the ship; brings the badges in; then sails the ship
-- between its stops as the player asks, with a sparkle trail behind it, opens the ship's log
-- when asked, until the player leaves, when the music fades and the window closes.

-- The ship's stops along the chart's dotted route.
local kStops = { { 190, 470 }, { 330, 300 }, { 520, 250 }, { 640, 470 } }

-- How the badges come in: each slides from off the chart to its island and fades in, all at
-- the same time.
local kEntrance = {
  { sprite = "place1", ms = 600, from = { -60, 330 }, to = { 170, 330 }, ease = "powerOut" },
  { sprite = "place2", ms = 600, from = { 420, -60 }, to = { 420, 200 }, ease = "powerOut" },
  { sprite = "place3", ms = 600, from = { 860, 360 }, to = { 640, 360 }, ease = "powerOut" },
}

local kMusicGroup = 1
local kSailMs = 800

-- The start handshake: runs what is queued and waits until the window says it has finished
-- (or a navigation button was pressed meanwhile).
local function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

local function PlayEntrance(steps)
  StartMulti()
  for _, step in ipairs(steps) do
    _AddMoveAnim(step.sprite, step.ms, step.from[1], step.from[2], step.to[1], step.to[2],
                 step.ease)
    _AddBlendAnim(step.sprite, step.ms, 0, 1, "")
  end
  EndMulti()
end

local function SetButtonsShown(shown)
  for _, name in ipairs({ "prevButton", "nextButton", "closeButton", "logButton" }) do
    if shown then ShowButton(name) else HideButton(name) end
  end
end

local function Sail(to)
  local from = kStops[gStop]
  StartParticleSystem()
  _AddMoveAnim("ship", kSailMs, from[1], from[2], kStops[to][1], kStops[to][2], "sinOut")
  RunQueue()
  StopParticleSystem()
  gStop = to
end

return function()
  -- The window hides its navigation buttons by their names; the log's button is ours to hide.
  SetButtonsShown(false)
  _AddTextureSprite("chart", "map/chart.png", 0, "")
  _SetSpriteLoc("chart", 400, 300)
  _AddTextSprite("title", { text = "MAP_TITLE", font = "serif", fontSize = 30,
                            color = { 1, 0.93, 0.75, 1 }, background = { 0.1, 0.06, 0.02, 0.55 },
                            box = { 250, 14, 300, 44 } }, 4, "")
  for _, step in ipairs(kEntrance) do
    _AddTextureSprite(step.sprite, "map/badge.png", 2, "")
    _SetSpriteLoc(step.sprite, step.from[1], step.from[2])
    _SetSpriteOpacity(step.sprite, 0)
  end
  gStop = 1
  _AddTextureSprite("ship", "map/ship.png", 3, "")
  _SetSpriteLoc("ship", kStops[1][1], kStops[1][2])

  _AddStartSound("audio/music.ogg", kMusicGroup, false, true, 400, false)
  PlayEntrance(kEntrance)
  _AddTimer(200)
  RunQueue()

  SetButtonsShown(true)
  ActivateMapButtonAnims()
  AddParticleSystem("fx/sparkle.lua", "ship")
  StopParticleSystem()

  while true do
    gButtonClicked = nil
    gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
    while gScriptPauseCoRoutine > 0 do coroutine.yield() end
    if gButtonClicked == "next" and gStop < table.getn(kStops) then
      Sail(gStop + 1)
    elseif gButtonClicked == "previous" and gStop > 1 then
      Sail(gStop - 1)
    elseif gButtonClicked == "log" then
      -- A modal of its own over this one: the map waits, paused, until the log is closed.
      DoModal("scripts/maplog.lua")
    elseif gButtonClicked == "leave" then
      break
    end
  end

  DeActivateMapButtonAnims()
  SetButtonsShown(false)
  _AddStopSound(kMusicGroup, 400, true)
  _AddBlendAnim("ship", 300, 1, 0, "")
  RunQueue()
  CloseWindow()
end
