-- The panel between two rounds of the word puzzle, and after the last: a message and a button
-- that closes it. The puzzle opens it with DoModal and sets wordRoundEndScript to the round's
-- own round-end script, which runs here to dress the panel.

dofile("scripts/ui/buttons.lua")

MakeDialog({
  Bitmap({ name = "roundendpanel", image = "word/clue_panel.png", x = 120, y = 230 }),
  Text({ name = "roundendtext", label = "WORD_ROUND_DONE", x = 140, y = 240, w = 520, h = 56,
         flags = kHAlignCenter + kVAlignCenter,
         font = { "fonts/comic.mvec", 28, Color(255, 236, 190) } }),
  DialogPushButton({ name = "roundendok", caption = "WORD_CONTINUE", x = 300, y = 320,
                     default = true, close = true }),
})

if wordRoundEndScript ~= nil and wordRoundEndScript ~= "" and fileExists(wordRoundEndScript) then
  ReadFile(wordRoundEndScript)
end
