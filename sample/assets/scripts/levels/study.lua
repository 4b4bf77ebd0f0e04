-- The second story level, "The Captain's Study": one room drawn larger than the screen, with
-- six small objects among the books and papers. The scene is prepared for the magnifying glass
-- and hands it to the player: the glass shows the room at its full size under the pointer.

local kFolder = "scenes/study/"

return function()
  dofile("scripts/levels/searchlevel.lua")({
    name = "study", number = 2, folder = kFolder, time = 600, tool = "magnify",
    -- The background is 1000 x 650: the scene shows it at 0.8, the glass at full size.
    scale = 0.8,
    scene = { bgPath = kFolder .. "bg.png", tool = "magnify" },
    items = {
      { name = "coin", at = { 566, 337 }, label = "ITEM_COIN" },
      { name = "ring", at = { 102, 218 }, label = "ITEM_RING" },
      { name = "stamp", at = { 431, 349 }, label = "ITEM_STAMP" },
      { name = "thimble", at = { 238, 452 }, label = "ITEM_THIMBLE" },
      { name = "button", at = { 690, 410 }, label = "ITEM_BUTTON" },
      { name = "brasskey", at = { 624, 231 }, label = "ITEM_KEY" },
    },
  })
end
