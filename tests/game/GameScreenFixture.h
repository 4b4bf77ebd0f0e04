// The game's screens inside the engine on the headless platform: the sample game's assets in
// the working folder, the game object and the game's window types, and helpers that drive the
// screens with injected clicks and typing and read back what they show, log and draw.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "engine/render/RenderFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

class GameScreenTest : public RenderTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    // The tests start the screens themselves, not the sample's game flow.
    std::filesystem::remove(mWork + "/assets/scripts/mainloop.lua");
    SetGameSettings();
  }

  // Runs body in the engine with the game object and the game's window types.
  void RunGame(std::function<void(TPlatform*, QMGameManager&)> body) {
    Run("--multiple", [&](TPlatform* p) {
      Host()->DoLuaString(
          "function QMSerialized_save() return '' end "
          "function QMSerialized_restore() end function QMGameState_new() end");
      CreateGameManager();
      RegisterGameTypes(p->GetWindowManager());
      body(p, *QMGameManager::Instance());
      DestroyGameManager();
    });
    EXPECT_TRUE(sBodyRan);
  }

  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Global(const char* name) { return Host()->GetGlobalString(name).CStr(); }
  static void Build(TPlatform* p, const std::string& windows) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), ("PushModal('m') MakeDialog({ " + windows + " })").c_str());
  }
  static void Send(TPlatform* p, int type, int x, int y, int code = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, 0));
  }
  static void Click(TPlatform* p, int x, int y) {
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  static void Type(TPlatform* p, const std::string& text) {
    for (unsigned char c : text) Send(p, kEventChar, 0, 0, c);
  }
  static TWindow* FindWindow(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return top ? top->FindChild(name, -1) : nullptr;
  }
  template <typename W>
  static W* Find(const char* name) {
    return WindowCast<W>(FindWindow(name));
  }
  static bool Shown(const char* name) {
    TWindow* w = FindWindow(name);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
  // Runs a sample screen's script, which builds its dialog and waits for its messages.
  static void Screen(TPlatform* p, const char* script) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), str("scripts/ui/") + script));
  }
  // The centre of a window on the screen.
  static TPoint Centre(const char* name) {
    TWindow* w = FindWindow(name);
    EXPECT_NE(w, nullptr) << name;
    TRect r;
    if (w) w->GetScreenRect(r);
    return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static void ClickOn(TPlatform* p, const char* name) {
    TPoint c = Centre(name);
    Click(p, c.x, c.y);
  }
  static size_t Playing() { return TSoundManager::Instance()->GetStreamCount(); }

  // Idle passes on the virtual clock, each step ms apart; each may run a frame and the tasks.
  static void Idle(TPlatform* p, int passes, uint32_t stepMs = 16) {
    for (int i = 0; i < passes; ++i) {
      platform::os::AdvanceVirtualTime(stepMs);
      Send(p, kEventIdle, 0, 0);
    }
  }
  // Frames to compare are drawn without the pointer over them.
  static void HidePointer(TPlatform* p) { p->SetCursorVisible(false); }
};
