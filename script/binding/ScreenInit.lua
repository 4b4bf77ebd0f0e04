-- The Lua half of the window library, run once per window script as "gScreenInit": constants,
-- the layout builder, modal dialogs and the message loop. The message ids (kGeneric ...
-- kUserMessageBase) are set from the engine's own table before this runs.
LUA_PATH = "?;../?;../../?"
kHAlignLeft = 0
kHAlignCenter = 1
kHAlignRight = 2
kVAlignTop = 0
kVAlignCenter = 4
kVAlignBottom = 8
kPush = 0
kToggle = 1
kRadio = 2
kAllLayers = -1
kCenter = 80000
kMax = 160000
kDefault = 128
kPushButtonAlignment = kHAlignCenter + kVAlignCenter
kRadioButtonAlignment = kHAlignLeft + kVAlignCenter
kToggleButtonAlignment = kHAlignCenter + kVAlignCenter
kCmdLine = "cmdline"
kLevel = "level"
kSubLevel = "sublevel"
kPause = "pause"
kMute = "mute"
kBreakNow = "breaknow"
kScore = "score"
kGameMode = "gamemode"
kGameOver = "gameover"
kRestartButton = "restartbutton"
kSystemMode = "systemmode"
kMaxLevel = "maxlevel"
gReturnValue = nil
kComputerId = "computerid"
kInstallKey = "installkey"
kGameName = "gamename"
kGameVersion = "version"
kEncryptionKey = "encryptionkey"
kHiscoreLocalOnly = "hiscorelocal"
kHiscoreAnonymous = "hiscoreanon"
idtable = {}
gParent = {}
gCurrentDefaultStyle = {}
gCurID = 100
gBeginGroup = 0
gClosedWindows = {}
gCommandQueue = {}
gMessageQueue = {}
gDialogTable = {}

function Color(r, g, b, a)
  if not a then return { r / 255, g / 255, b / 255, 1 } end
  return { r / 255, g / 255, b / 255, a / 255 }
end

function FColor(r, g, b, a)
  if not a then return { r, g, b, 1 } end
  return { r, g, b, a }
end

function Push(w) table.insert(gParent, 1, w) end
function Pop() table.remove(gParent, 1) end

function DoWindow(t)
  t.beginGroup = gBeginGroup
  gBeginGroup = 0
  GenericCreate(t)
  MakeDialog(t)
  PopWindow()
end

function DoDialogCommand(i, f) f() end

function MakeDialog(t)
  local style = gCurrentDefaultStyle
  if t.name and t.name ~= "" then SetWindowName(t.name) end
  table.foreachi(t, DoDialogCommand)
  typename = t.typename
  gCurrentDefaultStyle = style
  if typename then PostCreate(t, typename) end
end

function Creating(typename, t) end

function SetBeginGroup() gBeginGroup = 1 end
function BeginGroup() return function() SetBeginGroup() end end

function GetTag(t, key, ...)
  local v = t[key]
  if v ~= nil and v ~= false then return v end
  if arg.n == 0 then return GetTag(gCurrentDefaultStyle, key, true) end
  if t.parent then return GetTag(t.parent, key, true) end
  return nil
end

function SetDefaultStyle(s) gCurrentDefaultStyle = s end
function SetStyle(s) return function() SetDefaultStyle(s) end end
function AppendStyle(s)
  return function()
    s.parent = gCurrentDefaultStyle
    SetDefaultStyle(s)
  end
end

function SetFocus(name) RealSetFocus(name) end
function SetDefault(x) return function() end end

function DistributeX(n)
  divisor = n + 1
  d = {}
  for i = 1, n do d[i] = i / divisor * gDialogWidth end
  return d
end

function DistributeY(n)
  local t = {}
  for i = 1, n do t[i] = i / (n + 1) * gDialogHeight end
  return t
end

function WaitForCloseMessage(id)
  while true do
    local msg = WaitForMessage()
    if msg then
      gLastMessage = msg
      if msg.type == kModalClosed then
        if msg.name == id then return end
        gClosedWindows[msg.name] = true
      end
    end
    if gClosedWindows[id] then
      gClosedWindows[id] = nil
      return
    end
  end
end

function DoModal(file)
  local id = PushModal(file)
  ReadFile(file, id)
  DoFitToChildren()
  WaitForCloseMessage(id)
  local v = gReturnValue
  gReturnValue = nil
  return v
end

function DoMainWindow(file)
  local id = PushModal(file)
  local depth = GetWindowDepth()
  ReadFile(file, id)
  DoFitToChildren()
  while GetWindowDepth() >= depth do
    gLastMessage = WaitForMessage()
  end
end

function ModalReturn(v) gReturnValue = v end

function DisplaySplash(movie, image, duration)
  local id = PushModal("DisplaySplash")
  local translate = GetTag({}, "translate") or false
  local allowInput = GetTag({}, "allowInput") or false
  local disableAbort = GetTag({}, "disableAbort") or false
  inMovie = StartMovie(movie, translate, allowInput)
  local deadline = GetTimer() + duration
  if not inMovie then
    local overlay = GetTag({}, "splashoverlay") or Group({})
    if not image then return end
    MakeDialog({ Bitmap({ name = "splashimage", image = image, overlay }) })
    UpdateWindow()
    Pause(50)
    UpdateWindow()
    Pause(50)
    -- An image that did not load ends the splash at once; its modal goes all the same.
    if not ImageLoaded("splashimage") then
      PopModal(id)
      return
    end
  end
  while true do
    local msg = WaitForMessage(1)
    if not inMovie and GetTimer() >= deadline then break end
    if msg then
      if msg.type == kCloseWindow then break end
      if msg.type == kModalClosed then
        if msg.name == id then break end
        gClosedWindows[msg.name] = true
      end
      if msg.type == kPressAnyKey and not disableAbort then break end
    end
    if inMovie and not IsMoviePlaying() then break end
  end
  if inMovie and IsMoviePlaying() then StopMovie() end
  PopModal(id)
end

function FlushMessages()
  while HandleGetMessage(1) do end
  gCommandQueue = {}
  gMessageQueue = {}
end

function WaitForMessage(timeout, skipQueue)
  if not skipQueue then
    local n = table.getn(gMessageQueue)
    if n > 0 then return table.remove(gMessageQueue, n) end
  end
  -- A command queued meanwhile is work due now: the wait lasts until the next pass only.
  if table.getn(gCommandQueue) > 0 then timeout = 0 end
  local msg, cmd = HandleGetMessage(timeout)
  if cmd then
    gYieldResult = RunCommand(cmd)
  else
    local n = table.getn(gCommandQueue)
    if n > 0 then
      local c = table.remove(gCommandQueue, n)
      gYieldResult = RunCommand(c)
    end
  end
  return msg
end

-- Passes a command's wait on as the script's own: what it yielded (as _HostCommandStep answers
-- it) goes up, and what wakes the script comes back.
local function PassWait(n, a, b)
  if n == 0 then return coroutine.yield() end
  if n == 1 then return coroutine.yield(a) end
  if n == 2 then return coroutine.yield(a, b) end
  return coroutine.yield(unpack(a))
end

-- A command runs as a coroutine of its own, so that an error ends the command and not the
-- script waiting for messages. Each wait of the command is passed on as the script's own wait,
-- and what wakes the script wakes the command.
function RunCommand(cmd)
  if type(cmd) ~= "function" then return cmd() end
  local co = coroutine.create(cmd)
  _HostCommandThread(co, true)
  local waits, n, a, b = _HostCommandStep(co)
  while waits do
    waits, n, a, b = _HostCommandStep(co, PassWait(n, a, b))
  end
  if waits == nil then
    _ALERT("Command stopped by an error: " .. tostring(n))
    return nil
  end
  -- Ended: the second answer is what the command returned.
  return n
end

Yield = coroutine.yield

-- Runs a file of the assets folder; an error names the line that asked for the file. When the
-- file was read for a modal window just pushed for it (by DoModal and its kind) and cannot be
-- read or compiled, that window is popped again before the error goes on: no empty window is
-- left over the screen to block it.
function ReadFile(name, modal)
  local chunk, err = loadfile("assets/" .. name)
  if not chunk then
    if not modal then error(err, 2) end
    PopModal(modal)
    error(err, 3)
  end
  return chunk()
end

function CloseWindow(v)
  PostMessage(CreateCloseMessage())
  if v then ModalReturn(v) end
end

function CustomCreator(t) end

function GetString(label, a, b, c, d, e)
  return _GetString(label, a or "", b or "", c or "", d or "", e or "")
end

function SetBitmap(name, image, alpha)
  if not alpha then alpha = 1 end
  _SetBitmap(name, image, alpha)
end

function PopModal(name) DoPopModal(name) end

function SwapToModal(file)
  ClearModalChildren()
  ReadFile(file)
  DoFitToChildren()
end

function DisplayDialog(t)
  if t[1] == nil or t[1] == "" then
    DebugOut("DisplayDialog called with empty script; aborting")
    return
  end
  local id = PushModal(t[1])
  gDialogTable = t
  ReadFile(t[1], id)
  WaitForCloseMessage(id)
  local v = gReturnValue
  gReturnValue = nil
  return v
end

function SelectLayer(n) return function() DoSelectLayer(n) end end
function Group(t) return function() MakeDialog(t) end end
function FitToChildren() return function() DoFitToChildren() end end

function Pause(ms, anyKey)
  if not anyKey then anyKey = false end
  local deadline = GetTimer() + ms
  while GetTimer() < deadline do
    local msg = WaitForMessage(deadline - GetTimer(), true)
    if msg then
      if msg.type == kPressAnyKey and anyKey then return end
      table.insert(gMessageQueue, msg)
    end
  end
end

function SetState(key, value)
  if value == true then value = 1 elseif value == false then value = 0 end
  _SetState(tostring(key), tostring(value))
end

function RegisterHotkey(key, button)
  if key and button then _RegisterHotkey(key, button) end
end
