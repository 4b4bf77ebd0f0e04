-- Tables in the style of game scripts: objects with fields made and thrown away each frame,
-- a scene list updated, filtered and rebuilt, states looked up by name and events queued.
local mod = math.mod or math.fmod  -- the reference with JIT has only the later name
local t0 = os.clock()
local scene = {}
for i = 1, 500 do
  scene[i] = { name = "sprite" .. i, x = i, y = i * 2, vx = 1, vy = -1, visible = true,
               state = "idle", frame = 0 }
end
local nextState = { idle = "walk", walk = "run", run = "idle" }
local total = 0
for frame = 1, 4000 do
  local events = {}
  for i = 1, table.getn(scene) do
    local o = scene[i]
    o.x = o.x + o.vx
    o.y = o.y + o.vy
    o.frame = o.frame + 1
    if mod(o.frame, 50) == 0 then
      o.state = nextState[o.state]
      table.insert(events, { kind = "state", who = o, at = { x = o.x, y = o.y } })
    end
  end
  for i = 1, table.getn(events) do
    local e = events[i]
    if e.kind == "state" and e.who.state == "run" then total = total + e.at.x end
  end
  local visible = {}
  for i = 1, table.getn(scene) do
    if scene[i].visible and scene[i].x > 0 then visible[table.getn(visible) + 1] = scene[i] end
  end
  total = total + table.getn(visible)
end
print(string.format("game-objects   checksum %.0f  time %.3f s", total, os.clock() - t0))
