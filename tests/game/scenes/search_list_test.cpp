// A level's item list, its entries and the puzzle-window base, built by the scripts from a
// layout table inside the engine on the headless platform and driven on the virtual clock.
#include <gtest/gtest.h>

#include <string>

#include "game/scenes/QMMessages.h"
#include "game/scenes/QMPuzzleWindow.h"
#include "game/scenes/QMSearchItem.h"
#include "game/scenes/QMSearchList.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundManager.h"
#include "support/GameFixture.h"
#include "window/TImage.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

// A puzzle that counts the hints it is asked for.
class CountingPuzzle : public QMPuzzleWindow {
  T_WINDOW_CLASS(CountingPuzzle, QMPuzzleWindow)

public:
  void ShowHint(QMSearchHintMessage* m) override {
    ++shown;
    lastFirst = m->first;
  }
  void HideHint() override { ++hidden; }
  void SetScene(const boost::shared_ptr<TSprite>& sprite) { mSceneSprite = sprite; }

  int shown = 0;
  int hidden = 0;
  int lastFirst = 0;
};

// Stands in for the search scene: the list only needs its kind and its leave handler.
class LeaveCounter : public TWindow {
  T_WINDOW_CLASS(LeaveCounter, TWindow)

public:
  bool OnMouseLeave() override {
    ++leaves;
    return true;
  }
  int leaves = 0;
};

const char kTimers[] =
    "gDecrements = 0 gBumps = 0 "
    "function decrementGameTimer() gDecrements = gDecrements + 1 end "
    "function bumpHintLevel() gBumps = gBumps + 1 end";

class SearchListTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseSampleAssets({"audio", "fonts"});
    WriteAsset("strings.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workbook><Worksheet><Table>\n"
               "<Row><Cell><Data>ITEM_LAMP</Data></Cell><Cell><Data>Oil lamp</Data></Cell></Row>\n"
               "</Table></Worksheet></Workbook>\n");
  }

  // The game with a puzzle type and a stand-in for the search scene, and Lua timer functions
  // that count their calls.
  void RunLevel(std::function<void()> body) {
    RunGame([&](TPlatform* p, QMGameManager&) {
      p->GetWindowManager()->RegisterWindowType("TestPuzzle", &CountingPuzzle::Create);
      p->GetWindowManager()->RegisterWindowType("SearchWindow", &LeaveCounter::Create);
      Host()->DoLuaString(kTimers);
      body();
    });
  }

  static double Global(const char* name) { return Host()->GetGlobalNumber(name); }
  static TWindowManager* Wm() { return TWindowManager::Instance(); }

  // Pushes a modal named name and builds the windows of the layout text in it.
  static void Build(const std::string& windows, const char* modal = "level") {
    Wm()->RunScriptString(
        Wm()->GetTopModal(),
        ("PushModal('" + std::string(modal) + "') MakeDialog({ " + windows + " })").c_str());
  }
  // The usual level: a puzzle beside its list with the time, three lights and two entries.
  static void BuildLevel(const std::string& listKeys = "", const std::string& puzzleKeys = "") {
    Build("TestPuzzle({ name = 'puzzle', x = 0, y = 0, w = 600, h = 500" + puzzleKeys +
          " }), "
          "Window({ name = 'side', x = 600, y = 0, w = 200, h = 500, "
          "SearchListWindow({ name = 'searchListWindow', x = 0, y = 0, w = 200, h = 500, "
          "timerBlueColor = { 0, 0, 1, 1 }, timerRedColor = { 1, 0, 0 }, "
          "badClickSFX = 'audio/click.ogg', fiveMinuteWarningSFX = 'audio/click.ogg', "
          "oneMinuteWarningSFX = 'audio/rollover.ogg', hintLevelTimeOut = 2500" +
          listKeys +
          ", "
          "Text({ name = 'timeText', x = 0, y = 0, w = 100, h = 20, label = '' }), "
          "Bitmap({ name = 'hintLED1', x = 0, y = 30, w = 10, h = 10 }), "
          "Bitmap({ name = 'hintLED2', x = 10, y = 30, w = 10, h = 10 }), "
          "Bitmap({ name = 'hintLED3', x = 20, y = 30, w = 10, h = 10 }), "
          "Window({ name = 'disableHint', x = 0, y = 50, w = 10, h = 10 }), "
          "SearchItem({ name = 'lamp', x = 0, y = 100, w = 200, h = 20, "
          "markfoundsfx = 'audio/music.ogg', hiliteColor = { g = 1 }, "
          "Text({ name = 'itemText', x = 0, y = 0, w = 200, h = 20, label = 'lamp' }) }), "
          "SearchItem({ name = 'bare', x = 0, y = 120, w = 200, h = 20 }) }) })");
  }

  template <typename W>
  static W* Find(const char* name) {
    TWindow* top = Wm()->GetTopModal();
    return WindowCast<W>(top ? top->FindChild(name, -1) : nullptr);
  }
  static QMSearchList* List() { return Find<QMSearchList>("searchListWindow"); }
  static TText* TimeText() { return Find<TText>("timeText"); }
  static bool Shown(const char* name) {
    TWindow* w = Wm()->GetTopModal()->FindChild(name, -1);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
  // Posts a message (to no window when target is null) and lets one idle pass deliver it.
  static void Post(TMessage* m, TWindow* target = nullptr) {
    m->SetTarget(target);
    Wm()->PostMessage(m);
    Idle();
  }
  static void Idle() { Wm()->HandleEvent(MakeEvent(kEventIdle)); }
  // Lets ms of virtual time pass in idle passes of 10 ms.
  static void Pass(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 10) {
      platform::os::AdvanceVirtualTime(10);
      Idle();
    }
  }
  static size_t Playing() { return TSoundManager::Instance()->GetStreamCount(); }
  static int StrikeOuts(TWindow* item) {
    int n = 0;
    for (TWindow* c : item->GetChildren()) n += WindowCast<TImage>(c) ? 1 : 0;
    return n;
  }
};

TEST_F(SearchListTest, StartOfPlayCallsTheGameTimerEverySecondFromOneSecondOnAndTheHintTimer) {
  RunLevel([&] {
    BuildLevel();
    QMSearchList* list = List();
    auto* puzzle = Find<CountingPuzzle>("puzzle");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(puzzle, nullptr);
    EXPECT_FALSE(list->IsGameTimerRunning());
    Pass(3000);
    EXPECT_EQ(Global("gDecrements"), 0) << "no timer before the start of play";

    Post(new TMessage(kQMStartPlay, ""), puzzle);
    EXPECT_TRUE(list->IsGameTimerRunning());
    EXPECT_TRUE(list->IsHintTimerRunning());
    EXPECT_TRUE(puzzle->IsStarted());
    Pass(990);
    EXPECT_EQ(Global("gDecrements"), 0) << "the first call is one second after the start";
    Pass(20);
    EXPECT_EQ(Global("gDecrements"), 1);
    Pass(1000);
    EXPECT_EQ(Global("gDecrements"), 2);
    EXPECT_EQ(Global("gBumps"), 0);
    Pass(500);
    EXPECT_EQ(Global("gBumps"), 1) << "the hint timer fires at hintLevelTimeOut";

    // A second start, and a start through 1018: still one task each.
    Post(new TMessage(kQMStartPlay, ""), puzzle);
    Post(new TMessage(kQMStartGameTimer, ""));
    Pass(1000);
    EXPECT_EQ(Global("gDecrements"), 3);
  });
}

// The list's timers run on the clock of the level's modal: a dialog over the level holds them,
// and a stop asked for while the dialog is up takes effect on the level's task.
TEST_F(SearchListTest,
       ADialogOverTheLevelHoldsTheTimersAndAStopThenStopsThemForGoodUntilRestarted) {
  RunLevel([&] {
    BuildLevel();
    QMSearchList* list = List();
    Post(new TMessage(kQMStartPlay, ""), Find<QMPuzzleWindow>("puzzle"));
    Pass(1010);
    ASSERT_EQ(Global("gDecrements"), 1);

    Build("", "pause");
    Pass(3000);
    EXPECT_EQ(Global("gDecrements"), 1) << "nothing counts while the pause dialog is up";
    Wm()->DoPopModal("pause");
    Pass(1000);
    EXPECT_EQ(Global("gDecrements"), 2) << "and the count goes on when it closes";

    Build("", "options");
    Post(new TMessage(kQMStopGameTimer, ""));
    EXPECT_FALSE(list->IsGameTimerRunning());
    Wm()->DoPopModal("options");
    Pass(3000);
    EXPECT_EQ(Global("gDecrements"), 2) << "stopped under the dialog";
    EXPECT_EQ(Global("gBumps"), 2) << "the hint timer goes on";

    Post(new TMessage(kQMStartGameTimer, ""));
    EXPECT_TRUE(list->IsGameTimerRunning());
    Pass(1000);
    EXPECT_EQ(Global("gDecrements"), 3) << "a new timer after 1019 then 1018";

    // Started while a dialog is up, the timer still belongs to the level and waits for it.
    Post(new TMessage(kQMStopGameTimer, ""));
    Build("", "pause");
    Post(new TMessage(kQMStartGameTimer, ""));
    Pass(3000);
    EXPECT_EQ(Global("gDecrements"), 3);
    Wm()->DoPopModal("pause");
    Pass(1000);
    EXPECT_EQ(Global("gDecrements"), 4);
  });
}

TEST_F(SearchListTest, ASolvedPuzzleStartsItsMusicOnceButNoTimers) {
  RunLevel([&] {
    BuildLevel("", ", solved = true, backgroundAudio = 'audio/music.ogg'");
    auto* puzzle = Find<CountingPuzzle>("puzzle");
    ASSERT_TRUE(puzzle->IsSolved());
    ASSERT_TRUE(puzzle->GetBackgroundAudio());
    const size_t before = Playing();
    Post(new TMessage(kQMStartPlay, ""), puzzle);
    EXPECT_EQ(Playing(), before + 1);
    EXPECT_FALSE(List()->IsGameTimerRunning());
    EXPECT_FALSE(List()->IsHintTimerRunning());

    Pass(200);
    const uint32_t sinceStart = puzzle->GetPlayStopwatch().GetElapsed();
    EXPECT_GE(sinceStart, 200u);
    Post(new TMessage(kQMStartPlay, ""), puzzle);
    EXPECT_LT(puzzle->GetPlayStopwatch().GetElapsed(), sinceStart) << "play marked again";
    EXPECT_GE(puzzle->GetCreationStopwatch().GetElapsed(), 200u);
    EXPECT_EQ(Playing(), before + 1) << "the music starts only once";
    Pass(3000);
    EXPECT_EQ(Global("gDecrements"), 0);
  });
}

TEST_F(SearchListTest, PuzzleMessagesReachTheHintsAndLuaAndOtherIdsAreNotTaken) {
  RunLevel([&] {
    BuildLevel();
    auto* puzzle = Find<CountingPuzzle>("puzzle");
    QMSearchHintMessage hint("lamp", 7, 8);
    EXPECT_TRUE(puzzle->OnMessage(&hint));
    EXPECT_EQ(puzzle->shown, 1);
    EXPECT_EQ(puzzle->lastFirst, 7);
    TMessage plainHint(kQMShowHint, "lamp");
    EXPECT_FALSE(puzzle->OnMessage(&plainHint)) << "a 1006 of another class is not a hint";
    EXPECT_EQ(puzzle->shown, 1);
    TMessage hide(kQMHideHint, "lamp");
    EXPECT_TRUE(puzzle->OnMessage(&hide));
    EXPECT_EQ(puzzle->hidden, 1);
    // Posted to the puzzle, as the scripts do.
    Post(new QMSearchHintMessage("lamp", 3, 4), puzzle);
    Post(new TMessage(kQMHideHint, "lamp"), puzzle);
    EXPECT_EQ(puzzle->shown, 2);
    EXPECT_EQ(puzzle->lastFirst, 3);
    EXPECT_EQ(puzzle->hidden, 2);

    Post(new TMessage(kQMRunLua, "gFromMessage = 42"), puzzle);
    EXPECT_EQ(Global("gFromMessage"), 42);
    TMessage empty(kQMRunLua, "");
    EXPECT_TRUE(puzzle->OnMessage(&empty));

    for (int id : {1008, 1009, 1011, 1012, 1013, 1014, 1015, 1016, 1018, 2004}) {
      TMessage other(id, "x");
      EXPECT_FALSE(puzzle->OnMessage(&other)) << id;
    }
    EXPECT_FALSE(puzzle->IsStarted());
  });
}

TEST_F(SearchListTest, TheTimeReadsMinutesAndSecondsAndWarnsAtFiveMinutesAndOneMinute) {
  RunLevel([&] {
    BuildLevel(", currentTime = 400");
    QMSearchList* list = List();
    TText* time = TimeText();
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->GetText(), str("6:40"));
    const TColor start = time->GetColor();
    const TColor blue(0, 0, 1, 1), red(1, 0, 0, 1);
    struct Case {
      int seconds;
      const char* text;
      TColor colour;
      int warnings;
    } cases[] = {
        {301, "5:01", start, 0}, {300, "5:00", blue, 1}, {125, "2:05", blue, 0},
        {61, "1:01", blue, 0},   {60, "1:00", red, 1},   {59, ":59", red, 0},
        {9, ":09", red, 0},      {0, ":00", red, 0},     {-75, ":00", red, 0},
        {600, "10:00", red, 0},  // above five minutes the colour is left as it is
    };
    for (const Case& c : cases) {
      const size_t before = Playing();
      list->SetTime(c.seconds);
      EXPECT_EQ(time->GetText(), str(c.text)) << c.seconds;
      EXPECT_EQ(time->GetColor(), c.colour) << c.seconds;
      EXPECT_EQ(Playing(), before + c.warnings) << c.seconds;
    }
    // The scripts tell the list the time in message 2011's name.
    Post(new TMessage(kQMShowTime, "185"));
    EXPECT_EQ(time->GetText(), str("3:05"));
    Post(new TMessage(kQMShowTime, "soon"));
    EXPECT_EQ(time->GetText(), str(":00"));
  });
}

// The colours and sounds are read before the starting time is shown, so a level that starts
// in its last five minutes is coloured and warned from the first frame.
TEST_F(SearchListTest, AStartingTimeInTheLastFiveMinutesIsColouredAndWarnedAtCreation) {
  RunLevel([&] {
    size_t before = Playing();
    BuildLevel(", currentTime = 300");
    EXPECT_EQ(Playing(), before + 1);
    EXPECT_EQ(TimeText()->GetColor(), TColor(0, 0, 1, 1));
    Wm()->DoPopModal("level");
    Wm()->FlushDeletes();
    before = Playing();
    BuildLevel(", currentTime = 200");
    EXPECT_EQ(TimeText()->GetText(), str("3:20"));
    EXPECT_EQ(TimeText()->GetColor(), TColor(0, 0, 1, 1));
    EXPECT_EQ(Playing(), before);
  });
}

TEST_F(SearchListTest, ListsWithoutATimeTextOrLightsSkipThoseSteps) {
  RunLevel([&] {
    Build(
        "SearchListWindow({ name = 'searchListWindow', x = 0, y = 0, w = 200, h = 500, "
        "hintLevel = 1, currentTime = 30, hintLevelTimeOut = -5, "
        "Bitmap({ name = 'hintLED1', x = 0, y = 30, w = 10, h = 10 }), "
        "Text({ name = 'hintLED2', x = 0, y = 30, w = 10, h = 10, label = '' }), "
        "Bitmap({ name = 'hintLED3', x = 0, y = 30, w = 10, h = 10 }) })");
    QMSearchList* list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetHintPeriod(), 60000) << "a period that is no period takes the default";
    list->SetTime(60);
    Post(new TMessage(kQMShowTime, "12"));
    Post(new TMessage(kQMHintLevel, "3"));
    EXPECT_TRUE(Shown("hintLED1")) << "a light of another kind counts as missing";
    EXPECT_TRUE(Shown("hintLED3"));
    const TColor def(110.0f / 255.0f, 1.0f, 140.0f / 255.0f, 1.0f);
    EXPECT_EQ(list->GetMiddleColor(), def);
    EXPECT_EQ(list->GetLastMinuteColor(), def);
  });
}

TEST_F(SearchListTest, HintLightsShowTheHintLevel) {
  RunLevel([&] {
    BuildLevel(", hintLevel = 2");
    EXPECT_TRUE(Shown("hintLED1"));
    EXPECT_TRUE(Shown("hintLED2"));
    EXPECT_FALSE(Shown("hintLED3"));
    struct Case {
      const char* level;
      bool one, two, three;
    } cases[] = {
        {"3", true, true, true},       {"7", true, true, true},    {"1", true, false, false},
        {"-1", true, false, false},    {"0", false, false, false}, {"2", true, true, false},
        {"none", false, false, false},
    };
    for (const Case& c : cases) {
      Post(new TMessage(kQMHintLevel, c.level));
      EXPECT_EQ(Shown("hintLED1"), c.one) << c.level;
      EXPECT_EQ(Shown("hintLED2"), c.two) << c.level;
      EXPECT_EQ(Shown("hintLED3"), c.three) << c.level;
    }
  });
}

TEST_F(SearchListTest, CoversBadClicksAndTheSearchScenesHoverAreTheListsToHandle) {
  RunLevel([&] {
    Build(
        "SearchWindow({ name = 'qmsearch', x = 0, y = 0, w = 600, h = 500 }), "
        "SearchListWindow({ name = 'searchListWindow', x = 600, y = 0, w = 200, h = 500, "
        "Window({ name = 'disableHint', x = 0, y = 50, w = 10, h = 10 }), "
        "Window({ name = 'disablePause', x = 0, y = 60, w = 10, h = 10 }) })",
        "scene");
    QMSearchList* list = List();
    Post(new TMessage(kQMShowDisabled, "Disable Buttons from Word Puzzle Hint"));
    EXPECT_TRUE(Shown("disableHint"));
    EXPECT_TRUE(Shown("disablePause"));
    Post(new TMessage(kQMHideDisabled, ""));
    EXPECT_FALSE(Shown("disableHint"));
    EXPECT_FALSE(Shown("disablePause"));

    // The pointer over the list ends the scene's hover.
    auto* scene = Find<LeaveCounter>("qmsearch");
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(list->OnMouseMove(TPoint(1, 1)));
    EXPECT_EQ(scene->leaves, 1);
    scene->SetName("other");
    EXPECT_FALSE(list->OnMouseMove(TPoint(1, 1)));

    // The level has no "disablePause": its cover alone is shown, and the list answers.
    Wm()->DoPopModal("scene");
    BuildLevel();
    TMessage show(kQMShowDisabled, "");
    EXPECT_TRUE(List()->OnMessage(&show));
    EXPECT_TRUE(Shown("disableHint"));
    EXPECT_FALSE(List()->OnMouseMove(TPoint(1, 1))) << "no search scene beside this list";

    // A bad click plays the list's sound once; ids the list does not own are left alone.
    const size_t before = Playing();
    TMessage bad(kQMBadClick, ""), other(kQMBadClickOther, "");
    EXPECT_TRUE(List()->OnMessage(&bad));
    EXPECT_TRUE(List()->OnMessage(&other));
    EXPECT_EQ(Playing(), before + 2);
    for (int id : {1018, 1019, 1025, 1000, 2004}) {
      TMessage m(id, "");
      EXPECT_FALSE(List()->OnMessage(&m)) << id;
    }
  });
}

TEST_F(SearchListTest, EntriesShowTheirLabelHighlightRestoreAndStrikeOutWhenFound) {
  RunLevel([&] {
    BuildLevel();
    QMSearchItem* lamp = List()->FindItem("lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(List()->FindItem("timeText"), nullptr) << "not an entry";
    EXPECT_EQ(List()->FindItem("nothing"), nullptr);
    TText* text = lamp->GetItemText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(lamp->GetHighlightColor(), TColor(1, 1, 0, 1)) << "only g given over red";

    TMessage label(kQMItemSetLabel, "ITEM_LAMP");
    EXPECT_TRUE(lamp->OnMessage(&label));
    EXPECT_EQ(text->GetText(), str("Oil lamp"));

    // A restore before any highlight gives white; a highlight saves the colour it replaces.
    text->SetColor(TColor(0.2f, 0.3f, 0.4f, 1));
    Post(new TMessage(kQMItemRestoreColour, "lamp"));
    EXPECT_EQ(text->GetColor(), TColor(1, 1, 1, 1));
    text->SetColor(TColor(0.2f, 0.3f, 0.4f, 1));
    Post(new TMessage(kQMItemHighlight, "lamp"));
    EXPECT_EQ(text->GetColor(), TColor(1, 1, 0, 1));
    Post(new TMessage(kQMItemRestoreColour, "lamp"));
    EXPECT_EQ(text->GetColor(), TColor(0.2f, 0.3f, 0.4f, 1));

    // Found: greyed, struck out over the laid-out name, and the sound; again adds another.
    size_t before = Playing();
    TMessage found(kQMItemMarkFound, "lamp");
    EXPECT_TRUE(List()->OnMessage(&found)) << "passed on to the entry of that name";
    EXPECT_TRUE(lamp->IsFound());
    EXPECT_EQ(text->GetColor(), TColor(1, 1, 1, 0.5f));
    EXPECT_EQ(StrikeOuts(lamp), 1);
    EXPECT_EQ(Playing(), before + 1);
    TRect bounds;
    text->GetTextBounds(bounds);
    for (TWindow* c : lamp->GetChildren()) {
      if (!WindowCast<TImage>(c)) continue;
      EXPECT_EQ(c->GetWidth(), bounds.right - bounds.left + 1);
      EXPECT_EQ(c->GetHeight(), text->GetHeight());
      EXPECT_EQ(c->GetRect().left, 0);
    }
    TMessage again(kQMItemMarkFound, "lamp");
    EXPECT_TRUE(lamp->OnMessage(&again));
    EXPECT_EQ(StrikeOuts(lamp), 2);
    EXPECT_EQ(Playing(), before + 2);
    Idle();

    TMessage missing(kQMItemHighlight, "nothing");
    EXPECT_FALSE(List()->OnMessage(&missing)) << "no entry of that name";
    TMessage other(2008, "lamp");
    EXPECT_FALSE(lamp->OnMessage(&other));

    // An entry closed while its found sounds play does not cut them short.
    TWindowHandle entry(lamp);
    Wm()->DeleteLater(lamp);
    Wm()->FlushDeletes();
    EXPECT_FALSE(entry);
    EXPECT_EQ(Playing(), before + 2) << "the found sounds play on";
  });
}

TEST_F(SearchListTest, EntriesFoundAtCreationAreGreyedWithoutSoundAndBareEntriesAreSkipped) {
  RunLevel([&] {
    const size_t before = Playing();
    Build(
        "SearchListWindow({ name = 'searchListWindow', x = 0, y = 0, w = 200, h = 500, "
        "SearchItem({ name = 'key', x = 0, y = 0, w = 200, h = 20, found = true, "
        "markfoundsfx = 'audio/music.ogg', "
        "Text({ name = 'itemText', x = 0, y = 0, w = 200, h = 20, label = 'Key' }) }), "
        "SearchItem({ name = 'bare', x = 0, y = 20, w = 200, h = 20 }) })");
    QMSearchItem* key = List()->FindItem("key");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->IsFound());
    EXPECT_EQ(key->GetItemText()->GetColor(), TColor(1, 1, 1, 0.5f));
    EXPECT_EQ(StrikeOuts(key), 1);
    EXPECT_EQ(Playing(), before) << "a restored find makes no sound";
    EXPECT_EQ(key->GetHighlightColor(), TColor(1, 0, 0, 1));

    // Without "itemText" every step that needs it is skipped, and the messages are answered.
    QMSearchItem* bare = List()->FindItem("bare");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetItemText(), nullptr);
    for (int id : {2004, 2005, 2006, 2007}) {
      TMessage m(id, "bare");
      EXPECT_TRUE(bare->OnMessage(&m)) << id;
    }
    EXPECT_TRUE(bare->IsFound());
    EXPECT_EQ(StrikeOuts(bare), 0);
  });
}

TEST_F(SearchListTest, TheListIsFoundByNameUnderTheWindowOrItsAncestors) {
  RunLevel([&] {
    BuildLevel();
    TWindow* puzzle = Find<TWindow>("puzzle");
    EXPECT_EQ(FindSearchListWindow(puzzle, "searchListWindow"), List())
        << "in a sibling subtree of an ancestor";
    EXPECT_EQ(FindSearchListWindow(List(), "searchListWindow"), List()) << "itself";
    EXPECT_EQ(FindSearchListWindow(puzzle, "side"), nullptr) << "first of that name: no list";
    EXPECT_EQ(FindSearchListWindow(puzzle, "nowhere"), nullptr);
    EXPECT_EQ(FindSearchListWindow(nullptr, "searchListWindow"), nullptr);
  });
}

TEST_F(SearchListTest, APuzzleRendersItsSceneIntoATextureOfItsSize) {
  RunLevel([&] {
    BuildLevel();
    auto* puzzle = Find<CountingPuzzle>("puzzle");
    boost::shared_ptr<TTexture> blank = puzzle->RenderToTexture();
    ASSERT_TRUE(blank) << "no scene yet: a blank picture";
    EXPECT_EQ(blank->GetWidth(), 600);
    EXPECT_EQ(blank->GetHeight(), 500);

    // A red square centred on the scene's origin: its lower right quarter is in the picture.
    boost::shared_ptr<TTexture> red = TTexture::Create(16, 16, true);
    ASSERT_TRUE(red);
    {
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      TextureLock lock;
      ASSERT_TRUE(lock.Lock(px, pitch, red.get()));
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) px[y * pitch + x] = 0xFFFF0000u;
    }
    puzzle->SetScene(TSprite::Create(0, red));
    boost::shared_ptr<TTexture> shot = puzzle->RenderToTexture();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->GetWidth(), 600);
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    TextureLock lock;
    ASSERT_TRUE(lock.Lock(px, pitch, shot.get()));
    EXPECT_EQ(px[2 * pitch + 2] & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(px[7 * pitch + 7] & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(px[20 * pitch + 20] & 0xFFFFFFu, 0u);
  });
}

}  // namespace
