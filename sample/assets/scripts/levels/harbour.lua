-- The first story level, "The Harbour at Dusk": a scene three screens wide (the fisherman's
-- shed, the quay, the lighthouse rocks) with eight objects hidden in it. Running this file
-- gives a function that plays the level in a new modal and returns when the player leaves it.

local kFolder = "scenes/harbour/"

-- Each object: its picture, its top-left corner in the scene, its layer, and its label in the
-- item list. Some are half covered by a piece of scenery drawn above them.
local kItems = {
  { name = "key", at = { 188, 290 }, layer = 3, label = "ITEM_KEY" },
  { name = "teacup", at = { 128, 221 }, layer = 2, label = "ITEM_TEACUP" },
  { name = "fish", at = { 486, 331 }, layer = 4, label = "ITEM_FISH" },
  { name = "bell", at = { 1146, 284 }, layer = 2, label = "ITEM_BELL" },
  { name = "umbrella", at = { 1460, 376 }, layer = 2, label = "ITEM_UMBRELLA" },
  { name = "anchor", at = { 1822, 398 }, layer = 2, label = "ITEM_ANCHOR" },
  { name = "starfish", at = { 2010, 466 }, layer = 3, label = "ITEM_STARFISH" },
  { name = "candle", at = { 2084, 358 }, layer = 2, label = "ITEM_CANDLE" },
}

local kCovers = {
  { image = "cover_net", at = { 178, 262 }, layer = 5 },
  { image = "cover_slat", at = { 474, 343 }, layer = 6 },
  { image = "cover_rope", at = { 1138, 312 }, layer = 4 },
  { image = "cover_bollard", at = { 1478, 398 }, layer = 4 },
  { image = "cover_rock", at = { 1834, 420 }, layer = 4 },
  { image = "cover_weed", at = { 2008, 478 }, layer = 4 },
}

local kTimeLimit = 600
local kItemFont = { "fonts/sans.mvec", 16, Color(250, 236, 200) }

local function ScrollButton(name, side, x, y)
  return KButton({ name = name, x = x, y = y,
                   graphics = { "images/scroll_" .. side .. ".png", "images/scroll_" .. side .. ".png",
                                "images/scroll_" .. side .. "_rollover.png" } })
end

-- One entry of the item list, named after the object, as the scene and the scripts call it.
local function Entry(item, i)
  local column = math.mod(i - 1, 4)
  local row = math.floor((i - 1) / 4)
  return SearchItem({ name = item.name, x = 16 + column * 148, y = 10 + row * 32, w = 140, h = 28,
                      markfoundsfx = "audio/sfx/sfx_markfound.ogg",
                      hiliteColor = { r = 1, g = 0.85, b = 0.3, a = 1 },
                      Text({ name = "itemText", label = item.label, x = 0, y = 0, w = 140, h = 28,
                             flags = kVAlignCenter, font = kItemFont }) })
end

local function Layout(id)
  local entries = {}
  for i, item in ipairs(kItems) do table.insert(entries, Entry(item, i)) end
  local list = {
    name = "searchListWindow", x = 0, y = 520, w = 800, h = 80,
    currentTime = kTimeLimit,
    badClickSFX = "audio/sfx/sfx_badclick.ogg",
    fiveMinuteWarningSFX = "audio/sfx/sfx_fiveminutes.ogg",
    oneMinuteWarningSFX = "audio/sfx/sfx_oneminute.ogg",
    timerBlueColor = { 0.55, 0.8, 1, 1 },
    timerRedColor = { 1, 0.35, 0.3, 1 },
    Bitmap({ name = "panel", image = kFolder .. "panel.png", x = 0, y = 0 }),
    Text({ name = "timeText", label = "#", x = 604, y = 10, w = 92, h = 60,
           flags = kHAlignCenter + kVAlignCenter,
           font = { "fonts/sansbold.mvec", 26, Color(250, 236, 200) } }),
    Button({ name = "options", x = 700, y = 22,
             graphics = { kFolder .. "options_normal.png", kFolder .. "options_pressed.png",
                          kFolder .. "options_rollover.png" },
             sound = "audio/click.ogg", command = kSearchCallbacks.showOptions,
             SelectLayer(kAllLayers),
             Text({ name = "optionslabel", label = "LEVEL_OPTIONS", x = 0, y = 0, w = 96, h = 36,
                    flags = kHAlignCenter + kVAlignCenter,
                    font = { "fonts/sans.mvec", 16, Color(255, 255, 255) } }) }),
  }
  for _, entry in ipairs(entries) do table.insert(list, entry) end
  MakeDialog({
    SearchWindow({ name = "puzzleWindow", x = 0, y = 0, w = 800, h = 520,
                   bgPath = kFolder .. "bg", backgroundCount = 3,
                   backgroundAudio = "audio/music.ogg",
                   foundsfx = "audio/sfx/sfx_found.ogg",
                   placedItemFadeOutDuration = 600, fullItemFadeInDuration = 700,
                   inventoryMoveToCenterDuration = 900,
                   scrollProps = { acceleration = 0.6, maxVelocity = 18, dampen = 0.88 },
                   -- Clouds drift right behind the skyline, in pieces as wide as the clouds:
                   -- drifting right, no piece's clouds reach past its own left edge.
                   ambientAnims = {
                     { type = "pano", mask = kFolder .. "skyline0.png",
                       pano = kFolder .. "clouds.png", x = 0, y = 0, speed = 60, deltaX = 1 },
                     { type = "pano", mask = kFolder .. "skyline1.png",
                       pano = kFolder .. "clouds.png", x = 1024, y = 0, speed = 60, deltaX = 1 },
                     { type = "pano", mask = kFolder .. "skyline2.png",
                       pano = kFolder .. "clouds.png", x = 2048, y = 0, speed = 60, deltaX = 1 },
                   },
                   ScrollButton("scrollRight", "left", 12, 452),
                   ScrollButton("scrollLeft", "right", 750, 453) }),
    SearchListWindow(list),
    Text({ name = "donetext", label = "LEVEL_DONE", x = 0, y = 200, w = 800, h = 80,
           flags = kHAlignCenter + kVAlignCenter,
           font = { "fonts/sansbold.mvec", 44, Color(255, 236, 170) } }),
  })
  EnableWindow("donetext", false)
end

-- Places the objects and the scenery over them in the scene.
local function PlaceObjects()
  BeginSearchLevel({ items = {}, left = 0, misses = 0, hintLevel = 0, time = kTimeLimit })
  for _, item in ipairs(kItems) do
    local image = kFolder .. "items/" .. item.name .. ".png"
    AddSprite({ image = image, position = item.at, layer = item.layer }, true, item.name)
    gLevel.items[item.name] = { image = image, found = false }
    gLevel.left = gLevel.left + 1
  end
  for _, cover in ipairs(kCovers) do
    AddSprite({ image = kFolder .. cover.image .. ".png", position = cover.at,
                layer = cover.layer }, false, "")
  end
end

-- Waits ms on the level's clock, or until a message comes.
local function Pause(ms)
  local until_ = GetTimer() + ms
  while GetTimer() < until_ do WaitForMessage(until_ - GetTimer()) end
end

return function()
  local id = PushModal("harbour")
  Layout(id)
  PlaceObjects()
  PostMessage(CreateNamedMessage(kQMMessage.StartPlay, ""))
  while true do
    local msg = WaitForMessage()
    if msg then
      if msg.type == kModalClosed and msg.name == id then break end
      if msg.type == kQMMessage.LevelEvent and msg.name == "options" then
        -- Escape also types its character, which would cancel a dialog opened at once.
        Pause(100)
        dofile("scripts/ui/options.lua")()
      elseif msg.type == kQMMessage.LevelEvent and msg.name == "complete" then
        EnableWindow("donetext", true)
        Pause(2500)
        PopModal(id)
        break
      end
    end
  end
  EndSearchLevel()
end
