-- Numbers turned into text: tostring, concatenation and string.format of integers and
-- fractions.
local t0 = os.clock()
local length = 0
for i = 1, 300000 do
  local a = tostring(i)
  local b = i .. ":" .. (i * 2)
  local c = tostring(i + 0.5)
  local d = string.format("%d", i)
  length = length + string.len(a) + string.len(b) + string.len(c) + string.len(d)
end
print(string.format("number-text    checksum %d  time %.3f s", length, os.clock() - t0))
