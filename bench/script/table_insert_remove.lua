-- table.insert and table.remove at the end and at the front.
local t0 = os.clock()
local sum = 0
for round = 1, 5 do
  local t = {}
  for i = 1, 100000 do table.insert(t, i) end
  while table.getn(t) > 0 do sum = sum + table.remove(t) end
end
local q = {}
for i = 1, 3000 do table.insert(q, 1, i) end
for i = 1, 3000 do sum = sum + table.remove(q, 1) end
print(string.format("table-ins-rem  checksum %.0f  time %.3f s", sum, os.clock() - t0))
