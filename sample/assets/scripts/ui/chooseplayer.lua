-- The sample game's player selection: one radio button per profile (up to ten), a field for a
-- new player's name whose Create button shows only while the field holds text, and buttons to
-- pick or delete the checked player. The window behind it ("ChoosePlayerWindow") calls
-- UpdatePlayerChoices whenever the list changes.

local kFont = { "fonts/sans.mvec", 16, Color(230, 230, 240) }
local kLabelFont = { "fonts/sans.mvec", 18, Color(255, 255, 255) }

local function ChoiceButton(i)
  local column = math.floor(i / 5)
  local row = i - column * 5
  return Button({ name = "button" .. i, type = kRadio, x = 80 + column * 330, y = 120 + row * 40,
                  graphics = { "images/radio_off.png", "images/radio_on.png",
                               "images/radio_off_rollover.png", "images/radio_on_rollover.png" },
                  sound = "audio/click.ogg",
                  SelectLayer(kAllLayers),
                  Text({ name = "playername" .. i, label = "#", x = 30, y = 0, w = 260, h = 28,
                         flags = kVAlignCenter, font = kFont }) })
end

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

-- A player's name as typed: the markup's escape before "<", backslash and newline, so that no
-- name changes the list's style or layout.
local function Literal(name)
  return (string.gsub(name, "([<\\\n])", "\\%1"))
end

-- Shows a button per profile with its name and checks the current player's; hides the rest.
-- names holds at most ten entries; count is the number of profiles.
function UpdatePlayerChoices(current, count, names)
  gPlayerChoices = names
  for i = 0, 9 do
    local name = names[i + 1]
    EnableWindow("button" .. i, name ~= nil)
    SetLabel("playername" .. i, Literal(name or ""))
    SetButtonToggleState("button" .. i, name ~= nil and i == current)
  end
  EnableWindow("pick", count > 0)
  EnableWindow("delete", count > 0)
end

function ChoosePlayerCreate()
  local name = GetLabel("newname")
  if name == "" or IsNameInUse(name) then return end
  CreateNewUser(name)
  -- Made in this run: the menu welcomes them rather than welcoming them back.
  gNewPlayers = gNewPlayers or {}
  gNewPlayers[name] = true
  SetLabel("newname", "")
  EnableWindow("create", false)
  SetPlayerChoices()
end

function ChoosePlayerDelete()
  DeleteUser(GetCurrentSelectedUser())
  SetPlayerChoices()
end

function ChoosePlayerPick()
  SetCurrentUser(GetCurrentSelectedUser())
  gPlayerIsNew = gNewPlayers ~= nil and gNewPlayers[GetSelectedPlayerName()] == true
  gPlayerPicked = true
end

-- Builds the dialog on a new modal; the caller waits for it to close.
function BuildChoosePlayer()
  local id = PushModal("chooseplayer")
  MakeDialog({
    ChoosePlayerWindow({ name = "chooser", x = 0, y = 0, w = 800, h = 600,
      Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
      Text({ name = "title", label = "#Who is playing?", x = 0, y = 40, w = 800, h = 50,
             flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }),
      BeginGroup(),
      ChoiceButton(0), ChoiceButton(1), ChoiceButton(2), ChoiceButton(3), ChoiceButton(4),
      ChoiceButton(5), ChoiceButton(6), ChoiceButton(7), ChoiceButton(8), ChoiceButton(9),
      Text({ name = "newlabel", label = "#New player:", x = 80, y = 346, w = 200, h = 24,
             font = kLabelFont }),
      Bitmap({ name = "field", image = "images/field.png", x = 80, y = 372 }),
      TextEdit({ name = "newname", x = 88, y = 378, w = 244, h = 26, length = 20,
                 label = "Type a name", clearinitial = true, enablewindow = "create",
                 font = { "fonts/sans.mvec", 18, Color(30, 30, 40) } }),
      PushButton({ name = "create", caption = "#Create", x = 420, y = 364,
                   command = ChoosePlayerCreate }),
      PushButton({ name = "pick", caption = "#Play", x = 80, y = 460, default = true,
                   command = ChoosePlayerPick, close = true }),
      PushButton({ name = "delete", caption = "#Delete", x = 300, y = 460,
                   command = ChoosePlayerDelete }),
      PushButton({ name = "back", caption = "#Back", x = 520, y = 460, close = true,
                   cancel = true }),
    }),
  })
  EnableWindow("create", false)
  SetFocus("newname")
  return id
end

-- Answers whether the player picked a profile (rather than going back).
return function()
  gPlayerPicked = false
  WaitForCloseMessage(BuildChoosePlayer())
  return gPlayerPicked
end
