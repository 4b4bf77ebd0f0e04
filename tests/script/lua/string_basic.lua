-- len, sub, case mapping, rep, byte, char, dump and the method syntax on strings.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

print(string.len(""), string.len("abc"), string.len("a\0b"), string.len(123))
print(string.sub("hello", 2, 4), string.sub("hello", -3), string.sub("hello", 0),
      string.sub("hello", 4, 2) == "", string.sub("hello", -100, 100))
print(string.upper("MiXed 1!"), string.lower("MiXed 1!"))
print(string.rep("ab", 3), string.rep("x", 0) == "", string.rep("x", -1) == "")
print(string.byte("ABC"), string.byte("ABC", 3), string.byte("ABC", -1), string.byte("ABC", 4))
print(string.char(72, 105), string.len(string.char()), string.byte(string.char(0, 255), 2))
print(try(string.char, 256))
print(try(string.char, -1))
print(try(string.len, towstring("wide")))
print(try(string.upper))

-- Strings find the string table through their shared metatable.
local s = "Method"
print(s:upper(), s:len(), ("x"):rep(3), s:sub(2, 3))
print(getmetatable("") == string)

-- A dumped function loads back and runs.
local function add(a, b) return a + b end
local chunk = string.dump(add)
print(string.byte(chunk, 1) == 27, loadstring(chunk)(2, 3))
print(try(string.dump, print))
