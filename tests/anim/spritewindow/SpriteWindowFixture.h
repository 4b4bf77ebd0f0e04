// The engine on the headless display with sample fonts, for sprite windows: scripts written
// into the assets folder, a map screen opened from a creation table, and the virtual clock.
#pragma once

#include <filesystem>
#include <string>

#include "anim/AnimOverKSpriteWindow.h"
#include "anim/AnimWindowTypes.h"
#include "anim/ISpriteWindowGame.h"
#include "anim/KSpriteWindow.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"
#include "window/text/TextFixture.h"

class SpriteWindowTest : public TextTest {
protected:
  static void Pump(TPlatform* p, int events, uint32_t stepMs = 1) {
    TPlatformEvent e;
    for (int i = 0; i < events; ++i) {
      platform::os::AdvanceVirtualTime(stepMs);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }

  void Script(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(mWork + "/assets/scripts");
    WriteAsset("scripts/" + name, text);
  }

  // Pushes the modal "map" holding the sprite window "sw" (its extra creation-table entries
  // and children in `more`) and any further windows in `siblings`.
  static KSpriteWindow* Open(TPlatform* p, const std::string& runfile, const std::string& more = "",
                             const std::string& siblings = "") {
    TWindowManager* wm = p->GetWindowManager();
    RegisterAnimWindowTypes(TWindowScript::Of(wm));
    const std::string text =
        "PushModal('map') MakeDialog({ SpriteWindow({ name = 'sw', x = 0, y = 0, w = 320,"
        " h = 240, runfile = '" +
        runfile + "'" + more + " })" + siblings + " })";
    wm->RunScriptString(wm->GetRoot(), text.c_str());
    return WindowCast<KSpriteWindow>(wm->GetTopModal()->FindChild("sw", -1));
  }

  static std::string GlobalText(lua_State* L, const char* name) {
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string text = lua_isnil(L, -1) ? "nil" : LuaToStr(L, -1).CStr();
    if (lua_isboolean(L, -1)) text = lua_toboolean(L, -1) ? "true" : "false";
    lua_pop(L, 1);
    return text;
  }
};
