// The game's screens inside the engine on the headless platform: the sample game's assets in
// the working folder (without its game flow, which the tests replace), the game object and the
// game's window types, and helpers that drive the screens with injected clicks and typing and
// read back what they show, log and draw.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "core/EngineLog.h"
#include "platform/display/Image.h"
#include "platform/display/headless/Display.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "sound/TSoundManager.h"
#include "support/GameFixture.h"
#include "window/TModalWindow.h"
#include "window/WindowTestSupport.h"

class GameScreenTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseSampleAssets({"audio", "cursor", "fonts", "images", "scripts", "text", "xsell"});
    std::filesystem::remove(mWork + "/assets/scripts/mainloop.lua");
    for (const char* file : {"strings.xml", "settings.xml"})
      std::filesystem::copy_file(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/" + file,
                                 mWork + "/assets/" + file);
  }

  // GameTest's run, keeping the run's log file for Log().
  void RunGame(std::function<void(TPlatform*, QMGameManager&)> body) {
    GameTest::RunGame([&](TPlatform* p, QMGameManager& g) {
      sLogPath = GetLogFilePath().CStr();
      body(p, g);
    });
  }

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
  // The last frame shown on the headless display.
  static platform::display::Image Frame() {
    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    return display ? display->Frame() : platform::display::Image();
  }
  static std::string Log() {
    std::ifstream in(sLogPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Logged(const std::string& line) { return Log().find(line) != std::string::npos; }

  static inline std::string sLogPath;
};
