-- The player's saved game. gSaved holds what a game remembers; QMSerialized_save writes it as
-- Lua text that sets it back, which the program keeps per player and runs to restore.

local function Serialize(value)
  local kind = type(value)
  if kind == "string" then return string.format("%q", value) end
  if kind == "number" or kind == "boolean" then return tostring(value) end
  if kind == "table" then
    local parts = {}
    for k, v in pairs(value) do
      local vk = type(v)
      if vk == "string" or vk == "number" or vk == "boolean" or vk == "table" then
        table.insert(parts, "[" .. Serialize(k) .. "]=" .. Serialize(v))
      end
    end
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
