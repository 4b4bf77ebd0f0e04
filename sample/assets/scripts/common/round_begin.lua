-- The round bubble, run in a puzzle's overlay sprite window when a round begins: the round's
-- name (the label in round_bubble_round_string) rises into view, holds and fades.
local function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

return function()
  if IsSpriteExist("roundbubble") then _RemoveSprite("roundbubble") end
  _AddTextSprite("roundbubble", { text = round_bubble_round_string or "round1",
                                  font = "fonts/sansbold.mvec", fontSize = 30,
                                  color = { 1, 0.95, 0.8, 1 }, background = { 0.3, 0.18, 0.08, 0.8 },
                                  box = { 0, 0, 220, 50 } }, 5, "")
  _SetSpriteLoc("roundbubble", 195, 300)
  _SetSpriteOpacity("roundbubble", 0)
  StartMulti()
  _AddMoveAnim("roundbubble", 400, 195, 300, 195, 270, "powerOut")
  _AddBlendAnim("roundbubble", 400, 0, 1, "")
  EndMulti()
  _AddTimer(1200)
  _AddBlendAnim("roundbubble", 500, 1, 0, "")
  RunQueue()
  _RemoveSprite("roundbubble")
end
