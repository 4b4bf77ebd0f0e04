-- The layer puzzle's hint, run in the overlay sprite window: the photo the puzzle lent it
-- ("layer_anim_hint_sprite", now at hintspriteX, hintspriteY) flies to its target cell
-- (hsDestX, hsDestY) and goes back to the puzzle there. When placing it does not finish the
-- round (hsPlayTutorial is 1), a tip about the stacking buttons follows.

local kPhoto = "layer_anim_hint_sprite"
local kTip = "layer_hint_tip"

local function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

return function()
  _AddMoveAnim(kPhoto, 700, hintspriteX, hintspriteY, hsDestX, hsDestY, "sinOut")
  RunQueue()
  ReleaseHintSprite()
  if hsPlayTutorial == 1 then
    if IsSpriteExist(kTip) then _RemoveSprite(kTip) end
    _AddTextSprite(kTip, { text = "LAYER_HINT_TIP", font = "fonts/sans.mvec", fontSize = 18,
                           color = { 1, 1, 1, 1 }, background = { 0.1, 0.06, 0.02, 0.8 },
                           box = { 440, 470, 320, 56 } }, 10, "")
    _AddTimer(2500)
    _AddBlendAnim(kTip, 400, 1, 0, "")
    RunQueue()
    _RemoveSprite(kTip)
  end
end
