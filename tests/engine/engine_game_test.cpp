#include "EngineFixture.h"

#include "core/TSettings.h"
#include "game/shell/GameMain.h"
#include "render/TDxDisplayHandler.h"

TEST_F(EngineTest, GameShowsItsTitleAndEndsOnCloseRequest) {
  SetGameSettings();
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
