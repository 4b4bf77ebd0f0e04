#include "anim/KAnimSprite.h"

#include "core/EngineLog.h"
#include "render/TAnimatedSprite.h"
#include "script/LuaApi.h"

namespace {

// The registry entry that names the step the done function of a sprite's state belongs to.
// Several steps may play one sprite; only the step that bound the function last may unbind it.
str OwnerKey(const str& doneName) { return str("KAnimSprite.") + doneName; }

void SetField(lua_State* L, int table, const str& name, void* step) {
  lua_pushstring(L, name.CStr());
  if (step) {
    lua_pushlightuserdata(L, step);
  } else {
    lua_pushnil(L);
  }
  lua_settable(L, table);
}

}  // namespace

KAnimSprite::KAnimSprite(boost::shared_ptr<TAnimatedSprite> sprite, const str& doneName)
    : mSprite(new boost::shared_ptr<TAnimatedSprite>(std::move(sprite))), mDoneName(doneName) {}

KAnimSprite::~KAnimSprite() { Unbind(); }

void KAnimSprite::Bind() {
  if (mDoneName.IsEmpty() || !*mSprite) return;
  lua_State* L = (*mSprite)->GetScriptState(true);
  if (!L) return;
  // A step still bound is playing the sprite; this play replaces its coroutine, so its script
  // can no longer end it: it ends here instead of holding its group for ever.
  lua_pushstring(L, OwnerKey(mDoneName).CStr());
  lua_gettable(L, LUA_REGISTRYINDEX);
  auto* playing = static_cast<KAnimSprite*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (playing && playing != this) playing->Done();
  lua_pushstring(L, mDoneName.CStr());
  lua_pushlightuserdata(L, this);
  lua_pushcclosure(L, &KAnimSprite::OnDoneCalled, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  SetField(L, LUA_REGISTRYINDEX, OwnerKey(mDoneName), this);
  mBound = true;
}

void KAnimSprite::Unbind() {
  if (!mBound) return;
  mBound = false;
  lua_State* L = *mSprite ? (*mSprite)->GetScriptState(false) : nullptr;
  if (!L) return;
  const str key = OwnerKey(mDoneName);
  lua_pushstring(L, key.CStr());
  lua_gettable(L, LUA_REGISTRYINDEX);
  const bool mine = lua_touserdata(L, -1) == this;
  lua_pop(L, 1);
  if (!mine) return;
  SetField(L, LUA_GLOBALSINDEX, mDoneName, nullptr);
  SetField(L, LUA_REGISTRYINDEX, key, nullptr);
}

int KAnimSprite::OnDoneCalled(lua_State* L) {
  auto* self = static_cast<KAnimSprite*>(lua_touserdata(L, lua_upvalueindex(1)));
  if (self) self->Done();
  return 0;
}

void KAnimSprite::Done() {
  KAddRef(this);
  Unbind();
  mSprite->reset();
  KAnimProcess::Finish();
  KReleaseRef(this);
}

bool KAnimSprite::HasDoAnim() const {
  lua_State* L = (*mSprite)->GetScriptState(true);
  if (!L) return false;
  lua_pushstring(L, "DoAnim");
  lua_gettable(L, LUA_GLOBALSINDEX);
  const bool found = lua_isfunction(L, -1);
  lua_pop(L, 1);
  return found;
}

void KAnimSprite::Start() {
  if (!*mSprite) return;
  // Nothing would ever call the done function, and the step's queue would wait for ever.
  if (!HasDoAnim()) {
    EngineLog("KAnimSprite: the sprite's script has no DoAnim to play; the step ends at once");
    Done();
    return;
  }
  // Bound when it starts, so that of several steps over one sprite the one playing it is the
  // one the script's call ends.
  Bind();
  (*mSprite)->Play("DoAnim");
}

void KAnimSprite::Finish() {
  if (*mSprite) (*mSprite)->ReleaseScript();
  KAnimProcess::Finish();
}

void KAnimSprite::Cancel() {
  if (*mSprite) (*mSprite)->ReleaseScript();
  KAnimProcess::Cancel();
}
