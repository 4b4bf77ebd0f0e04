-- The layer puzzle's hint when every photo already lies on its cell: only the stacking is
-- left, which a short note in the overlay says.

local kNote = "layer_hint_note"

local function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

return function()
  if IsSpriteExist(kNote) then _RemoveSprite(kNote) end
  _AddTextSprite(kNote, { text = "LAYER_HINT_STACK", font = "fonts/sans.mvec", fontSize = 18,
                          color = { 1, 1, 1, 1 }, background = { 0.1, 0.06, 0.02, 0.8 },
                          box = { 440, 470, 320, 56 } }, 10, "")
  _AddTimer(2500)
  _AddBlendAnim(kNote, 400, 1, 0, "")
  RunQueue()
  _RemoveSprite(kNote)
end
