    local function gen(n)
  return coroutine.wrap(function() for i = 1, n do coroutine.yield(i) end return 'done' end)
end
local g, sum = gen(4), 0
for i = 1, 4 do sum = sum + g() end
local last = g()
local ok = pcall(g)
local co = coroutine.create(function(a, b)
  local c = coroutine.yield(a + b)
  local inner = coroutine.create(function(x) coroutine.yield(x * 2) error('inner') end)
  local r1, v = coroutine.resume(inner, c)
  local r2, e = coroutine.resume(inner)
  local d, e2 = coroutine.yield(v, coroutine.status(inner), r2)
  return d
end)
local s1, x = coroutine.resume(co, 1, 2)
local s2, y, st = coroutine.resume(co, x)
local s3, z = coroutine.resume(co, 'end')
local s4, msg = coroutine.resume(co)
return sum, last, ok, coroutine.status(co), s4, msg, st
