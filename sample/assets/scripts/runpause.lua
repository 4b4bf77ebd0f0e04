-- The arcade run's pause panel, opened with Escape through makePanelWindow. Its modal window
-- stops the run's clock while it is on top. "Resume" closes it; "Save and quit" stores the run
-- ("SaveGameState"), so the next arcade run resumes it, and leaves for the menu. Escape is not
-- the panel's cancel key: the character of the Escape that opened it would close it again.

dofile("scripts/ui/buttons.lua")

return function(mode)
  MakeDialog({
    Bitmap({ name = "pauseback", image = "images/panel_small.png", x = 230, y = 170 }),
    Text({ name = "pausetitle", label = "ARCADE_PAUSED", x = 230, y = 190, w = 340, h = 40,
          flags = kHAlignCenter,
          font = { "fonts/sansbold.mvec", 26, Color(255, 236, 190) } }),
    DialogPushButton({ name = "resume", caption = "ARCADE_RESUME", x = 300, y = 240,
                       default = true, close = true }),
    DialogPushButton({ name = "savequit", caption = "ARCADE_SAVE_QUIT", x = 300, y = 300,
                       command = function()
                         SaveGameState()
                         PopModal("scripts/runpause.lua")
                         PopModal("arcade")
                       end }),
  })
end
