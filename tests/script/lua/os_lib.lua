-- The os library: time and dates, environment, files and processes.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

print(type(os.time()), type(os.clock()), os.clock() >= 0)
local t = os.time({year = 2020, month = 2, day = 29, hour = 12})
print(os.date("%Y-%m-%d %H:%M:%S", t))
local d = os.date("*t", t)
print(d.year, d.month, d.day, d.hour, d.min, d.sec, d.wday, d.yday, d.isdst)
print(os.time(d) == t, os.time({year = 2020, month = 3, day = 1, hour = 12}) - t)
print(os.date("!%Y-%m-%d %H:%M:%S", 0), os.date("!%A", 86400 * 3))
print(os.date("", 0) == "", string.len(os.date("!" .. string.rep("x", 255), 0)))
print(try(os.date, "!" .. string.rep("x", 256), 0))
print(try(os.time, {year = 2020}))
print(os.difftime(10, 4), os.difftime(5))

print(os.getenv("PATH") ~= nil, os.getenv("NO_SUCH_VARIABLE_X9"))
local name = os.tmpname()
local f = io.open(name, "w")
f:write("x")
f:close()
print(os.rename(name, name .. ".2"), os.remove(name .. ".2"))
local r1, r2, r3 = os.remove(name .. ".none")
print(r1, r2 == name .. ".none: No such file or directory", r3)
print(os.execute("exit 3"))

print(os.setlocale("C"), os.setlocale(nil, "numeric"))
print(try(os.setlocale, "C", "bogus"))
print(try(os.setlocale, {}))
-- Out-of-range date fields give some time or nil, never an overflow.
print((pcall(os.time, {year = 1e300, month = -1e300, day = 1})))
