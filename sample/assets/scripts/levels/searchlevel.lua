-- A search level built from a description: its scene (backgrounds, the scene's own style such
-- as the tool it is prepared for, its child windows), its objects and the scenery over them,
-- the item list with the clock, the options and hint buttons. Running this file gives a
-- function that, given the description, plays the level in a new modal and returns when the
-- player leaves it.
--
-- The description: name (the modal's), number (the level's), folder, scene (extra style and
-- children of the SearchWindow), scale (of the scene's pictures, 1 when absent), tool (sent to
-- the scene once it is built, or nil), time (seconds), items ({ name, at = { x, y }, layer,
-- label }, pictures in folder .. "items/"), covers ({ image, at, layer }, pictures in folder).

local kPanelFolder = "scenes/harbour/"
local kItemFont = { "fonts/sans.mvec", 16, Color(250, 236, 200) }
local kSmallButton = { kPanelFolder .. "options_normal.png", kPanelFolder .. "options_pressed.png",
                       kPanelFolder .. "options_rollover.png" }

local function LabelledButton(name, x, y, label, command)
  return Button({ name = name, x = x, y = y, graphics = kSmallButton, sound = "audio/click.ogg",
                  command = command, SelectLayer(kAllLayers),
                  Text({ name = name .. "label", label = label, x = 0, y = 0, w = 96, h = 36,
                         flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sans.mvec", 16, Color(255, 255, 255) } }) })
end

local function Layout(level, finds, time)
  local list = {
    name = "searchListWindow", x = 0, y = 520, w = 800, h = 80,
    currentTime = time,
    badClickSFX = "audio/sfx/sfx_badclick.ogg",
    fiveMinuteWarningSFX = "audio/sfx/sfx_fiveminutes.ogg",
    oneMinuteWarningSFX = "audio/sfx/sfx_oneminute.ogg",
    timerBlueColor = { 0.55, 0.8, 1, 1 },
    timerRedColor = { 1, 0.35, 0.3, 1 },
    Bitmap({ name = "panel", image = kPanelFolder .. "panel.png", x = 0, y = 0 }),
    Text({ name = "timeText", label = "#", x = 604, y = 10, w = 92, h = 60,
           flags = kHAlignCenter + kVAlignCenter,
           font = { "fonts/sansbold.mvec", 26, Color(250, 236, 200) } }),
    LabelledButton("options", 700, 22, "LEVEL_OPTIONS", kSearchCallbacks.showOptions),
  }
  for i, item in ipairs(level.items) do
    local column = math.mod(i - 1, 4)
    local row = math.floor((i - 1) / 4)
    table.insert(list, SearchItem({
      name = item.name, x = 16 + column * 148, y = 10 + row * 32, w = 140, h = 28,
      found = finds[item.name] == true, markfoundsfx = "audio/sfx/sfx_markfound.ogg",
      hiliteColor = { r = 1, g = 0.85, b = 0.3, a = 1 },
      Text({ name = "itemText", label = item.label, x = 0, y = 0, w = 140, h = 28,
             flags = kVAlignCenter, font = kItemFont }) }))
  end
  local scene = { name = "puzzleWindow", x = 0, y = 0, w = 800, h = 520,
                  backgroundAudio = "audio/music.ogg", foundsfx = "audio/sfx/sfx_found.ogg",
                  placedItemFadeOutDuration = 600, fullItemFadeInDuration = 700,
                  inventoryMoveToCenterDuration = 900 }
  for key, value in pairs(level.scene) do scene[key] = value end
  MakeDialog({
    SearchWindow(scene),
    SearchListWindow(list),
    LabelledButton("hint", 700, 6, "LEVEL_HINT", requestHint),
    -- The closing words stand on a panel of their own, over the busy scene and its tool.
    Bitmap({ name = "donepanel", image = "images/panels/banner.png", x = 40, y = 185 }),
    Text({ name = "donetext", label = "LEVEL_DONE", x = 0, y = 200, w = 800, h = 80,
           flags = kHAlignCenter + kVAlignCenter,
           font = { "fonts/sansbold.mvec", 44, Color(255, 236, 170) } }),
  })
  EnableWindow("donepanel", false)
  EnableWindow("donetext", false)
end

local function PlaceObjects(level, finds, time)
  BeginSearchLevel({ number = level.number, items = {}, order = {}, left = 0, misses = 0,
                     hintLevel = 0, time = time, score = 0 })
  for _, item in ipairs(level.items) do
    local image = level.folder .. "items/" .. item.name .. ".png"
    local placed = { image = image, position = item.at, layer = item.layer or 2 }
    if finds[item.name] then
      -- Found before the level was left: gone from the scene, struck out in the list, and
      -- its points counted again.
      gLevel.items[item.name] = { image = image, found = true }
      table.insert(gLevel.order, item.name)
      gLevel.score = gLevel.score + kFindScore
    else
      AddSprite(placed, true, item.name)
    end
    -- An object whose picture did not load (the engine logs why) is not in the scene: it is
    -- not waited for, so the level can still be completed.
    if not finds[item.name] and placed.size then
      -- The scene scales what it places like its background: a hint aims at the middle shown.
      local scale = level.scale or 1
      gLevel.items[item.name] = {
        image = image, found = false,
        centre = { item.at[1] + placed.size[1] * scale / 2,
                   item.at[2] + placed.size[2] * scale / 2 } }
      table.insert(gLevel.order, item.name)
      gLevel.left = gLevel.left + 1
    end
  end
  for _, cover in ipairs(level.covers or {}) do
    AddSprite({ image = level.folder .. cover.image .. ".png", position = cover.at,
                layer = cover.layer }, false, "")
  end
end

-- Waits ms on the level's clock, or until a message comes.
local function Pause(ms)
  local until_ = GetTimer() + ms
  while GetTimer() < until_ do WaitForMessage(until_ - GetTimer()) end
end

return function(level)
  local id = PushModal(level.name)
  local finds = SavedFinds(level.number)
  -- A level left part-way resumes its clock where it stood.
  local time = SavedTime(level.number, level.time)
  Layout(level, finds, time)
  PlaceObjects(level, finds, time)
  -- Left in the pause after its last find: nothing is left to find, so the level is done.
  if gLevel.left == 0 and next(finds) then puzzleComplete() end
  if level.tool then PostMessage(CreateNamedMessage(kQMMessage.ChooseTool, level.tool)) end
  PostMessage(CreateNamedMessage(kQMMessage.StartPlay, ""))
  while true do
    local msg = WaitForMessage()
    if msg then
      if msg.type == kModalClosed and msg.name == id then break end
      if msg.type == kQMMessage.LevelEvent and msg.name == "options" then
        -- Escape also types its character, which would cancel a dialog opened at once.
        Pause(100)
        local leave = dofile("scripts/ui/options.lua")({ level = true })
        if leave == "menu" then
          -- The finds and the clock go with the saved game, as they do when the game closes.
          SaveGame()
          PopModal(id)
          break
        elseif leave == "quit" and dofile("scripts/ui/confirmquit.lua")() then
          Exit()
        end
      elseif msg.type == kQMMessage.LevelEvent and msg.name == "complete" then
        EnableWindow("donepanel", true)
        EnableWindow("donetext", true)
        Pause(2500)
        PopModal(id)
        break
      end
    end
  end
  EndSearchLevel()
end
