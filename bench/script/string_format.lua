-- string.format in the ways game scripts use it: labels with numbers, padded fields, floats,
-- and the resulting strings kept in a table and joined.
local mod = math.mod or math.fmod  -- the reference with JIT has only the later name
local t0 = os.clock()
local format = string.format
local total = 0
for round = 1, 3 do
  local lines = {}
  for i = 1, 60000 do
    lines[i] = format("%s %5d: %-8s %6.2f%%", "item", i, "name" .. mod(i, 97), i / 7)
  end
  local s = table.concat(lines, "\n")
  total = total + string.len(s)
  for i = 1, 60000 do
    total = total + string.len(format("%02d:%02d:%02d", mod(i, 24), mod(i, 60), mod(i * 7, 60)))
  end
end
print(string.format("string-format  checksum %d  time %.3f s", total, os.clock() - t0))
