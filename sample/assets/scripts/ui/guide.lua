-- The guide: an info panel of two comic pages and, along the bottom edge, the pop-up
-- navigation drawer. Each page fades in and waits: the first for "Next" (message 1021), the
-- second for "Back" (message 1022). The drawer slides up while the pointer is on it and offers
-- the way back to the menu. Running this file gives a function that opens the guide in a new
-- modal named "infoPanel"; the menu's Guide button calls it.

local kContinue = 1021
local kBack = 1022

dofile("scripts/ui/buttons.lua")

local function Tell(id)
  return function() PostMessage(CreateNamedMessage(id, "")) end
end

-- A page: its picture and caption fade in, wait for the message, and fade out again.
local function Page(name, image, caption, message)
  return {
    name = name, image = image, position = { 140, 70 }, opacity = 0,
    KSprite = { name = name .. "_caption", position = { 0, 0 },
                { text = caption, font = "sans", fontSize = 22, align = 5,
                  color = { 1, 0.95, 0.8, 1 }, background = { 0.1, 0.07, 0.04, 0.85 },
                  box = { 0, 330, 520, 44 } } },
    KAnim = {
      { type = "opacity", from = 0, to = 1, duration = 400 },
      { type = "wait", message = message },
      { type = "opacity", from = 1, to = 0, duration = 250 },
    },
  }
end

return function()
  local id = PushModal("infoPanel")
  MakeDialog({
    Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
    InfoWindow({ name = "guide", x = 0, y = 0, w = 800, h = 600, openSFX = "audio/click.ogg",
                 overlay = { Page("page1", "images/panels/page1.png", "GUIDE_PAGE1", kContinue),
                             Page("page2", "images/panels/page2.png", "GUIDE_PAGE2", kBack) },
                 -- One row between the caption and the open drawer, which covers nothing.
                 DialogPushButton({ name = "nextButton", caption = "GUIDE_NEXT", x = 520,
                                    y = 452, command = Tell(kContinue) }),
                 DialogPushButton({ name = "prevButton", caption = "GUIDE_BACK", x = 80,
                                    y = 452, command = Tell(kBack) }),
                 DialogPushButton({ name = "closeButton", caption = "GUIDE_CLOSE", x = 300,
                                    y = 452, close = true, cancel = true }) }),
    -- Closed, the tab and a strip of the board show above the bottom edge.
    PopUpNavWindow({ name = "drawer", image = "images/panels/drawer.png", x = 100, y = 556,
                     openY = 500, duration = 350, slideInAudio = "audio/rollover.ogg",
                     slideOutAudio = "audio/rollover.ogg",
                     DialogPushButton({ name = "toMenu", caption = "GUIDE_MENU", x = 200,
                                        y = 48, close = true }) }),
  })
  gGuideOpen = true
  WaitForCloseMessage(id)
  gGuideOpen = false
end
