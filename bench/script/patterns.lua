-- Pattern matching over character classes: words, digits, upper-case letters and spaces.
local text = string.rep("The Quick brown fox, 42 jumps OVER the lazy dog 1337 times. ", 40)
local t0 = os.clock()
local words, digits, upper = 0, 0, 0
for i = 1, 2000 do
  for w in string.gfind(text, "%a+") do words = words + 1 end
  for d in string.gfind(text, "%d+") do digits = digits + 1 end
  local _, n = string.gsub(text, "%u", "")
  upper = upper + n
  if string.find(text, "[%s%p]xyz") then words = words + 1 end
end
print(string.format("patterns       checksum %d  time %.3f s", words + digits + upper, os.clock() - t0))
