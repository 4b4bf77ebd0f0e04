-- gsub with a function: filling a text's placeholders from a table, as string tables do. The
-- functions always answer a string: the dialect and Lua 5.1 differ on a nil answer.
local t0 = os.clock()
local values = {name = "Robin", score = "4250", level = "harbour", time = "03:12"}
local template = "Well done, $name! $score points in $level after $time. $missing stays."
local sum = 0
for i = 1, 40000 do
  local s, n = string.gsub(template, "%$(%w+)", function(key) return values[key] or "$" .. key end)
  sum = sum + string.len(s) + n
  local u = string.gsub(s, "(%w+)", function(w)
    if string.len(w) > 4 then return string.upper(w) end
    return w
  end)
  sum = sum + string.len(u)
end
print(string.format("gsub-function  checksum %d  time %.3f s", sum, os.clock() - t0))
