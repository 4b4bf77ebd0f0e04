    local co = coroutine.wrap(function() local i = 0 while true do i = i + 1 if math.mod(i, 1000) == 0 then coroutine.yield(i) end end end)
co() co()
local function f() return f() end
local t = {}
for i = 1, 3 do t[i] = pcall(f) end
while true do t[1] = (t[1] or 0) end
