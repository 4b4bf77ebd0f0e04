// The sample game's arcade run, from the main menu's Arcade button on the headless display and
// the virtual clock: the run's screen, the pause panel and a saved run resumed, then a whole
// 24-minute run replayed in steps of whole seconds until the game-over screen, whose continue
// button leads back to the menu. The magnifier scene's glass and the first scene's drifting
// clouds are looked at pixel by pixel and frame by frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/EngineLog.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "game/scenes/SceneCompositor.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
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
  // The arcade run from the menu, at a chosen level, once its scene has faded in.
  static QMArcadeGame* OpenLevel(QMGameManager& game, int level) {
    if (!Wm()->RunScriptFile(Wm()->GetRoot(), "scripts/menu.lua")) return nullptr;
    Frames(48);
    if (!Press("arcade")) return nullptr;
    QMArcadeGame* g = Game();
    if (!g) return nullptr;
    game.SetArcadeLevel(level);
    g->StartLevel();
    Frames(2000);
    return g;
  }
  static std::string Log() {
    std::ifstream in(GetLogFilePath().CStr());
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void Damage(const std::string& asset) {
    std::ofstream(mWork + "/assets/" + asset, std::ios::binary | std::ios::trunc)
        << "not a picture";
  }
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
    // The figure is the levels the run cleared, and the label says so.
    EXPECT_EQ(TextOf("levelvalue"), "0");
    EXPECT_EQ(TextOf("level"), "Levels cleared:");
    EXPECT_NE(Find("highscorebutton"), nullptr);
    EXPECT_EQ(game.GetArcadeLevel(), 1);

    ASSERT_TRUE(Press("continue"));
    Frames(32);
    EXPECT_NE(Find("changeplayer"), nullptr) << "back at the menu";
    EXPECT_EQ(Game(), nullptr);
  });
}

// A click in the play area, on an item and on bare scene, leaves the keys with the run:
// Escape still opens the pause panel and the clock stands while it is open. The panel's pause
// button does the same.
TEST_F(ArcadeSampleTest, EscapeAndThePauseButtonPauseTheRunAfterClicksInThePlayArea) {
  RunGame([&](TPlatform*, QMGameManager& game) {
    QMArcadeGame* g = OpenLevel(game, 1);
    ASSERT_NE(g, nullptr);
    const ArcadeSearchItem* item = nullptr;
    for (const QMArcadeGame::ItemPtr& candidate : *g->GetCurrentItems())
      if (candidate->InList() && !candidate->RectUnset() && !candidate->RectMissing())
        item = candidate.get();
    ASSERT_NE(item, nullptr);
    TPoint origin(0, 0);
    g->ClientToScreen(origin);
    const TPoint onItem(origin.x + (item->left + item->right) / 2,
                        origin.y + (item->top + item->bottom) / 2);
    for (const TPoint at : {onItem, TPoint(origin.x + 5, origin.y + 5)}) {
      Wm()->HandleEvent(MakeEvent(kEventLeftDown, at.x, at.y));
      Wm()->HandleEvent(MakeEvent(kEventLeftUp, at.x, at.y));
      Frames(2500);
      const float before = g->GetTimeLeft();
      Wm()->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 27));
      Wm()->HandleEvent(MakeEvent(kEventChar, 0, 0, 27));
      Frames(32);
      ASSERT_NE(Find("resume"), nullptr) << "the pause panel is open";
      const float paused = g->GetTimeLeft();
      Frames(3000);
      EXPECT_FLOAT_EQ(g->GetTimeLeft(), paused) << "the clock stands";
      EXPECT_LE(before - paused, 0.1f);
      ASSERT_TRUE(Press("resume"));
      Frames(1000);
      EXPECT_LT(g->GetTimeLeft(), paused) << "and runs again";
    }
    // The panel's pause button does what Escape does.
    ASSERT_TRUE(Press("pause"));
    ASSERT_NE(Find("resume"), nullptr) << "the pause panel is open";
    const float paused = g->GetTimeLeft();
    Frames(3000);
    EXPECT_FLOAT_EQ(g->GetTimeLeft(), paused);
    ASSERT_TRUE(Press("resume"));
    // Three sockets for the hint lights, one lit for the run's one charge.
    for (int i = 0; i < 3; ++i) {
      const std::string n = std::to_string(i);
      TWindow* socket = Find(("hintsocket" + n).c_str());
      TWindow* light = Find(("hintled" + n).c_str());
      ASSERT_TRUE(socket && light) << i;
      EXPECT_TRUE(socket->GetFlags() & kWindowShown) << i;
      EXPECT_EQ((light->GetFlags() & kWindowShown) != 0, i == 0) << i;
    }
  });
}

uint32_t PixelAt(const boost::shared_ptr<TTexture>& t, int x, int y) {
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (!t || !lock.Lock(pixels, pitch, t.get())) return 0xDEADBEEFu;
  return pixels[size_t(y) * size_t(pitch) + size_t(x)];
}

TEST_F(ArcadeSampleTest, TheMagnifierSceneShowsItsPictureEnlargedInTheGlassAndAFoundItemLeavesIt) {
  RunGame([&](TPlatform*, QMGameManager& game) {
    QMArcadeGame* g = OpenLevel(game, 2);
    ASSERT_NE(g, nullptr);
    ASSERT_STREQ(g->GetCurrentScene().CStr(), "_2_1_gameback");
    // Painted at twice the window's size and shown halved: the glass shows it at full size.
    EXPECT_FLOAT_EQ(g->GetSceneScale().x, 0.5f);
    EXPECT_FLOAT_EQ(g->GetSceneScale().y, 0.5f);
    QMMagnifyGlass* glass = dynamic_cast<QMMagnifyGlass*>(g->GetSearchTool());
    ASSERT_NE(glass, nullptr);
    EXPECT_TRUE(g->IsToolActive());
    EXPECT_NE(g->GetTextureRefresher(), nullptr);
    const boost::shared_ptr<TTexture> lens = glass->GetLensSprite()->GetTexture();
    const boost::shared_ptr<TTexture> picture =
        TTexture::GetWithMask("gameobjects/2_1_gameback?slow", "backgrounds/bgmask", false);
    ASSERT_TRUE(lens && picture);

    // An item to find, the pointer over its middle.
    const ArcadeSearchItem* item = nullptr;
    for (const QMArcadeGame::ItemPtr& candidate : *g->GetCurrentItems())
      if (candidate->state == kArcadeItemInList && candidate->image) item = candidate.get();
    ASSERT_NE(item, nullptr);
    const int iw = item->image->GetWidth(), ih = item->image->GetHeight();
    const TPoint centre(item->x + iw / 4, item->y + ih / 4);
    Wm()->HandleEvent(MakeEvent(kEventMouseMove, centre.x, centre.y));
    Frames(32);
    EXPECT_FALSE(glass->IsNormalCursor()) << "the crosshair over the play area";

    // The lens at (64 + d) shows the full-size picture at (2 * centre + d): every lens pixel is
    // half a screen pixel, the scene enlarged twice, with the item drawn in.
    const int offsets[] = {-40, -17, 0, 9, 30};
    int itemPixels = 0;
    TPoint onItemAt(0, 0);
    for (int dy : offsets)
      for (int dx : offsets) {
        const uint32_t itemPixel = PixelAt(item->image, iw / 2 + dx, ih / 2 + dy);
        const uint32_t scene = PixelAt(picture, 2 * centre.x + dx, 2 * centre.y + dy);
        const bool onItem = (itemPixel >> 24) == 0xFF;
        if (onItem && (itemPixel | 0xFF000000u) != (scene | 0xFF000000u)) {
          ++itemPixels;
          onItemAt = TPoint(dx, dy);
        }
        EXPECT_EQ(PixelAt(lens, 64 + dx, 64 + dy) | 0xFF000000u,
                  (onItem ? itemPixel : scene) | 0xFF000000u)
            << dx << "," << dy;
      }
    ASSERT_GT(itemPixels, 3) << "the samples fall on the item where it differs from the scene";

    // Found: once its animation is over the glass shows the scene without it.
    Wm()->HandleEvent(MakeEvent(kEventLeftDown, centre.x, centre.y));
    Frames(2000);
    EXPECT_NE(PixelAt(lens, 64 + onItemAt.x, 64 + onItemAt.y) | 0xFF000000u,
              PixelAt(picture, 2 * centre.x + onItemAt.x, 2 * centre.y + onItemAt.y) | 0xFF000000u)
        << "still in the glass while its found picture fades in and out";
    Frames(2500);
    EXPECT_EQ(item->state, kArcadeItemFound);
    for (int dy : offsets)
      for (int dx : offsets) {
        const uint32_t scene = PixelAt(picture, 2 * centre.x + dx, 2 * centre.y + dy);
        EXPECT_EQ(PixelAt(lens, 64 + dx, 64 + dy) | 0xFF000000u, scene | 0xFF000000u)
            << dx << "," << dy;
      }

    // After the display restored its surfaces the glass is composed afresh: each item still in
    // the scene once, the found one not at all.
    size_t unfound = 0;
    for (const QMArcadeGame::ItemPtr& each : *g->GetCurrentItems())
      unfound += each->image && (each->InList() || each->state == kArcadeItemIdle) ? 1 : 0;
    ASSERT_NE(g->GetTextureRefresher(), nullptr);
    EXPECT_TRUE(g->GetTextureRefresher()->DoTask());
    EXPECT_TRUE(g->GetTextureRefresher()->DoTask());
    glass = dynamic_cast<QMMagnifyGlass*>(g->GetSearchTool());
    ASSERT_NE(glass, nullptr);
    EXPECT_EQ(glass->GetCompositor()->GetLayerCount(), unfound);
    const boost::shared_ptr<TTexture> redrawn = glass->GetLensSprite()->GetTexture();
    EXPECT_EQ(PixelAt(redrawn, 64 + onItemAt.x, 64 + onItemAt.y) | 0xFF000000u,
              PixelAt(picture, 2 * centre.x + onItemAt.x, 2 * centre.y + onItemAt.y) | 0xFF000000u);

    // Off the play area the cursor is the normal one; the next plain scene has no glass.
    EXPECT_TRUE(g->OnMouseLeave());
    EXPECT_TRUE(glass->IsNormalCursor());
    g->GotoLevelScene(3);
    EXPECT_EQ(g->GetSearchTool(), nullptr);
    EXPECT_EQ(g->GetTextureRefresher(), nullptr);
    EXPECT_FALSE(g->OnMouseLeave());
    EXPECT_FLOAT_EQ(g->GetSceneScale().x, 1.0f);
  });
}

TEST_F(ArcadeSampleTest, TheFirstScenesCloudsDriftRightBehindTheirFrame) {
  RunGame([&](TPlatform*, QMGameManager& game) {
    QMArcadeGame* g = OpenLevel(game, 1);
    ASSERT_NE(g, nullptr);
    ASSERT_STREQ(g->GetCurrentScene().CStr(), "_1_1_gameback");
    ASSERT_EQ(g->GetAmbientScrolls().size(), 1u);
    const QMAmbientScroll& clouds = *g->GetAmbientScrolls()[0];
    ASSERT_NE(clouds.GetStripA(), nullptr);
    EXPECT_TRUE(clouds.GetStripA()->GetTexture()) << "the clouds are loaded";
    // 60 * 16 ms * 0.0001 a frame: six pixels a second, to the right.
    const float before = clouds.GetOffset();
    Frames(1008);
    EXPECT_NEAR(clouds.GetOffset() - before, 6.048f, 0.01f);
    EXPECT_GT(clouds.GetStripA()->GetDrawState().transform.m[2].x, 5.0f);
    // A new scene takes the strip away.
    g->GotoLevelScene(3);
    EXPECT_TRUE(g->GetAmbientScrolls().empty());
  });
}

TEST_F(ArcadeSampleTest, DamagedMagnifierAndCloudPicturesLeaveALogLineAndTheRunGoesOn) {
  Damage("gameobjects/2_1_gameback.png");
  Damage("images/arcade_clouds.png");
  RunGame([&](TPlatform*, QMGameManager& game) {
    QMArcadeGame* g = OpenLevel(game, 1);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetAmbientScrolls().size(), 1u);
    Frames(500);
    game.SetArcadeLevel(2);
    g->StartLevel();
    Frames(500);
    EXPECT_EQ(g->GetSearchTool(), nullptr);
    EXPECT_EQ(g->GetItemsLeft(), 12) << "the scene is still played";
    const std::string log = Log();
    for (const char* line :
         {"the ambient strip images/arcade_clouds.png behind images/arcade_skyframe.png could "
          "not be loaded",
          "the scene picture gameobjects/2_1_gameback?slow could not be loaded",
          "the magnifier scene gameobjects/2_1_gameback?slow could not be loaded"})
      EXPECT_NE(log.find(line), std::string::npos) << line;
  });
}

}  // namespace
