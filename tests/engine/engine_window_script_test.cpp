// The window system and its scripts inside the running engine: a script pushes a modal,
// builds a tree from a layout table with an inherited style, posts and waits for messages and
// closes; the tree draws into the headless frame at the frame rate.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/EngineFixture.h"
#include "core/EngineLog.h"
#include "core/Timer.h"
#include "platform/display/headless/Display.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

constexpr uint32_t kGreen = 0xFF00FF00u;

// A window that paints itself green.
class Swatch : public TWindow {
  T_WINDOW_CLASS(Swatch, TWindow)

public:
  void Draw() override {
    TRenderer::Instance()->FillRect(TRect(0, 0, GetWidth(), GetHeight()), TColor(0, 1, 0, 1));
  }
};

// A window that has the scripts paint while it draws.
class ScriptPainter : public TWindow {
  T_WINDOW_CLASS(ScriptPainter, TWindow)

public:
  void Draw() override {
    TWindowScript::Of(TWindowManager::Instance())
        ->DoLuaString(
            "FillRect({ 10, 10, 500, 20.9 }, Color(0, 0, 255)) FillRect({ 0, 0, 5, 5 }) "
            "FillRect()");
  }
};

uint32_t Pixel(int x, int y) {
  auto* display = dynamic_cast<platform::display::headless::Display*>(
      TDxDisplayHandler::Instance()->GetContext()->GetBackend());
  return display ? display->Frame().At(x, y) : 0;
}

// The game's loop: every event goes to the window manager.
void Pump(TPlatform* p, int events, uint32_t stepMs = 1) {
  TPlatformEvent e;
  for (int i = 0; i < events; ++i) {
    platform::os::AdvanceVirtualTime(stepMs);
    p->GetEvent(e);
    p->GetWindowManager()->HandleEvent(e);
  }
}

std::string ReadLog() {
  std::ifstream in(GetLogFilePath().CStr());
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

class EngineWindowTest : public EngineTest {
protected:
  void WriteScript(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(mWork + "/assets/scripts");
    WriteAsset("scripts/" + name, text);
  }
};

TEST_F(EngineWindowTest, ScriptsBuildAWindowTreeTradeMessagesAndTheFrameShowsIt) {
  WriteScript("main.lua",
              "return function()\n"
              "  gTrace = ''\n"
              "  gId = PushModal('main')\n"
              "  SetDefaultStyle({ w = 30, h = 40 })\n"
              "  MakeDialog({ Swatch({ name = 'swatch', x = 10, y = 20 }),\n"
              "               Window({ name = 'holder', x = 100, y = 100, w = 50, h = 50 }) })\n"
              "  PostMessage(CreateNamedMessage(kUserMessageBase + 1, 'one'))\n"
              "  PostMessage(CreateNamedMessage(kUserMessageBase + 2, 'two'))\n"
              "  Pause(30)\n"
              "  gTrace = gTrace .. WaitForMessage().name .. WaitForMessage().name\n"
              "  local t0 = GetTimer()\n"
              "  local m = WaitForMessage(200)\n"
              "  gTrace = gTrace .. '|' .. tostring(m) .. ':' .. (GetTimer() - t0)\n"
              "  local c repeat c = WaitForMessage() until c\n"
              "  gTrace = gTrace .. '|' .. c.type .. ':' .. tostring(gYieldResult)\n"
              "  CloseWindow('closed')\n"
              "  WaitForCloseMessage(gId)\n"
              "  gTrace = gTrace .. '|' .. tostring(gReturnValue)\n"
              "end\n");
  WriteScript("syntax.lua", "x = = 1\n");
  WriteScript("runtime.lua", "local t = nil\nx = t.y\n");
  WriteScript("command.lua", "function gCommand() return 'commanded' end\n");

  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TWindowManager* wm = p->GetWindowManager();
    TWindowScript* host = TWindowScript::Of(wm);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(wm->GetRoot(), nullptr);
    EXPECT_EQ(wm->GetRoot()->GetWidth(), 320);
    wm->RegisterWindowType("Swatch", &Swatch::Create);
    EXPECT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/command.lua"));

    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/main.lua"));
    TWindow* main = wm->GetTopModal();
    ASSERT_EQ(main->GetName(), str("main"));
    TWindow* swatch = main->FindChild("swatch", 1);
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->GetRect().left, 10);
    EXPECT_EQ(swatch->GetRect().top, 20);
    EXPECT_EQ(swatch->GetWidth(), 30);  // from the default style
    EXPECT_EQ(main->FindChild("holder", 1)->GetWidth(), 50);

    // The pause collects both messages; the queue is then taken newest first.
    Pump(p, 40);
    EXPECT_EQ(host->GetGlobalString("gTrace"), str("twoone"));
    // The 200 ms wait ends on the virtual clock.
    Pump(p, 210);
    EXPECT_EQ(host->GetGlobalString("gTrace").Substr(0, 10), str("twoone|nil"));
    // A command alone wakes the waiting script.
    lua_State* L = host->GetState();
    lua_pushstring(L, "gCommand");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaFunction command(L);
    wm->QueueScriptMessage(nullptr, &command);
    Pump(p, 10);
    EXPECT_EQ(host->GetGlobalString("gTrace"), str("twoone|nil:200|8:commanded|closed"));
    EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());

    // Errors are logged and the host goes on.
    EXPECT_FALSE(wm->RunScriptFile(wm->GetRoot(), "scripts/syntax.lua"));
    EXPECT_FALSE(wm->RunScriptFile(wm->GetRoot(), "scripts/runtime.lua"));
    std::string log = ReadLog();
    EXPECT_NE(log.find("Lua error: scripts/syntax.lua:1:"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to run script scripts/runtime.lua: 1"), std::string::npos) << log;
  });
}

TEST_F(EngineWindowTest, TheTreeDrawsAtTheFrameRateAndSlowerInTheBackground) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    wm->RegisterWindowType("Swatch", &Swatch::Create);
    wm->RunScriptString(wm->GetRoot(),
                        "PushModal('m') MakeDialog({ Swatch({ name = 's', x = 10, y = 20, "
                        "w = 30, h = 40 }) })");
    Pump(p, 30);
    EXPECT_EQ(Pixel(15, 25), kGreen);
    EXPECT_NE(Pixel(45, 25), kGreen);

    // In the background a frame waits 200 ms.
    EngineTest::HeadlessWindow(p)->SetForegroundState(false);
    uint32_t last = wm->GetLastFrameTime();
    platform::os::AdvanceVirtualTime(100);
    wm->Invalidate();
    wm->Frame();
    EXPECT_EQ(wm->GetLastFrameTime(), last);
    platform::os::AdvanceVirtualTime(100);
    wm->Frame();
    EXPECT_EQ(wm->GetLastFrameTime(), GetTimer());
    EngineTest::HeadlessWindow(p)->SetForegroundState(true);

    // Shut-down pops every modal; nothing draws through the root afterwards.
    while (wm->GetTopModal()) wm->PopTopModal();
    Pump(p, 5, 20);
    EXPECT_EQ(wm->GetRoot(), nullptr);
  });
}

TEST_F(EngineWindowTest, ScriptsFillRectanglesAndSwapBitmaps) {
  std::filesystem::create_directories(mWork + "/assets/images");
  std::filesystem::copy_file(std::string(ENGINE_FIXTURES_DIR) + "/images/rgb16.png",
                             mWork + "/assets/images/pic.png");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    wm->RegisterWindowType("ScriptPainter", &ScriptPainter::Create);
    wm->RunScriptString(wm->GetRoot(),
                        "MakeDialog({ ScriptPainter({ name = 'paint', x = 0, y = 0, "
                        "w = 160, h = 120 }) })");
    Pump(p, 30);
    // Coordinates are truncated and a rectangle reaching past the root is clipped to it;
    // missing tables and entries are no error.
    EXPECT_EQ(Pixel(12, 12), 0xFF0000FFu);
    EXPECT_EQ(Pixel(159, 19), 0xFF0000FFu);
    EXPECT_NE(Pixel(12, 21), 0xFF0000FFu);
    EXPECT_EQ(ReadLog().find("rror"), std::string::npos) << ReadLog();

    wm->RunScriptString(
        wm->GetRoot(),
        "PushModal('pics') MakeDialog({ Bitmap({ name = 'pic', x = 0, y = 0 }) })\n"
        "gBefore = tostring(ImageLoaded('pic'))\n"
        "SetBitmap('pic', 'images/pic.png')\n"
        "gAfter = tostring(ImageLoaded('pic'))\n"
        "SetBitmap('pic', 'images/missing.png', 0.5)\n"
        "gMissing = tostring(ImageLoaded('pic')) gNone = tostring(ImageLoaded('none'))");
    TWindowScript* host = TWindowScript::Of(wm);
    EXPECT_EQ(host->GetGlobalString("gBefore"), str("false"));
    EXPECT_EQ(host->GetGlobalString("gAfter"), str("true")) << ReadLog();
    EXPECT_EQ(host->GetGlobalString("gMissing"), str("false"));
    EXPECT_EQ(host->GetGlobalString("gNone"), str("false"));
  });
}
