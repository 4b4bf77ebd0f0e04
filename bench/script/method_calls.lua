-- Method calls on objects whose methods come through metatables, one and two levels deep.
local Point = {}
Point.__index = Point

function Point.new(x, y)
  return setmetatable({x = x, y = y}, Point)
end

function Point:add(o)
  return Point.new(self.x + o.x, self.y + o.y)
end

function Point:len2()
  return self.x * self.x + self.y * self.y
end

local Point3 = setmetatable({}, {__index = Point})
Point3.__index = Point3

function Point3.new(x, y, z)
  local p = setmetatable({x = x, y = y, z = z}, Point3)
  return p
end

function Point3:volume()
  return self.x * self.y * self.z
end

local t0 = os.clock()
local acc = Point.new(0, 0)
local step = Point.new(1, 2)
for i = 1, 500000 do acc = acc:add(step) end
local c = 0
local p3 = Point3.new(1, 2, 3)
for i = 1, 500000 do c = c + step:len2() + p3:len2() + p3:volume() end
print(string.format("method-calls   checksum %d  time %.3f s", acc.x + acc.y + c, os.clock() - t0))
