-- gsub with a function as the replacement: template expansion of $names, escaping of markup
-- characters and upper-casing of words, as text is prepared for display.
local text = string.rep("Hello $name, you found $count of $total items in $room. <b>&</b> ", 30)
local vars = { name = "Alice", count = "12", total = "40", room = "the harbour" }
local escapes = { ["<"] = "&lt;", [">"] = "&gt;", ["&"] = "&amp;" }
local t0 = os.clock()
local total = 0
for i = 1, 3600 do
  local s = string.gsub(text, "%$(%w+)", function(k) return vars[k] end)
  s = string.gsub(s, "[<>&]", function(c) return escapes[c] end)
  s = string.gsub(s, "(%a)(%a*)", function(first, rest) return string.upper(first) .. rest end)
  total = total + string.len(s)
end
print(string.format("gsub-function  checksum %d  time %.3f s", total, os.clock() - t0))
