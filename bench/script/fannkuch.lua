-- Array shuffling: the most flips of any permutation of 1..n, and a checksum over them all.
local function fannkuch(n)
  local perm, perm1, count = {}, {}, {}
  local maxFlips, checksum, permCount = 0, 0, 0
  for i = 1, n do perm1[i] = i end
  local r = n
  while true do
    while r ~= 1 do
      count[r] = r
      r = r - 1
    end
    for i = 1, n do perm[i] = perm1[i] end
    local flips = 0
    local k = perm[1]
    while k ~= 1 do
      local i, j = 1, k
      while i < j do
        perm[i], perm[j] = perm[j], perm[i]
        i = i + 1
        j = j - 1
      end
      flips = flips + 1
      k = perm[1]
    end
    if flips > maxFlips then maxFlips = flips end
    if math.mod(permCount, 2) == 0 then
      checksum = checksum + flips
    else
      checksum = checksum - flips
    end
    -- Next permutation: rotate the first r + 1 elements until a counter is left.
    while true do
      if r == n then return checksum, maxFlips end
      local perm0 = perm1[1]
      for i = 1, r do perm1[i] = perm1[i + 1] end
      perm1[r + 1] = perm0
      count[r + 1] = count[r + 1] - 1
      if count[r + 1] > 0 then break end
      r = r + 1
    end
    permCount = permCount + 1
  end
end

local t0 = os.clock()
local checksum, flips = fannkuch(9)
print(string.format("fannkuch       checksum %d %d  time %.3f s", checksum, flips,
                    os.clock() - t0))
