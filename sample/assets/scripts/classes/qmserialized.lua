-- The player's saved game. gSaved holds what a game remembers; QMSerialized_save writes it as
-- Lua text that sets it back, which the program keeps per player and runs to restore.

-- Numbers are written so that the text reads them back: infinities and "not a number" as the
-- sums that make them. A table met again inside itself is written as nil, not followed forever.
local function SerializeNumber(n)
  if n ~= n then return "(0/0)" end
  if n == 1 / 0 then return "(1/0)" end
  if n == -1 / 0 then return "(-1/0)" end
  return tostring(n)
end

local function Serialize(value, open)
  local kind = type(value)
  if kind == "string" then return string.format("%q", value) end
  if kind == "number" then return SerializeNumber(value) end
  if kind == "boolean" then return tostring(value) end
  if kind == "table" then
    open = open or {}
    if open[value] then return "nil" end
    open[value] = true
    local parts = {}
    for k, v in pairs(value) do
      local vk = type(v)
      if vk == "string" or vk == "number" or vk == "boolean" or vk == "table" then
        -- A key that no table can take back (not a number, or a table being written) is skipped.
        local key = Serialize(k, open)
        if key ~= "nil" and key ~= "(0/0)" then
          table.insert(parts, "[" .. key .. "]=" .. Serialize(v, open))
        end
      end
    end
    open[value] = nil
    return "{" .. table.concat(parts, ",") .. "}"
  end
  return "nil"
end

-- A fresh game: the first chapter, nothing found yet.
function QMSerialized_restore()
  gSaved = { chapter = 1, level = 1, found = {} }
end

function QMSerialized_save()
  if not gSaved then QMSerialized_restore() end
  return "gSaved = " .. Serialize(gSaved)
end

-- The running game's state, built from the saved game once it is restored.
function QMGameState_new()
  if not gSaved then QMSerialized_restore() end
  gGameState = { saved = gSaved, hintActive = false }
end
