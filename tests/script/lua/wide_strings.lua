-- Wide strings with the libraries: towstring, quoting, packing and concatenation.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

local function units(w)
  local s = string.pack("wA", w)
  local t = {}
  for i = 1, string.len(s), 2 do
    t[table.getn(t) + 1] = string.format("%04X", string.byte(s, i) + 256 * string.byte(s, i + 1))
  end
  return table.concat(t, " ")
end

print(type(towstring("h\233")), units(towstring("h\233")), units(towstring(12)))
print(towstring(nil), type(towstring(nil)), try(towstring, true))
print(tostring(towstring("abc")), type(tostring(towstring("abc"))))
print(string.format("%Q", towstring("tab\t\"")))
local w = towstring("wide") .. towstring("!")
print(type(w), tostring(w), units(w))
local pos, back = string.unpack(string.pack(">wz", w), ">wz")
print(pos, back == w)
print(try(string.upper, w), try(string.rep, w, 2))
