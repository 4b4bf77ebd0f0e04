-- Asks whether the player really means to quit, over whatever is open: a panel with the
-- question, Quit and a way back. Running this file gives a function that asks and answers
-- true when the player chose to quit.

dofile("scripts/ui/buttons.lua")

return function()
  local quit = false
  local id = PushModal("confirmquit")
  MakeDialog({
    Bitmap({ name = "confirmshade", image = "images/shade.png", x = 0, y = 0 }),
    Bitmap({ name = "confirmpanel", image = "images/panels/dialog.png", x = 170, y = 200 }),
    Text({ name = "confirmtext", label = "QUIT_ASK", x = 180, y = 216, w = 440, h = 84,
           flags = kHAlignCenter + kVAlignCenter,
           font = { "fonts/sansbold.mvec", 24, Color(255, 236, 190) } }),
    DialogPushButton({ name = "confirmno", caption = "QUIT_NO", x = 190, y = 316, close = true,
                       default = true, cancel = true }),
    DialogPushButton({ name = "confirmyes", caption = "QUIT_YES", x = 410, y = 316, close = true,
                       command = function() quit = true end }),
  })
  WaitForCloseMessage(id)
  return quit
end
