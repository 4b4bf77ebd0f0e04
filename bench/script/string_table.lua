-- Tables of strings: keys made by text, lookups, sorting, splitting lines into fields and
-- counting words, as inventories, dialogue and saved games are handled.
local mod = math.mod or math.fmod  -- the reference with JIT has only the later name
local gfind = string.gfind or string.gmatch
local t0 = os.clock()
local total = 0
for round = 1, 3 do
  local inv = {}
  for i = 1, 50000 do inv["obj_" .. mod(i * 7919, 50000)] = i end
  local found = 0
  for i = 1, 50000 do
    if inv["obj_" .. i] then found = found + 1 end
  end
  local list = {}
  for k in pairs(inv) do table.insert(list, k) end
  table.sort(list)
  total = total + found + table.getn(list) + string.len(list[1]) + string.len(list[table.getn(list)])
end
local line = "name=harbour;x=120;y=340;state=open;owner=player;item=key;"
for i = 1, 30000 do
  local fields = {}
  for k, v in gfind(line, "(%w+)=(%w+);") do fields[k] = v end
  total = total + string.len(fields.name) + tonumber(fields.x)
end
local words = {}
local text = string.rep("the quick brown fox jumps over the lazy dog and the cat ", 3000)
for w in gfind(text, "%a+") do words[w] = (words[w] or 0) + 1 end
total = total + words.the
print(string.format("string-table   checksum %d  time %.3f s", total, os.clock() - t0))
