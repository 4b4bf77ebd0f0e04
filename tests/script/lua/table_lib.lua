-- The table library: concat, insert, remove, getn, setn, foreach, foreachi and sort.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

print(table.concat({}) == "", table.concat({1, 2, "three"}, ", "),
      table.concat({"a", "b", "c", "d"}, "-", 2, 3))
print(try(table.concat, {1, {}, 3}))
-- Indices past the 32-bit range are their own keys, not wrapped ones.
print(try(table.concat, {"a"}, "", 4294967297, 4294967297),
      table.concat({"a", [4294967297] = "big"}, "", 4294967297, 4294967297))

local t = {"a", "b"}
table.insert(t, "c")
table.insert(t, 1, "z")
print(table.concat(t, ","), table.getn(t))
table.insert(t, 7, "far")
print(table.getn(t), t[7])
print(table.remove(t), table.getn(t))
print(table.remove(t, 1), table.concat(t, ",", 1, 3), table.getn(t))
print(table.remove({}))
-- Positions outside the elements remove nothing; far positions are their own keys.
local r = {"a", "b", "c"}
print(table.remove(r, 5), table.remove(r, 0), table.getn(r), table.concat(r, ","), r[0])
table.insert(r, 1e10, "far")
print(table.getn(r), r[1e10], r[3])
print(try(table.insert, nil, 1))

print(table.getn({1, 2, nil, 4}), table.getn({n = 5}), table.getn({1, 2, 3}))
local s = {}
table.setn(s, 10)
print(table.getn(s))

table.foreachi({"x", "y"}, function(i, v) io.write(i, "=", v, " ") end)
print()
print(table.foreachi({5, 6, 7}, function(i, v) if v == 6 then return i * 10 end end))
local keys = 0
table.foreach({a = 1, b = 2, 3}, function(k, v) keys = keys + 1 end)
print(keys, table.foreach({a = 1}, function(k, v) return k .. v end))

local a = {5, 3, 8, 1, 9, 2, 7}
table.sort(a)
print(table.concat(a, " "))
table.sort(a, function(x, y) return x > y end)
print(table.concat(a, " "))
local names = {"pear", "apple", "fig"}
table.sort(names)
print(table.concat(names, " "))
local big = {}
for i = 1, 200 do big[i] = math.mod(i * 37, 101) end
table.sort(big)
local sorted = true
for i = 2, 200 do if big[i - 1] > big[i] then sorted = false end end
print(sorted, big[1], big[200])
local two = {2, 1}
table.sort(two)
print(two[1], two[2])
print(try(table.sort, {3, 1, 2, 5, 4}, function(x, y) return true end))
-- Sizes at the end of the 32-bit range do not overflow.
local huge = {}
table.setn(huge, 2147483647)
print(pcall(table.insert, huge, "x"), table.getn(huge))
