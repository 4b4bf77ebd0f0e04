-- The sequence puzzle's round-end dialog, run by DoModal in a modal of its own. The round's
-- file, named by sequence_round_end_modal_round, returns the dialog's title and text labels.
local round = dofile("assets/" .. sequence_round_end_modal_round) or {}
PlayGlobalSound("audio/sequence/round")
MakeDialog({
  Bitmap({ name = "panel", image = "sequence/panel.png", x = 200, y = 170 }),
  Text({ name = "title", label = round.title or "SEQ_END_TITLE", x = 220, y = 186, w = 360,
         h = 40, flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 28, Color(255, 236, 190) } }),
  Text({ name = "text", label = round.text or "", x = 230, y = 236, w = 340, h = 90,
         flags = kHAlignCenter, font = { "fonts/serif.mvec", 18, Color(240, 230, 210) } }),
  DialogPushButton({ name = "ok", caption = "SEQ_CONTINUE", x = 300, y = 330, close = true,
                     default = true }),
})
