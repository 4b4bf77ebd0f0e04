print("written before the error")
local t = nil
local x = t.field
