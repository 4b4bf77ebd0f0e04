-- The codex puzzle's coaching tips: given a string label, the coroutine that shows it. The
-- feedback window plays one tip at a time while "RTFZoneAnimation" is set; the tip clears it
-- when it has gone.
local function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

return function(label)
  return function()
    if IsSpriteExist("codextip") then _RemoveSprite("codextip") end
    _AddTextSprite("codextip", { text = label, font = "sans", fontSize = 16,
                                 color = { 1, 0.97, 0.88, 1 },
                                 background = { 0.2, 0.35, 0.55, 0.9 },
                                 border = { size = 2, color = { 1, 0.85, 0.5, 1 } },
                                 box = { 0, 0, 330, 64 } }, 5, "")
    -- In the clear band between the solve grid and the clue slides: nothing else is written
    -- there, so the tip and the puzzle's own texts both stay readable.
    _SetSpriteLoc("codextip", 60, 302)
    _SetSpriteOpacity("codextip", 0)
    _AddBlendAnim("codextip", 300, 0, 1, "")
    _AddTimer(3500)
    _AddBlendAnim("codextip", 400, 1, 0, "")
    RunQueue()
    _RemoveSprite("codextip")
    RTFZoneAnimation = ""
  end
end
