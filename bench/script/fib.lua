-- Recursive calls: the naive Fibonacci function.
local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end

local t0 = os.clock()
local r = fib(32)
print(string.format("fib            checksum %d  time %.3f s", r, os.clock() - t0))
