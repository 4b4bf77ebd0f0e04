-- The score submission dialog, built into the dialog window the high-score screen opens
-- ("gNameEdit", "gAccountEdit", "gPassEdit", "gRemember" and "gEligibleScore" come set). Send
-- calls SubmitToServer; the window closes the dialog itself once the server took the score.

dofile("scripts/ui/buttons.lua")

local kLabelFont = { "fonts/sans.mvec", 18, Color(210, 225, 240) }
local kFieldFont = { "fonts/sans.mvec", 18, Color(30, 30, 40) }

local function Field(name, y, password)
  return Group({
    Bitmap({ name = name .. "field", image = "images/field.png", x = 270, y = y }),
    TextEdit({ name = name, x = 278, y = y + 6, w = 244, h = 26, length = 20,
               label = "", password = password, font = kFieldFont }),
  })
end

local function Label(name, label, y)
  return Text({ name = name, label = label, x = 60, y = y + 6, w = 200, h = 26,
                font = kLabelFont })
end

-- Entering the details (false) or waiting for the server (true).
function SwitchModes(sending)
  EnableWindow("submittoserver", not sending)
  EnableWindow("submitcancel", not sending)
  EnableWindow("submitconnect", sending)
end

function SubmitScoreNow()
  SubmitToServer(GetLabel("nameedit"), GetLabel("accountedit"), GetLabel("passedit"),
                 GetButtonToggleState("remember"))
end

MakeDialog({
  Bitmap({ name = "submitbackground", image = "images/menu_bg.png", x = 0, y = 0 }),
  Text({ name = "submittitle", label = "SUBMIT_TITLE", x = 0, y = 40, w = 800, h = 50,
         flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }),
  Label("namelabel", "SUBMIT_NAME", 130), Field("nameedit", 130),
  Label("accountlabel", "SUBMIT_ACCOUNT", 180), Field("accountedit", 180),
  Label("passlabel", "SUBMIT_PASSWORD", 230), Field("passedit", 230, true),
  Button({ name = "remember", type = kToggle, x = 270, y = 280, on = gRemember,
           graphics = { "images/toggle_off.png", "images/toggle_on.png",
                        "images/toggle_off_rollover.png", "images/toggle_on_rollover.png" },
           sound = "audio/click.ogg", SelectLayer(kAllLayers),
           Text({ name = "rememberlabel", label = "SUBMIT_REMEMBER", x = 0, y = 0, w = 200,
                  h = 44, flags = kHAlignCenter + kVAlignCenter, font = kLabelFont }) }),
  Label("scorelabel", "SUBMIT_SCORE", 340),
  Text({ name = "eligiblescore", label = "#" .. tostring(gEligibleScore), x = 270, y = 346,
         w = 200, h = 26, font = { "fonts/sansbold.mvec", 20, Color(255, 220, 140) } }),
  Text({ name = "submitconnect", label = "SUBMIT_CONNECTING", x = 60, y = 400, w = 680, h = 26,
         font = kLabelFont }),
  Text({ name = "submiterror", label = "#", x = 60, y = 400, w = 680, h = 52,
         font = { "fonts/sans.mvec", 18, Color(255, 150, 130) } }),
  DialogPushButton({ name = "submittoserver", caption = "SUBMIT_SEND", x = 180, y = 470,
                     default = true, command = SubmitScoreNow }),
  DialogPushButton({ name = "submitcancel", caption = "SUBMIT_CANCEL", x = 420, y = 470,
                     close = true, cancel = true }),
  DialogPushButton({ name = "submiterrorok", caption = "SUBMIT_OK", x = 300, y = 530,
                     close = true }),
})
