-- string.format in loops: the labels, scores and times a game's texts are made of.
local t0 = os.clock()
local sum = 0
for i = 1, 200000 do
  local s = string.format("%s %d/%d  %05.1f%%  %02d:%02d  %x", "Level", i, 300000,
                          math.mod(i, 1000) / 10, math.floor(i / 60), math.mod(i, 60), i)
  sum = sum + string.len(s)
end
print(string.format("string-format  checksum %d  time %.3f s", sum, os.clock() - t0))
