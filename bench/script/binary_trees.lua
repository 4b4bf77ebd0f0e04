-- Allocation and collection: many short-lived binary trees and one long-lived tree.
local function bottomUp(depth)
  if depth == 0 then return {} end
  depth = depth - 1
  return {bottomUp(depth), bottomUp(depth)}
end

local function check(tree)
  if tree[1] then return 1 + check(tree[1]) + check(tree[2]) end
  return 1
end

local t0 = os.clock()
local mindepth, maxdepth = 4, 14
local sum = check(bottomUp(maxdepth + 1))
local longlived = bottomUp(maxdepth)
local depth = mindepth
while depth <= maxdepth do
  local iters = 1
  for i = 1, maxdepth - depth + mindepth do iters = iters * 2 end
  for i = 1, iters do sum = sum + check(bottomUp(depth)) end
  depth = depth + 2
end
sum = sum + check(longlived)
print(string.format("binary-trees   checksum %d  time %.3f s", sum, os.clock() - t0))
