-- The third story level, "The Chandler's Cellar": a dark vaulted cellar of barrels, crates and
-- shelves with six objects to find by the light of the flashlight the scene hands the player.

local kFolder = "scenes/cellar/"

return function()
  dofile("scripts/levels/searchlevel.lua")({
    name = "cellar", number = 3, folder = kFolder, time = 600, tool = "flashlight",
    -- The background is 1000 x 650, shown at 0.8: a scene prepared for a tool holds it for
    -- the tool, and the flashlight darkens all of it but its spot. No darkening of the
    -- scene's own: it would lie over the objects and take their clicks.
    scale = 0.8,
    scene = { bgPath = kFolder .. "bg.png", tool = "magnify" },
    items = {
      { name = "bottle", at = { 92, 145 }, layer = 2, label = "ITEM_BOTTLE" },
      { name = "apple", at = { 492, 340 }, layer = 2, label = "ITEM_APPLE" },
      { name = "spoon", at = { 318, 440 }, layer = 2, label = "ITEM_SPOON" },
      { name = "teacup", at = { 652, 178 }, layer = 2, label = "ITEM_TEACUP" },
      { name = "candle", at = { 214, 282 }, layer = 2, label = "ITEM_CANDLE" },
      { name = "bell", at = { 734, 372 }, layer = 2, label = "ITEM_BELL" },
    },
  })
end
