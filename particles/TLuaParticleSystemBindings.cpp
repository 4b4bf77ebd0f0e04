// The script functions a particle system binds into its own Lua state: each a global closure
// whose upvalue is the system.
#include "core/TRandom.h"
#include "particles/FArithmetic.h"
#include "particles/FMemberAccess.h"
#include "particles/FTime.h"
#include "particles/TLuaParticleSystem.h"
#include "particles/TParticleRenderer.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"

namespace {

TLuaParticleSystem* Self(lua_State* L) {
  return static_cast<TLuaParticleSystem*>(lua_touserdata(L, lua_upvalueindex(1)));
}

float Number(lua_State* L, int i) { return static_cast<float>(lua_tonumber(L, i)); }

template <int N>
int SetRendererOption(lua_State* L) {
  float v[4] = {0, 0, 0, 0};
  for (int i = 0; i < N; ++i) v[i] = Number(L, 2 + i);
  Self(L)->GetRenderer()->SetOption(LuaToStr(L, 1), TVec4{v[0], v[1], v[2], v[3]});
  return 0;
}

int SetNumParticles(lua_State* L) {
  Self(L)->SetNumParticles(NumberToInt(lua_tonumber(L, 1)));
  return 0;
}

int SetTexture(lua_State* L) {
  Self(L)->SetTextureName(LuaToStr(L, 1));
  return 0;
}

int CreateParticles(lua_State* L) {
  Self(L)->CreateParticles(Number(L, 1));
  return 0;
}

int Allocate(lua_State* L) {
  Self(L)->Allocate(L, NumberToInt(lua_tonumber(L, 1)));
  return 1;
}

int RandomRange(lua_State* L) {
  const int lo = NumberToInt(lua_tonumber(L, 1));
  const int hi = NumberToInt(lua_tonumber(L, 2));
  const double span = static_cast<double>(hi) - lo + 1.0;
  const double draw = TLuaParticleSystem::Random().genrand_res53() * span;
  lua_pushnumber(L, lo + NumberToInt(draw));
  return 1;
}

int RandomFloat(lua_State* L) {
  const double v = TLuaParticleSystem::Random().genrand_int32() / 4294967424.0;
  lua_pushnumber(L, static_cast<float>(v));
  return 1;
}

int CompileParam(lua_State* L) {
  const int width = Self(L)->CompileParam(L, 1);
  if (width < 0) return 0;
  lua_pushnumber(L, width);
  return 1;
}

int GetParticleMemberParts(lua_State* L) {
  TParticleMemberId id;
  if (lua_type(L, 1) == LUA_TUSERDATA)
    id.value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, 1)));
  lua_pushnumber(L, id.Position());
  lua_pushnumber(L, id.Width());
  return 2;
}

int AccumulateInitStream(lua_State* L) {
  Self(L)->AccumulateInitStream();
  return 0;
}

int AccumulateAnimStream(lua_State* L) {
  Self(L)->AccumulateAnimStream();
  return 0;
}

int Done(lua_State* L) {
  Self(L)->SetDone();
  return 0;
}

struct Binding {
  const char* name;
  lua_CFunction fn;
};

constexpr Binding kBindings[] = {
    {"SetRendererOption1", &SetRendererOption<1>},
    {"SetRendererOption2", &SetRendererOption<2>},
    {"SetRendererOption3", &SetRendererOption<3>},
    {"SetRendererOption4", &SetRendererOption<4>},
    {"SetNumParticles", &SetNumParticles},
    {"_SetTexture", &SetTexture},
    {"CreateParticles", &CreateParticles},
    {"Allocate", &Allocate},
    {"RandomRange", &RandomRange},
    {"RandomFloat", &RandomFloat},
    {"CompileParam", &CompileParam},
    {"GetParticleMemberParts", &GetParticleMemberParts},
    {"AccumulateInitStream", &AccumulateInitStream},
    {"AccumulateAnimStream", &AccumulateAnimStream},
    {"Done", &Done},
};

struct Creator {
  const char* name;
  TParticleCreator create;
  // Also a Lua global that builds the value.
  bool scriptFunction;
};

constexpr Creator kCreators[] = {
    {"assign", &FAssign::Create, false},
    {"lt", &FLt::Create, false},
    {"le", &FLe::Create, false},
    {"add", &FAdd::Create, false},
    {"unm", &FUnm::Create, false},
    {"mul", &FMul::Create, false},
    {"div", &FDiv::Create, false},
    {"sub", &FSub::Create, false},
    {"index", &FIndex::Create, false},
    {"newindex", &FNewIndex::Create, false},
    {"fTimeScale", &FTimeScale::Create, true},
    {"fAge", &FAge::Create, true},
    {"fPick", &FPick::Create, true},
    {"fFade", &FFade::Create, true},
    {"fOpenCycle", &FOpenCycle::Create, true},
    {"fClosedCycle", &FClosedCycle::Create, true},
    {"fAlpha", &FAlpha::Create, true},
    {"fDebug", &FDebug::Create, true},
    {"fDistance", &FDistance::Create, true},
    {"f2dRadius", &F2dRadius::Create, true},
    {"f2dRotation", &F2dRotation::Create, true},
    {"fVec", &FVec::Create, true},
    {"fRange", &FRange::Create, true},
    {"fExpire", &FExpire::Create, true},
    {"fLess", &FLt::Create, true},
    {"fLessEqual", &FLe::Create, true},
};

}  // namespace

void TLuaParticleSystem::BindScriptFunctions() {
  lua_State* L = GetState();
  for (const Creator& c : kCreators) {
    if (c.scriptFunction) {
      RegisterFunction(c.name, c.create);
    } else {
      mCreators[c.name] = c.create;
    }
  }
  lua_pushstring(L, "ParticleMemberMT");
  lua_newtable(L);
  lua_settable(L, LUA_GLOBALSINDEX);
  for (const Binding& b : kBindings) {
    lua_pushstring(L, b.name);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, b.fn, 1);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
}
