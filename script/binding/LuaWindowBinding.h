// Windows as Lua sees them. Lua never holds a window pointer: a window method bound as a global
// and a window handed to a script (its wrapper) both keep a checked handle on it. Once the
// window is gone, calling such a method or passing such a wrapper to native code raises the
// Lua error "window is gone" instead of reaching freed memory.
#pragma once

#include <cstring>
#include <type_traits>

#include "script/binding/LuaBinding.h"
#include "window/TWindow.h"

// Pushes a window wrapper (nil for null).
void PushLuaWindow(lua_State* L, TWindow* w);
// The window a wrapper at idx holds; null for nil or any other value. A wrapper whose window is
// gone raises "window is gone".
TWindow* LuaToWindow(lua_State* L, int idx);

namespace luabind {
template <>
struct Arg<TWindow*> {
  static TWindow* Get(lua_State* L, int i) { return LuaToWindow(L, i); }
};

// The userdata behind a window wrapper and behind the upvalue of a bound window method. It
// carries the metatable "hwWindowMetatable", whose __gc releases the handle.
struct WindowBinding {
  TWindowHandle window;
  // The window as the bound method's own class, valid while the handle reads it.
  void* object = nullptr;
  // The member function, copied bytewise (a member function pointer is two words here).
  alignas(void*) unsigned char method[2 * sizeof(void*)] = {};
};

// Pushes a new binding userdata for w with its metatable; returns it.
WindowBinding* PushWindowBinding(lua_State* L, TWindow* w);
// The binding at idx, or null when the value there is not one.
WindowBinding* ToWindowBinding(lua_State* L, int idx);
// Raises the Lua error "window is gone"; does not return.
int RaiseWindowGone(lua_State* L);

template <typename W, typename R, typename... A>
int WindowMethodThunk(lua_State* L) {
  using Method = R (W::*)(A...);
  auto* bound = static_cast<WindowBinding*>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!bound || !bound->window) return RaiseWindowGone(L);
  W* object = static_cast<W*>(bound->object);
  Method method;
  std::memcpy(static_cast<void*>(&method), bound->method, sizeof(method));
  auto call = [object, method](auto&&... args) -> R { return (object->*method)(args...); };
  if constexpr (std::is_void_v<R>) {
    CallWith<decltype(call)&, A...>(L, call, std::index_sequence_for<A...>{});
    return 0;
  } else {
    return Push(L, CallWith<decltype(call)&, A...>(L, call, std::index_sequence_for<A...>{}));
  }
}

}  // namespace luabind

// Pushes a closure that calls the window's method while the window lives.
template <typename W, typename R, typename... A>
void PushWindowMethod(lua_State* L, W* window, R (W::*method)(A...)) {
  static_assert(std::is_base_of_v<TWindow, W>);
  static_assert(sizeof(method) <= sizeof(luabind::WindowBinding::method));
  luabind::WindowBinding* bound = luabind::PushWindowBinding(L, window);
  bound->object = window;
  std::memcpy(bound->method, &method, sizeof(method));
  lua_pushcclosure(L, &luabind::WindowMethodThunk<W, R, A...>, 1);
}

// A window's method as a global. Copies of the global check the window on every call; the
// global itself is reset to nil when the window dies while it still holds this binding.
template <typename W, typename R, typename... A>
void BindWindowMethod(lua_State* L, const char* name, W* window, R (W::*method)(A...)) {
  if (!L || !window) return;
  lua_pushstring(L, name);
  PushWindowMethod(L, window, method);
  lua_settable(L, LUA_GLOBALSINDEX);
  window->RememberBoundGlobal(L, name);
}
