// The native functions an animated sprite binds into its script state. They belong to the
// sprite's record, which outlives the sprite while its Lua code runs: once a script has ended
// its own sprite, the functions it still calls do nothing.
#include "core/TPlatform.h"
#include "render/TAnimatedSpriteRecord.h"
#include "script/LuaApi.h"
#include "script/LuaState.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"

namespace {

struct BusyGuard {
  explicit BusyGuard(TAnimatedSprite::Record& r) : record(r) { record.Enter(); }
  ~BusyGuard() { record.Leave(); }
  TAnimatedSprite::Record& record;
};

}  // namespace

void TAnimatedSprite::Record::Bind(lua_State* L) {
  BindMethod(L, "SetCurrentFrame", this, &Record::BoundSetCurrentFrame);
  BindRawMethod(L, "WaitLuaNextFrame", this, &Record::BoundWaitLuaNextFrame);
  BindMethod(L, "Die", this, &Record::BoundDie);
  BindMethod(L, "Pause", this, &Record::BoundPause);
  BindMethod(L, "IsPlaying", this, &Record::BoundIsPlaying);
  BindMethod(L, "Load", this, &Record::BoundLoad);
  BindMethod(L, "GetScript", this, &Record::BoundGetScript);
  BindMethod(L, "SetAlpha", this, &Record::BoundSetAlpha);
  BindMethod(L, "SetLayer", this, &Record::BoundSetLayer);
  BindMethod(L, "RemoveSprite", this, &Record::BoundRemoveSprite);
  BindMethod(L, "Random", this, &Record::BoundRandom);
}

void TAnimatedSprite::Record::BoundSetCurrentFrame(int frame) {
  BusyGuard guard(*this);
  if (mSprite) mSprite->SetCurrentFrame(frame);
}

int TAnimatedSprite::Record::BoundWaitLuaNextFrame(lua_State* L) {
  BusyGuard guard(*this);
  // Only the sprite's current coroutine is timed; an older one that is still running ends
  // here suspended, never to be resumed.
  TScript* thread = mThread.script.get();
  if (thread && thread->GetState() == L) {
    if (lua_gettop(L) >= 1 && lua_isnumber(L, 1)) {
      const int ms = NumberToInt(lua_tonumber(L, 1));
      thread->SetTimer(static_cast<uint32_t>(ms < 0 ? 0 : ms), true, true, false);
    } else {
      thread->Cancel();
    }
  }
  // Inside a nested native call (a script text being run, a protected call) there is no
  // coroutine frame to leave: carry on instead.
  if (L->nCcalls != 0) return 0;
  return lua_yield(L, 0);
}

void TAnimatedSprite::Record::BoundDie() {
  BusyGuard guard(*this);
  if (mSprite) mSprite->Stop();
}

void TAnimatedSprite::Record::BoundPause(bool pause, int depth) {
  BusyGuard guard(*this);
  if (mSprite) mSprite->Pause(pause, depth);
}

bool TAnimatedSprite::Record::BoundIsPlaying(int depth) {
  BusyGuard guard(*this);
  return mSprite && mSprite->IsPlaying(depth);
}

bool TAnimatedSprite::Record::BoundLoad(str name, str image, str mask) {
  BusyGuard guard(*this);
  return mSprite && mSprite->Load(name, image, mask);
}

str TAnimatedSprite::Record::BoundGetScript() {
  BusyGuard guard(*this);
  return mSource ? mSource->GetScript() : str();
}

void TAnimatedSprite::Record::BoundSetAlpha(float alpha) {
  BusyGuard guard(*this);
  if (mSprite) mSprite->SetAlpha(alpha);
}

void TAnimatedSprite::Record::BoundSetLayer(int layer) {
  BusyGuard guard(*this);
  if (mSprite) mSprite->SetLayer(layer);
}

void TAnimatedSprite::Record::BoundRemoveSprite() {
  BusyGuard guard(*this);
  // A sprite that has no parent has nothing to leave.
  if (mSprite && mSprite->GetParent()) mSprite->RemoveFromParent();
}

int TAnimatedSprite::Record::BoundRandom(int a, int b) {
  BusyGuard guard(*this);
  // An empty range has one answer; the modulo would divide by zero.
  if (a == b) return a;
  TPlatform* platform = TPlatform::Instance();
  if (!platform) return a;
  const uint32_t span = static_cast<uint32_t>(b) - static_cast<uint32_t>(a);
  return static_cast<int>(platform->Random() % span + static_cast<uint32_t>(a));
}
