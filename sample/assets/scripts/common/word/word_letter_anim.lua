-- A placed letter flies from its bank to its cell; then the cell takes it and the puzzle checks
-- the round. The word puzzle runs this in the overlay sprite window with the globals
-- word_letter_animating (the letter), word_letter_startX/Y and word_letter_targetX/Y, and binds
-- SetLetterInGrid and CheckForWin there for this flight.

local kFlightMs = 260
local kSprite = "word_letter_flight"
local kBox = 64

return function()
  if IsSpriteExist(kSprite) then _RemoveSprite(kSprite) end
  _AddTextSprite(kSprite, { text = word_letter_animating, localize = false,
                            font = "comic", fontSize = 30,
                            color = { 0.95, 0.55, 0.15, 1 },
                            box = { word_letter_startX, word_letter_startY, kBox, kBox } }, 10, "")
  _AddMoveAnim(kSprite, kFlightMs, word_letter_startX, word_letter_startY, word_letter_targetX,
               word_letter_targetY, "sinOut")
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
  _RemoveSprite(kSprite)
  SetLetterInGrid()
  CheckForWin()
end
