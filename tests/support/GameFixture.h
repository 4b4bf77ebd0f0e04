// The game inside the engine on the headless platform: the sample game's asset folders a test
// names, the game's settings, and a run with the game object and the game's window types.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

#include "engine/EngineFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

// On any engine fixture: the renderer tests' one gives the frames and the log as well.
template <class Base>
class GameTestOn : public Base {
protected:
  // Copies the sample game's folders (under assets/) into the test's assets.
  void UseSampleAssets(std::initializer_list<const char*> folders) {
    namespace fs = std::filesystem;
    const std::string sample = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/";
    for (const char* folder : folders) {
      fs::create_directories(this->mWork + "/assets/" + folder);
      fs::copy(sample + folder, this->mWork + "/assets/" + folder, fs::copy_options::recursive);
    }
    SetGameSettings();
  }

  // Runs body in the engine with the game object and the game's window types.
  void RunGame(std::function<void(TPlatform*, QMGameManager&)> body) {
    this->Run("--multiple", [&](TPlatform* p) {
      Host()->DoLuaString(
          "function QMSerialized_save() return '' end "
          "function QMSerialized_restore() end function QMGameState_new() end");
      CreateGameManager();
      RegisterGameTypes(p->GetWindowManager());
      body(p, *QMGameManager::Instance());
      DestroyGameManager();
    });
    EXPECT_TRUE(Base::sBodyRan);
  }

  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Global(const char* name) { return Host()->GetGlobalString(name).CStr(); }

  // Injected input, as the platform would hand it over.
  static void Send(TPlatform* p, int type, int x, int y, int code = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, 0));
  }
  static void Click(TPlatform* p, int x, int y) {
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  // Frames on the virtual clock, 16 ms apart.
  static void Tick(TPlatform* p, int ms) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }

  // The named window of the top modal as a W; null when absent or of another class.
  template <typename W>
  static W* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return WindowCast<W>(top ? top->FindChild(name, -1) : nullptr);
  }
  static bool Shown(const char* name) {
    TWindow* w = TWindowManager::Instance()->GetTopModal()->FindChild(name, -1);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
};

using GameTest = GameTestOn<EngineTest>;
