-- The map's sparkle trail: small sparks rise from the locus the map screen gives as "dLocus"
-- (the ship while it sails), spread a little, fade and die within 0.6 seconds. It spawns only
-- while the screen has it active ("gActive").
pAge = Allocate(1)
RequireVelocity()
SetNumParticles(40)
SetTexture("spark.png")
SetBlendMode(kBlendAdditiveAlpha)

pPosition:Init(dLocus)
pVelocity:Init(fVec(fOpenCycle(-30, 30, 7), fOpenCycle(-45, -15, 5)))
pColor:Init(Color(1, 0.9, 0.55, 1))
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pAge:Anim(pAge + fTimeScale(1000))
pColor:Anim(Color(1, 0.9, 0.55, 1) * fFade(pAge, 1, 600, 0))
Anim(fExpire(fGreater(pAge, 600)))

local rate = NewParticleGenerator()
function Update(seconds)
  if gActive then
    local n = rate(30, seconds * 1000)
    if n > 0 then Spawn(n) end
  end
end

function Create() end
