-- Strings: formatting, concatenation, table.concat, repetition and pattern iteration.
local t0 = os.clock()
local parts = {}
for i = 1, 100000 do parts[i] = string.format("%d:%s", i, "x") end
local joined = table.concat(parts, ",")
local acc = ""
for i = 1, 20000 do acc = acc .. "ab" end
local words = 0
for w in string.gfind(joined, "%d+") do words = words + 1 end
local replaced, count = string.gsub(joined, "x", "yy")
local up = string.upper(string.rep("abc", 100000))
local sum = string.len(joined) + string.len(acc) + words + string.len(replaced) + count
            + string.len(up)
print(string.format("string-build   checksum %d  time %.3f s", sum, os.clock() - t0))
