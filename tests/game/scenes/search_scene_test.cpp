// The search scene on the headless display: the sample game's first story level reached from
// its menu (centring, the start guard, finds and bad clicks, the arrow keys, the level clock and
// its frames), and small scenes of the tests' own for name order, the scene's script functions,
// the scaled background after a device loss and the ambient strip.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "window/text/TextFixture.h"

#include "anim/KAnimProperties.h"
#include "anim/KAnimSteps.h"
#include "anim/KSpriteWindow.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/QMSearchItem.h"
#include "game/scenes/QMSearchList.h"
#include "game/scenes/SceneCompositor.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/QMMessages.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "render/TAnimatedSprite.h"
#include "window/TImage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "support/GameStateRecorder.h"
#include "support/Golden.h"
#include "window/TButton.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

constexpr int kLeftArrow = 0xFF82;
constexpr int kRightArrow = 0xFF83;

class SearchSceneTest : public TextTest {
protected:
  void SetUp() override {
    TextTest::SetUp();
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    // The game goes straight to its menu.
    std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
    SetGameSettings();
  }

  // The game as the program starts it: its window types, the sample's start-up scripts and
  // the main menu waiting for the player.
  void RunGame(const std::function<void(TPlatform*)>& body) {
    RunScreen(
        [&](TPlatform* p) {
          // Frames to compare are drawn without the pointer.
          p->SetCursorVisible(false);
          CreateGameManager();
          RegisterGameTypes(p->GetWindowManager());
          Tick(p, 48);
          // A fresh installation asks who is playing first: a new player is made and picked.
          if (auto* pick = Find<TButton>("pick")) {
            Host()->DoLuaString("SetLabel('newname', 'Robin') ChoosePlayerCreate()");
            pick->Press();
            Tick(p, 48);
          }
          body(p);
          DestroyGameManager();
        },
        800, 600);
    EXPECT_TRUE(sBodyRan);
  }

  static void Send(TPlatform* p, int type, int x, int y, int code = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, 0));
  }
  static void Click(TPlatform* p, int x, int y) {
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Lua(const char* expression) {
    Host()->DoLuaString(str("gTestValue = tostring(") + expression + ")");
    return Host()->GetGlobalString("gTestValue").CStr();
  }
  template <class W>
  static W* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return WindowCast<W>(top ? top->FindChild(name, -1) : nullptr);
  }
  static QMSearch* Scene() { return Find<QMSearch>("puzzleWindow"); }
  static float SceneX() { return KGetSpritePosition(Scene()->GetSceneSprite()).x; }
  static int Clicks() { return TGameState::GetInstance()->GetState("LevelTotalClicks").ToInt(); }

  // Menu, Play and, unless the player was picked a moment ago, the chooser's Play: the first
  // story level opens and starts.
  static void OpenLevel(TPlatform* p) {
    auto* play = Find<TButton>("play");
    ASSERT_NE(play, nullptr);
    play->Press();
    Tick(p, 48);
    if (auto* pick = Find<TButton>("pick")) {
      pick->Press();
      Tick(p, 48);
    }
    ASSERT_NE(Scene(), nullptr) << Log();
    // The scripts' callbacks, watched: each call is noted before it runs.
    Host()->DoLuaString(
        "gCalls = '' "
        "local found, bad, options = searchItemFound, reportBadClick, showOptions "
        "searchItemFound = function(n) gCalls = gCalls .. 'found:' .. n .. ' ' found(n) end "
        "reportBadClick = function() gCalls = gCalls .. 'bad ' bad() end "
        "showOptions = function() gCalls = gCalls .. 'options ' options() end");
  }
};

// The level opens from the menu with its three backgrounds side by side; start of play centres
// it on the middle picture, shows the animated arrows and starts the clock, which first goes
// down one second after the start.
TEST_F(SearchSceneTest, StoryLevelOpensFromTheMenuCentresItsPanoramaAndRunsItsClock) {
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    QMSearch* scene = Scene();
    EXPECT_EQ(scene->GetBackgroundOffsets(), (std::vector<int32_t>{800, 800, 800}));
    EXPECT_EQ(scene->GetPanorama().maxPos, 0);
    EXPECT_EQ(scene->GetPanorama().minPos, -1600);
    EXPECT_EQ(scene->GetAmbientScrolls().size(), 3u);
    EXPECT_TRUE(scene->IsStarted());
    EXPECT_TRUE(scene->IsScrollLeftArrowShown());
    EXPECT_TRUE(scene->IsScrollRightArrowShown());
    // The middle is 1200: the second picture holds it, so the scene moves to -800, its own
    // scrolling off until the move is over (900 ms in this level).
    EXPECT_FALSE(scene->GetPanorama().enabled);
    EXPECT_FLOAT_EQ(scene->GetPanorama().position, -800);
    const float midway = SceneX();
    EXPECT_LT(midway, 0);
    EXPECT_GT(midway, -800);
    Tick(p, 1000);
    EXPECT_FLOAT_EQ(SceneX(), -800);
    EXPECT_TRUE(scene->GetPanorama().enabled);

    auto* list = Find<QMSearchList>("searchListWindow");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->IsGameTimerRunning());
    EXPECT_TRUE(list->IsHintTimerRunning());
    // The clock started 96 ms after the chooser closed; 1000 ms later it has gone down once.
    EXPECT_EQ(Lua("gLevel.time"), "599");
    auto* time = Find<TText>("timeText");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(std::string(time->GetText().CStr()), "9:59");

    // The time text and its warning colours.
    Host()->DoLuaString("modifyGameTimer(-299)");
    Tick(p, 16);
    EXPECT_EQ(std::string(time->GetText().CStr()), "5:00");
    EXPECT_FLOAT_EQ(time->GetColor().b, 1.0f);
    EXPECT_FLOAT_EQ(time->GetColor().r, 0.55f);
    Host()->DoLuaString("modifyGameTimer(-240)");
    Tick(p, 16);
    EXPECT_EQ(std::string(time->GetText().CStr()), "1:00");
    EXPECT_FLOAT_EQ(time->GetColor().r, 1.0f);
    EXPECT_FLOAT_EQ(time->GetColor().g, 0.35f);
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// Clicks in the first second of play are counted and do nothing else; later a click on an
// object names it to the scripts (which strike it out in the list), and one on nothing is a
// bad click.
TEST_F(SearchSceneTest, ClicksAreCountedGuardedForASecondThenFoundOrBad) {
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    // The scene's animation window lies over it: the click still counts once.
    const int before = Clicks();
    Click(p, 366, 306);
    EXPECT_EQ(Clicks(), before + 1) << "counted once";
    EXPECT_EQ(Lua("gCalls"), "") << "refused within the first second";

    // The bell stands on the boat, in the middle picture that the centring brings in.
    Tick(p, 1000);
    Click(p, 366, 306);
    EXPECT_EQ(Lua("gCalls"), "found:bell ");
    EXPECT_EQ(Lua("gLevel.items.bell.found"), "true");

    Click(p, 600, 60);  // the evening sky
    EXPECT_EQ(Lua("gCalls"), "found:bell bad ");
    EXPECT_EQ(Lua("gLevel.misses"), "1");
    EXPECT_EQ(Clicks(), before + 3);

    // Escape opens the options over the level; twice within 100 ms counts once.
    // As the desktop sends it: the key, then the character it types.
    Send(p, kEventKeyDown, 0, 0, 27);
    Send(p, kEventChar, 0, 0, 27);
    Send(p, kEventKeyDown, 0, 0, 27);
    Send(p, kEventChar, 0, 0, 27);
    Tick(p, 160);
    EXPECT_NE(Find<TWindow>("optionspanel"), nullptr);
    EXPECT_EQ(Scene(), nullptr) << "the options are on top";
    auto* cancel = Find<TButton>("cancel");
    ASSERT_NE(cancel, nullptr);
    cancel->Press();
    Tick(p, 48);
    ASSERT_NE(Scene(), nullptr) << "back in the level";
    EXPECT_EQ(Lua("gCalls"), "found:bell bad options ");
  });
}

// Finding the eighth object completes the level: after the find's sequence and the tally pause
// it says so and closes, and the story goes on to the study, a room drawn larger than the
// screen for the magnifying glass, and the cellar. After the last level the callback names go
// back to what they held before (the puzzles use some of them).
TEST_F(SearchSceneTest, FindingEverythingCompletesEachLevelAndTheStoryGivesTheCallbacksBack) {
  RunGame([&](TPlatform* p) {
    // A story of the three levels: the puzzles between them are the story's business.
    Host()->DoLuaString(
        "function gMine() end puzzleComplete = gMine decrementGameTimer = nil "
        "kStory = { { level = 'scripts/levels/harbour.lua' }, "
        "{ level = 'scripts/levels/study.lua' }, { level = 'scripts/levels/cellar.lua' } }");
    OpenLevel(p);
    EXPECT_EQ(Lua("puzzleComplete == gMine"), "false") << "the level's own while it plays";
    Tick(p, 1000);
    auto findAll = [&](std::initializer_list<const char*> names) {
      for (const char* name : names) Host()->DoLuaString(str("searchItemFound('") + name + "')");
    };
    findAll({"key", "teacup", "fish", "bell", "umbrella", "anchor", "starfish"});
    Tick(p, 48);
    EXPECT_FALSE(Find<TWindow>("donetext")->IsVisible());
    findAll({"candle"});
    // The find's sequence takes 1600 ms, the tally pause 3000 ms.
    Tick(p, 4500);
    ASSERT_NE(Find<TWindow>("donetext"), nullptr);
    EXPECT_FALSE(Find<TWindow>("donetext")->IsVisible());
    Tick(p, 200);
    EXPECT_TRUE(Find<TWindow>("donetext")->IsVisible()) << "well done";
    Tick(p, 2600);
    ASSERT_NE(Scene(), nullptr) << Log();
    EXPECT_EQ(Lua("gLevel.number"), "2");
    EXPECT_FLOAT_EQ(Scene()->GetBackgroundScale().x, 0.8f);
    EXPECT_EQ(Scene()->GetSceneSprite().GetSpriteMap().size(), 6u);
    EXPECT_EQ(std::string(Scene()->GetToolName().CStr()), "magnify");
    EXPECT_NE(Scene()->GetTool(), nullptr);
    Tick(p, 1000);
    findAll({"coin", "ring", "stamp", "thimble", "button", "brasskey"});
    Tick(p, 1600 + 3000 + 2500 + 500);
    ASSERT_NE(Scene(), nullptr) << Log();
    EXPECT_EQ(Lua("gLevel.number"), "3");
    EXPECT_EQ(Scene()->GetSceneSprite().GetSpriteMap().size(), 6u);
    EXPECT_EQ(std::string(Scene()->GetToolName().CStr()), "flashlight");
    Tick(p, 1000);
    findAll({"bottle", "apple", "spoon", "teacup", "candle", "bell"});
    Tick(p, 1600 + 3000 + 2500 + 500);
    EXPECT_EQ(Scene(), nullptr) << "the last level has closed";
    EXPECT_NE(Find<TWindow>("credits"), nullptr) << "the story's end";
    EXPECT_EQ(Lua("puzzleComplete == gMine"), "true");
    EXPECT_EQ(Lua("decrementGameTimer"), "nil");
    EXPECT_EQ(Lua("gLevel"), "nil");
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// Holding the left arrow key (auto-repeat every 30 ms) starts the scroll once; the scene then
// speeds up by the level's acceleration each tick, and after the key is let go it coasts with
// the velocity dampened each tick, the scene's x the truncated position.
TEST_F(SearchSceneTest, ArrowKeysScrollThePanoramaByItsStepsAndTheButtonsSlideAtItsEnds) {
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    Tick(p, 1000);
    QMSearch* scene = Scene();
    QMSearch::PanoramaScroller& pano = scene->GetPanorama();
    ASSERT_FLOAT_EQ(pano.position, -800);
    const float accel = 0.6f, maxV = 18, dampen = 0.88f;  // the level's "scrollProps"
    EXPECT_FLOAT_EQ(pano.acceleration, accel);

    Send(p, kEventKeyDown, 0, 0, kLeftArrow);
    float v = 0, x = -800;
    for (int tick = 0; tick < 12; ++tick) {
      if (tick % 2 == 0) Send(p, kEventKeyDown, 0, 0, kLeftArrow);  // auto-repeat
      Tick(p, 16);
      v -= accel;
      x += v;
      v = std::max(v, -maxV);
      EXPECT_NEAR(pano.position, x, 0.01) << tick;
      EXPECT_FLOAT_EQ(SceneX(), static_cast<float>(static_cast<int>(pano.position)));
    }
    EXPECT_EQ(pano.direction, -1);
    EXPECT_FALSE(scene->IsScrollLeftArrowShown()) << "the first scroll retires the arrows";
    Send(p, kEventKeyUp, 0, 0, kLeftArrow);
    for (int tick = 0; tick < 5; ++tick) {
      Tick(p, 16);
      v *= dampen;
      x += v;
      EXPECT_NEAR(pano.position, x, 0.01) << tick;
    }

    // Scrolling on to the right end: the scene stops at -1600 and "scrollLeft" slides out.
    Tick(p, 160);
    Send(p, kEventKeyDown, 0, 0, kLeftArrow);
    Tick(p, 2000);
    EXPECT_FLOAT_EQ(pano.position, -1600);
    EXPECT_FLOAT_EQ(SceneX(), -1600);
    EXPECT_EQ(scene->GetScrollLeftState(), QMSearch::kHidden);
    EXPECT_EQ(scene->GetScrollRightState(), QMSearch::kAtRest);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "search/harbour_right_end.png", 2));

    // The pointer over the resting button "scrollRight" puts the sparkle under it.
    Send(p, kEventMouseMove, 30, 480);
    EXPECT_EQ(scene->GetHoverPoint(), TPoint(30, 480));
    Send(p, kEventMouseMove, 300, 300);  // leaves the button
    Send(p, kEventMouseMove, 300, 300);
    EXPECT_EQ(scene->GetHoverPoint(), TPoint(-1, -1));

    // Back the other way: the hidden button slides in again and rests where it started.
    Send(p, kEventKeyUp, 0, 0, kLeftArrow);
    Tick(p, 160);
    Send(p, kEventKeyDown, 0, 0, kRightArrow);
    Tick(p, 1000);
    EXPECT_EQ(scene->GetScrollLeftState(), QMSearch::kAtRest);
    TWindow* button = scene->FindChild("scrollLeft", -1);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetRect().left, 750);
  });
}

// The level closed while its centring move runs, or while the player holds an arrow key, takes
// its moves, ticks and end callbacks with it; the game goes on at the menu.
TEST_F(SearchSceneTest, LeavingTheLevelMidMoveOrMidScrollLeavesNothingRunning) {
  RunGame([&](TPlatform* p) {
    TWindow* menu = TWindowManager::Instance()->GetTopModal();
    for (bool scrolling : {false, true}) {
      OpenLevel(p);
      ASSERT_NE(Scene(), nullptr);
      if (scrolling) {
        Tick(p, 1000);
        Send(p, kEventKeyDown, 0, 0, kLeftArrow);
        Tick(p, 160);
        ASSERT_EQ(Scene()->GetPanorama().direction, -1);
      } else {
        ASSERT_FALSE(Scene()->GetPanorama().enabled) << "the centring move runs";
      }
      p->GetWindowManager()->DoPopModal("harbour");
      Tick(p, 1200);
      EXPECT_EQ(TWindowManager::Instance()->GetTopModal(), menu) << scrolling;
      EXPECT_EQ(Lua("StartSearch"), "nil") << scrolling;
    }
    EXPECT_NE(Find<TButton>("play"), nullptr);
  });
}

// The saved game's text reads back what it was given: numbers that are not finite come back as
// they were (written as Lua's own "inf" they would make the text unreadable and the whole
// saved game would be lost), and a table that holds itself is written without the loop.
TEST_F(SearchSceneTest, TheSavedGameReadsBackNumbersThatAreNotFiniteAndSkipsLoops) {
  RunGame([&](TPlatform*) {
    EXPECT_EQ(Lua("(function()\n"
                  "  local kept = gSaved\n"
                  "  gSaved = { a = 0/0, b = 1/0, c = -1/0, d = 2.5, e = { 'x' } }\n"
                  "  gSaved.e.back = gSaved\n"
                  "  gSaved[1/0] = 'big'\n"
                  "  gSaved[gSaved] = 'itself'\n"
                  "  local text = QMSerialized_save()\n"
                  "  gSaved = nil\n"
                  "  local f = loadstring(text)\n"
                  "  if not f then gSaved = kept return 'unreadable: ' .. text end\n"
                  "  f()\n"
                  "  local g = gSaved\n"
                  "  gSaved = kept\n"
                  "  local n = 0\n"
                  "  for _ in pairs(g) do n = n + 1 end\n"
                  "  return tostring(g.a ~= g.a) .. ' ' .. tostring(g.b) .. ' ' .. tostring(g.c)\n"
                  "    .. ' ' .. g.d .. ' ' .. g.e[1] .. ' ' .. tostring(g.e.back) .. ' '\n"
                  "    .. g[1/0] .. ' ' .. n\n"
                  "end)()"),
              "true inf -inf 2.5 x nil big 6");
  });
}

// A level left part-way reopens with its clock where it stood, as it keeps its finds, and the
// saved game's text carries the clock. A saved game from before the clock was kept, or one
// whose clock does not fit the level, reopens with the full time; a cleared level forgets it.
TEST_F(SearchSceneTest, ALevelLeftPartWayReopensWithItsClockWhereItStood) {
  RunGame([&](TPlatform* p) {
    auto reopen = [&] {
      p->GetWindowManager()->DoPopModal("harbour");
      Tick(p, 1200);
      OpenLevel(p);
    };
    OpenLevel(p);
    Tick(p, 3000);
    EXPECT_EQ(Lua("gLevel.time"), "597");
    EXPECT_EQ(Lua("string.find(QMSerialized_save(), '[\"time\"]=597', 1, true) ~= nil"), "true")
        << Lua("QMSerialized_save()");
    reopen();
    EXPECT_EQ(Lua("gLevel.time"), "597");
    auto* time = Find<TText>("timeText");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(std::string(time->GetText().CStr()), "9:57");
    Tick(p, 1000);
    EXPECT_EQ(Lua("gLevel.time"), "596") << "and runs on from there";

    struct Case {
      const char* saved;
      const char* opens;
    };
    const Case cases[] = {{"nil", "600"}, {"'soon'", "600"}, {"601", "600"},
                          {"-1", "600"},  {"{}", "600"},     {"42.7", "42"}};
    for (const Case& c : cases) {
      Host()->DoLuaString(str("gSaved.time = ") + c.saved);
      reopen();
      EXPECT_EQ(Lua("gLevel.time"), c.opens) << c.saved;
    }

    Tick(p, 1000);
    for (const char* name :
         {"key", "teacup", "fish", "bell", "umbrella", "anchor", "starfish", "candle"})
      Host()->DoLuaString(str("searchItemFound('") + name + "')");
    Tick(p, 1600 + 3000 + 500);
    EXPECT_EQ(Lua("gSaved.time"), "nil") << "a cleared level forgets its clock";
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// The level as the player first sees it, once the centring is over.
TEST_F(SearchSceneTest, StoryLevelFrameAtStart) {
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    Tick(p, 1200);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "search/harbour_start.png", 2));
  });
}

// Scenes of the tests' own, laid out in a modal of their own.
class OwnSceneTest : public SearchSceneTest {
protected:
  static void Build(TPlatform* p, const std::string& scene) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), ("PushModal('m') MakeDialog({ " + scene + " })").c_str());
  }
};

// Where two objects overlap, the one whose name sorts first is named, whatever the layers; the
// scene's functions act on the scene built last and are gone with it.
TEST_F(OwnSceneTest, OverlappingObjectsResolveByNameAndFunctionsLeaveWithTheScene) {
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  RunGame([&](TPlatform* p) {
    Build(p, "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })");
    Host()->DoLuaString(
        "gNames = '' function searchItemFound(n) gNames = gNames .. n .. ' ' end "
        "function reportBadClick() gNames = gNames .. '- ' end "
        "gSize = { image = 'square.png', position = { 100, 100 }, layer = 1 } "
        "AddSprite(gSize, true, 'lamp') "
        "AddSprite({ image = 'square.png', position = { 120, 120 }, layer = 9 }, true, 'key') "
        "AddSprite({ image = 'square.png', position = { 300, 300 }, layer = 1 }, false, '') "
        "AddSprite({ image = 'nowhere.png', position = { 0, 0 } }, true, 'ghost') "
        "StartSearch()");
    EXPECT_EQ(Lua("gSize.size[1] .. 'x' .. gSize.size[2]"), "40x40") << "the size comes back";
    EXPECT_FALSE(Scene()->GetSceneSprite().GetSprite("ghost")) << "a missing picture is skipped";
    Tick(p, 1008);
    Click(p, 130, 130);  // both
    Click(p, 105, 105);  // the lamp alone
    Click(p, 310, 310);  // an unnamed sprite: nothing to find
    EXPECT_EQ(Lua("gNames"), "key lamp - ");
    // A name with quotes reaches the script as it is, not as Lua text of its own.
    Host()->DoLuaString(
        "AddSprite({ image = 'square.png', position = { 500, 100 } }, true, 'a\\\"); gBad = (1')");
    Click(p, 510, 110);
    EXPECT_EQ(Lua("gNames"), "key lamp - a\"); gBad = (1 ");
    EXPECT_EQ(Lua("gBad"), "nil");
    Host()->DoLuaString("gNames = 'key lamp - '");
    EXPECT_TRUE(Scene()->GetPanorama().enabled) << "no backgrounds: no move, scrolling on";
    EXPECT_FLOAT_EQ(SceneX(), 0);

    // An object whose copy is being carried off above the scene answers no click.
    boost::shared_ptr<TSprite> copy = TSprite::Create(0);
    Scene()->GetOverlaySprite().AddSprite(copy, "key");
    Click(p, 130, 130);
    EXPECT_EQ(Lua("gNames"), "key lamp - ");

    // The clock's bonus and penalty scripts run in the scene's animation window and change the
    // level clock through the game's script.
    Host()->DoLuaString(
        "gClock = '' function modifyGameTimer(s) gClock = gClock .. s .. ' ' end "
        "TimerBonus(15.7) TimerPenalty()");
    EXPECT_EQ(Lua("gClock"), "15 -10 ");

    // A second scene takes the functions over; closing it leaves them unbound.
    Build(p, "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })");
    QMSearch* second = Scene();
    Host()->DoLuaString("StartSearch()");
    EXPECT_TRUE(second->IsStarted());
    p->GetWindowManager()->DoPopModal("m");
    p->GetWindowManager()->FlushDeletes();
    EXPECT_EQ(Lua("StartSearch"), "nil");
    EXPECT_EQ(Lua("AddSprite"), "nil");
    EXPECT_EQ(Lua("TimerPenalty"), "nil");
    EXPECT_EQ(Lua("TimerBonus"), "nil");
  });
}

// The scene's message table: the scroll buttons' press and release stop the scrolling but
// are left to the buttons, holding a button scrolls, and ids it does not know are refused.
TEST_F(OwnSceneTest, MessagesScrollStopAndAreAnsweredAsTheTableSays) {
  RunGame([&](TPlatform* p) {
    Build(p, "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })");
    QMSearch* scene = Scene();
    struct Case {
      int32_t id;
      const char* name;
      bool answer;
      int32_t direction;  // the panorama's direction afterwards
    };
    const Case cases[] = {
        {kQMButtonPress, "scrollRight", true, 1}, {kButtonPress, "scrollRight", false, 0},
        {kQMButtonPress, "scrollLeft", true, -1}, {kQMButtonRelease, "scrollLeft", false, 0},
        {kQMButtonPress, "other", false, 0},      {kQMItemFound, "key", false, 0},
        {kQMShowHint, "key", false, 0},           {kQMHideHint, "", false, 0},
        {kQMRunLua, "gRan = 'yes'", true, 0},     {1008, "", false, 0},
    };
    for (const Case& c : cases) {
      TMessage m(c.id, c.name);
      EXPECT_EQ(scene->OnMessage(&m), c.answer) << c.id << " " << c.name;
      EXPECT_EQ(scene->GetPanorama().direction, c.direction) << c.id << " " << c.name;
    }
    EXPECT_EQ(Lua("gRan"), "yes");
    QMSearchHintMessage hint("key", 10, 20);
    EXPECT_TRUE(scene->OnMessage(&hint)) << "a hint message of the right class is taken";
    TMessage start(kQMStartPlay, "");
    EXPECT_TRUE(scene->OnMessage(&start));
    EXPECT_TRUE(scene->IsStarted());
  });
}

// A magnified scene's background is shown scaled to the window; after the display lost its
// surfaces the scaled picture is drawn again from the background, not left blank, and the
// magnifying glass's picture is built again with each object once, so that a found object
// still leaves it.
TEST_F(OwnSceneTest, ScaledBackgroundAndGlassPictureComeBackAfterTheDeviceIsLost) {
  std::filesystem::create_directories(mWork + "/assets/backgrounds");
  WritePng("backgrounds/big.png", 1600, 1200, [](int x, int) { return x < 800 ? kGreen : kBlue; });
  WritePng("backgrounds/bgmask.png", 1600, 1200, [](int, int) { return kWhite; });
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  RunGame([&](TPlatform* p) {
    Build(p,
          "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
          "tool = 'magnify', bgPath = 'backgrounds/big.png' })");
    QMSearch* scene = Scene();
    ASSERT_NE(scene, nullptr);
    EXPECT_FLOAT_EQ(scene->GetBackgroundScale().x, 0.5f);
    ASSERT_FALSE(scene->GetSceneSprite().GetChildren().empty());
    boost::shared_ptr<TTexture> scaled =
        scene->GetSceneSprite().GetChildren().front()->GetTexture();
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->GetWidth(), 800);
    EXPECT_EQ(PixelAt(scaled, 100, 100), kGreen);
    EXPECT_EQ(PixelAt(scaled, 700, 100), kBlue);
    Host()->DoLuaString(
        "AddSprite({ image = 'square.png', position = { 200, 200 } }, true, 'box')");
    TMessage choose(kQMChooseTool, "magnify");
    ASSERT_TRUE(scene->OnMessage(&choose));
    ASSERT_TRUE(scene->GetTool() && scene->GetTool()->GetCompositor());
    SceneCompositor& glass = *scene->GetTool()->GetCompositor();
    // The box lies at (210, 210) on the screen: (400, 400) to (440, 440) in the glass's picture.
    EXPECT_EQ(glass.GetLayerCount(), 1u);
    EXPECT_EQ(PixelAt(glass.GetWorkTexture(), 420, 420), kRed);

    Tick(p, 48);
    Backend()->LoseAllSurfaces();
    Tick(p, 48);
    EXPECT_EQ(PixelAt(scaled, 100, 100), kGreen) << "refreshed after the restore";
    EXPECT_EQ(PixelAt(scaled, 700, 100), kBlue);
    EXPECT_EQ(Frame().At(100, 100), kGreen);
    EXPECT_EQ(glass.GetLayerCount(), 1u) << "the box once";
    EXPECT_EQ(PixelAt(glass.GetWorkTexture(), 420, 420), kRed);
    EXPECT_EQ(PixelAt(glass.GetWorkTexture(), 100, 100), kGreen);

    TMessage found(kQMSearchNotifier, "box");
    ASSERT_TRUE(scene->OnMessage(&found));
    EXPECT_EQ(glass.GetLayerCount(), 0u);
    EXPECT_EQ(PixelAt(glass.GetWorkTexture(), 420, 420), kGreen) << "the found box is gone";
  });
}

// The scene snapshot holds the scene's sprites alone; a missing sprite gives a blank texture
// instead of a crash.
TEST_F(OwnSceneTest, SnapshotDrawsTheSceneSpritesAndSkipsAMissingSprite) {
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  RunGame([&](TPlatform* p) {
    Build(p,
          "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 200, h = 100, darken = 0.5 })");
    Host()->DoLuaString("AddSprite({ image = 'square.png', position = { 10, 10 } }, true, 'box')");
    boost::shared_ptr<TSprite> shade = Scene()->GetSceneSprite().GetSprite("_qmDarkenSprtie");
    ASSERT_TRUE(shade) << "darkened";
    EXPECT_EQ(shade->GetLayer(), 2);
    EXPECT_EQ(PixelAt(shade->GetTexture(), 5, 5) >> 24, 127u);
    Scene()->GetSceneSprite().RemoveSpriteByName("_qmDarkenSprtie");
    boost::shared_ptr<TTexture> shot = Scene()->RenderToTexture();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->GetWidth(), 200);
    EXPECT_EQ(shot->GetHeight(), 100);
    EXPECT_EQ(PixelAt(shot, 20, 20), kRed);

    boost::shared_ptr<TTexture> blank = RenderSpriteToTexture(nullptr, 16, 8);
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->GetWidth(), 16);
    boost::shared_ptr<TTexture> fresh = TTexture::Create(16, 8, true);
    EXPECT_EQ(PixelAt(blank, 4, 4), PixelAt(fresh, 4, 4)) << "left as made";
    EXPECT_NE(PixelAt(shot, 100, 80), kRed) << "nothing drawn there";
  });
}

// The ambient strip: the pano slides behind the mask by speed x ms x deltaX / 10000 pixels;
// moving right, strip B shows the pano's end in the gap strip A leaves; moving left, strip B
// shows the pano's beginning after strip A's end, and the two wrap by one pano width.
TEST_F(OwnSceneTest, AmbientStripFillsItsGapsBothWays) {
  WritePng("mask.png", 100, 20, [](int, int) { return 0x00000000u; });
  WritePng("pano.png", 200, 20, [](int, int) { return kWhite; });
  RunGame([&](TPlatform*) {
    Host()->DoLuaString(
        "gRight = { mask = 'mask.png', pano = 'pano.png', x = 5, y = 7, speed = 100, "
        "deltaX = 2 } gLeft = { mask = 'mask.png', pano = 'pano.png', deltaX = 0 }");
    std::unique_ptr<TLuaTable> right(Host()->GetGlobalTable("gRight"));
    std::unique_ptr<TLuaTable> left(Host()->GetGlobalTable("gLeft"));
    ASSERT_TRUE(right && left);
    auto x = [](TSprite* s) { return KGetSpritePosition(*s).x; };

    boost::shared_ptr<TSprite> parent = TSprite::Create(1);
    QMAmbientScroll rightward(right.get(), nullptr, parent);
    EXPECT_FLOAT_EQ(KGetSpritePosition(*parent).x, 5);
    EXPECT_EQ(parent->GetChildren().size(), 2u);
    rightward.Update(10);  // 0.2 pixels: no sprite moves
    EXPECT_FLOAT_EQ(x(rightward.GetStripA()), 0);
    rightward.Update(140);  // 3 pixels in all
    EXPECT_FLOAT_EQ(x(rightward.GetStripA()), 3);
    EXPECT_EQ(rightward.GetStripA()->GetDrawState().sourceRect, TRect(0, 0, 97, 20));
    EXPECT_EQ(rightward.GetStripB()->GetDrawState().sourceRect, TRect(197, 0, 200, 20));
    EXPECT_FLOAT_EQ(rightward.GetStripB()->GetDrawState().origin.x, 3);
    EXPECT_TRUE(rightward.GetStripB()->GetDrawState().flags & TDrawParams::kUseSourceRect);

    QMAmbientScroll leftward(left.get(), nullptr, TSprite::Create(1));
    EXPECT_FLOAT_EQ(leftward.GetDeltaX(), -1) << "deltaX 0 is -1";
    leftward.Update(1500);  // 15 pixels to the left
    EXPECT_FLOAT_EQ(x(leftward.GetStripA()), -15);
    EXPECT_EQ(leftward.GetStripA()->GetDrawState().sourceRect, TRect(0, 0, 115, 20));
    leftward.Update(10000);  // 115 in all: strip A ends 85 pixels into the mask
    EXPECT_EQ(leftward.GetStripA()->GetDrawState().sourceRect, TRect(0, 0, 200, 20));
    EXPECT_FLOAT_EQ(x(leftward.GetStripB()), 85);
    EXPECT_EQ(leftward.GetStripB()->GetDrawState().sourceRect, TRect(0, 0, 15, 20));
    leftward.Update(10000);  // 215: strip A has left the mask and starts again 15 to the left
    EXPECT_FLOAT_EQ(x(leftward.GetStripA()), -15);
    EXPECT_NEAR(leftward.GetOffset(), -15, 0.05);
    EXPECT_EQ(leftward.GetStripB()->GetDrawState().sourceRect, TRect(0, 0, 0, 20));

    // A strip moving more than a pano a tick still wraps back into the mask.
    Host()->DoLuaString("gFast = { mask = 'mask.png', pano = 'pano.png', speed = 1e7 }");
    std::unique_ptr<TLuaTable> fast(Host()->GetGlobalTable("gFast"));
    ASSERT_TRUE(fast);
    QMAmbientScroll racing(fast.get(), nullptr, TSprite::Create(1));
    for (int tick = 0; tick < 2000; ++tick) racing.Update(16);
    EXPECT_GT(x(racing.GetStripA()), -200);
    EXPECT_LE(x(racing.GetStripA()), 0);
    EXPECT_GT(racing.GetOffset(), -200);
  });
}

}  // namespace

namespace {

// The strike-out is a picture laid over the entry.
bool StruckOut(QMSearchItem* entry) {
  if (!entry) return false;
  for (TWindow* child : entry->GetChildren())
    if (WindowCast<TImage>(child)) return true;
  return false;
}

}  // namespace

// The level played to its end: a found object flies off and leaves the painting, its entry is
// struck out; the last find sends the level's metrics at once, then the counters' resets, and
// the level completes after the tally pause, its completion and score in the preferences.
TEST_F(SearchSceneTest, FindingEveryObjectCompletesTheLevelAfterTheTallyPause) {
  RunGame([&](TPlatform* p) {
    std::vector<std::string> events;
    TGameState::AddHandler(new GameStateRecorder(&events));
    OpenLevel(p);
    Host()->DoLuaString(
        "local complete = puzzleComplete "
        "puzzleComplete = function() gCalls = gCalls .. 'complete ' gTimeLeft = gLevel.time "
        "complete() end");
    Tick(p, 1000);
    QMSearch* scene = Scene();
    ASSERT_NE(scene, nullptr);
    const platform::display::Image before = Frame();
    Click(p, 366, 306);
    EXPECT_EQ(Lua("gCalls"), "found:bell ");
    Tick(p, 16);
    EXPECT_TRUE(scene->GetOverlaySprite().GetSprite("bell")) << "its copy is carried off";
    EXPECT_TRUE(scene->GetSceneSprite().GetSprite("bell")) << "still fading out";
    // Fade in and flight take 900 ms, the copy's fade-out 700 ms more.
    Tick(p, 1000);
    EXPECT_FALSE(scene->GetSceneSprite().GetSprite("bell")) << "gone from the painting";
    Tick(p, 800);
    EXPECT_FALSE(scene->GetOverlaySprite().GetSprite("bell")) << "its copy is gone too";
    EXPECT_TRUE(StruckOut(Find<QMSearchItem>("bell")));
    EXPECT_FALSE(StruckOut(Find<QMSearchItem>("key")));
    // Where the bell stood, the boat shows through.
    const platform::display::Image after = Frame();
    int changed = 0;
    for (int y = 296; y < 316; ++y)
      for (int x = 356; x < 376; ++x) changed += before.At(x, y) != after.At(x, y);
    // The bell is round and a rope lies over its foot: a quarter of the square is bell.
    EXPECT_GT(changed, 80) << "the bell's pixels are painted over";
    EXPECT_EQ(Lua("gGameState.hintActive"), "false");

    for (const char* name : {"key", "teacup", "fish", "umbrella", "anchor", "starfish"})
      Host()->DoLuaString(str("searchItemFound('") + name + "')");
    Tick(p, 2000);
    EXPECT_FALSE(scene->IsSolved());
    events.clear();
    Host()->DoLuaString("searchItemFound('candle')");
    Tick(p, 16);
    EXPECT_TRUE(scene->IsSolved());
    EXPECT_FALSE(Find<QMSearchList>("searchListWindow")->IsGameTimerRunning());
    const std::vector<std::string> expected = {"begin-status=SingleLevelCompleteNames",
                                               "add-value=LevelNumber",
                                               "add-value=LevelPlayTime",
                                               "add-value=LevelEndState",
                                               "add-value=LevelObjectsFound",
                                               "add-value=LevelTotalClicks",
                                               "add-value=LevelHintsUsed",
                                               "add-value=LevelEndTime",
                                               "end-status=SingleLevelCompleteNames",
                                               "begin-status=SingleLevelComplete",
                                               "add-state=LevelNumber",
                                               "add-timer=LevelPlayTime",
                                               "add-state=LevelEndState",
                                               "add-state=LevelObjectsFound",
                                               "add-state=LevelTotalClicks",
                                               "add-state=LevelHintsUsed",
                                               "add-state=LevelEndTime",
                                               "end-status=SingleLevelComplete",
                                               "LevelObjectsFound=0",
                                               "LevelTotalClicks=0"};
    auto start = std::find(events.begin(), events.end(), expected.front());
    ASSERT_NE(start, events.end());
    EXPECT_EQ(std::vector<std::string>(start, std::min(start + 20, events.end())), expected);

    // The sequence (900 + 700 ms) and the level's tally pause of 3000 ms come first.
    Tick(p, 4400);
    EXPECT_EQ(Lua("gCalls").find("complete"), std::string::npos);
    Tick(p, 400);
    EXPECT_NE(Lua("gCalls").find("complete"), std::string::npos);
    EXPECT_EQ(Lua("gGameState.hintActive"), "false");
    QMGameManager* game = QMGameManager::Instance();
    const int user = game->GetCurrentUser();
    EXPECT_EQ(game->GetPrefs().GetInt("storyLevelComplete", 0, user), 1);
    EXPECT_EQ(game->GetStoryScore(), 800 + std::stoi(Lua("gTimeLeft")));
    EXPECT_GT(std::stoi(Lua("gTimeLeft")), 500);
    for (const char* name : {"key", "candle", "anchor"})
      EXPECT_TRUE(StruckOut(Find<QMSearchItem>(name))) << name;
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// The hint button: the hint is counted, the scene pans to the picture that holds the object
// and the glow shows over it; after its fade in and out the scripts withdraw it, and a second
// request while it shows is only counted.
TEST_F(SearchSceneTest, AHintCountsPansToTheObjectAndWithdrawsItself) {
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    Tick(p, 1000);
    QMSearch* scene = Scene();
    ASSERT_NE(scene, nullptr);
    EXPECT_FLOAT_EQ(SceneX(), -800);
    Click(p, 748, 24);
    Tick(p, 16);
    auto hints = [] { return TGameState::GetInstance()->GetState("LevelHintsUsed").ToInt(); };
    EXPECT_EQ(hints(), 1);
    ASSERT_TRUE(scene->GetHintSprite());
    EXPECT_FALSE(scene->GetPanorama().enabled) << "the scene pans on its own";
    EXPECT_EQ(
        std::string(
            scene->GetAnimWindow()->GetScript()->GetGlobalString("selected_sprite_name").CStr()),
        "key");
    // The key's middle is in the first picture: the scene moves to its left end.
    const TVec2 at = KGetSpritePosition(*scene->GetHintSprite());
    EXPECT_FLOAT_EQ(at.x, std::stof(Lua("gLevel.items.key.centre[1]")));
    EXPECT_EQ(Lua("gGameState.hintActive"), "false") << "not before the pan is over";

    Host()->DoLuaString("PostMessage(QMSearchHintMessage('bell', 1180, 300))");
    Tick(p, 16);
    EXPECT_EQ(hints(), 2) << "counted";
    EXPECT_FLOAT_EQ(KGetSpritePosition(*scene->GetHintSprite()).x, at.x) << "but not shown";

    // The pan takes 900 ms, the glow's fade in and out 1400 ms.
    Tick(p, 1000);
    EXPECT_FLOAT_EQ(SceneX(), 0);
    EXPECT_EQ(Lua("gGameState.hintActive"), "true");
    Tick(p, 1000);
    ASSERT_TRUE(scene->GetHintSprite()) << "still fading out";
    Tick(p, 400);
    EXPECT_FALSE(scene->GetHintSprite()) << "withdrawn by the scripts";
    EXPECT_EQ(Lua("gGameState.hintActive"), "false");
    EXPECT_TRUE(scene->GetPanorama().enabled);
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// A find the scene cannot show, for an object it does not hold, changes nothing; one found
// again only plays its sound. Notifiers for names never registered do nothing and finish.
TEST_F(OwnSceneTest, FindsOfObjectsTheSceneDoesNotHoldAreIgnored) {
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  RunGame([&](TPlatform* p) {
    Build(p,
          "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
          "tallyRewardDelay = 100 })");
    Host()->DoLuaString(
        "gDone = 0 function puzzleComplete() gDone = gDone + 1 end "
        "AddSprite({ image = 'square.png', position = { 100, 100 } }, true, 'lamp') "
        "StartSearch()");
    QMSearch* scene = Scene();
    Host()->DoLuaString(
        "PostMessage(QMItemFoundMessage(1000, 'ghost', { itemIconPath = 'square.png', "
        "newFind = true }))");
    Tick(p, 16);
    EXPECT_FALSE(scene->IsSolved());
    EXPECT_FALSE(scene->GetOverlaySprite().GetSprite("ghost"));
    EXPECT_EQ(scene->GetRunningAnimationCount(), 0u);
    EXPECT_TRUE(Logged("found item \"ghost\" is not in the scene")) << Log();

    Host()->DoLuaString("PostMessage(QMItemFoundMessage(1000, 'lamp', { newFind = false }))");
    Tick(p, 16);
    EXPECT_TRUE(scene->GetSceneSprite().GetSprite("lamp"));
    EXPECT_EQ(scene->GetRunningAnimationCount(), 0u);

    // A queue of notifiers alone runs through in the frame it is handed over.
    auto* queue = new KAnimQueue();
    auto* copyGone = new KAnimMessageNotifier<2002, QMSearch, str>(scene, "never");
    queue->Add(copyGone);
    KReleaseRef(copyGone);
    auto* command = new KAnimLuaCommand(Host(), "gDone = gDone + 10");
    queue->Add(command);
    KReleaseRef(command);
    QMAnimationRunner runner;
    runner.Run(queue);
    KReleaseRef(queue);
    EXPECT_EQ(runner.GetRunningCount(), 0u);
    EXPECT_EQ(Lua("gDone"), "10");

    // The last object found: the level completes once, after the pause.
    Host()->DoLuaString(
        "PostMessage(QMItemFoundMessage(1000, 'lamp', { itemIconPath = 'square.png', "
        "newFind = true, searchSolved = true }))");
    Tick(p, 16);
    EXPECT_TRUE(scene->IsSolved());
    Tick(p, 4000 + 100 + 200);
    EXPECT_EQ(Lua("gDone"), "11");
    EXPECT_FALSE(scene->GetSceneSprite().GetSprite("lamp")) << "items disappear by default";
  });
}

// A damaged object picture is logged and leaves the object out of the scene and out of the
// count, so the level can still be completed.
TEST_F(SearchSceneTest, AnObjectWhosePictureIsDamagedIsLeftOutAndLogged) {
  std::filesystem::resize_file(mWork + "/assets/scenes/harbour/items/key.png", 300);
  RunGame([&](TPlatform* p) {
    OpenLevel(p);
    EXPECT_TRUE(Logged("scenes/harbour/items/key.png")) << Log();
    EXPECT_FALSE(Scene()->GetSceneSprite().GetSprite("key"));
    EXPECT_EQ(Lua("gLevel.left"), "7");
    EXPECT_EQ(Lua("gLevel.items.key"), "nil");
    Tick(p, 1000);
    Host()->DoLuaString(
        "for _, n in ipairs({ 'teacup', 'fish', 'bell', 'umbrella', 'anchor', 'starfish', "
        "'candle' }) do searchItemFound(n) end");
    Tick(p, 1600 + 3000 + 200);
    EXPECT_TRUE(Scene()->IsSolved());
    EXPECT_TRUE(Find<TWindow>("donetext")->IsVisible());
  });
}

// A layout's background count is input: none for zero or less, and no more than a scene can
// hold, so a damaged or hostile count cannot hold the scene's creation for hours.
TEST_F(OwnSceneTest, ABackgroundCountOutsideWhatASceneHoldsIsBounded) {
  std::filesystem::create_directories(mWork + "/assets/backgrounds");
  for (const char* name : {"backgrounds/strip.png", "backgrounds/strip1.png"})
    WritePng(name, 500, 600, [](int, int) { return kGreen; });
  struct Case {
    const char* count;
    size_t backgrounds;
    bool logged;
  };
  const Case cases[] = {{"-1", 0, false}, {"0", 0, false}, {"2", 2, false}, {"100000", 2, true}};
  RunGame([&](TPlatform* p) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.count);
      const size_t logged = Log().size();
      Build(p, std::string("SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, "
                           "h = 600, bgPath = 'backgrounds/strip', backgroundCount = ") +
                   c.count + " })");
      ASSERT_NE(Scene(), nullptr);
      EXPECT_EQ(Scene()->GetBackgroundOffsets().size(), c.backgrounds);
      EXPECT_EQ(Log().find("backgroundCount 100000 is more than a scene holds; 64 are read",
                           logged) != std::string::npos,
                c.logged);
      p->GetWindowManager()->DoPopModal("m");
      p->GetWindowManager()->FlushDeletes();
    }
  });
}

// The last find may name an object the scene no longer holds (the scripts' list and the scene
// apart): the level still completes, with its clock stopped, its metrics and "puzzleComplete()";
// only the object's animation is left out.
TEST_F(OwnSceneTest, ALastFindOfAnObjectTheSceneDoesNotHoldStillCompletesTheLevel) {
  RunGame([&](TPlatform* p) {
    Build(p,
          "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
          "tallyRewardDelay = 100 })");
    Host()->DoLuaString("gDone = 0 function puzzleComplete() gDone = gDone + 1 end StartSearch()");
    QMSearch* scene = Scene();
    TGameState::GetInstance()->SetIntState("LevelTotalClicks", 5);
    for (int i = 0; i < 2; ++i)
      Host()->DoLuaString(
          "PostMessage(QMItemFoundMessage(1000, 'ghost', { itemIconPath = 'square.png', "
          "newFind = true, searchSolved = true }))");
    Tick(p, 16);
    EXPECT_TRUE(scene->IsSolved());
    EXPECT_FALSE(scene->GetOverlaySprite().GetSprite("ghost"));
    EXPECT_EQ(Clicks(), 0) << "the level's metrics were sent";
    Tick(p, 500);
    EXPECT_EQ(Lua("gDone"), "1") << "once";
  });
}

// A scene closed while a find or a hint is still animating gives the game its hints back: the
// step that would have cleared the flag never runs.
TEST_F(OwnSceneTest, ClosingTheSceneMidFindOrMidHintClearsTheHintFlag) {
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  const char* const starts[] = {
      "PostMessage(QMItemFoundMessage(1000, 'lamp', { itemIconPath = 'square.png', "
      "newFind = true }))",
      "PostMessage(QMSearchHintMessage('lamp', 120, 120))",
  };
  RunGame([&](TPlatform* p) {
    for (const char* start : starts) {
      SCOPED_TRACE(start);
      Build(p, "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })");
      Host()->DoLuaString(
          "gGameState = { hintActive = false } "
          "AddSprite({ image = 'square.png', position = { 100, 100 } }, true, 'lamp') "
          "StartSearch()");
      Host()->DoLuaString(start);
      Tick(p, 48);
      ASSERT_EQ(Lua("gGameState.hintActive"), "true");
      p->GetWindowManager()->DoPopModal("m");
      p->GetWindowManager()->FlushDeletes();
      EXPECT_EQ(Lua("gGameState.hintActive"), "false");
    }
  });
}

// A magnified scene whose picture is exactly the window's size needs no scaling, and still
// shows its picture behind the items.
TEST_F(OwnSceneTest, AMagnifiedSceneAtTheWindowsSizeShowsItsBackground) {
  std::filesystem::create_directories(mWork + "/assets/backgrounds");
  WritePng("backgrounds/room.png", 800, 600, [](int x, int) { return x < 400 ? kGreen : kBlue; });
  WritePng("backgrounds/bgmask.png", 800, 600, [](int, int) { return kWhite; });
  RunGame([&](TPlatform* p) {
    Build(p,
          "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
          "tool = 'magnify', bgPath = 'backgrounds/room.png' })");
    QMSearch* scene = Scene();
    ASSERT_NE(scene, nullptr);
    EXPECT_FLOAT_EQ(scene->GetBackgroundScale().x, 1.0f);
    // The scene's first sprite is its picture, at the window's origin and unscaled.
    ASSERT_FALSE(scene->GetSceneSprite().GetChildren().empty());
    const auto& background = scene->GetSceneSprite().GetChildren().front();
    EXPECT_EQ(KGetSpritePosition(*background).x, 0.0f);
    boost::shared_ptr<TTexture> shown = background->GetTexture();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->GetWidth(), 800);
    EXPECT_EQ(PixelAt(shown, 100, 300), kGreen);
    EXPECT_EQ(PixelAt(shown, 700, 300), kBlue);
  });
}

// Each find of a "backpack" object shows the bag again; the bags of earlier finds do not pile
// up unseen above the scene.
TEST_F(OwnSceneTest, BackpackFindsKeepOneBagAboveTheScene) {
  std::filesystem::create_directories(mWork + "/assets/gameobjects");
  WritePng("gameobjects/inventory_container.png", 60, 40, [](int, int) { return kBlue; });
  WritePng("square.png", 40, 40, [](int, int) { return kRed; });
  RunGame([&](TPlatform* p) {
    Build(p, "SearchWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 })");
    Host()->DoLuaString("StartSearch()");
    auto Bags = [] {
      size_t bags = 0;
      for (const auto& sprite : Scene()->GetOverlaySprite().GetChildren())
        if (sprite->GetTexture() && sprite->GetTexture()->GetWidth() == 60) ++bags;
      return bags;
    };
    for (int i = 0; i < 4; ++i) {
      const std::string name = "coin" + std::to_string(i);
      Host()->DoLuaString(("AddSprite({ image = 'square.png', position = { " +
                           std::to_string(100 + 60 * i) + ", 100 } }, true, '" + name +
                           "') PostMessage(QMItemFoundMessage(1001, '" + name +
                           "', { itemIconPath = 'square.png', newFind = true }))")
                              .c_str());
      Tick(p, 16);
      EXPECT_EQ(Bags(), 1u) << "while the bag shows";
      Tick(p, 9000);
    }
    EXPECT_LE(Bags(), 1u);
  });
}
