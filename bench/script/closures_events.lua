-- Closures as game scripts use them: handlers made per object, callbacks queued and called,
-- counters kept in upvalues.
local t0 = os.clock()
local function MakeButton(id)
  local clicks = 0
  local button = {}
  button.onClick = function(n) clicks = clicks + n return clicks end
  button.onHover = function() return id + clicks end
  return button
end
local sum = 0
for round = 1, 40 do
  local buttons = {}
  for i = 1, 2000 do buttons[i] = MakeButton(i) end
  local queue = {}
  for i = 1, 2000 do
    local b = buttons[i]
    table.insert(queue, function() return b.onClick(1) + b.onHover() end)
  end
  for i = 1, table.getn(queue) do sum = sum + queue[i]() end
end
print(string.format("closure-events checksum %d  time %.3f s", sum, os.clock() - t0))
