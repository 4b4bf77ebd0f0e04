-- Game objects as tables: made, moved frame by frame through their fields, and taken out of
-- the scene's list when they leave it.
local t0 = os.clock()
local sum = 0
for round = 1, 10 do
  local objects = {}
  for i = 1, 3000 do
    objects[i] = {x = math.mod(i * 37, 800), y = math.mod(i * 91, 600), dx = math.mod(i, 7) - 3,
                  dy = math.mod(i, 5) - 2, alive = true, tags = {kind = "cloud", layer = 1}}
  end
  for frame = 1, 60 do
    for i = 1, table.getn(objects) do
      local o = objects[i]
      o.x = o.x + o.dx
      o.y = o.y + o.dy
      if o.x < 0 or o.x > 800 or o.y < 0 or o.y > 600 then o.alive = false end
    end
    local kept = {}
    for i = 1, table.getn(objects) do
      local o = objects[i]
      if o.alive then table.insert(kept, o) else sum = sum + 1 end
    end
    objects = kept
  end
  sum = sum + table.getn(objects)
end
print(string.format("table-entities checksum %d  time %.3f s", sum, os.clock() - t0))
