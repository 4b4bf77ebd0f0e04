-- The io library: handles, reading and writing 8-bit text, wide reads and raw wide writes,
-- lines, the current input and output, temporary files and pipes.

local function try(f, ...)
  local ok, msg = pcall(f, unpack(arg))
  if ok then return "ok" end
  return (string.gsub(msg, "^[^:]*:%d+: ", ""))
end

local function hex(s)
  local t = {}
  for i = 1, string.len(s) do t[i] = string.format("%02X", string.byte(s, i)) end
  return table.concat(t, " ")
end

local name = os.tmpname()

-- Numbers are written with %.14g; values of other types are passed over.
local f = io.open(name, "wb")
print(f:write("line1\n", 42, "\n", 1 / 3, "\n"), f:write({}, true, "end"))
f:close()
print(io.type(f), io.type(io.stdout), io.type(42), tostring(f))
print(string.sub(tostring(io.stdout), 1, 6))
print(try(function() return f:write("x") end))

f = io.open(name, "rb")
print(f:read("*l"), f:read("*n"), f:read("*n"), f:read("*l"), f:read("*l"), f:read("*l"))
print(f:seek("set", 2), f:read(3), f:seek("cur"), f:seek("end"))
print(f:read(0, 1))
f:seek("set", 0)
print(f:read("*a") == "line1\n42\n0.33333333333333\nend", f:read("*a") == "", f:read("*l"))
print(f:seek("set"), f:read(5, 0, "*l"))
-- A number that does not parse ends the reading with nil in its own place.
f:seek("set")
print(f:read("*l", "*n", "*n", "*n", "*l"))
print(try(function() return f:read("*x") end))
print(try(function() return f:read({}) end))
print(try(function() return f:read("x") end))
print(try(function() return f:read("*w") end))
print(try(function() return f:read(towstring("l")) end))
print(try(function() return f:read(towstring("*x")) end))
print(try(function() return f:seek("middle") end))
f:close()

local n = 0
for l in io.lines(name) do n = n + 1 end
f = io.open(name)
local c = 0
for l in f:lines() do c = c + 1 end
print(n, c, io.type(f))
local iter = f:lines()
f:close()
print(try(iter))
print(io.open("/nonexistent/x"))

io.output(name)
io.write("a", 1, "\n")
io.close()
io.output(io.stdout)
io.input(name)
print(io.read("*l"), io.read())
io.input():close()
io.input(name)
local k = 0
for l in io.lines(nil) do k = k + 1 end
print(k, io.type(io.input()))
io.input():close()
io.input(io.stdin)

-- Zero bytes inside a line are kept.
f = io.open(name, "wb")
f:write("a\0b\n\0\n")
f:close()
f = io.open(name, "rb")
local l1, l2 = f:read("*l", "*l")
print(string.len(l1), string.len(l2))
f:close()

-- Text-mode lines also end at "\r\n"; binary ones keep the "\r"; a lone "\r" stays.
f = io.open(name, "wb")
f:write("a\r\nb\r\r\nc\r")
f:close()
local seen = {}
for l in io.lines(name) do table.insert(seen, hex(l)) end
f = io.open(name, "rb")
print(table.concat(seen, "|"), hex(f:read("*l")))
f:close()
f = io.open(name, "r")
print(tostring(f:read(towstring("*l"))), hex(tostring(f:read(towstring("*l")))))
f:close()

-- Wide strings are written as their units, two bytes each, low byte first.
f = io.open(name, "wb")
local _, smile = string.unpack("\58\38", "wA1")
f:write(smile, towstring("AB"))
f:close()
f = io.open(name, "rb")
print(hex(f:read("*a")))
f:close()

-- Wide lines: a binary stream gives a unit per two bytes, a text stream a unit per byte.
f = io.open(name, "wb")
f:write("A\0B\0\n\0C\0")
f:close()
f = io.open(name, "rb")
local w1 = f:read(towstring("*l"))
print(type(w1), tostring(w1), tostring(f:read(towstring("*l"))), f:read(towstring("*l")))
f:close()
f = io.open(name, "w")
f:write("AB\nCD")
f:close()
f = io.open(name, "r")
local w2 = f:read(towstring("*l"))
print(type(w2), tostring(w2), tostring(f:read(towstring("*l"))))
f:close()

-- Wide "*a" reads two-byte units whatever the mode.
f = io.open(name, "wb")
f:write("A\0B\0")
f:close()
f = io.open(name, "r")
local wa = f:read(towstring("*a"))
print(type(wa), tostring(wa), string.len(tostring(wa)))
f:close()

-- Wide numbers.
f = io.open(name, "w")
f:write("  12.5e1 x")
f:close()
f = io.open(name, "r")
print(f:read(towstring("*n")), f:read("*a"))
f:close()
f = io.open(name, "wb")
f:write(towstring(" -7,"))
f:close()
f = io.open(name, "rb")
print(f:read(towstring("*n")), hex(f:read("*a")))
f:close()
f = io.open(name, "w")
f:write("5 x")
f:close()
f = io.open(name, "r")
print(f:read(towstring("*n"), towstring("*n"), "*a"))
f:close()
os.remove(name)

local tf = io.tmpfile()
tf:write("tmp")
tf:seek("set")
print(tf:read("*a"))
tf:close()
local p = io.popen("echo piped")
print(p:read("*l"), p:close())
