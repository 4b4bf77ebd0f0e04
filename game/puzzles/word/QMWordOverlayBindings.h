// Window methods bound as globals of the overlay sprite window's own script for a letter
// flight ("SetLetterInGrid", "CheckForWin"). That script is not the window system's host, whose
// globals the window system resets by itself when a window dies; the owner of these bindings
// resets its globals in the overlay's script when it dies, so a flight script that outlives a
// cell or the puzzle finds nil instead of a dead window.
#pragma once

#include "anim/KSpriteWindow.h"
#include "script/LuaApi.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TScript.h"
#include "window/LuaGlobalBindings.h"
#include "window/TWindowHandle.h"

class QMWordOverlayBindings {
public:
  QMWordOverlayBindings() = default;
  QMWordOverlayBindings(const QMWordOverlayBindings&) = delete;
  QMWordOverlayBindings& operator=(const QMWordOverlayBindings&) = delete;
  ~QMWordOverlayBindings() { Reset(); }

  template <typename W, typename R, typename... A>
  void Bind(KSpriteWindow* overlay, const char* name, W* window, R (W::*method)(A...)) {
    TScript* script = overlay ? overlay->GetScript() : nullptr;
    if (!script || !window) return;
    if (!mOverlay.Refers(overlay)) Reset();
    mOverlay = TWindowHandle(overlay);
    lua_State* L = script->GetState();
    lua_pushstring(L, name);
    PushWindowMethod(L, window, method);
    lua_settable(L, LUA_GLOBALSINDEX);
    RememberGlobalBinding(L, this, name);
  }

  // Every global that still holds one of these bindings goes back to nil.
  void Reset();

private:
  TWindowHandle mOverlay;
};
