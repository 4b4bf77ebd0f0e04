-- Closures as game scripts make them: callbacks capturing locals, counters and accumulators,
-- handlers registered in tables and called back, and upvalues shared between closures.
local t0 = os.clock()
local function counter()
  local n = 0
  return function() n = n + 1; return n end
end
local function adder(k) return function(x) return x + k end end
local total = 0
for i = 1, 800000 do
  local c = counter()
  c(); c()
  total = total + c() + adder(i)(1)
end
local handlers = {}
for i = 1, 100 do
  local id = i
  handlers[i] = { onClick = function(x, y) return id + x - y end,
                  onHover = function(x) return id * x end }
end
for round = 1, 40000 do
  for i = 1, 100 do
    local h = handlers[i]
    total = total + h.onClick(round, 1) + h.onHover(2)
  end
end
local function map(t, f)
  local r = {}
  for i = 1, table.getn(t) do r[i] = f(t[i]) end
  return r
end
local nums = {}
for i = 1, 100 do nums[i] = i end
for round = 1, 12000 do
  local scale = round
  local r = map(nums, function(v) return v * scale end)
  total = total + r[100]
end
print(string.format("closures       checksum %.0f  time %.3f s", total, os.clock() - t0))
