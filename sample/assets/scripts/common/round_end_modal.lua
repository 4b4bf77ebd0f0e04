-- Between two rounds of a puzzle: "round complete" over the puzzle for a moment, or until the
-- player clicks the button.
MakeDialog({
  Bitmap({ name = "roundendpanel", image = "codex/complete_panel.png", x = 200, y = 190 }),
  Text({ name = "roundendtitle", label = "ROUND_COMPLETE", x = 200, y = 235, w = 400, h = 40,
         flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 28, Color(90, 55, 25) } }),
  Button({ name = "roundendok", x = 300, y = 320, close = true, default = true,
           graphics = { "images/button_normal.png", "images/button_pressed.png",
                        "images/button_rollover.png" }, sound = "audio/click.ogg",
           SelectLayer(kAllLayers),
           Text({ name = "roundendoklabel", label = "ROUND_CONTINUE", x = 0, y = 0, w = 200,
                  h = 44, flags = kHAlignCenter + kVAlignCenter,
                  font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }) }),
})
