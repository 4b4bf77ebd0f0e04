-- Concatenation of many pieces in one expression and strings grown piece by piece in loops,
-- the way scripts assemble messages, keys and save lines.
local mod = math.mod or math.fmod  -- the reference with JIT has only the later name
local t0 = os.clock()
local total = 0
for i = 1, 300000 do
  local key = "level" .. i .. "_" .. "room" .. mod(i, 13) .. "_" .. "object" .. mod(i, 7) .. ".png"
  total = total + string.len(key)
end
for round = 1, 30 do
  local s = ""
  for i = 1, 2000 do s = s .. "x" .. i .. ";" end
  total = total + string.len(s)
end
local names = {}
for i = 1, 5000 do names[i] = "player" .. i end
for round = 1, 20 do
  local line = ""
  for i = 1, 5000, 50 do line = line .. names[i] .. "," end
  total = total + string.len(line)
end
print(string.format("string-concat  checksum %d  time %.3f s", total, os.clock() - t0))
