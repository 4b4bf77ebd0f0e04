// How native code is bound to Lua: a global native closure whose one upvalue is a plain full
// userdata holding the callable, and a thunk per signature that converts the arguments, makes
// the call and pushes the result. No thunk raises a Lua error: wrong arguments convert to
// empty strings, zeros, false or null.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "core/str.h"
#include "script/LuaApi.h"

class TLuaTable;
class TMessage;
class TWindow;

// Truncation toward zero, saturating, with NaN as 0 (the plain cast is undefined there).
inline int NumberToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

// Text of a string or number (numbers convert in their slot as Lua does), UTF-8 of a wide
// string, else empty.
str LuaToStr(lua_State* L, int idx);
void LuaPushStr(lua_State* L, const str& s);
// Wraps the value at idx (nil when idx is past the top) for the owning script to delete at
// its next resume.
TLuaTable* LuaToTable(lua_State* L, int idx);
TMessage* LuaToMessage(lua_State* L, int idx);
void PushLuaMessage(lua_State* L, TMessage* m);

namespace luabind {

template <typename T>
struct Arg;
template <>
struct Arg<str> {
  static str Get(lua_State* L, int i) { return LuaToStr(L, i); }
};
template <>
struct Arg<const str&> : Arg<str> {};
template <>
struct Arg<int> {
  static int Get(lua_State* L, int i) { return NumberToInt(lua_tonumber(L, i)); }
};
template <>
struct Arg<float> {
  static float Get(lua_State* L, int i) { return static_cast<float>(lua_tonumber(L, i)); }
};
template <>
struct Arg<bool> {
  static bool Get(lua_State* L, int i) { return lua_toboolean(L, i) != 0; }
};
template <>
struct Arg<TLuaTable*> {
  static TLuaTable* Get(lua_State* L, int i) { return LuaToTable(L, i); }
};
template <>
struct Arg<TMessage*> {
  static TMessage* Get(lua_State* L, int i) { return LuaToMessage(L, i); }
};

inline int Push(lua_State* L, const str& s) {
  LuaPushStr(L, s);
  return 1;
}
inline int Push(lua_State* L, bool b) {
  lua_pushboolean(L, b ? 1 : 0);
  return 1;
}
inline int Push(lua_State* L, int n) {
  lua_pushnumber(L, n);
  return 1;
}
inline int Push(lua_State* L, unsigned n) {
  lua_pushnumber(L, static_cast<double>(n));
  return 1;
}
// A null message is nil to the script, not a message userdata holding nothing.
inline int Push(lua_State* L, TMessage* m) {
  if (m) {
    PushLuaMessage(L, m);
  } else {
    lua_pushnil(L);
  }
  return 1;
}

template <typename F, typename... A, size_t... I>
auto CallWith(lua_State* L, F&& f, std::index_sequence<I...>) {
  (void)L;
  // Braced initialisation converts the arguments in order.
  std::tuple<std::decay_t<A>...> args{Arg<A>::Get(L, static_cast<int>(I) + 1)...};
  return std::apply(std::forward<F>(f), std::move(args));
}

template <typename C, typename R, typename... A>
struct Method {
  C* object;
  R (C::*method)(A...);
};

// M is the member pointer type, const-qualified or not.
template <typename C, typename M>
struct MemberOf {
  C* object;
  M method;
};

template <typename C, typename M, typename R, typename... A>
int MethodThunk(lua_State* L) {
  MemberOf<C, M> m;
  std::memcpy(static_cast<void*>(&m), lua_touserdata(L, lua_upvalueindex(1)), sizeof(m));
  auto call = [&](auto&&... args) -> R { return (m.object->*m.method)(args...); };
  if constexpr (std::is_void_v<R>) {
    CallWith<decltype(call)&, A...>(L, call, std::index_sequence_for<A...>{});
    return 0;
  } else {
    return Push(L, CallWith<decltype(call)&, A...>(L, call, std::index_sequence_for<A...>{}));
  }
}

template <typename C>
int RawMethodThunk(lua_State* L) {
  Method<C, int, lua_State*> m;
  std::memcpy(static_cast<void*>(&m), lua_touserdata(L, lua_upvalueindex(1)), sizeof(m));
  return (m.object->*m.method)(L);
}

template <typename R, typename... A>
int FunctionThunk(lua_State* L) {
  R (*f)(A...);
  std::memcpy(static_cast<void*>(&f), lua_touserdata(L, lua_upvalueindex(1)), sizeof(f));
  if constexpr (std::is_void_v<R>) {
    CallWith<decltype(f)&, A...>(L, f, std::index_sequence_for<A...>{});
    return 0;
  } else {
    return Push(L, CallWith<decltype(f)&, A...>(L, f, std::index_sequence_for<A...>{}));
  }
}

// Pushes a closure of thunk over a userdata holding size bytes of callable.
inline void PushClosure(lua_State* L, lua_CFunction thunk, const void* callable, size_t size) {
  void* ud = lua_newuserdata(L, size);
  std::memcpy(ud, callable, size);
  lua_pushcclosure(L, thunk, 1);
}

inline void SetGlobal(lua_State* L, const char* name, lua_CFunction thunk, const void* callable,
                      size_t size) {
  lua_pushstring(L, name);
  PushClosure(L, thunk, callable, size);
  lua_settable(L, LUA_GLOBALSINDEX);
}

}  // namespace luabind

template <typename C, typename R, typename... A>
void BindMethod(lua_State* L, const char* name, C* object, R (C::*method)(A...)) {
  using M = R (C::*)(A...);
  luabind::MemberOf<C, M> m{object, method};
  luabind::SetGlobal(L, name, &luabind::MethodThunk<C, M, R, A...>, &m, sizeof(m));
}

template <typename C, typename R, typename... A>
void BindMethod(lua_State* L, const char* name, C* object, R (C::*method)(A...) const) {
  using M = R (C::*)(A...) const;
  luabind::MemberOf<C, M> m{object, method};
  luabind::SetGlobal(L, name, &luabind::MethodThunk<C, M, R, A...>, &m, sizeof(m));
}

// A method that reads the stack itself and returns its result count.
template <typename C>
void BindRawMethod(lua_State* L, const char* name, C* object, int (C::*method)(lua_State*)) {
  luabind::Method<C, int, lua_State*> m{object, method};
  luabind::SetGlobal(L, name, &luabind::RawMethodThunk<C>, &m, sizeof(m));
}

template <typename R, typename... A>
void BindFunction(lua_State* L, const char* name, R (*f)(A...)) {
  luabind::SetGlobal(L, name, &luabind::FunctionThunk<R, A...>, &f, sizeof(f));
}

// Pushes argument idx, or nil when the call has fewer arguments: lua_pushvalue does not check
// the top and would copy a stale slot.
inline void PushArgument(lua_State* L, int idx) {
  if (idx > lua_gettop(L)) {
    lua_pushnil(L);
  } else {
    lua_pushvalue(L, idx);
  }
}

// Sets a global to nil.
inline void ClearGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}
