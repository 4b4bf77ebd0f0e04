-- The particle description environment. Expressions over particle members build value tables
-- ({cmd = operation, params = {...}}) that the system compiles into its init and animation
-- streams; a description allocates its members, gives them start values with member:Init(...)
-- and per-frame rules with member:Anim(...), and defines Update(seconds) to spawn particles.

kBlendNormal = 0
kBlendOpaque = 1
kBlendAdditiveAlpha = 2
kBlendSubtractive = 3
kBlendMultiplicative = 4
kBlendMode = "blendmode"

ValueMT = {}

function CreateValue(name, args)
  t = { cmd = name, params = args }
  setmetatable(t, ValueMT)
  return t
end

local function AddOperators(mt)
  mt.__lt = function(a, b) return CreateValue("lt", { a, b }) end
  mt.__le = function(a, b) return CreateValue("le", { a, b }) end
  mt.__add = function(a, b) return CreateValue("add", { a, b }) end
  mt.__sub = function(a, b) return CreateValue("sub", { a, b }) end
  mt.__div = function(a, b) return CreateValue("div", { a, b }) end
  mt.__mul = function(a, b) return CreateValue("mul", { a, b }) end
  mt.__unm = function(a) return CreateValue("unm", { a }) end
end

AddOperators(ValueMT)
AddOperators(ParticleMemberMT)

ParticleMemberMT.__index = function(pm, key)
  if type(key) == "number" then
    local position = GetParticleMemberParts(pm)
    return CreateValue("index", { position, key })
  end
  return ParticleMemberMT[key]
end

ParticleMemberMT.Init = function(pm, p)
  local position, width = GetParticleMemberParts(pm)
  CompileParameters({ CreateValue("assign", { p, position, width }) })
  AccumulateInitStream()
end

ParticleMemberMT.Anim = function(pm, p)
  local position, width = GetParticleMemberParts(pm)
  CompileParameters({ CreateValue("assign", { p, position, width }) })
  AccumulateAnimStream()
end

function fGreater(a, b) return fLess(b, a) end
function fGreaterEqual(a, b) return fLessEqual(b, a) end

function Init(statement)
  CompileParameters({ statement })
  AccumulateInitStream()
end

function Anim(statement)
  CompileParameters({ statement })
  AccumulateAnimStream()
end

-- Compiling an argument may compile a nested list first, so the widths are gathered in a
-- table of this call's own and only then published as the global "sizes".
function CompileParameters(t)
  local widths = {}
  table.foreachi(t, function(i, v) widths[i] = CompileParam(v) end)
  sizes = widths
  return widths
end

function Spawn(num)
  CreateParticles(num)
  Create()
end

local function Constant(list)
  setmetatable(list, ValueMT)
  return list
end

function Value(x) return Constant({ x }) end
function Vec2(x, y) return Constant({ x, y }) end
function Vec3(x, y, z) return Constant({ x, y, z }) end
function Color(r, g, b, a) return Constant({ r, g, b, a }) end

function SetBlendMode(mode)
  SetRendererOption1("blendmode", mode)
end

function NewParticleGenerator()
  local acc = 0
  ParticlesPerSecond = function(PPS, ms)
    -- No rate spawns nothing (and keeps the accumulator from turning into NaN).
    if PPS <= 0 then return 0 end
    acc = acc + ms
    local n = math.floor(acc / 1000 * PPS)
    acc = acc - math.floor(n * 1000 / PPS)
    return n
  end
  return ParticlesPerSecond
end

function NewTimeout(seconds)
  local d = seconds
  return function(s)
    if d >= 0 then
      d = d - s
      return false
    end
    return true
  end
end

function SetTexture(texture)
  _SetTexture(texture)
end

function RequireVelocity()
  if pVelocity == nil then
    pVelocity = Allocate(2)
  end
end

function SetUpGravity(accel)
  RequireVelocity()
  pVelocity:Anim(pVelocity + fTimeScale(Vec2(0, accel)))
end

function Update()
end

function GUI_Slider(default) return default end
function GUI_Texture(default) return default end
function GUI_Select(default) return default end
