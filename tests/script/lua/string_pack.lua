-- string.pack, string.unpack and string.lualex.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

local function hex(s)
  local t = {}
  for i = 1, string.len(s) do t[i] = string.format("%02X", string.byte(s, i)) end
  return table.concat(t, " ")
end

-- Byte order, widths and truncation.
print(hex(string.pack(">h", 1)), hex(string.pack("<h", 1)), hex(string.pack("h", 1)))
print(hex(string.pack("I", -1)), hex(string.pack("b3", 1, 2, 3)), hex(string.pack("b, b b", 4, 5, 6)))
print(string.unpack("\255\255\255\255", "I"))
print(string.unpack("\255\255\255\255", "i"))
print(string.unpack("\0\1", ">H"))
print(string.unpack("\2", "B"))
print(hex(string.pack(">iHd", 1, 2, 1)))
print(string.unpack(string.pack(">iHd", 1, 2, 1), ">iHd"))

-- Every code, there and back.
local data = string.pack("<bhiIfdBzpPa", -1, -2, -3, 4, 0.5, 1.25, true, "z", "p", "P", "a")
print(string.len(data))
print(string.unpack(data, "<chiIfdBzpPa"))

-- Strings: counted prefixes truncate the length, never the text.
local p = string.pack("p", string.rep("x", 300))
print(string.len(p), string.byte(p, 1))
print(string.pack("A2", "ab", "cd"), string.unpack("abc", "A2"))
print(string.unpack("ab\0cd", "zz"))

-- Fields pad up to their width and never cut.
print(hex(string.pack("@8:32z@", "ab")))
print(hex(string.pack("@2z@", "abc")))
print(hex(string.pack("@b@b", 1, 2)), hex(string.pack("@3:511b@b", 1, 2)))
print(hex(string.pack("@3:99999999998b@", 1)))

-- Wide strings: units low byte first, swapped in big-endian order, lengths in units.
local w = towstring("Hi")
print(hex(string.pack("wz", w)))
print(hex(string.pack(">wp", w)))
print(hex(string.pack("wa", w)))
local pos, back = string.unpack(string.pack("wP", w), "wP")
print(pos, type(back), back == w)
local pos2, ws = string.unpack("A\0B\0C", "wA2")
print(pos2, type(ws), tostring(ws))
local pos3, z3 = string.unpack("A\0B\0\0\0C\0", "wz")
print(pos3, tostring(z3))

-- Short data stops the reading; a start before the data counts as its start, one past its end
-- reads nothing and comes back unchanged.
print(string.unpack("abc", "i"))
print(string.unpack("\1\2\3", "bbbb"))
print(string.unpack("\1\2\3", "b", 2))
print(string.unpack("\1\2\3", "b", -5))
print(string.unpack("\1\2\3", "b", 10))
print(hex(string.pack("bw", 7)))

print(try(string.pack, "Q", 1))
print(try(string.unpack, "x", "Q"))
print(try(string.pack, "w@", 1))
print(try(string.pack, "B", 1))
print(try(string.pack, "i", "x"))
print(try(string.pack, "wA", {}))

-- lualex, 8-bit mode.
print(string.lualex("\\65B", 0), string.lualex("\\xZ", 0))
print(hex(string.lualex("\\x41", 0)), hex(string.lualex("\\999", 0)))
print(hex(string.lualex("a\\tb\\n\\\\\\\"\\q", 0)))
print(hex(string.lualex("end\\", 0)))
-- lualex, wide mode: two bytes per character, low byte first.
print(hex(string.lualex("A\\x263a\\n", 1)))
print(hex(string.lualex("\\66\\", 1)))
print(try(string.lualex, "x"))
