#include "anim/KAnimSprite.h"

#include "render/TAnimatedSprite.h"
#include "script/LuaApi.h"
#include "script/binding/TScript.h"

KAnimSprite::KAnimSprite(boost::shared_ptr<TAnimatedSprite> sprite, const str& doneName)
    : mSprite(new boost::shared_ptr<TAnimatedSprite>(std::move(sprite))), mDoneName(doneName) {
  if (!*mSprite) return;
  mScript = (*mSprite)->GetScript();
  if (!mScript || mDoneName.IsEmpty()) return;
  lua_State* L = mScript->GetState();
  lua_pushstring(L, mDoneName.CStr());
  lua_pushlightuserdata(L, this);
  lua_pushcclosure(L, &KAnimSprite::OnDoneCalled, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
}

KAnimSprite::~KAnimSprite() { Unbind(); }

void KAnimSprite::Unbind() {
  if (!mScript) return;
  lua_State* L = mScript->GetState();
  mScript = nullptr;
  lua_pushstring(L, mDoneName.CStr());
  lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}

int KAnimSprite::OnDoneCalled(lua_State* L) {
  auto* self = static_cast<KAnimSprite*>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!self) return 0;
  KAddRef(self);
  self->Unbind();
  self->mSprite->reset();
  self->KAnimProcess::Finish();
  KReleaseRef(self);
  return 0;
}

void KAnimSprite::Start() {
  if (*mSprite) (*mSprite)->Play("DoAnim");
}

void KAnimSprite::Finish() {
  if (*mSprite) (*mSprite)->ReleaseScript();
  KAnimProcess::Finish();
}

void KAnimSprite::Cancel() {
  if (*mSprite) (*mSprite)->ReleaseScript();
  KAnimProcess::Cancel();
}
