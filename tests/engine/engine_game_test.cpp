#include <filesystem>

#include "EngineFixture.h"

#include "core/TSettings.h"
#include "game/shell/GameMain.h"
#include "render/TDxDisplayHandler.h"
#include "window/TScreen.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

TEST_F(EngineTest, GameShowsItsTitleAndEndsOnCloseRequest) {
  SetGameSettings();
  WriteAsset(
      "strings.xml",
      "<Workbook><Worksheet><Table><Row><Cell><Data>windowtitle</Data></Cell>"
      "<Cell><Data>Harbor of Lost Things</Data></Cell></Row></Table></Worksheet></Workbook>");
  std::string title;
  int screenW = 0, screenH = 0;
  Run("--multiple", [&](TPlatform* p) {
    auto* w = HeadlessWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetTitle(), "Hearthwell");
    platform::window::Message close;
    close.message = platform::window::WM_CLOSE;
    w->PostMessage(close);
    GameMain(p, "");
    title = w->GetTitle();
    int l, t;
    TDxDisplayHandler::Instance()->GetViewport(l, t, screenW, screenH);
  });
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(title, "Harbor of Lost Things");
  EXPECT_EQ(screenW, 800);
  EXPECT_EQ(screenH, 600);
}

namespace {

// Counts the key presses and clicks that reach it.
// The counts live with the test: the window itself may be gone when the game has ended.
class InputCounter : public TWindow {
public:
  InputCounter(int& keys, int& clicks) : mKeys(keys), mClicks(clicks) {}
  bool OnKeyDown(unsigned char, int) override {
    ++mKeys;
    return true;
  }
  bool OnMouseDown(const TPoint&) override {
    ++mClicks;
    return true;
  }
  int& mKeys;
  int& mClicks;
};

}  // namespace

TEST_F(EngineTest, GameHandsEachKeyAndClickToTheWindowsOnce) {
  SetGameSettings();
  // A game flow that only waits: the game runs until the close request.
  std::filesystem::create_directories(mWork + "/assets/scripts");
  WriteAsset("scripts/mainloop.lua", "return function() while true do WaitForMessage() end end");
  int keys = 0, clicks = 0;
  Run("--multiple", [&](TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    auto* root = new TScreen();
    wm->SetRoot(std::unique_ptr<TWindow>(root));
    root->SetSize(800, 600);
    auto* counter = new InputCounter(keys, clicks);
    counter->SetSize(800, 600);
    root->AddChild(std::unique_ptr<TWindow>(counter));
    wm->SetFocus(counter);

    auto* w = HeadlessWindow(p);
    using namespace platform::window;
    w->PostMessage(MakeMessage(WM_MOUSEMOVE, 0, MakeLParam(100, 100)));
    w->PostMessage(MakeMessage(WM_KEYDOWN, 'A'));
    w->PostMessage(MakeMessage(WM_KEYUP, 'A', 0xC0000001));
    w->PostMessage(MakeMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(100, 100)));
    w->PostMessage(MakeMessage(WM_LBUTTONUP, 0, MakeLParam(100, 100)));
    w->PostMessage(MakeMessage(WM_CLOSE));
    GameMain(p, "");
  });
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(clicks, 1);
}
