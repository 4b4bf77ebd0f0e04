-- The codex puzzle's pointer glow: small amber sparks well up where the pointer is over the
-- solve grid (the window gives the point as "dLocus"), drift outwards, fade and die within half
-- a second. The window switches it on and off with "gActive" as the pointer enters and leaves
-- the active cells.
pAge = Allocate(1)
RequireVelocity()
SetNumParticles(48)
SetTexture("spark.png")
SetBlendMode(kBlendNormal)

pPosition:Init(dLocus)
pVelocity:Init(fVec(fOpenCycle(-40, 40, 7), fOpenCycle(-40, 40, 5)))
pColor:Init(Color(0.95, 0.6, 0.1, 1))
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pAge:Anim(pAge + fTimeScale(1000))
pColor:Anim(Color(0.95, 0.6, 0.1, 1) * fFade(pAge, 1, 500, 0))
Anim(fExpire(fGreater(pAge, 500)))

gActive = false
local rate = NewParticleGenerator()
function Update(seconds)
  if gActive then
    local n = rate(40, seconds * 1000)
    if n > 0 then Spawn(n) end
  end
end

function Create() end
