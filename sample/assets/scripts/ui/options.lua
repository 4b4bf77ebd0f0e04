-- The sample game's options: full screen and sound on/off boxes and the effects and music
-- volume sliders. The window behind it ("OptionsWindow") sets the boxes and sliders from the
-- player's settings and applies the sliders as they move; OK stores the levels, Cancel puts
-- back the levels, the sound and the window mode the dialog opened with. Opened from a level
-- it also offers the way back to the main menu and the way out of the game.

local kLabelFont = { "fonts/sans.mvec", 18, Color(255, 255, 255) }

local function CheckBox(t)
  t.type = kToggle
  t.graphics = { "images/toggle_off.png", "images/toggle_on.png",
                 "images/toggle_off_rollover.png", "images/toggle_on_rollover.png" }
  t.sound = "audio/click.ogg"
  table.insert(t, SelectLayer(kAllLayers))
  -- The caption sits in the middle of the 200 x 44 box image, as a push button's does.
  table.insert(t, Text({ name = t.name .. "label", label = t.caption, x = 0, y = 0, w = 200,
                         h = 44, flags = kHAlignCenter + kVAlignCenter, font = kLabelFont }))
  return Button(t)
end

local function VolumeSlider(t)
  t.w, t.h = 300, 28
  t.railtop, t.railmid, t.railbot = "images/rail_end.png", "images/rail_mid.png",
                                    "images/rail_end.png"
  t.sliderimage, t.sliderrollimage = "images/thumb.png", "images/thumb_rollover.png"
  return Slider(t)
end

dofile("scripts/ui/buttons.lua")
local PushButton = DialogPushButton

-- What the open dialog has switched: the window mode and the sound, each undone by Cancel.
local gSwitched = {}

-- The box's label says what is in force: the sound as the dialog opened, or switched.
local function ShowSound()
  local on = gSwitched.soundOnAtOpen
  if gSwitched.sound then on = not on end
  if on then SetLabel("muteboxlabel", "Sound on") else SetLabel("muteboxlabel", "Sound off") end
end

local function SwitchFullScreen()
  if ToggleFullScreen() then gSwitched.fullscreen = not gSwitched.fullscreen end
end

local function SwitchSound()
  ToggleSoundMute()
  gSwitched.sound = not gSwitched.sound
  ShowSound()
end

function OptionsOk()
  SaveVolumes()
end

function OptionsCancel()
  RestoreVolumes()
  if gSwitched.fullscreen then ToggleFullScreen() end
  if gSwitched.sound then ToggleSoundMute() end
end

-- Given { level = true } (opened from a search level), the dialog has the buttons to leave;
-- it answers "menu" or "quit" when the player took one, else nil.
return function(from)
  local inLevel = type(from) == "table" and from.level == true
  local leave = nil
  gSwitched = {}
  local function Leave(how)
    return function()
      SaveVolumes()
      leave = how
    end
  end
  local id = PushModal("options")
  MakeDialog({
    OptionsWindow({ name = "optionspanel", x = 0, y = 0, w = 800, h = 600,
      Bitmap({ name = "background", image = "images/menu_bg.png", x = 0, y = 0 }),
      Text({ name = "title", label = "#Options", x = 0, y = 40, w = 800, h = 50,
             flags = kHAlignCenter, font = { "fonts/sansbold.mvec", 36, Color(255, 236, 190) } }),
      CheckBox({ name = "fullscreen", caption = "#Full screen", x = 200, y = 130,
                 command = SwitchFullScreen }),
      CheckBox({ name = "mutebox", caption = "#Sound on", x = 200, y = 180,
                 command = SwitchSound }),
      Text({ name = "sfxlabel", label = "#Effects", x = 200, y = 250, w = 300, h = 24,
             font = kLabelFont }),
      VolumeSlider({ name = "sfxlevelslider", x = 200, y = 278 }),
      Text({ name = "musiclabel", label = "#Music", x = 200, y = 330, w = 300, h = 24,
             font = kLabelFont }),
      VolumeSlider({ name = "musiclevelslider", x = 200, y = 358 }),
      PushButton({ name = "ok", caption = "#OK", x = 200, y = 460, default = true, close = true,
                   command = OptionsOk }),
      PushButton({ name = "cancel", caption = "#Cancel", x = 420, y = 460, close = true,
                   cancel = true, command = OptionsCancel }),
      PushButton({ name = "tomenu", caption = "#Main menu", x = 200, y = 520, close = true,
                   command = Leave("menu") }),
      PushButton({ name = "quitgame", caption = "#Quit game", x = 420, y = 520, close = true,
                   command = Leave("quit") }),
    }),
  })
  EnableWindow("tomenu", inLevel)
  EnableWindow("quitgame", inLevel)
  gSwitched.soundOnAtOpen = GetButtonToggleState("mutebox")
  ShowSound()
  WaitForCloseMessage(id)
  return leave
end
