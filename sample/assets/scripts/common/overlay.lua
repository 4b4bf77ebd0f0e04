-- What the puzzles' overlay scripts share, run in the overlay sprite window's own state: the
-- start handshake and a short note that shows, waits and fades.

-- Runs what is queued and waits until the window says it has finished.
function RunQueue()
  _Start()
  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1
  while gScriptPauseCoRoutine > 0 do coroutine.yield() end
end

-- The label's text in a dark box under the puzzle's frame for a few seconds.
function ShowOverlayNote(name, label)
  if IsSpriteExist(name) then _RemoveSprite(name) end
  _AddTextSprite(name, { text = label, font = "sans", fontSize = 18,
                         color = { 1, 1, 1, 1 }, background = { 0.1, 0.06, 0.02, 0.8 },
                         box = { 440, 470, 320, 56 } }, 10, "")
  _AddTimer(2500)
  _AddBlendAnim(name, 400, 1, 0, "")
  RunQueue()
  _RemoveSprite(name)
end
