-- The push button of the sample game's dialogs: the standard images and click, and a caption
-- that shows in every state.

function DialogPushButton(t)
  t.graphics = { "images/button_normal.png", "images/button_pressed.png",
                 "images/button_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = t.name .. "label", label = t.caption, x = 0, y = 0, w = 200,
                         h = 44, flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sans.mvec", 18, Color(255, 255, 255) } }))
  return Button(t)
end
