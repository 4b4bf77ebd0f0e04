-- Table stores and loops: the sieve of Eratosthenes, repeated.
local function sieve(n)
  local flags = {}
  for i = 2, n do flags[i] = true end
  local count = 0
  for i = 2, n do
    if flags[i] then
      count = count + 1
      local k = i + i
      while k <= n do
        flags[k] = false
        k = k + i
      end
    end
  end
  return count
end

local t0 = os.clock()
local sum = 0
for i = 1, 20 do sum = sum + sieve(200000) end
print(string.format("sieve          checksum %d  time %.3f s", sum, os.clock() - t0))
