    local t, n = {}, 0
for i = 1, 10 do t[i] = i * i end
for i = 10, 1, -2 do n = n + t[i] end
for k, v in pairs(t) do n = n + k end
for i, v in ipairs(t) do if v > 50 then break end end
while n > 100 do n = n - 7 end
repeat n = n + 1 until math.mod(n, 5) == 0
local function never() while true do end end
return n
