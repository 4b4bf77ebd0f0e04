-- The layer puzzle's hint, run in the overlay sprite window: the photo the puzzle lent it
-- ("layer_anim_hint_sprite", now at hintspriteX, hintspriteY) flies to its target cell
-- (hsDestX, hsDestY) and goes back to the puzzle there. When placing it does not finish the
-- round (hsPlayTutorial is 1), a tip about the stacking buttons follows.

dofile("scripts/common/overlay.lua")

return function()
  _AddMoveAnim("layer_anim_hint_sprite", 700, hintspriteX, hintspriteY, hsDestX, hsDestY,
               "sinOut")
  RunQueue()
  ReleaseHintSprite()
  if hsPlayTutorial == 1 then ShowOverlayNote("layer_hint_tip", "LAYER_HINT_TIP") end
end
