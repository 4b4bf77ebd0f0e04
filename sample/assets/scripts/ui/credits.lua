-- The sample game's credits: "text/credits.txt" scrolls upward in a loop inside a
-- "CreditsWindow", roles on the left and names on the right, headings in gold, until Back.

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

-- The scrolling block, apart so that other screens (and tests) can show the same credits.
function CreditsWindowLayout()
  return CreditsWindow({ name = "credits", x = 20, y = 96, w = 760, h = 420,
                         file = "text/credits.txt", time = 30000, intropause = 1500,
                         columngap = 40, columnwidth = 320, font = "fonts/sans.mvec",
                         fontsize = 22, fontcolor = Color(225, 232, 245),
                         headercolor = Color(255, 210, 110) })
end

return function()
  local id = PushModal("creditsscreen")
  MakeDialog({
    Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
    Text({ name = "title", label = "CREDITS_TITLE", x = 0, y = 30, w = 800, h = 50,
           flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }),
    CreditsWindowLayout(),
    PushButton({ name = "back", caption = "BACK", x = 300, y = 536, default = true, close = true,
                 cancel = true }),
  })
  WaitForCloseMessage(id)
end
