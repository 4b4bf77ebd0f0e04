-- The arcade run's pause panel, opened with Escape through makePanelWindow. Its modal window
-- stops the run's clock while it is on top. "Resume" closes it; "Save and quit" stores the run
-- ("SaveGameState"), so the next arcade run resumes it, and leaves for the menu. A shade
-- over the whole screen hides the run's scene while the panel is up. Escape is not
-- the panel's cancel key: the character of the Escape that opened it would close it again.

dofile("scripts/ui/buttons.lua")

return function(mode)
  MakeDialog({
    -- The run's scene is all but hidden while its clock stands still.
    Bitmap({ name = "pauseshade", image = "images/shade.png", x = 0, y = 0 }),
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
