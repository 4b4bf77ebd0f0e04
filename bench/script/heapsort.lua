-- Array indexing and comparisons: heapsort of pseudo-random numbers.
local IM, IA, IC = 139968, 3877, 29573
local last = 42
local function random(max)
  last = math.mod(last * IA + IC, IM)
  return max * last / IM
end

local function heapsort(n, ra)
  local j, i, rra
  local l = math.floor(n / 2) + 1
  local ir = n
  while true do
    if l > 1 then
      l = l - 1
      rra = ra[l]
    else
      rra = ra[ir]
      ra[ir] = ra[1]
      ir = ir - 1
      if ir == 1 then
        ra[1] = rra
        return
      end
    end
    i = l
    j = l * 2
    while j <= ir do
      if j < ir and ra[j] < ra[j + 1] then j = j + 1 end
      if rra < ra[j] then
        ra[i] = ra[j]
        i = j
        j = j + i
      else
        j = ir + 1
      end
    end
    ra[i] = rra
  end
end

local t0 = os.clock()
local N = 300000
local a = {}
for i = 1, N do a[i] = random(1) end
heapsort(N, a)
for i = 2, N do
  if a[i - 1] > a[i] then error("not sorted at " .. i) end
end
print(string.format("heapsort       checksum %.10f  time %.3f s", a[N], os.clock() - t0))
