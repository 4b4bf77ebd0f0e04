// The arcade run inside the engine on the headless platform: a scene catalogue of three scenes
// written by the test, played on the virtual clock with fixed seeds and injected events.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/CrtRandom.h"
#include "core/EngineLog.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "game/scenes/SearchOverlay.h"
#include "platform/display/Image.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "support/GameFixture.h"
#include "window/TImage.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

// Scene 1: sixteen items on a grid, three of them one group, one excluded. Scene 2 (a
// magnifier scene, painted at half the window's size): fourteen items, four excluded, so only
// ten can be asked for. Scene 3: six items, fewer than a level's entries.
std::string Catalogue() {
  std::string s = "PuzzleOrder = { '_1_1_gameback', '_2_1_gameback', '_3_1_gameback' }\n";
  s += "SearchPuzzles = { _1_1_gameback = {\n";
  for (int i = 0; i < 16; ++i) {
    const std::string name =
        i < 3 ? "vase_" + std::string(1, char('a' + i)) : "item" + std::to_string(i);
    s += "  " + name + " = { position = { " + std::to_string(40 + (i % 4) * 150) + ", " +
         std::to_string(40 + (i / 4) * 110) + " }, layer = 2 },\n";
  }
  s += "  skip = { position = { 700, 450 } },\n";
  s += "}, _2_1_gameback = {\n";
  for (int i = 0; i < 14; ++i)
    s += "  m" + std::to_string(i) + " = { position = { " + std::to_string(10 + (i % 7) * 55) +
         ", " + std::to_string(10 + (i / 7) * 100) + " } },\n";
  s += "  odd = { position = { 10.9, -3.7 }, offset = { 3, -2 } },\n";
  s += "}, _3_1_gameback = {\n";
  for (int i = 0; i < 6; ++i)
    s += "  s" + std::to_string(i) + " = { position = { " + std::to_string(10 + i * 60) +
         ", 100 }, playOffset = { 1, 1 } },\n";
  s += "} }\n";
  s += "ExcludeItems = { skip = 1, m0 = 1, m1 = 1, m2 = 1, odd = 1, item3 = 0 }\n";
  s += "SearchPuzzleData = { _1_1_gameback = \"{ ambientAnims = { 5, { type = 'other' } } }\" }\n";
  return s;
}

const char kMultiples[] =
    "ArcadeMultiple = { vase_a = { 'vases' }, vase_b = { 'vases' }, vase_c = { 'vases' },\n"
    "  item10 = { 'vase' }, item11 = { 'vase' }, m3 = { 'a', 'b' } }\n";

const char kGameOver[] =
    "gGameOverRuns = (gGameOverRuns or 0) + 1\n"
    "MakeDialog({ GameOver({ name = 'gameoverwin', x = 0, y = 0, w = 800, h = 600,\n"
    "  Text({ name = 'scorevalue', x = 0, y = 0, w = 100, h = 20, label = '' }),\n"
    "  Text({ name = 'levelvalue', x = 0, y = 30, w = 100, h = 20, label = '' }) }) })\n";

// Pause-panel functions that record how they were called.
const char kPanelFunctions[] =
    "function makePanelWindow(file, mode) gPanel = file .. '|' .. mode return 7 end "
    "function WaitForCloseMessage(id) gWaited = id end";

std::string Layout() {
  // The arcade window comes last: the texts are made and set up before it writes into them.
  std::string s = "Text({ name = 'arcadetimer', x = 600, y = 530, w = 100, h = 20, label = '' }), ";
  s += "Text({ name = 'arcadescore', x = 700, y = 530, w = 100, h = 20, label = '' }), ";
  for (int i = 1; i <= 12; ++i)
    s += "Text({ name = 'SearchItem" + std::to_string(i) +
         "', x = " + std::to_string(((i - 1) % 4) * 150) +
         ", y = " + std::to_string(530 + ((i - 1) / 4) * 20) + ", w = 140, h = 20, label = '' }), ";
  for (int i = 0; i < 3; ++i)
    s += "Window({ name = 'hintled" + std::to_string(i) + "', x = " + std::to_string(760 + i * 10) +
         ", y = 580, w = 8, h = 8 }), ";
  s += "ArcadeSearchOverlay({ name = 'searchOverlay', x = 0, y = 520, w = 800, h = 80 }), ";
  s += "ArcadeGame({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })";
  return s;
}

class ArcadeTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseSampleAssets({"fonts"});
    namespace fs = std::filesystem;
    for (const char* dir : {"scripts", "gameobjects/1_1", "gameobjects/2_1", "gameobjects/3_1"})
      fs::create_directories(mWork + "/assets/" + dir);
    WriteAsset("scripts/searchhelper.lua", Catalogue());
    WriteAsset("scripts/multiples.lua", kMultiples);
    WriteAsset("scripts/gameover.lua", kGameOver);
    WriteAsset("strings.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workbook><Worksheet><Table>\n"
               "<Row><Cell><Data>vases_m3</Data></Cell><Cell><Data>3 vases</Data></Cell></Row>\n"
               "<Row><Cell><Data>item4</Data></Cell><Cell><Data>Teapot</Data></Cell></Row>\n"
               "</Table></Worksheet></Workbook>\n");
    Png("gameobjects/1_1_gameback.png", 800, 520, 0xFF204060u);
    Png("gameobjects/2_1_gameback.png", 400, 260, 0xFF406020u);
    Png("gameobjects/3_1_gameback.png", 800, 520, 0xFF602040u);
    Png("gameobjects/strikeout.png", 8, 2, 0xFFFFFFFFu);
    for (int i = 0; i < 16; ++i) {
      const std::string name =
          i < 3 ? "vase_" + std::string(1, char('a' + i)) : "item" + std::to_string(i);
      Png("gameobjects/1_1/" + name + "_gameobj.png", 40, 30, 0xFFFF8000u);
    }
    Png("gameobjects/1_1/item4_gameobj_full.png", 60, 40, 0xFFFFFF00u);
    Png("gameobjects/1_1/skip_gameobj.png", 20, 20, 0xFFFF8000u);
    for (int i = 0; i < 14; ++i)
      Png("gameobjects/2_1/m" + std::to_string(i) + "_gameobj.png", 20, 20, 0xFF00FF00u);
    Png("gameobjects/2_1/odd_gameobj.png", 20, 20, 0xFF00FF00u);
    for (int i = 0; i < 6; ++i)
      Png("gameobjects/3_1/s" + std::to_string(i) + "_gameobj.png", 20, 20, 0xFF0000FFu);
  }

  void Png(const std::string& name, int w, int h, uint32_t colour) {
    platform::display::Image img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * size_t(h), colour);
    ASSERT_TRUE(img.SavePng(mWork + "/assets/" + name));
  }

  // The game with the pause-panel functions; body runs with the arcade screen pushed.
  void RunArcade(std::function<void(QMGameManager&)> body, int mode = 1) {
    RunGame([&](TPlatform*, QMGameManager& game) {
      Host()->DoLuaString(kPanelFunctions);
      game.SetCurrentGameMode(mode);
      body(game);
    });
  }

  // Pushes the arcade screen with both random sources seeded.
  static QMArcadeGame* Open(uint32_t seed = 1) {
    CrtSrand(seed);
    TPlatform::Instance()->GetData()->mRandom.init_genrand(seed);
    Wm()->RunScriptString(Wm()->GetTopModal(),
                          "PushModal('arcade') MakeDialog({ " + str(Layout().c_str()) + " })");
    return Game();
  }
  // Starts level 1 again with every real number drawn as real (0 takes every group).
  static QMArcadeGame* Restart(QMArcadeGame* g, uint32_t seed, double real) {
    if (!g) return nullptr;
    g->SetRealSource([real] { return real; });
    CrtSrand(seed);
    QMGameManager::Instance()->SetArcadeLevel(1);
    g->StartLevel();
    return g;
  }
  static QMArcadeGame* Game() {
    TWindow* top = Wm()->GetTopModal();
    return WindowCast<QMArcadeGame>(top ? top->FindChild("puzzleWindow", -1) : nullptr);
  }
  static TWindowManager* Wm() { return TWindowManager::Instance(); }
  static TText* Text(const std::string& name) {
    return TText::Cast(Wm()->GetTopModal()->FindChild(name.c_str(), -1));
  }
  static std::string TextOf(const std::string& name) {
    TText* t = Text(name);
    return t ? std::string(t->GetText().CStr()) : std::string("<none>");
  }
  static bool Shown(const std::string& name) {
    TWindow* w = Wm()->GetTopModal()->FindChild(name.c_str(), -1);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
  static void Idle() { Wm()->HandleEvent(MakeEvent(kEventIdle)); }
  // ms of virtual time in idle passes of 16 ms.
  static void Pass(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      Idle();
    }
  }
  static void Click(int x, int y) { Wm()->HandleEvent(MakeEvent(kEventLeftDown, x, y)); }
  static std::vector<QMArcadeGame::ItemPtr> InList(QMArcadeGame* g) {
    std::vector<QMArcadeGame::ItemPtr> out;
    for (const auto& item : *g->GetCurrentItems())
      if (item->InList()) out.push_back(item);
    return out;
  }
  static std::string Names(const std::vector<QMArcadeGame::ItemPtr>& items) {
    std::string s;
    for (const auto& item : items) s += std::string(item->name.CStr()) + " ";
    return s;
  }
  // The list slot (0-based) of a chosen group, its label compared whole; -1 when not chosen.
  static int GroupSlot(QMArcadeGame* g, const std::string& group) {
    for (int j = 0; j < 12; ++j) {
      const std::string label = g->GetGroupLabel(j).CStr();
      const size_t m = label.rfind("_m");
      if (m != std::string::npos && label.substr(0, m) == group) return j;
    }
    return -1;
  }
  // The open copies of a group.
  static std::vector<QMArcadeGame::ItemPtr> Copies(QMArcadeGame* g, const char* group) {
    std::vector<QMArcadeGame::ItemPtr> out;
    for (const auto& item : *g->GetCurrentItems())
      if (item->state == kArcadeCopyInList && item->groupText == group) out.push_back(item);
    return out;
  }
  // Clicks the middle of an item's screen rectangle.
  static void ClickItem(const ArcadeSearchItem& item) {
    Click((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  }
};

TEST_F(ArcadeTest, TheCatalogueNamesScenesFoldersAndItemsAndLevelsCycleThroughTheScenes) {
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    const std::vector<str>& order = g->GetSceneOrder();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_STREQ(order[0].CStr(), "gameobjects/1_1_gameback");
    EXPECT_STREQ(order[1].CStr(), "gameobjects/2_1_gameback?slow");
    EXPECT_STREQ(QMArcadeGame::SceneKeyOf(order[1]).CStr(), "_2_1_gameback");
    EXPECT_STREQ(QMArcadeGame::SceneKeyOf("gameobjects/clock?slow?slow").CStr(), "_clock?slow");

    struct LevelCase {
      int level;
      const char* scene;
    } levels[] = {{1, "_1_1_gameback"}, {4, "_1_1_gameback"}, {7, "_1_1_gameback"},
                  {3, "_3_1_gameback"}, {2, "_2_1_gameback"}, {5, "_2_1_gameback"}};
    for (const LevelCase& c : levels) {
      g->GotoLevelScene(c.level);
      EXPECT_STREQ(g->GetCurrentScene().CStr(), c.scene) << "level " << c.level;
    }
    g->GotoLevelScene(1);
    g->GotoScene(1);
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_3_1_gameback") << "back from the first";
    g->GotoScene(0);
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_1_1_gameback") << "on from the last";

    // The magnifier scene is painted at half size and shown scaled to the window.
    g->GotoLevelScene(2);
    EXPECT_FLOAT_EQ(g->GetSceneScale().x, 2.0f);
    EXPECT_FLOAT_EQ(g->GetSceneScale().y, 600.0f / 260.0f);
    auto& items = *g->GetCurrentItems();
    auto odd =
        *std::find_if(items.begin(), items.end(), [](const auto& i) { return i->name == "odd"; });
    EXPECT_EQ(odd->x, 10);
    EXPECT_EQ(odd->y, -3);
    EXPECT_EQ(odd->playOffsetX, 3);
    EXPECT_EQ(odd->playOffsetY, -2);
    EXPECT_TRUE(odd->excluded);
    EXPECT_STREQ(odd->imageName.CStr(), "gameobjects/2_1/odd_gameobj");
    for (const auto& item : items) {
      if (item->name == "m3") {
        EXPECT_STREQ(item->groupText.CStr(), "ab") << "members in order";
      }
      EXPECT_EQ(item->state, kArcadeItemIdle);
    }
    g->GotoLevelScene(1);
    for (const auto& item : *g->GetCurrentItems()) {
      if (item->name == "item3") {
        EXPECT_FALSE(item->excluded) << "an exclusion of 0 keeps it";
      }
      if (item->name == "vase_b") {
        EXPECT_STREQ(item->groupText.CStr(), "vases");
      }
      EXPECT_EQ(item->layer, item->name == "skip" ? -1 : 2);
    }
  });
}

TEST_F(ArcadeTest, FixedSeedsChooseTwelveSeparateEligibleItemsInTheirSlots) {
  RunArcade([&](QMGameManager&) {
    // Seed, and the names the seed chooses (in the scene's order).
    struct SeedCase {
      uint32_t seed;
      const char* chosen;
    } cases[] = {
        {1, "item8 item12 vase_c item6 item13 item11 vase_b item4 item3 item9 item14 item7 "},
        {7, "item8 item12 vase_c item6 item13 vase_b item4 item3 item5 item9 item14 vase_a "},
        {42, "item8 item12 vase_c item13 item11 item10 item3 item5 item9 item14 item7 vase_a "},
    };
    std::set<std::string> distinct;
    for (const SeedCase& c : cases) {
      QMArcadeGame* g = Restart(Open(c.seed), c.seed, 0.5);
      ASSERT_NE(g, nullptr);
      const auto chosen = InList(g);
      ASSERT_EQ(chosen.size(), 12u) << "seed " << c.seed;
      EXPECT_EQ(g->GetItemsLeft(), 12);
      std::set<int> slots;
      for (const auto& item : chosen) {
        EXPECT_FALSE(item->excluded) << item->name.CStr();
        slots.insert(item->listSlot);
        if (item->name == "item4") {
          EXPECT_EQ(TextOf("SearchItem" + std::to_string(item->listSlot)), "Teapot");
        }
        EXPECT_STREQ(g->GetEntryLabel(item->listSlot - 1).CStr(), item->name.CStr());
        TColor c2 = Text("SearchItem" + std::to_string(item->listSlot))->GetColor();
        EXPECT_FLOAT_EQ(c2.g, 1.0f);
        EXPECT_FLOAT_EQ(c2.r, 0.43f);
      }
      EXPECT_EQ(slots.size(), 12u);
      EXPECT_EQ(*slots.begin(), 1);
      EXPECT_EQ(*slots.rbegin(), 12);
      // Back in definition order after the shuffles.
      const auto& items = *g->GetCurrentItems();
      for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i]->index, int(i));
      distinct.insert(Names(chosen));
      EXPECT_EQ(Names(chosen), c.chosen) << "seed " << c.seed;
      // The same seed chooses the same items again.
      Wm()->PopTopModal();
      QMArcadeGame* again = Restart(Open(c.seed), c.seed, 0.5);
      EXPECT_EQ(Names(InList(again)), Names(chosen)) << "seed " << c.seed;
      Wm()->PopTopModal();
    }
    EXPECT_GT(distinct.size(), 1u) << "different seeds choose differently";
  });
}

TEST_F(ArcadeTest, TheShuffleIsFisherYatesOverTheRuntimeRand) {
  QMArcadeGame::ItemList items;
  for (int i = 0; i < 6; ++i) {
    items.emplace_back(new ArcadeSearchItem());
    items.back()->index = i;
  }
  CrtSrand(5);
  std::vector<int> expected = {0, 1, 2, 3, 4, 5};
  for (size_t i = 1; i < expected.size(); ++i)
    std::swap(expected[i], expected[size_t(CrtRand()) % (i + 1)]);
  CrtSrand(5);
  ShuffleArcadeItems(items);
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i]->index, expected[i]);
}

TEST_F(ArcadeTest, ScenesWithFewerEligibleItemsGiveShorterLevelsThatCanStillBeCleared) {
  RunArcade([&](QMGameManager& game) {
    // Level 2 shows the scene with eleven eligible items of fifteen.
    QMArcadeGame* g = Open();
    g->SetRealSource([] { return 0.5; });
    game.SetArcadeLevel(2);
    g->StartLevel();
    const auto chosen = InList(g);
    EXPECT_EQ(chosen.size(), 11u) << "the choice stops instead of looping";
    EXPECT_EQ(g->GetItemsLeft(), 11);
    for (const auto& item : chosen) EXPECT_FALSE(item->excluded);
    // Items sit at the scene scale: the screen rectangle is the scaled picture.
    const auto& first = *chosen.front();
    EXPECT_EQ(first.right - first.left, 40);
    for (const auto& item : chosen) ClickItem(*item);
    EXPECT_TRUE(g->IsLevelDone());
    EXPECT_EQ(game.GetArcadeLevel(), 3);

    // Level 3's scene holds six items, no more than the entries asked: no single entries, and
    // the level is passed at once rather than waiting for finds that cannot come.
    // The run goes on to level 4, back on the first scene.
    for (int i = 0; i < 10 && g->GetCurrentScene() != "_1_1_gameback"; ++i) Pass(500);
    EXPECT_EQ(g->GetLevel(), 4);
    EXPECT_EQ(game.GetArcadeLevel(), 4);
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_1_1_gameback");
    EXPECT_EQ(InList(g).size(), 12u);
  });
}

TEST_F(ArcadeTest, ChosenGroupsTakeTheFirstSlotsWithTheirCopyCountsMatchedWhole) {
  RunArcade([&](QMGameManager&) {
    // Every candidate group is taken: "vases" (three copies) and "vase" (two), whose text is
    // part of the other's and must not draw its copies.
    QMArcadeGame* g = Restart(Open(3), 3, 0.0);
    ASSERT_NE(g, nullptr);
    const int vases = GroupSlot(g, "vases");
    const int vase = GroupSlot(g, "vase");
    ASSERT_GE(vases, 0);
    ASSERT_GE(vase, 0);
    EXPECT_EQ(std::min(vases, vase), 0) << "groups take the first slots";
    EXPECT_EQ(std::max(vases, vase), 1);
    EXPECT_STREQ(g->GetGroupLabel(vases).CStr(), "vases_m3");
    EXPECT_STREQ(g->GetEntryLabel(vases).CStr(), "vases_m3");
    EXPECT_STREQ(g->GetGroupLabel(vase).CStr(), "vase_m2");
    EXPECT_EQ(TextOf("SearchItem" + std::to_string(vases + 1)), "3 vases");
    for (const auto& item : Copies(g, "vases")) EXPECT_EQ(item->listSlot, vases + 1);
    for (const auto& item : Copies(g, "vase")) EXPECT_EQ(item->listSlot, vase + 1);
    EXPECT_EQ(Copies(g, "vases").size(), 3u);
    EXPECT_EQ(Copies(g, "vase").size(), 2u);
    EXPECT_EQ(InList(g).size(), 5u + 10u);
    EXPECT_EQ(g->GetItemsLeft(), 15) << "each copy counts once";
    for (const char* name : {"vase_a,", "vase_b,", "vase_c,", "item10,", "item11,"})
      EXPECT_NE(std::string(g->GetOpenMultiples().CStr()).find(name), std::string::npos);
    EXPECT_EQ(g->GetOpenMultiples().Length(), 35u);

    // Each copy found relabels the entry with the copies left; the last one marks it found.
    const auto copies = Copies(g, "vases");
    ClickItem(*copies[0]);
    EXPECT_STREQ(g->GetGroupLabel(vases).CStr(), "vases_m2");
    ClickItem(*copies[1]);
    EXPECT_STREQ(g->GetEntryLabel(vases).CStr(), "vases_m1");
    ClickItem(*copies[2]);
    EXPECT_STREQ(g->GetEntryLabel(vases).CStr(), "vases_m1~");
    EXPECT_STREQ(g->GetGroupLabel(vase).CStr(), "vase_m2") << "the other group is untouched";
    EXPECT_EQ(g->GetItemsLeft(), 12);
    EXPECT_EQ(g->GetPendingScore(), 450);
    Pass(6500);
    int strikes = 0;
    for (TWindow* c : Text("SearchItem" + std::to_string(vases + 1))->GetChildren())
      strikes += WindowCast<TImage>(c) ? 1 : 0;
    EXPECT_EQ(strikes, 1) << "the found entry is struck out once its flash ends";
  });
}

TEST_F(ArcadeTest, TheClockShowsTheTimeDrainsDebtLowersPointsAndEarnsHints) {
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    Pass(16);
    EXPECT_EQ(TextOf("arcadetimer"), "23:59") << "the first tick shows the run's time";

    struct ClockCase {
      float minutes;
      const char* shown;
    } shown[] = {{1.5f, "01:30"}, {0.999f, "00:59"}, {75.25f, "59:15"}};
    for (const ClockCase& c : shown) {
      g->SetTimeLeft(c.minutes);
      g->TimerTick();
      EXPECT_EQ(TextOf("arcadetimer"), c.shown) << c.minutes;
    }

    // A debt of 30 seconds runs off one second per tick, whatever the time elapsed.
    g->SetTimeLeft(10.0f);
    g->SetTimeDebt(30.0f);
    for (int i = 0; i < 30; ++i) g->TimerTick();
    EXPECT_NEAR(g->GetTimeLeft(), 9.5f, 1e-3f);
    EXPECT_FLOAT_EQ(g->GetTimeDebt(), 0.0f);

    // Points per item fall by 10 each full minute, down to 10.
    g->SetTimeLeft(30.0f);
    std::vector<int> points;
    for (int minute = 0; minute < 16; ++minute) {
      points.push_back(g->GetPointsPerItem());
      platform::os::AdvanceVirtualTime(60016);
      g->TimerTick();
    }
    EXPECT_EQ(points.front(), 150);
    EXPECT_EQ(points[1], 140);
    EXPECT_EQ(points[14], 10);
    EXPECT_EQ(g->GetPointsPerItem(), 10);
    g->SetPointsPerItem(15);
    platform::os::AdvanceVirtualTime(60016);
    g->TimerTick();
    EXPECT_EQ(g->GetPointsPerItem(), 10) << "15 drops straight to 10";

    // Hints come back with the recharge: 1 to 2 adds 40 seconds, 2 to 3 stops it.
    g->SetTimeLeft(30.0f);
    g->SetHintsLeft(1);
    g->SetHintRecharge(0.01f);
    Pass(32);
    EXPECT_EQ(g->GetHintsLeft(), 2);
    EXPECT_TRUE(Shown("hintled1"));
    EXPECT_GT(g->GetHintRecharge(), 39.0f);
    g->SetHintRecharge(0.01f);
    Pass(32);
    EXPECT_EQ(g->GetHintsLeft(), 3);
    EXPECT_TRUE(Shown("hintled2"));
    EXPECT_LT(g->GetHintRecharge(), 0.0f);
  });
}

TEST_F(ArcadeTest, RunningOutOfTimeShowsTheGameOverScreenOnceAndStoresTheRun) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    g->SetPendingScore(70);
    g->SetTimeLeft(0.0f);
    g->TimerTick();
    EXPECT_FALSE(g->IsRunOver()) << "exactly 0 is not yet out of time";
    Pass(32);
    EXPECT_TRUE(g->IsRunOver());
    EXPECT_FALSE(g->IsClockRunning());
    EXPECT_EQ(Host()->GetGlobalNumber("gGameOverRuns"), 1.0);
    EXPECT_STREQ(Wm()->GetTopModal()->GetName().CStr(), "scripts/gameover.lua");
    EXPECT_EQ(TextOf("scorevalue"), "70");
    EXPECT_EQ(TextOf("levelvalue"), "0") << "the levels cleared";
    EXPECT_EQ(game.GetArcadeScore(), 70);
    EXPECT_EQ(game.GetLastArcadeLevel(), 1);
    EXPECT_EQ(game.GetArcadeLevel(), 1) << "the next run starts afresh";
    g->TimerTick();
    g->EndRun("arcadelose");
    EXPECT_EQ(Host()->GetGlobalNumber("gGameOverRuns"), 1.0) << "a run ends only once";
  });
}

TEST_F(ArcadeTest, ClicksFindItemsScoreAndWrongClicksCostTime) {
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    const auto chosen = InList(g);
    ASSERT_FALSE(chosen.empty());
    const int slot = chosen[0]->listSlot;
    ClickItem(*chosen[0]);
    EXPECT_EQ(chosen[0]->state, kArcadeItemFound);
    EXPECT_EQ(g->GetItemsLeft(), 11);
    EXPECT_EQ(g->GetPendingScore(), 150);
    EXPECT_EQ(std::string(g->GetEntryLabel(slot - 1).CStr()),
              chosen[0]->name.CStr() + std::string("~"));

    // The found points roll into the shown score in 38 frames: 37 of 4 and one of 2.
    int frames = 0;
    while (g->GetPendingScore() > 0 && frames < 100) {
      Pass(16);
      ++frames;
    }
    EXPECT_EQ(frames, 38);
    EXPECT_EQ(TextOf("arcadescore"), "000150");

    // A click on a found item is a wrong click: 30 seconds of debt and a grace; a quick second
    // one costs half a minute at once.
    const float before = g->GetTimeLeft();
    ClickItem(*chosen[0]);
    EXPECT_FLOAT_EQ(g->GetTimeDebt(), 30.0f);
    EXPECT_FLOAT_EQ(g->GetWrongClickGrace(), 0.5f);
    Click(799, 519);
    EXPECT_NEAR(g->GetTimeLeft(), before - 0.5f, 1e-4f);
    EXPECT_FLOAT_EQ(g->GetTimeDebt(), 30.0f);
  });
}

TEST_F(ArcadeTest, AHintSpendsAChargeAddsDebtAndPointsAtTheFirstUnfoundItem) {
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Restart(Open(1), 1, 0.0);
    ASSERT_NE(g, nullptr);
    const float debt = g->GetTimeDebt();
    Host()->DoLuaString("ShowArcadeHint() ShowArcadeHint()");
    EXPECT_EQ(g->GetHintsLeft(), 0) << "the second call in a row uses no charge";
    EXPECT_FLOAT_EQ(g->GetTimeDebt(), debt + 120.0f);
    EXPECT_FLOAT_EQ(g->GetHintRecharge(), 80.0f);
    EXPECT_FALSE(Shown("hintled0"));
    EXPECT_TRUE(g->HasHintSprite());
    EXPECT_EQ(g->GetItemCursor(), 0u) << "k = 0 takes the first unfound item";
    Pass(4100);
    EXPECT_FALSE(g->HasHintSprite()) << "the hint ends after its fade in and out";
    Host()->DoLuaString("ShowArcadeHint()");
    EXPECT_FALSE(g->HasHintSprite()) << "without charges only the loss sound plays";
  });
}

TEST_F(ArcadeTest, ClearingALevelStartsTheNextWithItsTimeGrantAndSavesTheLevel) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    for (const auto& item : InList(g)) ClickItem(*item);
    EXPECT_TRUE(g->IsLevelDone());
    EXPECT_FALSE(g->IsClockRunning());
    EXPECT_EQ(game.GetArcadeLevel(), 2);
    EXPECT_EQ(game.GetArcadeScore(), 12 * 150);
    // Hints and wrong clicks after the last find change nothing.
    const float debt = g->GetTimeDebt();
    Host()->DoLuaString("ShowArcadeHint()");
    Click(799, 519);
    EXPECT_EQ(g->GetHintsLeft(), 1);
    EXPECT_FLOAT_EQ(g->GetTimeDebt(), debt);
    const float left = g->GetTimeLeft();
    Pass(1000);
    EXPECT_EQ(g->GetLevel(), 2);
    EXPECT_FALSE(g->IsLevelDone());
    EXPECT_NEAR(g->GetTimeLeft(), std::min(left + 12.0f, 40.0f), 0.05f);
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_2_1_gameback");
  });
}

TEST_F(ArcadeTest, LevelTimeGrantsFollowTheTableAndAreCappedAtForty) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Open();
    struct GrantCase {
      int level;
      float before;
      float after;
    } cases[] = {{1, 5.0f, 24.0f},  {2, 5.0f, 17.0f}, {6, 5.0f, 15.0f}, {12, 5.0f, 11.0f},
                 {2, 35.0f, 40.0f}, {30, 5.0f, 5.0f}, {35, 5.0f, 5.0f}, {36, 5.0f, 5.0f}};
    for (const GrantCase& c : cases) {
      game.SetArcadeLevel(c.level);
      g->SetTimeLeft(c.before);
      g->StartLevel();
      EXPECT_FLOAT_EQ(g->GetTimeLeft(), c.after) << "level " << c.level;
    }
    game.SetArcadeLevel(37);
    g->StartLevel();
    EXPECT_TRUE(g->IsRunOver()) << "after level 36 the run is won";
  });
}

TEST_F(ArcadeTest, SaveGameStateWritesTheRunAndTheNextArcadeWindowRestoresIt) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Restart(Open(3), 3, 0.0);
    ASSERT_NE(g, nullptr);
    const auto vases = Copies(g, "vases");
    ASSERT_EQ(vases.size(), 3u);
    const int slot = GroupSlot(g, "vases");
    ClickItem(*vases[0]);
    auto singles = InList(g);
    const ArcadeSearchItem* single = nullptr;
    for (const auto& item : singles)
      if (item->state == kArcadeItemInList) single = item.get();
    ASSERT_NE(single, nullptr);
    const std::string singleName = single->name.CStr();
    ClickItem(*single);
    g->SetHintsLeft(3);
    g->SetTimeDebt(60.0f);
    const float left = g->GetTimeLeft();
    Host()->DoLuaString("SaveGameState()");
    EXPECT_EQ(game.GetArcadeScore(), 300);
    EXPECT_NEAR(game.GetArcadeTime(), left - 1.0f, 1e-4f);
    EXPECT_EQ(game.GetArcadeLevel(), 1);
    EXPECT_EQ(game.GetArcadeHintsLeft(), 3);
    EXPECT_STREQ(game.GetSearchItem(slot).CStr(), "vases_m2");
    EXPECT_EQ(std::string(game.GetSearchItem(13).CStr()).find(vases[0]->name.CStr()),
              std::string::npos);
    EXPECT_EQ(game.GetSearchItem(13).Length(), 28u) << "four open copies";
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "Saved Game");
    int foundSlot = 0;
    for (int i = 0; i < 12; ++i)
      if (std::string(game.GetSearchItem(i).CStr()) == singleName + "~") foundSlot = i + 1;
    ASSERT_GT(foundSlot, 0);

    Wm()->PopTopModal();
    g = Open(9);
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "") << "resuming erases the mark";
    EXPECT_EQ(g->GetScore(), 300);
    EXPECT_EQ(g->GetHintsLeft(), 3);
    EXPECT_TRUE(Shown("hintled0") && Shown("hintled1") && Shown("hintled2"));
    EXPECT_NEAR(g->GetTimeLeft(), left - 1.0f, 1e-4f);
    EXPECT_EQ(g->GetItemsLeft(), 4 + 9) << "four copies and nine singles still to find";
    EXPECT_STREQ(g->GetGroupLabel(slot).CStr(), "vases_m2");
    EXPECT_EQ(Copies(g, "vases").size(), 2u);
    EXPECT_EQ(Copies(g, "vase").size(), 2u);
    for (const auto& item : Copies(g, "vases")) EXPECT_EQ(item->listSlot, slot + 1);
    EXPECT_FLOAT_EQ(Text("SearchItem" + std::to_string(foundSlot))->GetColor().a, 0.5f);
    for (const auto& item : *g->GetCurrentItems())
      if (item->name == singleName.c_str()) {
        EXPECT_EQ(item->state, kArcadeItemFound);
      }

    // With the game mode of a testing run, no saved run is restored.
    Host()->DoLuaString("SaveGameState()");
    Wm()->PopTopModal();
    game.SetCurrentGameMode(2);
    g = Open();
    EXPECT_TRUE(g->IsTestingMode());
    EXPECT_EQ(TextOf("SearchItem1"), "TEST!");
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "Saved Game");
  });
}

TEST_F(ArcadeTest, EscapeOpensThePausePanelAndTestingKeysWalkTheCatalogue) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    Wm()->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 27));
    EXPECT_EQ(Host()->GetGlobalString("gPanel"), "scripts/runpause.lua|none")
        << "focus: " << (Wm()->GetFocus() ? Wm()->GetFocus()->GetName().CStr() : "none");
    EXPECT_TRUE(g->OnKeyDown(27, 0));
    EXPECT_EQ(Host()->GetGlobalNumber("gWaited"), 7.0);
    EXPECT_FALSE(g->OnKeyDown(static_cast<unsigned char>(-125), 0)) << "arrows only in testing";
    Wm()->PopTopModal();
    Idle();
    Host()->DoLuaString("gBound = type(ShowArcadeHint) .. type(SaveGameState)");
    EXPECT_STREQ(Host()->GetGlobalString("gBound").CStr(), "nilnil")
        << "a closed run's functions are gone";

    game.SetCurrentGameMode(2);
    g = Open();
    ASSERT_TRUE(g->IsTestingMode());
    EXPECT_TRUE(g->OnKeyDown(static_cast<unsigned char>(-125), 0));
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_2_1_gameback");
    EXPECT_TRUE(g->OnKeyDown(static_cast<unsigned char>(-126), 0));
    EXPECT_TRUE(g->OnKeyDown(static_cast<unsigned char>(-126), 0));
    EXPECT_STREQ(g->GetCurrentScene().CStr(), "_3_1_gameback");
    // Up on a fresh scene shows the current item as it is; Down on the first item after its
    // "_full" picture goes to the last item.
    auto& items = *g->GetCurrentItems();
    const std::string first = items[0]->imageName.CStr();
    const unsigned char up = static_cast<unsigned char>(-128);
    const unsigned char down = static_cast<unsigned char>(-127);
    EXPECT_TRUE(g->OnKeyDown(up, 0));
    EXPECT_EQ(items[0]->imageName.CStr(), first);
    EXPECT_TRUE(g->OnKeyDown(up, 0));
    EXPECT_EQ(items[0]->imageName.CStr(), first + "_full");
    EXPECT_TRUE(g->OnKeyDown(down, 0));
    EXPECT_EQ(items[0]->imageName.CStr(), first);
    EXPECT_EQ(g->GetItemCursor(), items.size() - 1) << "down from the first goes to the last";
    // Up on the last item, after its "_full" picture, goes round to the first.
    EXPECT_TRUE(g->OnKeyDown(up, 0));
    EXPECT_TRUE(g->OnKeyDown(up, 0));
    EXPECT_EQ(g->GetItemCursor(), 0u);
  });
}

TEST_F(ArcadeTest, ADamagedCatalogueEndsTheRunAtOnceWithALogLine) {
  WriteAsset("scripts/searchhelper.lua", "PuzzleOrder = { '_1_1_gameback' \nSearchPuzzles = {");
  WriteAsset("scripts/multiples.lua", "ArcadeMultiple = {");
  RunArcade([&](QMGameManager& game) {
    Open();
    // No run of empty levels: the game-over screen is on top at once.
    EXPECT_STREQ(Wm()->GetTopModal()->GetName().CStr(), "scripts/gameover.lua");
    EXPECT_EQ(game.GetArcadeScore(), 0);
    EXPECT_EQ(Host()->GetGlobalNumber("gGameOverRuns"), 1.0);
    std::ifstream in(GetLogFilePath().CStr());
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* line : {"scripts/searchhelper.lua could not be run",
                             "scripts/multiples.lua could not be run", "has no scenes"})
      EXPECT_NE(log.find(line), std::string::npos) << line;
  });
}

// The magnifier scene here is shown at twice its size, its items with it: the glass shows each
// item where its sprite lies, its picture one texel a pixel, not shifted by the scale.
TEST_F(ArcadeTest, TheGlassShowsItemsWhereTheirSpritesLieAtAnyScale) {
  UseSampleAssets({"images/tools", "scripts/tools", "backgrounds"});
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    g->GotoLevelScene(2);
    auto* glass = dynamic_cast<QMMagnifyGlass*>(g->GetSearchTool());
    ASSERT_NE(glass, nullptr);
    const boost::shared_ptr<TTexture> lens = glass->GetLensSprite()->GetTexture();
    ASSERT_TRUE(lens);
    const auto& items = *g->GetCurrentItems();
    const auto m3 =
        *std::find_if(items.begin(), items.end(), [](const auto& i) { return i->name == "m3"; });
    // 20 x 20 at (175, 10) shown at (2, 600 / 260): centred at (195, 33).
    struct Probe {
      TPoint pointer;
      uint32_t colour;
    };
    for (const Probe& probe : {Probe{TPoint(195, 33), 0xFF00FF00u},
                               Probe{TPoint(m3->x + 45, m3->y + 60), 0xFF406020u}}) {
      g->OnMouseMove(probe.pointer);
      uint32_t* pixels = nullptr;
      int32_t pitch = 0;
      TextureLock lock;
      ASSERT_TRUE(lock.Lock(pixels, pitch, lens.get()));
      EXPECT_EQ(pixels[size_t(64) * size_t(pitch) + 64], probe.colour)
          << probe.pointer.x << "," << probe.pointer.y;
    }
  });
}

TEST_F(ArcadeTest, TheOverlayHandsThePointerBackOnlyToAnArcadeWindow) {
  RunArcade([&](QMGameManager&) {
    QMArcadeGame* g = Open();
    ASSERT_NE(g, nullptr);
    auto* overlay = WindowCast<SearchOverlay>(Wm()->GetTopModal()->FindChild("searchOverlay", -1));
    ASSERT_NE(overlay, nullptr);
    EXPECT_FALSE(overlay->OnMouseMove(TPoint{10, 550})) << "without a tool nothing changes";
    Wm()->RunScriptString(Wm()->GetTopModal(),
                          "PushModal('other') MakeDialog({ Window({ name = 'puzzleWindow', x = 0, "
                          "y = 0, w = 10, h = 10 }) })");
    EXPECT_FALSE(overlay->OnMouseMove(TPoint{10, 550}));
  });
}

}  // namespace

// The stored clock is read from the preferences file: one that is no number or below zero ends
// the run at once, and a huge one is held to the run's 40 minutes.
TEST_F(ArcadeTest, ASavedRunWithAClockThatIsNoNumberEndsAndAHugeOneIsBounded) {
  struct Case {
    const char* what;
    float stored;
    bool ends;
  };
  const Case cases[] = {{"NaN", std::nanf(""), true},
                        {"infinite", INFINITY, true},
                        {"negative", -3.0f, true},
                        {"absurdly large", 1e30f, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunArcade([&](QMGameManager& game) {
      ASSERT_NE(Open(), nullptr);
      Host()->DoLuaString("SaveGameState()");
      game.SetArcadeTime(c.stored);
      Wm()->PopTopModal();
      QMArcadeGame* g = Open();
      ASSERT_NE(g, nullptr);
      Pass(32);
      EXPECT_EQ(g->IsRunOver(), c.ends);
      if (c.ends) return;
      EXPECT_LE(g->GetTimeLeft(), 40.0f);
      EXPECT_EQ(TextOf("arcadetimer"), "39:59");
    });
  }
}

// A level with fewer entries than the last leaves none of the last level's list behind: not on
// screen, not in the saved run, not as an entry a restore could bring back to life.
TEST_F(ArcadeTest, ALevelWithFewerEntriesClearsEverySlotTheLastOneFilled) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Restart(Open(3), 3, 0.0);
    ASSERT_NE(g, nullptr);
    for (int slot = 0; slot < 12; ++slot) ASSERT_FALSE(g->GetEntryLabel(slot).IsEmpty());
    ASSERT_GE(GroupSlot(g, "vases"), 0);
    ClickItem(*InList(g).back());
    Pass(1000);  // the found entry's strike-out is drawn
    // Level 2's scene offers eleven entries and, with these draws, no group.
    g->SetRealSource([] { return 0.5; });
    game.SetArcadeLevel(2);
    g->StartLevel();
    ASSERT_EQ(InList(g).size(), 11u);
    Host()->DoLuaString("SaveGameState()");
    for (int slot = 0; slot < 12; ++slot) {
      SCOPED_TRACE(slot);
      const std::string text = TextOf("SearchItem" + std::to_string(slot + 1));
      EXPECT_TRUE(g->GetGroupLabel(slot).IsEmpty());
      EXPECT_EQ(g->GetEntryLabel(slot).IsEmpty(), slot == 11);
      EXPECT_EQ(text.empty(), slot == 11);
      EXPECT_EQ(text.find("vase"), std::string::npos);
      EXPECT_EQ(text.find("item"), std::string::npos);
      EXPECT_TRUE(Text("SearchItem" + std::to_string(slot + 1))->GetChildren().empty());
      EXPECT_STREQ(game.GetSearchItem(slot).CStr(), g->GetEntryLabel(slot).CStr());
    }
  });
}

// A saved run may name an open copy whose group has no list entry (an older or edited file):
// it still counts as a find, so the level can be completed.
TEST_F(ArcadeTest, ARestoredOpenCopyWithoutAListEntryIsTakenOffWhenFound) {
  RunArcade([&](QMGameManager& game) {
    QMArcadeGame* g = Open(3);
    ASSERT_NE(g, nullptr);
    std::string copy;  // a group member that is not a single entry of the list; no group chosen
    for (uint32_t seed = 1; seed < 50 && copy.empty(); ++seed) {
      Restart(g, seed, 0.5);
      for (const auto& item : *g->GetCurrentItems())
        if (!item->groupText.IsEmpty() && !item->InList()) copy = item->name.CStr();
    }
    ASSERT_FALSE(copy.empty());
    ASSERT_LT(GroupSlot(g, "vases"), 0);
    Host()->DoLuaString("SaveGameState()");
    game.SetSearchItem(13, (copy + ",").c_str());
    Wm()->PopTopModal();
    g = Open(9);
    ASSERT_NE(g, nullptr);
    std::vector<QMArcadeGame::ItemPtr> open;
    for (const auto& item : *g->GetCurrentItems())
      if (item->state == kArcadeCopyInList) open.push_back(item);
    ASSERT_EQ(open.size(), 1u);
    const int before = g->GetItemsLeft();
    ClickItem(*open.front());
    EXPECT_EQ(g->GetItemsLeft(), before - 1);
    for (const auto& item : InList(g))
      if (item->state == kArcadeItemInList) ClickItem(*item);
    EXPECT_TRUE(g->IsLevelDone());
    EXPECT_EQ(game.GetArcadeLevel(), 2);
  });
}
