-- The third story level, "The Chandler's Cellar": a dark vaulted cellar of barrels, crates and
-- shelves with six objects to find by the light of the flashlight the scene hands the player.

local kFolder = "scenes/cellar/"

return function()
  dofile("scripts/levels/searchlevel.lua")({
    name = "cellar", number = 3, folder = kFolder, time = 600, tool = "flashlight",
    -- No darkening of the scene's own: it would lie over the objects and take their clicks.
    -- The flashlight darkens all but its spot itself.
    scene = { bgPath = kFolder .. "bg.png" },
    items = {
      { name = "bottle", at = { 92, 137 }, layer = 2, label = "ITEM_BOTTLE" },
      { name = "apple", at = { 492, 340 }, layer = 2, label = "ITEM_APPLE" },
      { name = "spoon", at = { 318, 440 }, layer = 2, label = "ITEM_SPOON" },
      { name = "teacup", at = { 652, 172 }, layer = 2, label = "ITEM_TEACUP" },
      { name = "candle", at = { 214, 272 }, layer = 2, label = "ITEM_CANDLE" },
      { name = "bell", at = { 734, 372 }, layer = 2, label = "ITEM_BELL" },
    },
  })
end
