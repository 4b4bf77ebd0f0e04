-- The panel between two rounds of the word puzzle, and after the last: a message and a button
-- that closes it. The puzzle opens it with DoModal and sets wordRoundEndScript to the round's
-- own round-end script, which runs here to dress the panel.

dofile("scripts/ui/buttons.lua")

-- An opaque board below the grid, over the clue panel: the finished grid stays in view while
-- the message and the button read at a glance. The last round's own script says the puzzle
-- is solved.
MakeDialog({
  Bitmap({ name = "roundendpanel", image = "word/round_end_bar.png", x = 100, y = 468 }),
  Text({ name = "roundendtext", label = "WORD_ROUND_DONE", x = 118, y = 478, w = 360, h = 90,
         flags = kHAlignCenter + kVAlignCenter,
         font = { "fonts/comic.mvec", 22, Color(255, 236, 190) } }),
  DialogPushButton({ name = "roundendok", caption = "WORD_CONTINUE", x = 484, y = 501,
                     default = true, close = true }),
})

if wordRoundEndScript ~= nil and wordRoundEndScript ~= "" and fileExists(wordRoundEndScript) then
  ReadFile(wordRoundEndScript)
end
