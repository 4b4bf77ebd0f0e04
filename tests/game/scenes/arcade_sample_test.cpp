// The sample game's arcade run, from the main menu's Arcade button on the headless display and
// the virtual clock: the run's screen, the pause panel and a saved run resumed, then a whole
// 24-minute run replayed in steps of whole seconds until the game-over screen, whose continue
// button leads back to the menu.
#include <gtest/gtest.h>

#include <filesystem>

#include "game/scenes/QMArcadeGame.h"
#include "support/GameFixture.h"
#include "window/TButton.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

class ArcadeSampleTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    namespace fs = std::filesystem;
    fs::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    // The menu is opened by the test rather than by the game flow.
    fs::remove(mWork + "/assets/scripts/mainloop.lua");
    SetGameSettings();
  }

  static TWindowManager* Wm() { return TWindowManager::Instance(); }
  static void Step(uint32_t ms) {
    platform::os::AdvanceVirtualTime(ms);
    Wm()->HandleEvent(MakeEvent(kEventIdle));
  }
  static void Frames(int ms) {
    for (int t = 0; t < ms; t += 16) Step(16);
  }
  static TWindow* Find(const char* name) {
    TWindow* top = Wm()->GetTopModal();
    return top ? top->FindChild(name, -1) : nullptr;
  }
  static bool Press(const char* name) {
    auto* button = WindowCast<TButton>(Find(name));
    if (!button) return false;
    button->Press();
    Frames(32);
    return true;
  }
  static QMArcadeGame* Game() { return WindowCast<QMArcadeGame>(Find("puzzleWindow")); }
  static std::string TextOf(const char* name) {
    TText* t = TText::Cast(Find(name));
    return t ? t->GetText().CStr() : "<none>";
  }
};

TEST_F(ArcadeSampleTest, AnArcadeRunGoesFromTheMenuThroughPauseAndResumeToTheGameOverScreen) {
  RunGame([&](TPlatform*, QMGameManager& game) {
    ASSERT_TRUE(Wm()->RunScriptFile(Wm()->GetRoot(), "scripts/menu.lua"));
    Frames(48);
    ASSERT_TRUE(Press("arcade"));
    QMArcadeGame* g = Game();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(game.GetCurrentGameMode(), 1);
    EXPECT_EQ(g->GetLevel(), 1);
    EXPECT_EQ(g->GetItemsLeft(), 12);
    EXPECT_EQ(g->GetSceneOrder().size(), 3u);
    Frames(2000);
    EXPECT_EQ(TextOf("arcadescore"), "000000");
    EXPECT_EQ(TextOf("arcadetimer").substr(0, 3), "23:");
    for (int slot = 1; slot <= 12; ++slot) {
      const std::string label = TextOf(("SearchItem" + std::to_string(slot)).c_str());
      EXPECT_FALSE(label.empty() || label == "#####" || label == "<none>") << slot;
    }

    // Escape opens the pause panel; "Save and quit" stores the run and leaves for the menu.
    Wm()->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 27));
    Wm()->HandleEvent(MakeEvent(kEventChar, 0, 0, 27));
    Frames(32);
    ASSERT_NE(Find("savequit"), nullptr) << "the pause panel is open";
    ASSERT_TRUE(Press("savequit"));
    Frames(32);
    ASSERT_NE(Find("changeplayer"), nullptr) << "back at the menu";
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "Saved Game");

    // The next run resumes the saved one.
    ASSERT_TRUE(Press("arcade"));
    g = Game();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetItemsLeft(), 12);
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "");

    // Nothing happens on screen once the fade is over: the clock runs out in whole seconds.
    Frames(2000);
    int steps = 0;
    while (!g->IsRunOver() && steps < 2000) {
      Step(1000);
      ++steps;
    }
    EXPECT_TRUE(g->IsRunOver());
    EXPECT_GT(steps, 1380);
    EXPECT_LT(steps, 1445);
    ASSERT_NE(Find("gameoverwin"), nullptr) << "the game-over screen";
    EXPECT_EQ(TextOf("highscoretext"), "Time is up");
    EXPECT_EQ(TextOf("scorevalue"), "0");
    EXPECT_NE(Find("highscorebutton"), nullptr);
    EXPECT_EQ(game.GetArcadeLevel(), 1);

    ASSERT_TRUE(Press("continue"));
    Frames(32);
    EXPECT_NE(Find("changeplayer"), nullptr) << "back at the menu";
    EXPECT_EQ(Game(), nullptr);
  });
}

}  // namespace
