-- The animated sprites' script library, run in every new sprite script state before the
-- sprite binds its functions (SetCurrentFrame, WaitLuaNextFrame, SetAlpha, Load, GetScript,
-- Die, Pause, IsPlaying, Random). Animation descriptions write their scripts against it.

alpha = 1
alphadelta = 0
alphacount = 0

-- Milliseconds each frame shows; kept out of the globals so scripts change it through delay.
local frameDelay = 16

function delay(ms)
  frameDelay = ms
end

function pause(ms)
  WaitLuaNextFrame(ms)
end

function showFrame()
  WaitLuaNextFrame(frameDelay)
end

function fadeout(n)
  alphadelta = -alpha / n
  alphacount = n
end

function fadein(n)
  alphadelta = (1 - alpha) / n
  alphacount = n
end

function setAlpha(a)
  alpha = a
  SetAlpha(a)
end

-- Shows the listed frames (counted from 1) one after the other, stepping a fade on the way.
function frames(t)
  for i = 1, table.getn(t) do
    local frame = t[i]
    if alphacount ~= 0 then
      alpha = alpha + alphadelta
      SetAlpha(alpha)
      alphacount = alphacount - 1
      if alphacount == 0 then
        alphadelta = 0
      end
    end
    SetCurrentFrame(frame - 1)
    WaitLuaNextFrame(frameDelay)
  end
end

function loop(n, t)
  for i = 1, n do
    frames(t)
  end
end

-- Switches to another animation and plays its script: run{ "name", image = ..., mask = ...,
-- anim = "DoAnim" }.
function run(t)
  local image = t.image or ""
  local mask = t.mask or ""
  local anim = t.anim or "DoAnim"
  if Load(t[1], image, mask) then
    local chunk = loadstring(GetScript() .. "; " .. anim .. "()")
    if chunk then
      chunk()
    end
  end
end

function die()
  Die()
end

function halt()
  Pause(true, -1)
end

function isPlaying(d)
  return IsPlaying(d or -1)
end

function stop(d)
  Pause(true, d or -1)
end

function endReferences()
end

function random(a, b)
  return Random(a, b)
end
