-- Shown when the codex is cracked: the message over the puzzle and a button that closes it.
MakeDialog({
  Bitmap({ name = "codexcompletepanel", image = "codex/complete_panel.png", x = 200, y = 190 }),
  Text({ name = "codexcompletetitle", label = "CODEX_COMPLETE_TITLE", x = 200, y = 215, w = 400,
         h = 40, flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 28, Color(90, 55, 25) } }),
  Text({ name = "codexcompletetext", label = "CODEX_COMPLETE_TEXT", x = 230, y = 265, w = 340,
         h = 60, flags = kHAlignCenter, font = { "fonts/serif.mvec", 17, Color(70, 45, 20) } }),
  Button({ name = "codexcompleteok", x = 300, y = 340, close = true, default = true,
           graphics = { "images/button_normal.png", "images/button_pressed.png",
                        "images/button_rollover.png" }, sound = "audio/click.ogg",
           SelectLayer(kAllLayers),
           Text({ name = "codexcompleteoklabel", label = "CODEX_OK", x = 0, y = 0, w = 200, h = 44,
                  flags = kHAlignCenter + kVAlignCenter,
                  font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }) }),
})
