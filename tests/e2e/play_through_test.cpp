// The sample game's story played as a person plays it, in-process on the headless display and
// audio with the virtual clock: the real start-up scripts, the intro and the menu, a new player
// made by typing a name, the options changed, the story's steps played by clicks and drags, the
// game closed part-way through a level and resumed in a second run with what was found kept.
// The checks read what a player leaves behind: the preferences, the saved game, the game-state
// events and frames at the key moments. The arcade run and the score it sends are played by
// scores/arcade_score_test.cpp.
#include "e2e/PlayThrough.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "anim/KAnimProperties.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/QMSearchItem.h"
#include "game/shell/TOptions.h"
#include "render/QMSearchableSprite.h"
#include "render/TSprite.h"
#include "support/Golden.h"
#include "support/SampleHarbour.h"
#include "window/TButton.h"
#include "window/TSlider.h"
#include "window/TText.h"

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
const Move kRoundEndContinue = ClickOnWindow("roundendok");
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

using sample::HiddenObject;
using sample::kHarbour;
constexpr int kLeftArrow = 0xFF82;
constexpr int kRightArrow = 0xFF83;

class PlayThroughTest : public PlayThrough {
protected:
  // A round's banner comes and goes before the player plays the round.
  static void AwaitBanner(TPlatform* p) { Watch(p, 1920); }

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
      const float stop = o.end < 0 ? sample::kHarbourLeftEnd : sample::kHarbourRightEnd;
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
};

TEST_F(PlayThroughTest, NewPlayerPlaysTheStoryQuitsPartWayResumesWithItsFindsAndFinishes) {
  int robin = -1;

  // First run: after the intro the game asks who is playing; the new player is welcomed at
  // the menu, Play starts the story at once, the player finds the first object of the harbour
  // and closes the game part-way through the level.
  Play([&](TPlatform* p, QMGameManager& game) {
    robin = FirstPlayer(p, game, "Robin");
    ASSERT_EQ(std::string(game.GetUserName(robin).CStr()), "Robin");
    Watch(p, 960);
    EXPECT_EQ(Find<TText>("welcome")->GetText(), str("Welcome,")) << "a new player";
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/menu.png", 2));

    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; }))
        << "the story opens its first level, the player chosen a moment ago not asked again\n"
        << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=1"), std::string::npos)
        << "the step is saved as it starts: " << SavedGame(game, robin);
    Watch(p, 1120);  // the scene centres itself and takes clicks a second after it starts
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/harbour.png", 2));
    FindObject(p, kHarbour[0]);
    // The player closes the game's window part-way through the level.
  });
  EXPECT_FALSE(Logged("rror")) << Log();

  // Second run: the player changes the options; Play and the chooser's Play resume the story
  // at the harbour with the object found before still found, and the player clears it; the
  // story goes on through every puzzle.
  Play([&](TPlatform* p, QMGameManager& game) {
    EXPECT_EQ(game.GetCurrentUser(), robin) << "the last player is current again";
    ASSERT_TRUE(SkipIntro(p)) << Log();
    EXPECT_EQ(Find<TText>("welcome")->GetText(), str("Welcome back,")) << "a returning player";
    EXPECT_NE(SavedGame(game, robin).find(std::string("[\"") + kHarbour[0].name + "\"]=true"),
              std::string::npos)
        << "the find is saved with the game: " << SavedGame(game, robin);

    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") != nullptr; })) << Log();
    ClickOn(p, "mutebox");
    ClickOn(p, "ok");
    ASSERT_TRUE(Until(p, AtMenu));
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 1);

    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Find<TChoosePlayer>("chooser") != nullptr; }));
    ClickOn(p, "pick");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << "the story resumes at the level\n"
                                                             << Log();
    Watch(p, 1120);
    // The object found before closing is still found: struck out in the list, gone from the
    // scene, and not among the objects left to find.
    auto* entry = Find<QMSearchItem>(kHarbour[0].name);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->IsFound());
    EXPECT_TRUE(FoundInLevel(kHarbour[0].name));
    EXPECT_FALSE(Scene()->GetSceneSprite().GetSprite(kHarbour[0].name))
        << "a found object is not in the scene";
    Host()->DoLuaString("gTestLeft = tostring(gLevel.left)");
    EXPECT_EQ(Global("gTestLeft"), std::to_string(kHarbour.size() - 1));
    for (size_t i = 1; i < kHarbour.size(); ++i) FindObject(p, kHarbour[i]);

    // The last find clears the level; the story goes on to the word puzzle's two rounds.
    ASSERT_TRUE(Until(
        p, [] { return Find<QMWordPuzzleWindow>("puzzleWindow") != nullptr; }, 12000))
        << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=2"), std::string::npos)
        << SavedGame(game, robin);
    EXPECT_EQ(SavedGame(game, robin).find("]=true"), std::string::npos)
        << "a cleared level's finds are forgotten: " << SavedGame(game, robin);
    AwaitBanner(p);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/word.png", 2));
    PlaceLetters(p, kWordRound1);
    // The round-end board stands below the finished grid, which stays in view; a round and
    // the puzzle end with their own words.
    ASSERT_TRUE(Until(p, [] { return Shown("roundendok"); })) << Log();
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/word_round_end.png", 2));
    EXPECT_EQ(Find<TText>("roundendtext")->GetText(),
              str("Round complete: every word is in place!"));
    ContinueAfterRound(p, "roundendok");
    ASSERT_TRUE(Until(p, [] { return Top("B_1_row1"); })) << "the second round";
    AwaitBanner(p);
    PlaceLetters(p, kWordRound2);
    ASSERT_TRUE(Until(p, [] { return Shown("roundendok"); })) << Log();
    EXPECT_EQ(Find<TText>("roundendtext")->GetText(),
              str("Puzzle solved: both grids are complete!"));
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

    // The last step done, the credits roll; Back leads to the menu, and the player quits.
    ASSERT_TRUE(Until(p, [] { return Top("credits"); })) << Log();
    EXPECT_NE(SavedGame(game, robin).find("[\"storyDone\"]=true"), std::string::npos)
        << SavedGame(game, robin);
    EXPECT_GT(game.GetStoryScore(), 0) << "the levels' finds and time left are scored";
    ClickOn(p, "back");
    ASSERT_TRUE(Until(p, AtMenu)) << Log();
    QuitFromMenu(p);
  });

  EXPECT_TRUE(Published("FullScreenMode", "1"));
  EXPECT_TRUE(Published("LevelTotalClicks", "1")) << "the puzzles count the player's clicks";
  EXPECT_FALSE(Logged("rror")) << Log();

  // Third run: what the player did is all still there.
  for (const char* file : {"prefs.dat", "hiscore.dat", "logfile.txt"})
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + file)) << file;
  int32_t storyScore = -1;
  Play([&](TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(SkipIntro(p)) << Log();
    EXPECT_EQ(game.GetCurrentUser(), robin);
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 1) << "the options are kept";
    EXPECT_NE(SavedGame(game, robin).find("[\"chapter\"]=1"), std::string::npos)
        << "a finished story starts over: " << SavedGame(game, robin);
    storyScore = game.GetStoryScore();
    // The story's score is the player's entry in the story's table of "hiscore.dat".
    game.SetCurrentGameMode(0);
    int32_t score = 0, rank = 0;
    EXPECT_TRUE(game.GetHiscores().FindPlayerScore(0, &score, &rank, nullptr, 0));
    EXPECT_EQ(score, storyScore);
  });
  EXPECT_GT(storyScore, 0);
}

TEST_F(PlayThroughTest, LevelOptionsLetThePlayerLeaveAndCancelPutsBackWhatItChanged) {
  int robin = -1;
  Play([&](TPlatform* p, QMGameManager& game) {
    robin = FirstPlayer(p, game, "Robin");

    // Quit asks first; the player keeps playing.
    ClickOn(p, "quit");
    ASSERT_TRUE(Until(p, [] { return Shown("confirmno"); })) << Log();
    ClickOn(p, "confirmno");
    ASSERT_TRUE(Until(p, AtMenu)) << "still at the menu";

    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << Log();
    Watch(p, 1120);
    FindObject(p, kHarbour[0]);

    // The level's options: every change is undone by Cancel.
    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") != nullptr; })) << Log();
    EXPECT_TRUE(Shown("tomenu") && Shown("quitgame")) << "the ways out of a level";
    // The player drags the effects slider down; the effects play at once at the new level.
    Find<TSlider>("sfxlevelslider")->SetValue(0.2f);
    EXPECT_FLOAT_EQ(p->GetSoundManager()->GetVolume(1000), 0.2f);
    EXPECT_EQ(Find<TText>("muteboxlabel")->GetText(), str("Sound on"));
    ClickOn(p, "mutebox");
    EXPECT_EQ(Find<TText>("muteboxlabel")->GetText(), str("Sound off"));
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 1);
    const bool full = p->IsFullScreen();
    ClickOn(p, "fullscreen");
    Tick(p, 4);
    EXPECT_NE(p->IsFullScreen(), full);
    ClickOn(p, "cancel");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") == nullptr; }));
    EXPECT_EQ(game.GetPrefs().GetInt("soundoff", 0, robin), 0) << "the sound is back on";
    Tick(p, 4);
    EXPECT_EQ(p->IsFullScreen(), full) << "the window mode is back";
    EXPECT_FLOAT_EQ(p->GetSoundManager()->GetVolume(1000), 0.75f) << "the level is back";
    EXPECT_TRUE(Scene() != nullptr) << "the level goes on";

    // Main menu leaves the level with its finds kept.
    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Find<TOptions>("optionspanel") != nullptr; })) << Log();
    ClickOn(p, "tomenu");
    ASSERT_TRUE(Until(p, AtMenu)) << Log();
    EXPECT_EQ(Scene(), nullptr);
    EXPECT_NE(SavedGame(game, robin).find(std::string("[\"") + kHarbour[0].name + "\"]=true"),
              std::string::npos)
        << "the find is saved: " << SavedGame(game, robin);

    // Play again: the level resumes with the find; Quit game asks, and quits when meant.
    ClickOn(p, "play");
    ASSERT_TRUE(Until(p, [] { return Find<TChoosePlayer>("chooser") != nullptr; })) << Log();
    ClickOn(p, "pick");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr; })) << Log();
    Watch(p, 1120);
    EXPECT_TRUE(FoundInLevel(kHarbour[0].name));
    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Shown("quitgame"); })) << Log();
    ClickOn(p, "quitgame");
    ASSERT_TRUE(Until(p, [] { return Shown("confirmno"); })) << Log();
    ClickOn(p, "confirmno");
    ASSERT_TRUE(Until(p, [] { return Scene() != nullptr && !Shown("confirmno"); }));
    ClickOn(p, "options");
    ASSERT_TRUE(Until(p, [] { return Shown("quitgame"); })) << Log();
    ClickOn(p, "quitgame");
    ASSERT_TRUE(Until(p, [] { return Shown("confirmyes"); })) << Log();
    ClickOn(p, "confirmyes");
    bool quit = false;
    for (int i = 0; i < 30 && !quit; ++i) {
      platform::os::AdvanceVirtualTime(16);
      TPlatformEvent e;
      p->GetEvent(e);
      quit = e.type == kEventQuit;
      if (!quit) p->GetWindowManager()->HandleEvent(e);
    }
    EXPECT_TRUE(quit) << "the game quits";
  });
  EXPECT_FALSE(Logged("rror")) << Log();
}

}  // namespace
