// The sample game played as a person plays it, in-process on the headless display and audio
// with the virtual clock: the real start-up scripts, the intro and the menu, a new player made
// by typing a name, the options changed, the story's steps played by clicks and drags, the game
// closed part-way through a step and resumed in a second run, and a high score sent to a
// loopback score server. The checks read what a player leaves behind: the preferences, the
// saved game, "hiscore.dat", the game-state events and frames at the key moments.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "game/GameScreenFixture.h"
#include "anim/KAnimProperties.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/scenes/QMSearch.h"
#include "render/QMSearchableSprite.h"
#include "render/TSprite.h"
#include "game/shell/ScriptUtilities.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/THiscore.h"
#include "game/shell/TMainMenu.h"
#include "game/shell/TOptions.h"
#include "online/TGameState.h"
#include "support/GameStateRecorder.h"
#include "support/Golden.h"
#include "support/LoopbackHttpServer.h"
#include "window/TButton.h"

namespace {

// One letter of the word puzzle and the cell it belongs in.
struct Placing {
  const char* letter;
  const char* cell;
};

// The word puzzle's two rounds, solved: a bank letter, then its cell. Each letter stays in its
// own row or column.
const std::vector<Placing> kWordRound1 = {{"S_1_row2", "Grid_Text_1_2"},
                                          {"U_2_row2", "Grid_Text_2_2"},
                                          {"N_0_row2", "Grid_Text_3_2"},
                                          {"R_1_column2", "Grid_Text_2_1"},
                                          {"G_0_column2", "Grid_Text_2_3"}};
const std::vector<Placing> kWordRound2 = {
    {"B_1_row1", "Grid_Text_1_1"}, {"A_0_row1", "Grid_Text_2_1"}, {"T_2_row1", "Grid_Text_3_1"},
    {"A_2_row2", "Grid_Text_1_2"}, {"R_0_row2", "Grid_Text_2_2"}, {"E_1_row2", "Grid_Text_3_2"},
    {"T_1_row3", "Grid_Text_1_3"}, {"E_0_row3", "Grid_Text_2_3"}, {"N_2_row3", "Grid_Text_3_3"}};

// One move of an injected event script: a click at a point or on a named window, a drag
// from one point to another, or a wait on the virtual clock.
struct Move {
  enum Kind { kClick, kClickOn, kDrag, kWait } kind;
  TPoint from, to;
  int ms = 0;
  const char* name = nullptr;
};
Move ClickAt(int x, int y) { return {Move::kClick, TPoint(x, y), TPoint(x, y)}; }
Move ClickOnWindow(const char* name) { return {Move::kClickOn, {}, {}, 0, name}; }
Move DragFrom(int x, int y, int toX, int toY) {
  return {Move::kDrag, TPoint(x, y), TPoint(toX, toY)};
}
Move Wait(int ms) { return {Move::kWait, {}, {}, ms}; }

// The layer puzzle, both rounds: each photo is taken at its middle and let go where its
// top-left meets its cell on the frame; the lower button beside the picked photo sends the
// background under the others, one layer a press once the layer sound is over.
const Move kMinus = ClickAt(430, 90);
const Move kRoundEndContinue = ClickAt(220, 472);
// clang-format off
const std::vector<Move> kLayerPuzzle = {
    Wait(1800),  // the round's banner comes and goes
    DragFrom(100, 100, 560, 100), DragFrom(260, 120, 720, 220), DragFrom(200, 370, 600, 180),
    kMinus, Wait(400), kMinus, Wait(200), kRoundEndContinue, Wait(1900),
    DragFrom(80, 90, 480, 100), DragFrom(230, 100, 600, 260), DragFrom(370, 120, 720, 220),
    DragFrom(200, 370, 600, 180),
    kMinus, Wait(400), kMinus, Wait(400), kMinus, Wait(200), kRoundEndContinue, Wait(200)};
// clang-format on

// The codex, both rounds: the code word's letters stand on the grid's diagonal.
Move CodexCell(int row, int column) { return ClickAt(90 + column * 50 + 24, 92 + row * 40 + 19); }
const std::vector<Move> kCodexPuzzle = {Wait(64),
                                        CodexCell(0, 0),
                                        CodexCell(1, 1),
                                        CodexCell(2, 2),
                                        Wait(2200),
                                        ClickOnWindow("roundendok"),
                                        Wait(4200),
                                        CodexCell(0, 0),
                                        CodexCell(1, 1),
                                        CodexCell(2, 2),
                                        CodexCell(3, 3),
                                        Wait(64),
                                        ClickOnWindow("codexcompleteok"),
                                        Wait(64)};

// The harbour's objects: where each stands in the three pictures wide scene, its middle, and the
// end of the scene the player scrolls to before looking for it (-1 the left end, 1 the right,
// 0 the middle, where the level starts).
struct HiddenObject {
  const char* name;
  int x, y;
  int end;
};
const std::vector<HiddenObject> kHarbour = {{"bell", 1166, 306, 0},     {"umbrella", 1484, 404, 0},
                                            {"key", 218, 302, -1},      {"teacup", 148, 236, -1},
                                            {"fish", 514, 345, -1},     {"anchor", 1844, 424, 1},
                                            {"starfish", 2033, 489, 1}, {"candle", 2094, 382, 1}};
constexpr int kLeftArrow = 0xFF82;
constexpr int kRightArrow = 0xFF83;

class PlayThroughTest : public GameScreenTest {
protected:
  // Waits on the virtual clock while the player only watches are taken in steps of 48 ms: fewer
  // frames to draw, the same time passing.
  static void Watch(TPlatform* p, int ms) { Tick(p, ms / 48, 48); }
  // A round's banner comes and goes before the player plays the round.
  static void AwaitBanner(TPlatform* p) { Watch(p, 1920); }

  void SetUp() override {
    GameTest::SetUp();
    UseWholeSample();
    mServer = std::make_unique<LoopbackHttpServer>([](const LoopbackHttpServer::Request& r) {
      LoopbackHttpServer::Reply reply;
      if (r.target.find("action=tables") != std::string::npos)
        reply.body = "<hiscore><tables><table table=\"t1\" name=\"All time\"/></tables></hiscore>";
      else if (r.target.find("action=get") != std::string::npos)
        reply.body =
            "<hiscore><scores><score name=\"Robin\" anonymous=\"true\" score=\"1\" "
            "rank=\"1\"/></scores></hiscore>";
      else
        reply.body = "<hiscore><score/></hiscore>";
      return reply;
    });
    std::ofstream(mWork + "/hiscoreserver.txt") << mServer->Url("/go/hiscore") << "\n";
  }
  void TearDown() override {
    mServer.reset();
    GameScreenTest::TearDown();
  }

  // One run of the game as the program runs it: the game object, the start-up scripts (which
  // start the game flow), the player's part, then, once the player has quit, the end the
  // program gives the game: the quit script, the last save and the closing of the screens.
  void Play(const std::function<void(TPlatform*, QMGameManager&)>& player) {
    // As the program's entry does: the engine forgets the game's settings when it ends.
    SetGameSettings();
    Run("--multiple", [&](TPlatform* p) {
      sLogPath = GetLogFilePath().CStr();
      HidePointer(p);
      mEvents.clear();
      TGameState::AddHandler(new GameStateRecorder(&mEvents));
      CreateGameManager();
      TWindowManager* wm = p->GetWindowManager();
      RegisterGameTypes(wm);
      QMGameManager& game = *QMGameManager::Instance();
      player(p, game);
      // The window closes: the player's own way of quitting, and the end of a failed run.
      HeadlessWindow(p)->PostMessage(platform::window::MakeMessage(platform::window::WM_CLOSE));
      GameEventLoop(p, &game, wm);
      if (!RuntimeSettings().disableSave) game.SaveGame();
      CloseAllModals(p, wm);
      DestroyGameManager();
    });
    ASSERT_TRUE(sBodyRan);
  }

  // Passes of the main loop on the virtual clock, each ms apart, as the program runs them.
  static void Tick(TPlatform* p, int passes, uint32_t ms = 16) {
    for (int i = 0; i < passes; ++i) {
      platform::os::AdvanceVirtualTime(ms);
      TPlatformEvent e;
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }
  // Frames until the condition holds or ms have passed.
  static bool Until(TPlatform* p, const std::function<bool()>& done, int ms = 3000) {
    for (int t = 0; t < ms && !done(); t += 16) Tick(p, 1);
    return done();
  }
  // As Until, but the clock also waits for real time: the score server answers on its thread.
  static bool UntilAnswered(TPlatform* p, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Tick(p, 1, 20);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  static bool Top(const char* name) { return FindWindow(name) != nullptr; }

  // Clicks each letter and then its cell, letting each letter's flight land.
  static void PlaceLetters(TPlatform* p, const std::vector<Placing>& placings) {
    for (const Placing& placing : placings) {
      ASSERT_TRUE(Top(placing.letter)) << placing.letter;
      ClickOn(p, placing.letter);
      Tick(p, 4);
      ClickOn(p, placing.cell);
      Watch(p, 960);
    }
  }
  // The round-end panel shows; its button closes it.
  static void ContinueAfterRound(TPlatform* p, const char* button) {
    ASSERT_TRUE(Until(p, [&] { return Shown(button); })) << button << "\n" << Log();
    ClickOn(p, button);
    Tick(p, 8);
  }

  // Drags every shown card of the sequence puzzle into its own slot, right end first.
  static void SolveSequenceRound(TPlatform* p, QMSequencePuzzleWindow& w) {
    QMSequenceGrid* grid = w.GetGrid();
    const int half = grid->GetSlotWidth() / 2;
    for (int slot = grid->GetSlotCount(); slot >= 1; --slot) {
      for (TWindow* child : w.GetChildren()) {
        auto* piece = WindowCast<QMSequencePuzzlePiece>(child);
        if (!piece || !piece->IsVisible() || piece->GetGridPosition() != slot) continue;
        const TRect& row = grid->GetSlotArea();
        const TPoint to(row.left + (slot - 1) * grid->GetSlotWidth() + half,
                        row.top + grid->GetSlotHeight() / 2);
        const TPoint at = piece->GetDropPosition();
        const TPoint from(at.x + half, at.y + grid->GetSlotHeight() / 2);
        Send(p, kEventMouseMove, from.x, from.y);
        Send(p, kEventLeftDown, from.x, from.y);
        Send(p, kEventMouseMove, (from.x + to.x) / 2, (from.y + to.y) / 2);
        Send(p, kEventMouseMove, to.x, to.y);
        Send(p, kEventLeftUp, to.x, to.y);
        Watch(p, 640);
        EXPECT_EQ(piece->GetCurrentSlot(), slot);
      }
    }
  }

  static QMSearch* Scene() { return Find<QMSearch>("puzzleWindow"); }
  static float SceneX() { return KGetSpritePosition(Scene()->GetSceneSprite()).x; }
  static bool FoundInLevel(const char* name) {
    Host()->DoLuaString(
        (std::string("gTestFound = tostring(gLevel ~= nil and gLevel.items.") + name + ".found)")
            .c_str());
    return Global("gTestFound") == "true";
  }
  // Holds an arrow key until the scene has scrolled to the end the object stands in, then
  // clicks the object's middle.
  static void FindObject(TPlatform* p, const HiddenObject& o) {
    if (o.end != 0) {
      const int key = o.end < 0 ? kRightArrow : kLeftArrow;
      const float stop = o.end < 0 ? 0.0f : -1600.0f;
      for (int i = 0; i < 200 && SceneX() != stop; ++i) {
        Send(p, kEventKeyDown, 0, 0, key);
        Tick(p, 1);
      }
      Send(p, kEventKeyUp, 0, 0, key);
      Watch(p, 480);
    }
    Click(p, static_cast<int>(SceneX()) + o.x, o.y);
    Tick(p, 4);
    EXPECT_TRUE(FoundInLevel(o.name)) << o.name << " at scene x " << SceneX();
  }

  // Clicks an object of a level that fits the screen (drawn scaled, searched with a tool) at a
  // point where its own picture shows, found by the scene's hit test, and checks it is found.
  static void FindShownObject(TPlatform* p, const char* name) {
    QMSearch* scene = Scene();
    ASSERT_NE(scene, nullptr);
    QMSearchableSprite& root = scene->GetSceneSprite();
    boost::shared_ptr<TSprite> sprite = root.GetSprite(name);
    ASSERT_TRUE(sprite) << name;
    TRect bounds, window;
    sprite->GetBounds(bounds, TSpriteDrawState(), -1);
    scene->GetScreenRect(window);
    for (int y = bounds.top; y < bounds.bottom; y += 2)
      for (int x = bounds.left; x < bounds.right; x += 2) {
        str hit;
        if (root.FindNamedSpriteAt(TPoint(x, y), &hit, QMSearch::kDarkenSpriteName) &&
            hit == name) {
          Click(p, window.left + x, window.top + y);
          Tick(p, 4);
          EXPECT_TRUE(FoundInLevel(name)) << name << " clicked at " << x << ", " << y;
          return;
        }
      }
    ADD_FAILURE() << name << " shows nowhere in its level";
  }
  // Plays a level that fits the screen: waits for it, finds each object, waits for its end.
  static void PlayShownLevel(TPlatform* p, int number, std::initializer_list<const char*> names) {
    ASSERT_TRUE(Until(
        p,
        [&] {
          if (!Scene()) return false;
          Host()->DoLuaString("gTestLevel = tostring(gLevel and gLevel.number)");
          return Global("gTestLevel") == std::to_string(number);
        },
        12000))
        << "level " << number << "\n"
        << Log();
    Watch(p, 1120);
    for (const char* name : names) FindShownObject(p, name);
  }

  // Plays an event script into the game's windows.
  static void Perform(TPlatform* p, const std::vector<Move>& moves) {
    for (const Move& m : moves) {
      switch (m.kind) {
        case Move::kClick: Click(p, m.from.x, m.from.y); break;
        case Move::kClickOn:
          ASSERT_TRUE(Until(p, [&] { return Shown(m.name); })) << m.name << "\n" << Log();
          ClickOn(p, m.name);
          break;
        case Move::kDrag:
          Send(p, kEventMouseMove, m.from.x, m.from.y);
          Send(p, kEventLeftDown, m.from.x, m.from.y);
          for (int i = 1; i <= 8; ++i)
            Send(p, kEventMouseMove, m.from.x + (m.to.x - m.from.x) * i / 8,
                 m.from.y + (m.to.y - m.from.y) * i / 8);
          Send(p, kEventLeftUp, m.to.x, m.to.y);
          break;
        case Move::kWait: Watch(p, m.ms); break;
      }
      Tick(p, 1);
    }
  }

  // The saved game of a player, as stored in the preferences.
  static std::string SavedGame(QMGameManager& game, int user) {
    return game.GetPrefs().GetString("usergamedata", "", user).CStr();
  }
  bool Published(const std::string& key, const std::string& value) const {
    return std::find(mEvents.begin(), mEvents.end(), key + "=" + value) != mEvents.end();
  }

  std::unique_ptr<LoopbackHttpServer> mServer;
  std::vector<std::string> mEvents;
};

TEST_F(PlayThroughTest, NewPlayerPlaysTheStoryQuitsPartWayResumesFinishesAndSendsAScore) {
  int robin = -1;

  // First run: the intro gives way to the menu; a new player starts the story, finds the first
  // object of the harbour and closes the game part-way through the level.
  Play([&](TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(Until(
        p, [] { return Find<TMainMenu>("mainmenu") != nullptr; }, 9000))
        << Log();
    Tick(p, 60);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/menu.png", 2));

    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Find<TChoosePlayer>("chooser") != nullptr; })) << Log();
    ClickOn(p, "newname");
    Type(p, "Robin");
    Tick(p, 2);
    ClickOn(p, "create");
    robin = game.GetCurrentUser();
    ASSERT_EQ(std::string(game.GetUserName(robin).CStr()), "Robin");
    ClickOn(p, "pick");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << "the story opens its first level\n"
                                                             << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=1"), std::string::npos)
        << "the step is saved as it starts: " << SavedGame(game, robin);
    Watch(p, 1120);  // the scene centres itself and takes clicks a second after it starts
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/harbour.png", 2));
    FindObject(p, kHarbour[0]);
    // The player closes the game's window part-way through the level.
  });

  // Second run: the player changes the options; Play and the chooser's Play resume the story
  // at the harbour, which the player clears, and the story goes on through every puzzle.
  int32_t entered = -1;  // the score entered for the player after the arcade run
  Play([&](TPlatform* p, QMGameManager& game) {
    EXPECT_EQ(game.GetCurrentUser(), robin) << "the last player is current again";
    ASSERT_TRUE(Until(
        p, [] { return Find<TMainMenu>("mainmenu") != nullptr; }, 9000))
        << Log();

    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") != nullptr; })) << Log();
    ClickOn(p, "mutebox");
    ClickOn(p, "ok");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; }));
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 1);

    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Find<TChoosePlayer>("chooser") != nullptr; }));
    ClickOn(p, "pick");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << "the story resumes at the level\n"
                                                             << Log();
    Watch(p, 1120);
    for (const HiddenObject& o : kHarbour) FindObject(p, o);

    // The last find clears the level; the story goes on to the word puzzle's two rounds.
    ASSERT_TRUE(Until(
        p, [] { return Find<QMWordPuzzleWindow>("puzzleWindow") != nullptr; }, 12000))
        << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=2"), std::string::npos)
        << SavedGame(game, robin);
    AwaitBanner(p);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/word.png", 2));
    PlaceLetters(p, kWordRound1);
    ContinueAfterRound(p, "roundendok");
    ASSERT_TRUE(Until(p, [] { return Top("B_1_row1"); })) << "the second round";
    AwaitBanner(p);
    PlaceLetters(p, kWordRound2);
    ContinueAfterRound(p, "roundendok");

    // The captain's study, searched with the magnifying glass.
    PlayShownLevel(p, 2, {"coin", "ring", "stamp", "thimble", "button", "brasskey"});

    // The story goes on to the sequence puzzle: two rounds of cards dragged into their slots.
    QMSequencePuzzleWindow* sequence = nullptr;
    ASSERT_TRUE(Until(
        p,
        [&] {
          sequence = Find<QMSequencePuzzleWindow>("sequencepuzzle");
          return sequence != nullptr;
        },
        12000))
        << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=4"), std::string::npos)
        << SavedGame(game, robin);
    AwaitBanner(p);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/sequence.png", 2));
    for (int round = 0; round < 2; ++round) {
      AwaitBanner(p);
      SolveSequenceRound(p, *sequence);
      Tick(p, 8);
      ContinueAfterRound(p, "ok");
    }

    // The chandler's cellar, searched by flashlight.
    PlayShownLevel(p, 3, {"bottle", "apple", "spoon", "teacup", "candle", "bell"});

    // Then the layer puzzle and the codex, played by their event scripts.
    ASSERT_TRUE(Until(
        p, [] { return Top("layerwindow"); }, 12000))
        << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=6"), std::string::npos)
        << SavedGame(game, robin);
    Perform(p, kLayerPuzzle);
    ASSERT_TRUE(Until(p, [] { return Top("puzzleWindow"); })) << "the codex\n" << Log();
    EXPECT_EQ(game.GetLayerPuzzleRound(), -1) << "the layer puzzle is finished";
    AwaitBanner(p);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/codex.png", 2));
    Perform(p, kCodexPuzzle);

    // The last step done, the credits roll; Back leads to the menu.
    ASSERT_TRUE(Until(p, [] { return Top("credits"); })) << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"storyDone\"]=true"), std::string::npos)
        << SavedGame(game, robin);
    ClickOn(p, "back");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; })) << Log();

    // An arcade run played to its end: once its scene has faded in nothing happens on screen,
    // so the clock goes on in whole seconds until time is up and the game-over screen shows.
    ClickOn(p, "arcade");
    QMArcadeGame* arcade = nullptr;
    ASSERT_TRUE(Until(p, [&] {
      arcade = Find<QMArcadeGame>("puzzleWindow");
      return arcade != nullptr;
    })) << Log();
    EXPECT_EQ(game.GetCurrentGameMode(), 1);
    Watch(p, 2000);
    for (int steps = 0; steps < 800 && !arcade->IsRunOver(); ++steps) Tick(p, 1, 2000);
    ASSERT_TRUE(arcade->IsRunOver());
    ASSERT_TRUE(Until(p, [] { return Top("gameoverwin"); })) << Log();
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/gameover.png", 2));
    ClickOn(p, "continue");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; })) << Log();

    // The high scores: the player's score goes to the score server.
    entered = game.GetStoryScore() + 100;
    game.GetHiscores().AddScore(entered, true, "");
    ClickOn(p, "hiscores");
    ASSERT_TRUE(Until(p, [] { return Find<THiscore>("hiscores") != nullptr; })) << Log();
    ASSERT_TRUE(Shown("submit"));
    ClickOn(p, "submit");
    ASSERT_TRUE(Until(p, [] { return Shown("submittoserver"); })) << Log();
    EXPECT_EQ(Global("gNameEdit"), "Robin");
    ClickOn(p, "submittoserver");
    ASSERT_TRUE(UntilAnswered(p, [] { return Find<THiscore>("hiscores") != nullptr; })) << Log();
    EXPECT_FALSE(Shown("submiterror"));
    ClickOn(p, "back");
    ASSERT_TRUE(Until(p, [] { return Find<TMainMenu>("mainmenu") != nullptr; })) << Log();
    ClickOn(p, "quit");
  });

  bool submitted = false;
  for (const auto& request : mServer->Requests())
    submitted = submitted || request.target.find("action=submit") != std::string::npos;
  EXPECT_TRUE(submitted) << "the score reached the server";
  EXPECT_TRUE(Published("FullScreenMode", "1"));
  EXPECT_TRUE(Published("LevelTotalClicks", "1")) << "the puzzles count the player's clicks";
  EXPECT_FALSE(Logged("rror")) << Log();

  // Third run: what the player did is all still there.
  const std::string data = mRoot + "/data/Hearthwell/quillmoor-heirloom-emberglass/";
  for (const char* file : {"prefs.dat", "hiscore.dat", "logfile.txt"})
    EXPECT_TRUE(std::filesystem::exists(data + file)) << file;
  Play([&](TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(Until(
        p, [] { return Find<TMainMenu>("mainmenu") != nullptr; }, 9000))
        << Log();
    EXPECT_EQ(game.GetCurrentUser(), robin);
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 1) << "the options are kept";
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=1"), std::string::npos)
        << "a finished story starts over: " << SavedGame(game, robin);
    // The score was entered after the arcade run, into the arcade's table.
    game.SetCurrentGameMode(1);
    bool kept = false;
    for (int32_t row = 0; row < game.GetHiscores().GetScoreCount(true); ++row) {
      int32_t rank = 0, score = 0;
      char name[64] = {};
      bool anonymous = false;
      if (game.GetHiscores().GetScore(true, row, &rank, name, sizeof name, &anonymous, &score,
                                      nullptr, 0))
        kept = kept || (std::string(name) == "Robin" && score == entered);
    }
    EXPECT_TRUE(kept) << "Robin's " << entered << " is in hiscore.dat";
  });
}

}  // namespace
