-- string.format: every conversion of the dialect, raw bytes and the error messages.

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

print(string.format("%d|%5d|%-5d|%05d|%+d|%i", 42, 42, 42, 42, 42, -7))
print(string.format("%d %d", 3.9, -3.9))
print(string.format("%c%c%c", 72, 105, 33), hex(string.format("%c", 0)))
print(string.format("%o %u %x %X %x", 8, 3000000000, 255, 255, -1))
print(string.format("%#x %#o", 255, 8))
print(string.format("%e|%E|%.2f|%g|%G|%10.3f", 12345.678, 0.00012, 3.14159, 1e20, 1e-10, -2.5))
print(string.format("[%s] [%5s] [%-5s] [%.2s] [%s]", "abc", "ab", "ab", "abc", 12))

-- 100 bytes or more without a precision go in whole, zero bytes included.
local long = string.rep("x", 99) .. "\0"
print(string.format("%s", long) == long, string.len(string.format("%5s", long)))
print(string.len(string.format("%.3s", "a\0bcd")))

print(string.format("%q", 'a "quoted"\\ line\nnext\0end'))
print(string.format("%Q", "a\0b\233"))
print(string.format("%Q", "tab\there\r\n\"q\"\\\7\8\11\12"))
local _, smile = string.unpack("\58\38", "wA1")
local _, wide = string.unpack("A\0\10\0\255\0", "wA3")
print(string.format("%Q %Q %Q", smile, wide, 12.5))

print(string.format("%5B|%B|%B|%-3B", true, nil, false, 1 == 1))
print(try(string.format, "%B", 0))

print(hex(string.format("%bw%bb", 258, 65)))
print(hex(string.format("%bF", 1)))
print(hex(string.format("%bf%bd", 1.5, -2)))
print(string.format("%bz%d", 1, 2), string.format("x%b", 1))
print(string.format("%%|%5.1f%%", 99.44))

print(try(string.format, "%"))
print(try(string.format, "%y", 1))
print(try(string.format, "%1$d", 1))
print(try(string.format, "%123d", 1))
print(try(string.format, "%1.123f", 1))
print(try(string.format, "%" .. string.rep("-", 19) .. "d", 1))
print(try(string.format, "%" .. string.rep("-", 18) .. "d", 1))
print(try(string.format, "%d", "x"))
print(try(string.format, "%s"))
