-- Calls of functions with a variable argument list, in the `arg` form both this dialect and
-- the 5.1 reference (with its 5.0 compatibility) run: counting, summing and passing on.
local function count(...) return arg.n end
local function sum(...)
  local s = 0
  for i = 1, arg.n do s = s + arg[i] end
  return s
end
local function pass(...) return sum(unpack(arg)) end

local t0 = os.clock()
local total = 0
for i = 1, 1000000 do
  total = total + count(i, i, i) + sum(i, 1) + pass(1, 2, 3)
end
print(string.format("vararg-calls   checksum %.0f  time %.3f s", total, os.clock() - t0))
