#include "anim/KPropertyParser.h"

#include <cmath>
#include <new>

#include "anim/KLuaFloats.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "sound/TSound.h"

namespace {

// Pushes the value, reads it and restores the stack.
template <class F>
auto Read(const TLuaObjectWrapper& value, F f) {
  lua_State* L = value.GetState();
  const int top = lua_gettop(L);
  value.Push();
  auto result = f(L);
  lua_settop(L, top);
  return result;
}

KFloatList Floats(const TLuaObjectWrapper& value) {
  return Read(value, [](lua_State* L) {
    KFloatList list(4, 0.0f);
    KReadLuaFloats(L, -1, list, false);
    return list;
  });
}

}  // namespace

void KPropertyConvert(const TLuaObjectWrapper& value, bool& out) {
  out = Read(value, [](lua_State* L) { return lua_toboolean(L, -1) != 0; });
}

void KPropertyConvert(const TLuaObjectWrapper& value, int& out) {
  // Past the int range (or not a number) the plain cast is undefined: taken at the edges.
  out = NumberToInt(Read(value, [](lua_State* L) { return lua_tonumber(L, -1); }));
}

void KPropertyConvert(const TLuaObjectWrapper& value, unsigned int& out) {
  const double d = Read(value, [](lua_State* L) { return lua_tonumber(L, -1); });
  // Through 64 bits, keeping the low 32: -1 gives 2^32 - 1.
  const double t = std::trunc(d);
  const int64_t wide = (t >= -9.2e18 && t <= 9.2e18) ? static_cast<int64_t>(t) : 0;
  out = static_cast<unsigned int>(static_cast<uint64_t>(wide));
}

void KPropertyConvert(const TLuaObjectWrapper& value, float& out) {
  out = static_cast<float>(Read(value, [](lua_State* L) { return lua_tonumber(L, -1); }));
}

void KPropertyConvert(const TLuaObjectWrapper& value, TVec2& out) {
  const KFloatList f = Floats(value);
  out = TVec2(f[0], f[1]);
}

void KPropertyConvert(const TLuaObjectWrapper& value, TVec3& out) {
  const KFloatList f = Floats(value);
  out = TVec3(f[0], f[1], f[2]);
}

void KPropertyConvert(const TLuaObjectWrapper& value, TVec4& out) {
  const KFloatList f = Floats(value);
  out = TVec4(f[0], f[1], f[2], f[3]);
}

void KPropertyConvert(const TLuaObjectWrapper& value, TPoint& out) {
  const KFloatList f = Floats(value);
  out = TPoint(NumberToInt(f[0]), NumberToInt(f[1]));
}

void KPropertyConvert(const TLuaObjectWrapper& value, str& out) {
  out = Read(value, [](lua_State* L) { return LuaToStr(L, -1); });
}

void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TTexture>& out) {
  out = TTexture::Get(value.GetString(), 0);
}

void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TSprite>& out) {
  out = TSprite::Create(0, TTexture::Get(value.GetString(), 0));
}

void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TSound>& out) {
  out = TSound::Get(value.GetString(), true, 1001);
}

std::unique_ptr<KTableParser> QMTableParserImpl::Create() {
  return std::unique_ptr<KTableParser>(new (std::nothrow) QMTableParserImpl());
}

void QMTableParserImpl::ApplyTable(const TLuaTable& table) {
  TLuaObjectWrapper* key = nullptr;
  auto& walked = const_cast<TLuaTable&>(table);
  while (TLuaObjectWrapper* value = walked.Next(key)) {
    ApplyPair(*key, *value);
    delete value;
  }
  delete key;
}
