-- The dialog at the end of a puzzle round, opened with DoModal: a card with the round's
-- message and a button that closes it. The message is the label in "gRoundEndMessage", set by
-- the puzzle's own round-end script, else "round_bubble_complete_string", else a plain
-- "round complete".

dofile("scripts/ui/buttons.lua")

local message = gRoundEndMessage or round_bubble_complete_string or "ROUND_COMPLETE"
gRoundEndMessage = nil

MakeDialog({
  Window({ name = "roundendshade", x = 0, y = 0, w = 800, h = 600 }),
  -- An opaque card over the clue slides, below the band where the coaching tips stand.
  Bitmap({ name = "roundendcard", image = "images/layer/panel.png", x = 10, y = 388 }),
  Text({ name = "roundendtext", label = message, x = 30, y = 408, w = 380, h = 90,
         flags = kHAlignCenter + kVAlignCenter,
         font = { "fonts/serif.mvec", 22, Color(255, 236, 190) } }),
  DialogPushButton({ name = "roundendok", caption = "ROUND_CONTINUE", x = 120, y = 518,
                     close = true, default = true }),
})
