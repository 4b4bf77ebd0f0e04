-- The sample game's push buttons: their images, the click, and a caption that shows in every
-- state.

-- A push button whose caption shows in every state: its images are STEM_normal.png,
-- STEM_pressed.png and STEM_rollover.png, its caption white in the given size over w x h.
function CaptionButton(t, stem, w, h, size)
  t.graphics = { stem .. "_normal.png", stem .. "_pressed.png", stem .. "_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  table.insert(t, Text({ name = t.name .. "label", label = t.caption, x = 0, y = 0, w = w,
                         h = h, flags = kHAlignCenter + kVAlignCenter,
                         font = { "fonts/sans.mvec", size, Color(255, 255, 255) } }))
  return Button(t)
end

-- The push button of the dialogs.
function DialogPushButton(t) return CaptionButton(t, "images/button", 200, 44, 18) end
