// The sample game's word puzzle played with its own scripts: the round banner that opens each
// round and the letter flight that really takes its time, with clicks and hints at the awkward
// moments (while the banner plays, while a letter flies), on the virtual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>
#include <string>

#include "anim/KSpriteWindow.h"
#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TScript.h"
#include "game/GameScreenFixture.h"
#include "window/TButton.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

class WordSampleTest : public GameScreenTest {
protected:
  void SetUp() override {
    GameScreenTest::SetUp();
    UseWholeSample();
    std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
  }

  void Play(std::function<void(TPlatform*)> body) {
    RunGame([&](TPlatform* p, QMGameManager& game) {
      game.SetCurrentUser(game.CreateNewUser("Tester"));
      Tick(p, 64);
      body(p);
    });
  }

  static TWindow* Top() { return TWindowManager::Instance()->GetTopModal(); }

  // Opens the puzzle and leaves the clock where its round banner has just begun.
  static QMWordPuzzleWindow* Open(TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), "ShowWordPuzzle()");
    Tick(p, 200);
    return WindowCast<QMWordPuzzleWindow>(Top()->FindChild("puzzleWindow", -1));
  }

  static KSpriteWindow* Overlay() {
    return WindowCast<KSpriteWindow>(Top()->FindChild("overlaywindow", -1));
  }

  // A bank letter, then the cell (c, r).
  static void Place(TPlatform* p, const std::string& letter, int c, int r) {
    ClickOn(p, letter.c_str());
    ClickOn(p, ("Grid_Text_" + std::to_string(c) + "_" + std::to_string(r)).c_str());
  }

  static std::string Shown(int c, int r) {
    auto* cell =
        WindowCast<QMWordPuzzleGridPiece>(Top()->FindChild(str::Format("Grid_%d_%d", c, r), -1));
    return cell ? cell->GetTextWindow()->GetText().CStr() : "<no cell>";
  }

  static std::string Hint() {
    Host()->DoLuaString("gHint = tostring(WordShowHint())");
    return Host()->GetGlobalString("gHint").CStr();
  }
};

// A letter placed and a hint asked for while the round's banner plays both fly once it is over;
// input comes back and the round is finished by hand.
TEST_F(WordSampleTest, ALetterOrAHintDuringTheRoundBannerFliesAfterItAndTheRoundIsFinished) {
  Play([&](TPlatform* p) {
    QMWordPuzzleWindow* puzzle = Open(p);
    ASSERT_NE(puzzle, nullptr);
    ASSERT_TRUE(Overlay()->IsSpriteExist("round_banner")) << "the banner plays";
    Place(p, "S_1_row2", 1, 2);
    Tick(p, 3000);
    EXPECT_EQ(Shown(1, 2), "S");
    EXPECT_TRUE(puzzle->IsInputEnabled());
    Place(p, "U_2_row2", 2, 2);
    Tick(p, 400);
    Place(p, "N_0_row2", 3, 2);
    Tick(p, 400);
    Place(p, "R_1_column2", 2, 1);
    Tick(p, 400);
    Place(p, "G_0_column2", 2, 3);
    Tick(p, 400);
    EXPECT_EQ(puzzle->GetCurrentRound(), 1) << "the first round is won";
    for (int t = 0; t < 2000 && Top()->GetName() == str("wordpuzzle"); t += 16) Tick(p, 16);
    ASSERT_NE(Top()->GetName(), str("wordpuzzle")) << "the round-end board shows";
    auto* ok = WindowCast<TButton>(Top()->FindChild("roundendok", -1));
    ASSERT_NE(ok, nullptr);
    ok->Press();

    // The next round's banner plays: a hint asked for then lands once it is over.
    Tick(p, 200);
    ASSERT_EQ(Top()->GetName(), str("wordpuzzle"));
    ASSERT_TRUE(Overlay()->IsSpriteExist("round_banner"));
    const QMWordSolutionEntry entry = puzzle->GetSolution().at(0);
    EXPECT_EQ(Hint(), "true");
    Tick(p, 3000);
    EXPECT_EQ(Shown(entry.column, entry.row), std::string(1, entry.letter));
    EXPECT_TRUE(puzzle->IsInputEnabled());
    EXPECT_EQ(Hint(), "true") << "the next hint is given";
  });
}

// While the hint's letter flies, a click on another cell takes nothing: the letter lands where
// the hint sent it.
TEST_F(WordSampleTest, ACellClickedWhileTheHintsLetterFliesIsIgnored) {
  Play([&](TPlatform* p) {
    QMWordPuzzleWindow* puzzle = Open(p);
    ASSERT_NE(puzzle, nullptr);
    Tick(p, 1800);
    EXPECT_FALSE(Overlay()->IsSpriteExist("round_banner"));
    EXPECT_EQ(Hint(), "true");
    Tick(p, 32);
    ASSERT_TRUE(Overlay()->IsSpriteExist("word_letter_flight")) << "the hint's letter flies";
    ClickOn(p, "Grid_Text_1_2");
    Tick(p, 1000);
    EXPECT_EQ(Shown(2, 3), "G") << "the hint's letter lands in its own cell";
    EXPECT_EQ(Shown(1, 2), "");
    EXPECT_TRUE(puzzle->IsInputEnabled());
  });
}

// The first round names its grid shader: once a letter has landed, the shader sweeps over the
// active cells that were not standing open, one after another, and is gone again when the
// sweep is over.
TEST_F(WordSampleTest, ALandedLetterSendsTheRoundsShaderOverTheCells) {
  Play([&](TPlatform* p) {
    QMWordPuzzleWindow* puzzle = Open(p);
    ASSERT_NE(puzzle, nullptr);
    ASSERT_TRUE(puzzle->GetShaderTexture()) << "the round's shader picture";
    Tick(p, 1800);
    Place(p, "S_1_row2", 1, 2);
    std::set<std::string> swept;
    auto cells = [] {
      std::vector<QMWordPuzzleGridPiece*> all;
      for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
          if (auto* cell = WindowCast<QMWordPuzzleGridPiece>(
                  Top()->FindChild(str::Format("Grid_%d_%d", c, r), -1)))
            all.push_back(cell);
      return all;
    };
    for (int t = 0; t < 3000; t += 16) {
      Tick(p, 16);
      for (QMWordPuzzleGridPiece* cell : cells())
        if (cell->IsShaderAttached()) swept.insert(cell->GetName().CStr());
    }
    EXPECT_EQ(Shown(1, 2), "S");
    // The cells that stood open for the S close without a sweep.
    EXPECT_EQ(swept, (std::set<std::string>{"Grid_2_1", "Grid_2_2", "Grid_2_3"}));
    for (QMWordPuzzleGridPiece* cell : cells()) {
      EXPECT_FALSE(cell->IsShaderAttached()) << cell->GetName().CStr();
      EXPECT_EQ(cell->GetState(), QMWordPuzzleGridPiece::kIdle) << cell->GetName().CStr();
    }
  });
}

}  // namespace
