-- The panel between two rounds of the word puzzle, and after the last: a message and a button
-- that closes it. The puzzle opens it with DoModal and sets wordRoundEndScript to the round's
-- own round-end script, which runs here to dress the panel.

dofile("scripts/ui/buttons.lua")

-- An opaque board over the grid and the row letters' bank, holding the message and the
-- button, as the other puzzles' round-end boards hold theirs.
MakeDialog({
  Bitmap({ name = "roundendpanel", image = "word/round_end_panel.png", x = 130, y = 196 }),
  Text({ name = "roundendtext", label = "WORD_ROUND_DONE", x = 150, y = 220, w = 390, h = 70,
         flags = kHAlignCenter + kVAlignCenter,
         font = { "fonts/comic.mvec", 28, Color(255, 236, 190) } }),
  DialogPushButton({ name = "roundendok", caption = "WORD_CONTINUE", x = 245, y = 318,
                     default = true, close = true }),
})

if wordRoundEndScript ~= nil and wordRoundEndScript ~= "" and fileExists(wordRoundEndScript) then
  ReadFile(wordRoundEndScript)
end
