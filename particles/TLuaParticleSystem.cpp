#include "particles/TLuaParticleSystem.h"

#include <algorithm>
#include <cstring>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TRandom.h"
#include "particles/TParticleRenderer.h"
#include "render/TAnimatedTexture.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"
#include "script/binding/TScriptCode.h"

extern const unsigned char kBuiltinParticleScript[];
extern const unsigned long kBuiltinParticleScriptSize;

namespace {

// The generator all systems share, and how many systems are alive.
TRandom* gRandom = nullptr;
int gSystems = 0;

TRandom* MakeSeededRandom() {
  unsigned char guid[16];
  NewGuid(guid);
  uint32_t key[4];
  std::memcpy(key, guid, sizeof key);
  TRandom* random = new TRandom();
  random->init_by_array(key, 4);
  return random;
}

}  // namespace

TRandom& TLuaParticleSystem::Random() {
  // Operations run outside a system only in tests; they still get a seeded generator.
  if (!gRandom) gRandom = MakeSeededRandom();
  return *gRandom;
}

TLuaParticleSystem::TLuaParticleSystem(TParticleRenderer* renderer) : mRenderer(renderer) {
  if (!mRenderer) {
    mRenderer = new T2dParticleRenderer();
    mOwnsRenderer = true;
  }
  mCollection = new TParticleCollection();
  if (!gRandom) gRandom = MakeSeededRandom();
  ++gSystems;
  InitScript();
}

TLuaParticleSystem::~TLuaParticleSystem() {
  if (--gSystems == 0) {
    delete gRandom;
    gRandom = nullptr;
  }
  delete mScript;
  mScript = nullptr;
  delete mCollection;
  if (mOwnsRenderer) delete mRenderer;
}

lua_State* TLuaParticleSystem::GetState() const { return mScript ? mScript->GetState() : nullptr; }

void TLuaParticleSystem::InitScript() {
  delete mScript;
  mScript = nullptr;
  mScratchStream.clear();
  mAnimStream.clear();
  mInitStream.clear();
  mMemberFunctions.clear();
  mMemberWidths.clear();
  mCompileFailed = false;
  mLastUpdateError = str();
  mCollection->Reset();
  std::vector<float>().swap(mParticleData);

  mScript = new TScript(nullptr);
  lua_State* L = mScript->GetState();
  luaopen_math(L);
  lua_settop(L, 0);
  mFloatsPerParticle = 0;

  mCreators.clear();
  BindScriptFunctions();
  lua_dobuffer(L, reinterpret_cast<const char*>(kBuiltinParticleScript), kBuiltinParticleScriptSize,
               "particles.lua");
  const str init = mRenderer->GetInitString();
  lua_dobuffer(L, init.CStr(), init.Length(), "TLuaParticleSystem ParticleRenderer init string");
  lua_settop(L, 0);
}

int TLuaParticleSystem::DefineMember(const str& name, TParticleFunction* fn) {
  if (!fn) return 0;
  mMemberFunctions.push_back(fn);
  const int k = static_cast<int>(mMemberFunctions.size());
  const int width = fn->ResultType(0, nullptr);
  lua_State* L = GetState();
  lua_pushstring(L, name.CStr());
  PushMember(L, TParticleMemberId::Make(-k, width));
  lua_settable(L, LUA_GLOBALSINDEX);
  fn->SetName(name);
  return -k;
}

TParticleFunction* TLuaParticleSystem::GetMemberFunction(int n) const {
  if (n < 0 || n >= static_cast<int>(mMemberFunctions.size())) return nullptr;
  return mMemberFunctions[static_cast<size_t>(n)];
}

void TLuaParticleSystem::PushMember(lua_State* L, TParticleMemberId id) {
  lua_pushboxedpointer(L, reinterpret_cast<void*>(static_cast<uintptr_t>(id.value)));
  lua_pushstring(L, "ParticleMemberMT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_setmetatable(L, -2);
}

bool TLuaParticleSystem::IsMember(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return false;
  lua_pushstring(L, "ParticleMemberMT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  const bool member = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return member;
}

void TLuaParticleSystem::Alert(const str& message) {
  lua_State* L = GetState();
  lua_pushstring(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    LuaPushStr(L, message);
    if (lua_pcall(L, 1, 0, 0) != 0) lua_pop(L, 1);
  } else {
    lua_pop(L, 1);
    EngineLog("%s", message.CStr());
  }
}

bool TLuaParticleSystem::Load(const str& name) {
  mPendingSpawn = 0.0f;
  if (name.Find(".lua", 0, 0) < 0) {
    mScript->DoLuaString(name);
    mDone = false;
    return true;
  }
  if (!FileExists(name)) {
    EngineLog("Particle description not found: %s", name.CStr());
    return false;
  }
  const char* text = name.CStr();
  const char* slash = std::strrchr(text, '/');
  mBasePath = slash ? name.Substr(0, static_cast<unsigned>(slash - text) + 1) : str();
  mCode = TScriptCode::Get(name, mBasePath + "?;assets/?;assets/fx/?", nullptr);
  if (!mCode) return false;
  // Compiled chunks hold zero bytes, so they run from their bytes and length, not as text.
  const str code = mCode->GetCode();
  lua_State* L = GetState();
  const int top = lua_gettop(L);
  lua_dobuffer(L, code.CStr(), static_cast<size_t>(mCode->GetLength()), name.CStr());
  lua_settop(L, top);
  mDone = false;
  return true;
}

void TLuaParticleSystem::Update(int ms) {
  // The same as running "Update(seconds);" as text, without parsing a chunk every frame.
  lua_State* L = GetState();
  const int top = lua_gettop(L);
  lua_pushstring(L, "Update");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushnumber(L, ms / 1000.0);
  if (lua_pcall(L, 1, 0, 0) != 0) {
    // Update runs every frame: an error it keeps raising is logged once, not once a frame.
    const str error = LuaToStr(L, -1);
    if (error != mLastUpdateError) {
      EngineLog("DoLuaString Lua Error: %s\n\twhen running Update(%f); (repeats are not logged)",
                error.CStr(), ms / 1000.0);
      mLastUpdateError = error;
    }
  }
  lua_settop(L, top);
  RunAnimStream(ms);
}

void TLuaParticleSystem::Draw(const TVec3& origin) {
  if (mCollection->GetLiveCount() == 0) return;
  mRenderer->Draw(origin, mAlpha, mCollection->mLiveList, mCollection->GetCapacity());
}

void TLuaParticleSystem::SetNumParticles(int n) {
  if (n < 0) n = 0;
  if (n > T2dParticleRenderer::kMaxParticles) {
    EngineLog("SetNumParticles: %d particles are more than one draw holds; using %d", n,
              T2dParticleRenderer::kMaxParticles);
    n = T2dParticleRenderer::kMaxParticles;
  }
  mParticleData.assign(static_cast<size_t>(n) * mFloatsPerParticle, 0.0f);
  // Records of no floats have no block to borrow; the collection then makes its own (empty).
  mCollection->Init(n, mFloatsPerParticle, mParticleData.empty() ? nullptr : mParticleData.data());
}

void TLuaParticleSystem::SetTextureName(const str& name) {
  const str full = mBasePath + name;
  // A description of frames names an animated texture; each particle then shows the frame
  // of its frame member.
  const bool described = full.Length() >= 4 && full.Substr(full.Length() - 4) == str(".xml");
  boost::shared_ptr<TTexture> texture =
      described ? boost::shared_ptr<TTexture>(TAnimatedTexture::Get(full)) : TTexture::Get(full);
  if (!texture) EngineLog("Particle texture not found: %s", full.CStr());
  mRenderer->SetTexture(texture);
}

void TLuaParticleSystem::Allocate(lua_State* L, int n) {
  const uint8_t width = static_cast<uint8_t>(n);
  const uint32_t floats = mFloatsPerParticle + width;
  str refusal;
  if (floats > kMaxRecordFloats) {
    refusal = str::Format("Allocate(%d): a particle holds at most %u floats", n, kMaxRecordFloats);
  } else if (mMemberWidths.size() >= kStackSlots) {
    refusal = str::Format("Allocate(%d): a particle has at most %u members", n, kStackSlots);
  } else if (mCollection->GetCapacity() > 0 && floats > mCollection->GetStrideFloats()) {
    refusal = str::Format(
        "Allocate(%d) after SetNumParticles: the member would lie past the particle records", n);
  }
  if (!refusal.IsEmpty()) {
    Alert(refusal);
    lua_pushnil(L);
    return;
  }
  PushMember(L, TParticleMemberId::Make(mFloatsPerParticle, width));
  mFloatsPerParticle = static_cast<uint8_t>(floats);
  mMemberWidths.push_back(width);
}
