-- The first story level, "The Harbour at Dusk": a scene three screens wide (the fisherman's
-- shed, the quay, the lighthouse rocks) with eight objects hidden in it, some half covered by
-- a piece of scenery drawn above them. Running this file gives a function that plays the level
-- in a new modal and returns when the player leaves it.

local kFolder = "scenes/harbour/"

local function ScrollButton(name, side, x, y)
  return KButton({ name = name, x = x, y = y,
                   graphics = { "images/scroll_" .. side .. ".png", "images/scroll_" .. side .. ".png",
                                "images/scroll_" .. side .. "_rollover.png" } })
end

return function()
  dofile("scripts/levels/searchlevel.lua")({
    name = "harbour", number = 1, folder = kFolder, time = 600,
    scene = {
      bgPath = kFolder .. "bg", backgroundCount = 3,
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
      ScrollButton("scrollLeft", "right", 750, 453),
    },
    -- Each object: its top-left corner in the scene, its layer, its label in the item list.
    items = {
      { name = "key", at = { 188, 290 }, layer = 3, label = "ITEM_KEY" },
      { name = "teacup", at = { 128, 221 }, layer = 2, label = "ITEM_TEACUP" },
      { name = "fish", at = { 486, 331 }, layer = 4, label = "ITEM_FISH" },
      { name = "bell", at = { 1146, 284 }, layer = 2, label = "ITEM_BELL" },
      { name = "umbrella", at = { 1460, 376 }, layer = 2, label = "ITEM_UMBRELLA" },
      { name = "anchor", at = { 1822, 398 }, layer = 2, label = "ITEM_ANCHOR" },
      { name = "starfish", at = { 2010, 466 }, layer = 3, label = "ITEM_STARFISH" },
      { name = "candle", at = { 2084, 358 }, layer = 2, label = "ITEM_CANDLE" },
    },
    covers = {
      { image = "cover_net", at = { 178, 262 }, layer = 5 },
      { image = "cover_slat", at = { 474, 343 }, layer = 6 },
      { image = "cover_rope", at = { 1138, 312 }, layer = 4 },
      { image = "cover_bollard", at = { 1478, 398 }, layer = 4 },
      { image = "cover_rock", at = { 1834, 420 }, layer = 4 },
      { image = "cover_weed", at = { 2008, 478 }, layer = 4 },
    },
  })
end
