-- The pause screen: the words "Paused" on a dark panel and a Resume button, over whatever was
-- playing. Info panels open it on Escape with DoModal("scripts/ui/pause.lua"), which pushes a
-- modal, fills it from this file and waits until Resume closes it. The guide, opened from the
-- menu, is not play: Escape closes it instead.

dofile("scripts/ui/buttons.lua")

-- Outside play there is nothing to pause: Escape on the guide closes it.
if gGuideOpen then
  PopModal("infoPanel")
  return
end

MakeDialog({
  Bitmap({ name = "panel", image = "images/panels/pause.png", x = 220, y = 200 }),
  Text({ name = "paused", label = "PAUSE_TITLE", x = 220, y = 226, w = 360, h = 60,
         flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 40, Color(255, 236, 190) } }),
  -- Not the cancel button: the Escape that opened the screen would close it again at once.
  DialogPushButton({ name = "resume", caption = "PAUSE_RESUME", x = 300, y = 316, close = true,
                     default = true }),
})
