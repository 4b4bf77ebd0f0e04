-- The ship's log, opened by the map screen's script in a modal of its own (named after this
-- file). One sprite window covers the screen: behind the log it shows the chart and the place
-- badges again, darkening them by the "darken" step of their animations, so the map looks
-- darkened while the log is open and as it was once the modal is gone. The log's page, its
-- lines and its compass are sprites built from the tables below.

dofile("scripts/ui/buttons.lua")

-- What the log says: its title and one line per entry, as string-table labels.
local kLog = {
  title = "MAP_LOG_TITLE",
  entries = { "MAP_LOG_DAY1", "MAP_LOG_DAY4", "MAP_LOG_DAY9" },
}

-- The badges where the map's entrance leaves them (their centres).
local kPlaces = { { 170, 330 }, { 420, 200 }, { 640, 360 } }

local kPagePosition = { 220, 150 }
local kDarkenMs = 300
local kDarkness = 0.45

local function Darkened(item)
  item.KAnim = { { type = "darken", from = 1, to = kDarkness, duration = kDarkenMs } }
  return item
end

local function Page()
  local lines = {
    { type = "text", name = "logTitle", text = kLog.title, font = "serif",
      fontSize = 26, color = { 0.36, 0.2, 0.08, 1 }, box = { 20, 14, 270, 44 } },
    -- The compass has only a binary description; its own script swings the needle.
    { type = "animation", name = "compass", animation = "anim/compass.anm",
      position = { 292, 12 }, KAnim = { { type = "animation" } } },
  }
  for i, label in ipairs(kLog.entries) do
    table.insert(lines, { type = "text", name = "logLine" .. i, text = label,
                          font = "serif", fontSize = 16,
                          color = { 0.2, 0.12, 0.05, 1 }, box = { 20, 70 + 36 * (i - 1), 320, 30 } })
  end
  return { type = "sprite", name = "logPage", image = "map/logpanel.png",
           position = kPagePosition, sprites = lines,
           KAnim = { { type = "opacity", from = 0, to = 1, duration = kDarkenMs } } }
end

local sprites = { Darkened({ type = "image", name = "shadedChart", image = "map/chart.png" }) }
for i, at in ipairs(kPlaces) do
  table.insert(sprites, Darkened({ type = "image", name = "shadedPlace" .. i,
                                   image = "map/badge.png", anchorPoint = { 0.5, 0.5 },
                                   position = at }))
end
table.insert(sprites, Page())

MakeDialog({
  QMSpriteWindow({ name = "maplog", x = 0, y = 0, w = 800, h = 600, sprites = sprites }),
  DialogPushButton({ name = "logClose", caption = "MAP_LOG_CLOSE", x = 300, y = 350,
                     command = function() DoPopModal("scripts/maplog.lua") end }),
})
