-- The sparkle under the pointer while it rests on a scroll button: warm sparks drift up from
-- around the pointer and fade within half a second.
pAge = Allocate(1)
RequireVelocity()
SetNumParticles(30)
SetTexture("spark.png")
SetBlendMode(kBlendAdditiveAlpha)

pPosition:Init(fVec(fOpenCycle(-12, 12, 7), fOpenCycle(-16, 16, 5)))
pVelocity:Init(fVec(fOpenCycle(-20, 20, 3), fOpenCycle(-50, -20, 4)))
pColor:Init(Color(1, 0.88, 0.5, 1))
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pAge:Anim(pAge + fTimeScale(1000))
pColor:Anim(Color(1, 0.88, 0.5, 1) * fFade(pAge, 1, 500, 0))
Anim(fExpire(fGreater(pAge, 500)))

local rate = NewParticleGenerator()
function Update(seconds)
  local n = rate(40, seconds * 1000)
  if n > 0 then Spawn(n) end
end

function Create() end
