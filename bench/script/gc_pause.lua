-- The longest stop of the collector with 200,000 live objects: garbage is made in small steps
-- and the longest step (a step that ran a full collection) is reported.
local live = {}
for i = 1, 200000 do live[i] = { i } end
local worst, clock = 0, os.clock
local t0 = clock()
local last = t0
for i = 1, 3000000 do
  local garbage = { i }
  local now = clock()
  if now - last > worst then worst = now - last end
  last = now
end
print(string.format("gc-pause       worst pause %.1f ms  time %.3f s", worst * 1000, clock() - t0))
