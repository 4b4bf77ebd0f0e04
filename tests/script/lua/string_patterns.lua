-- find, gsub and gfind: classes, sets, quantifiers, anchors, captures, balance, frontier, and
-- the pattern errors.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

print(string.find("hello world", "wor"))
print(string.find("a.b", ".", 1, true))
print(string.find("a.b", "%."))
print(string.find("abc", "b", 10), string.find("abc", "", 10))
print(string.find("abc", "c", -1))
print(string.find("key = value", "(%w+)%s*=%s*(%w+)"))
print(string.find("  x", "^%s*()"))
print(string.find("abc", "^b"))
print(string.find("THE (quick) fox", "%((%a+)%)"))
print(string.find("f(a(b)c)d", "%b()"))
print(string.find("THE (quick) fox", "%f[%a]%a+", 5))
print(string.find("aaa", "a-b"), string.find("aaab", "a-b"))
print(string.find("aaab", "a*"))
print(string.find("xyz", "y?z"))
print(string.find("hello", "(l)%1"))
print(string.find("[x]", "[]]"), string.find("a-z", "[a%-]", 2))
print(string.find("abc123", "[^%a]"), string.find("end$", "d%$"))
print(string.find("ab", "b$"), string.find("a\0b", "%z"))
print(string.find("A1 b", "%u%d%s%l"))
print(string.find(string.rep("a", 50), string.rep("a?", 50) .. "$"))

print(string.gsub("hello world", "o", "0"))
print(string.gsub("hello world", "(o)", "[%1]", 1))
print(string.gsub("abc", "", "-"))
print(string.gsub("hello", "^h", "H"))
print(string.gsub("aaa", "^a", "b"))
print(string.gsub("x = 1, y = 2", "(%w+) = (%w+)", "%2 = %1"))
print(string.gsub("abc", "b", "%x"))
print(string.gsub("abc", "b", 5))
print(string.gsub("$name is $age", "%$(%w+)", function(k) return ({name = "Bob", age = 7})[k] end))
print(string.gsub("a b c", "%w", function(c) if c == "b" then return nil end return c .. c end))
print(try(string.gsub, "a b", "%w", {}))
print(try(string.gsub, "abc", "b", towstring("x")))
print(try(string.gsub, "abc", "(b)", "%2"))
print(try(string.gsub, "abc", "%w", "%%%0"))

local words = {}
for w in string.gfind("one two  three", "%a+") do table.insert(words, w) end
print(table.concat(words, ","), table.getn(words))
for k, v in string.gfind("a=1, b=2", "(%w+)=(%w+)") do io.write(k, ":", v, ";") end
print()
local n = 0
for e in string.gfind("abc", "x*") do n = n + 1 end
print(n)

print(try(string.find, "a", "%"))
print(try(string.find, "a", "[a"))
print(try(string.find, "a", "%b"))
print(try(string.find, "a", "%fx"))
print(try(string.find, "a", "(a"))
print(try(string.find, "a", ".)"))
print(try(string.find, "a", "%1"))
print(try(string.find, string.rep("a", 40), string.rep("(a)", 33)))
-- A pattern of very many optional items stops cleanly instead of exhausting the C stack.
print(try(string.find, string.rep("a", 1000), string.rep("a?", 100000)))
print(try(string.gsub, string.rep("a", 1000), string.rep("a?", 100000), ""))
