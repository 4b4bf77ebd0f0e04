-- Tables of strings: keys made from strings, lookups, sorting and joining names.
local t0 = os.clock()
local sum = 0
for round = 1, 20 do
  local names, index = {}, {}
  for i = 1, 5000 do
    local name = "object_" .. math.mod(i * 7919, 5000) .. "_" .. round
    names[i] = name
    index[name] = i
  end
  table.sort(names)
  for i = 1, 5000 do sum = sum + index[names[i]] end
  local found = 0
  for i = 1, 5000 do
    if index["object_" .. i .. "_" .. round] then found = found + 1 end
  end
  sum = sum + found + string.len(table.concat(names, ";", 1, 100))
end
print(string.format("string-tables  checksum %d  time %.3f s", sum, os.clock() - t0))
