-- The sample game's intro: the harbour at dusk with the story's first line over a slow swell
-- of music ("IntroWindow" starts it and stops it when it closes). A click or a key ends it
-- early; otherwise it ends after a few seconds.

local kIntroLength = 7000

return function()
  local id = PushModal("introscreen")
  MakeDialog({
    IntroWindow({ name = "intro", x = 0, y = 0, w = 800, h = 600,
                  backgroundAudio = "audio/intro_theme.ogg",
      Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
      Bitmap({ name = "picture", image = "images/harbour.png", x = 290, y = 150 }),
      Text({ name = "title", label = "INTRO_TITLE", x = 0, y = 320, w = 800, h = 56,
             flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 40, Color(255, 236, 190) } }),
      Text({ name = "line", label = "INTRO_LINE", x = 0, y = 390, w = 800, h = 30,
             flags = kHAlignCenter, font = { "fonts/serif.mvec", 20, Color(210, 225, 240) } }),
      Text({ name = "skip", label = "INTRO_SKIP", x = 0, y = 540, w = 800, h = 24,
             flags = kHAlignCenter, font = { "fonts/sans.mvec", 16, Color(150, 170, 200) } }),
    }),
  })
  local deadline = GetTimer() + kIntroLength
  while GetTimer() < deadline do
    -- Woken by input or at the end, not polled.
    local msg = WaitForMessage(deadline - GetTimer())
    if msg and (msg.type == kPressAnyKey or msg.type == kCloseWindow) then break end
  end
  PopModal(id)
end
