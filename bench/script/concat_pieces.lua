-- Concatenation of many pieces in one expression, and strings built piece by piece in loops.
local t0 = os.clock()
local sum = 0
for i = 1, 100000 do
  local s = "item" .. i .. ":" .. (i * 3) .. "," .. "x=" .. math.mod(i, 800) .. ",y=" ..
            math.mod(i, 600) .. ";" .. "layer" .. math.mod(i, 5) .. "|" .. "name" .. i
  sum = sum + string.len(s)
end
for j = 1, 200 do
  local line = ""
  for i = 1, 200 do line = line .. string.char(65 + math.mod(i + j, 26)) end
  sum = sum + string.len(line)
end
print(string.format("concat-pieces  checksum %d  time %.3f s", sum, os.clock() - t0))
