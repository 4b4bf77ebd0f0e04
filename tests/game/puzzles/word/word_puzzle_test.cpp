// The word puzzle plays inside the engine on the headless platform: its rounds come from Lua
// tables like a game's, the player's clicks are injected events, and the letter flight is a
// script that places the letter at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "support/GameFixture.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

// Cells are the sample's 64-pixel panels; with the grid's upper left at (100, 100) the cell
// (c, r) stands at (64 c + 68, 64 r + 68).
const char* const kPanels =
    "gridPieces = { piece0 = { graphics = 'word/panel_off.png' }, "
    "piece1 = { graphics = 'word/panel.png' } }, gridCoordinates = { upperLeft = { 100, 100 } }";

// Two cells in a row, the letters A and B in its bank, A first and B second in the solution.
const char* const kTwoLetters =
    ", gridLayout = { row1 = { 1, 1 } }, startingLetters = { row1 = 'AB' }, "
    "solution = { { column = 1, row = 1, letter = 'A' }, { column = 2, row = 1, letter = 'B' } } }";

int gClickHooks = 0;
int gPlaceHooks = 0;
int gEmptyGridHooks = 0;

class WordPuzzleTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseSampleAssets({"word", "fonts"});
    std::filesystem::copy(std::string(ENGINE_FIXTURES_DIR) + "/word/tall_panel.png",
                          mWork + "/assets/word/tall_panel.png");
    std::filesystem::create_directories(mWork + "/assets/scripts/common/word");
    // The flight is over as soon as it starts.
    WriteAsset("scripts/common/word/word_letter_anim.lua", "SetLetterInGrid() CheckForWin()");
    gClickHooks = gPlaceHooks = gEmptyGridHooks = 0;
  }

  // The game with a player, whose per-user values the puzzle keeps.
  void RunWithPlayer(std::function<void(TPlatform*, QMGameManager&)> body) {
    RunGame([&](TPlatform* p, QMGameManager& game) {
      game.SetCurrentUser(game.CreateNewUser("Tester"));
      body(p, game);
    });
  }

  static TWindow* Top() { return TWindowManager::Instance()->GetTopModal(); }

  // A puzzle screen as a game lays it out: the overlay sprite window, which the puzzle brings
  // in front of itself and whose clicks go through to it; rounds is the Lua text of the round
  // keys.
  static QMWordPuzzleWindow* Open(TPlatform* p, const std::string& rounds) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(
        wm->GetRoot(),
        ("gWordModal = PushModal('word') MakeDialog({ "
         "SpriteWindow({ name = 'overlaywindow', x = 0, y = 0, w = 800, h = 600 }), "
         "WordPuzzleWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600, " +
         rounds +
         ", Text({ name = 'word_puzzle_text', x = 0, y = 560, w = 400, h = 30, label = '#' }) "
         "}) })")
            .c_str());
    return WindowCast<QMWordPuzzleWindow>(Top()->FindChild("puzzleWindow", -1));
  }

  static void Send(TPlatform* p, int type, int x, int y) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, 0, 0));
  }
  static void Click(TPlatform* p, const char* name) {
    TWindow* w = Top()->FindChild(name, -1);
    ASSERT_NE(w, nullptr) << name;
    TRect r;
    w->GetScreenRect(r);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  static QMWordPuzzleGridPiece* Cell(int c, int r) {
    return WindowCast<QMWordPuzzleGridPiece>(Top()->FindChild(str::Format("Grid_%d_%d", c, r), -1));
  }
  static QMWordPuzzleLetter* Letter(const char* name) {
    return dynamic_cast<QMWordPuzzleLetter*>(Top()->FindChild(name, -1));
  }
  static std::string Shown(int c, int r) {
    QMWordPuzzleGridPiece* cell = Cell(c, r);
    return cell ? cell->GetTextWindow()->GetText().CStr() : "<no cell>";
  }
  // The cells that stand open (or are opening) for the selected letter, as "c,r" texts.
  static std::vector<std::string> OpenCells() {
    std::vector<std::string> open;
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 3; ++c)
        if (QMWordPuzzleGridPiece* cell = Cell(c, r))
          if (cell->GetState() == QMWordPuzzleGridPiece::kOpening ||
              cell->GetState() == QMWordPuzzleGridPiece::kOpen)
            open.push_back(std::to_string(c) + "," + std::to_string(r));
    return open;
  }
  static std::string LuaType(TScript* script, const char* global) {
    script->DoLuaString(str("gTypeSeen = type(") + global + ")");
    return script->GetGlobalString("gTypeSeen").CStr();
  }
  static std::string Log() {
    std::ifstream in(GetLogFilePath().CStr());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(WordPuzzleTest, ABankLetterOpensOnlyTheCellsItsForbiddenLettersAllow) {
  struct Case {
    const char* round;
    const char* letter;
    std::vector<std::string> open;
  };
  const char* const square =
      "gridLayout = { row1 = { 1, 1, 1 }, row2 = { 1, 1, 1 }, row3 = { 1, 1, 0 } }, "
      "startingLetters = { row2 = 'A', column1 = 'B', row3 = 'C' }, "
      "forbiddenLetters = { column2 = 'A', row3 = 'B' }";
  // The last row is the shortest: the grid is still three columns wide, so column 3's
  // forbidden letters count.
  const char* const ragged =
      "gridLayout = { row1 = { 1, 1, 1 }, row2 = { 1 } }, startingLetters = { row1 = 'A' }, "
      "forbiddenLetters = { column3 = 'A' }";
  const Case cases[] = {
      {square, "A_0_row2", {"1,2", "3,2"}},     // forbidden in column 2
      {square, "B_0_column1", {"1,1", "1,2"}},  // forbidden in row 3
      {square, "C_0_row3", {"1,3", "2,3"}},     // (3, 3) is an inactive panel
      {ragged, "A_0_row1", {"1,1", "2,1"}},
  };
  for (const Case& c : cases) {
    RunWithPlayer([&](TPlatform* p, QMGameManager&) {
      QMWordPuzzleWindow* puzzle =
          Open(p, std::string("round1 = { ") + kPanels + ", " + c.round + " }");
      ASSERT_NE(puzzle, nullptr);
      Click(p, c.letter);
      EXPECT_EQ(OpenCells(), c.open) << c.letter;
      EXPECT_EQ(puzzle->GetGlowCount(), c.open.size()) << c.letter;
      EXPECT_EQ(puzzle->GetSelectedLetter(), Letter(c.letter));
      // The other cells are closed to the letter.
      EXPECT_EQ(Cell(2, 1)->GetState() == QMWordPuzzleGridPiece::kClosed,
                c.letter != std::string("A_0_row1"));
    });
  }
}

TEST_F(WordPuzzleTest, APlacedLetterStandsInItsCellAndAReplacedOneGoesHome) {
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    QMWordPuzzleWindow* puzzle =
        Open(p, std::string("round1 = { ") + kPanels +
                    ", gridLayout = { row1 = { 1, 1 }, row2 = { 1, 1 } }, "
                    "startingLetters = { row2 = 'AD' }, "
                    "solution = { { column = 2, row = 1, letter = 'Z' } } }");
    ASSERT_NE(puzzle, nullptr);
    puzzle->firstLetterClickHook = [] { ++gClickHooks; };
    puzzle->firstLetterPlaceHook = [] { ++gPlaceHooks; };
    puzzle->emptyGridHook = [] { ++gEmptyGridHooks; };

    Click(p, "Grid_Text_2_1");  // nothing selected, empty cell: a wrong click
    EXPECT_EQ(gEmptyGridHooks, 1);

    QMWordPuzzleLetter* a = Letter("A_0_row2");
    const TPoint home = a->GetHomePosition();
    Click(p, "A_0_row2");
    EXPECT_EQ(gClickHooks, 1);
    Click(p, "Grid_Text_1_2");
    EXPECT_EQ(Shown(1, 2), "A");
    EXPECT_EQ(a->GetState(), QMWordPuzzleLetter::kPlaced);
    EXPECT_EQ(a->GetCell(), Cell(1, 2));
    EXPECT_EQ(game.GetUserString("A_0_row2"), str("Grid_1_2"));
    EXPECT_TRUE(puzzle->IsInputEnabled());
    EXPECT_EQ(puzzle->GetSelectedLetter(), nullptr);
    EXPECT_EQ(gPlaceHooks, 1);
    // A placed letter takes no clicks in its bank.
    Click(p, "A_0_row2");
    EXPECT_EQ(puzzle->GetSelectedLetter(), nullptr);

    Click(p, "D_1_row2");
    Click(p, "Grid_Text_1_2");
    EXPECT_EQ(Shown(1, 2), "D");
    EXPECT_EQ(a->GetState(), QMWordPuzzleLetter::kInBank);
    EXPECT_EQ(a->GetCell(), nullptr);
    EXPECT_EQ(TPoint(a->GetRect().left, a->GetRect().top), home);
    EXPECT_EQ(game.GetUserString("A_0_row2"), str(""));
    EXPECT_EQ(game.GetUserString("D_1_row2"), str("Grid_1_2"));
    // The arming of the click hook ended the empty-grid hook.
    Click(p, "Grid_Text_2_1");
    EXPECT_EQ(gEmptyGridHooks, 1);

    // Clicking a filled cell selects its letter again.
    Click(p, "Grid_Text_1_2");
    EXPECT_EQ(puzzle->GetSelectedLetter(), Letter("D_1_row2"));
  });
}

TEST_F(WordPuzzleTest, LettersStandAroundTheGridByTheCellSizeAndAreNamedByLineAndPoint) {
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    // 40 x 60 panels, the grid's upper left at (0, 0), two columns and two rows.
    QMWordPuzzleWindow* puzzle =
        Open(p,
             "round1 = { gridPieces = { piece1 = { graphics = 'word/tall_panel.png' } }, "
             "gridLayout = { row1 = { 0, 0 }, row2 = { 0, 0 } }, "
             "startingLetters = { row2 = 'CAT', column2 = 'XY' }, "
             "forbiddenLetters = { row1 = 'E', column1 = 'QR' } }");
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(puzzle->GetGrid().columns, 2);
    EXPECT_EQ(puzzle->GetGrid().rows, 2);
    const TRect& first = Cell(1, 1)->GetRect();
    EXPECT_EQ(TPoint(first.left, first.top), TPoint(20, 40));
    EXPECT_EQ(TPoint(first.Width(), first.Height()), TPoint(40, 60));
    EXPECT_EQ(TPoint(Cell(2, 2)->GetRect().left, Cell(2, 2)->GetRect().top), TPoint(60, 100));

    struct Expected {
      const char* name;
      int x, y;
      int state;
    };
    const Expected letters[] = {
        {"C_0_row2", -20, 90, QMWordPuzzleLetter::kInBank},
        {"A_1_row2", -60, 90, QMWordPuzzleLetter::kInBank},
        {"T_2_row2", -100, 90, QMWordPuzzleLetter::kInBank},
        {"X_0_column2", 60, -30, QMWordPuzzleLetter::kInBank},
        {"Y_1_column2", 60, -90, QMWordPuzzleLetter::kInBank},
        {"E_140_90", 140, 90, QMWordPuzzleLetter::kForbidden},
        {"Q_20_150", 20, 150, QMWordPuzzleLetter::kForbidden},
        {"R_20_210", 20, 210, QMWordPuzzleLetter::kForbidden},
    };
    for (const Expected& e : letters) {
      QMWordPuzzleLetter* letter = Letter(e.name);
      ASSERT_NE(letter, nullptr) << e.name;
      EXPECT_EQ(TPoint(letter->GetRect().left, letter->GetRect().top), TPoint(e.x, e.y)) << e.name;
      EXPECT_EQ(letter->GetState(), e.state) << e.name;
      const TColor colour = e.state == QMWordPuzzleLetter::kForbidden
                                ? QMWordPuzzleLetter::kForbiddenColour
                                : QMWordPuzzleLetter::kBankColour;
      EXPECT_FALSE(letter->GetColor() != colour) << e.name;
    }
    EXPECT_EQ(puzzle->GetForbiddenByRow(), (std::vector<str>{"E", ""}));
    EXPECT_EQ(puzzle->GetForbiddenByColumn(), (std::vector<str>{"QR", ""}));

    // The placement is kept per player, under the letter's name.
    puzzle->SetSelectedLetter(Letter("C_0_row2"));
    ASSERT_TRUE(Cell(1, 2)->SetLetterInGrid());
    EXPECT_EQ(game.GetUserString("C_0_row2"), str("Grid_1_2"));
    game.SetCurrentUser(game.CreateNewUser("Other"));
    EXPECT_EQ(game.GetUserString("C_0_row2"), str(""));
  });
}

TEST_F(WordPuzzleTest, AWonRoundQueuesTheRoundEndModalOnceAndTheLastCompletesThePuzzle) {
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    const std::string round = std::string(kPanels) + ", gridLayout = { row1 = { 1, 1 } }, ";
    QMWordPuzzleWindow* puzzle =
        Open(p, "round1 = { " + round +
                    "startingLetters = { row1 = 'A' }, solution = { { column = 1, row = 1, "
                    "letter = 'A' } } }, round2 = { " +
                    round +
                    "customRoundEndScript = 'scripts/last.lua', startingLetters = { row1 = 'B' }, "
                    "solution = { { column = 2, row = 1, letter = 'B' } } }");
    ASSERT_NE(puzzle, nullptr);
    Host()->DoLuaString(
        "gCommandQueue = {} gCalls = '' "
        "function DoModal(file) gCalls = gCalls .. wordRoundEndScript .. '>' .. file .. ';' end "
        "function setComplete() gCalls = gCalls .. 'setComplete;' end "
        "function puzzleComplete() gCalls = gCalls .. 'puzzleComplete;' end");

    const std::string tabs(21, '\t');
    const std::string sep = tabs + "  ";
    const std::string next = "gTemporaryFunction = function() " + sep +
                             "wordRoundEndScript = 'scripts/common/word/round_end_default.lua'" +
                             sep + "DoModal('scripts/common/word/round_end_modal.lua')" + sep +
                             "ChangeRound()" + sep + "end" + sep +
                             "table.insert(gCommandQueue,gTemporaryFunction)";
    EXPECT_EQ(QMWordPuzzleWindow::RoundEndText("scripts/common/word/round_end_default.lua", false),
              str(next.c_str()));

    Click(p, "A_0_row1");
    Click(p, "Grid_Text_1_1");
    EXPECT_EQ(puzzle->GetCurrentRound(), 1);
    EXPECT_EQ(game.GetWordPuzzleRound(), 0) << "kept until the next round loads";
    Host()->DoLuaString(
        "gQueued = table.getn(gCommandQueue) "
        "gSame = tostring(gCommandQueue[1] == gTemporaryFunction)");
    EXPECT_EQ(Host()->GetGlobalNumber("gQueued"), 1);
    EXPECT_EQ(Host()->GetGlobalString("gSame"), str("true"));

    // Before the dialog: more clicks and checks on the won grid change nothing.
    Click(p, "Grid_Text_1_1");
    Click(p, "Grid_Text_2_1");
    puzzle->CheckForWin();
    EXPECT_EQ(puzzle->GetCurrentRound(), 1);
    Host()->DoLuaString("gQueued = table.getn(gCommandQueue)");
    EXPECT_EQ(Host()->GetGlobalNumber("gQueued"), 1);

    Host()->DoLuaString("gCommandQueue[1]() gCommandQueue = {}");
    EXPECT_EQ(Host()->GetGlobalString("gCalls"), str("scripts/common/word/round_end_default.lua>"
                                                     "scripts/common/word/round_end_modal.lua;"));
    ASSERT_NE(Letter("B_0_row1"), nullptr) << "the second round is loaded";
    EXPECT_EQ(Letter("A_0_row1"), nullptr);
    EXPECT_EQ(Shown(1, 1), "");

    Click(p, "B_0_row1");
    Click(p, "Grid_Text_2_1");
    EXPECT_EQ(game.GetWordPuzzleRound(), -1);
    const std::string last =
        "gTemporaryFunction = function() " + sep + "wordRoundEndScript = 'scripts/last.lua'" + sep +
        "DoModal('scripts/common/word/round_end_modal.lua')" + sep + "setComplete()" + sep +
        "puzzleComplete()" + sep + "end" + sep + "table.insert(gCommandQueue,gTemporaryFunction)";
    EXPECT_EQ(QMWordPuzzleWindow::RoundEndText("scripts/last.lua", true), str(last.c_str()));
    Host()->DoLuaString("gCalls = '' gCommandQueue[1]()");
    EXPECT_EQ(Host()->GetGlobalString("gCalls"),
              str("scripts/last.lua>scripts/common/word/round_end_modal.lua;setComplete;"
                  "puzzleComplete;"));
    // A script name that would end the quotes goes in escaped.
    EXPECT_GE(QMWordPuzzleWindow::RoundEndText("a'b", false).Find(str("= \"a'b\"")), 0);
  });
}

TEST_F(WordPuzzleTest, ASavedGameResumesItsRoundWithTheLettersInTheirCells) {
  const std::string rounds =
      std::string("round1 = { ") + kPanels +
      ", gridLayout = { row1 = { 1 } }, startingLetters = { row1 = 'A' } }, round2 = { " + kPanels +
      ", gridLayout = { row1 = { 1, 1 } }, startingLetters = { row1 = 'BC' }, "
      "solution = { { column = 1, row = 1, letter = 'B' }, "
      "{ column = 2, row = 1, letter = 'C' } } }";
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    game.SetWordPuzzleRound(1);
    game.SetUserString("B_0_row1", "Grid_1_1");
    game.SetUserString("C_1_row1", "Grid_9_9");  // no such cell: ignored
    QMWordPuzzleWindow* puzzle = Open(p, rounds);
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(puzzle->GetCurrentRound(), 1);
    EXPECT_EQ(Shown(1, 1), "B");
    EXPECT_EQ(Letter("B_0_row1")->GetState(), QMWordPuzzleLetter::kPlaced);
    EXPECT_EQ(Letter("C_1_row1")->GetState(), QMWordPuzzleLetter::kInBank);
    EXPECT_EQ(game.GetWordPuzzleRound(), 1) << "not won yet";
    Host()->DoLuaString("PopModal(gWordModal)");
  });
  // A round the puzzle does not have resumes at its last; a restored grid that is already
  // solved wins at once.
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    game.SetWordPuzzleRound(7);
    game.SetUserString("B_0_row1", "Grid_1_1");
    game.SetUserString("C_1_row1", "Grid_2_1");
    Host()->DoLuaString("gCommandQueue = {}");
    QMWordPuzzleWindow* puzzle = Open(p, rounds);
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(Shown(2, 1), "C");
    EXPECT_EQ(puzzle->GetCurrentRound(), 2) << "the last round was won";
    EXPECT_EQ(game.GetWordPuzzleRound(), -1);
    EXPECT_NE(Log().find("saved round 8 does not exist; resuming at round 2"), std::string::npos);
  });
}

// The placements of an earlier play (the puzzle finished, the letters' records left behind)
// do not come back when a fresh play is left and resumed.
TEST_F(WordPuzzleTest, AFreshRoundForgetsTheLettersPlacedInAnEarlierPlay) {
  const std::string rounds = std::string("round1 = { ") + kPanels + kTwoLetters;
  RunWithPlayer([&](TPlatform* p, QMGameManager& game) {
    game.SetWordPuzzleRound(-1);
    game.SetUserString("A_0_row1", "Grid_1_1");
    game.SetUserString("B_1_row1", "Grid_2_1");
    QMWordPuzzleWindow* puzzle = Open(p, rounds);
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(Letter("A_0_row1")->GetState(), QMWordPuzzleLetter::kInBank);
    EXPECT_EQ(game.GetUserString("A_0_row1"), str(""));
    EXPECT_EQ(game.GetUserString("B_1_row1"), str(""));
    // The player places B, and leaves.
    Click(p, "B_1_row1");
    Click(p, "Grid_2_1");
    EXPECT_EQ(Shown(2, 1), "B");
    Host()->DoLuaString("PopModal(gWordModal)");
    ASSERT_EQ(game.GetWordPuzzleRound(), 0);
    puzzle = Open(p, rounds);
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(Shown(2, 1), "B");
    EXPECT_EQ(Letter("A_0_row1")->GetState(), QMWordPuzzleLetter::kInBank)
        << "A was not placed in this play";
    EXPECT_EQ(game.GetWordPuzzleRound(), 0) << "not won";
    Host()->DoLuaString("PopModal(gWordModal)");
  });
}

TEST_F(WordPuzzleTest, AHintFillsTheLastSolutionEntryFirst) {
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    QMWordPuzzleWindow* puzzle = Open(p, std::string("round1 = { ") + kPanels + kTwoLetters);
    ASSERT_NE(puzzle, nullptr);
    ASSERT_EQ(puzzle->GetSolution().size(), 2u);
    EXPECT_EQ(puzzle->GetSolution()[0].letter, 'B');
    Host()->DoLuaString("gCommandQueue = {} gHint = tostring(WordShowHint())");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("true"));
    EXPECT_EQ(Shown(2, 1), "B");
    EXPECT_EQ(Shown(1, 1), "");
    Host()->DoLuaString("gHint = tostring(WordShowHint())");
    EXPECT_EQ(Shown(1, 1), "A");
    EXPECT_EQ(puzzle->GetCurrentRound(), 1) << "the hint's letter won the round";
    Host()->DoLuaString("gHint = tostring(WordShowHint())");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("false")) << "nothing left to give";
  });
  // While the scene shows its "disableHint" window, no hint is given.
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    Open(p, std::string("round1 = { ") + kPanels +
                ", gridLayout = { row1 = { 1 } }, startingLetters = { row1 = 'A' }, "
                "solution = { { column = 1, row = 1, letter = 'A' } } }");
    p->GetWindowManager()->RunScriptString(
        Top(), "MakeDialog({ Window({ name = 'disableHint', x = 0, y = 0, w = 10, h = 10 }) })");
    Host()->DoLuaString("gHint = tostring(WordShowHint())");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("false"));
    EXPECT_EQ(Shown(1, 1), "");
  });
}

TEST_F(WordPuzzleTest, NoHintIsGivenWhileALetterFlies) {
  WriteAsset("scripts/common/word/word_letter_anim.lua",
             "return function() while true do coroutine.yield() end end");
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    QMWordPuzzleWindow* puzzle = Open(p, std::string("round1 = { ") + kPanels + kTwoLetters);
    ASSERT_NE(puzzle, nullptr);
    Click(p, "A_0_row1");
    Click(p, "Grid_Text_1_1");
    EXPECT_FALSE(puzzle->IsInputEnabled());
    Host()->DoLuaString("gHint = tostring(WordShowHint())");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("false"));
    // The flying letter still lands where it was sent.
    auto* overlay = WindowCast<KSpriteWindow>(Top()->FindChild("overlaywindow", -1));
    overlay->GetScript()->DoLuaStringWithoutWaking("SetLetterInGrid()");
    EXPECT_EQ(Shown(1, 1), "A");
    EXPECT_TRUE(puzzle->IsInputEnabled());
  });
}

TEST_F(WordPuzzleTest, ScriptFunctionsAreResetWhenTheirWindowDies) {
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    const std::string round = std::string(kPanels) + ", gridLayout = { row1 = { 1 } }, ";
    Open(p, "round1 = { " + round +
                "startingLetters = { row1 = 'A' }, solution = { { column = 1, row = 1, "
                "letter = 'A' } } }, round2 = { " +
                round + "startingLetters = { row1 = 'B' } }");
    auto* overlay = WindowCast<KSpriteWindow>(Top()->FindChild("overlaywindow", -1));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(Top()->GetChildren().front(), overlay) << "the flights are drawn over the puzzle";
    Host()->DoLuaString("gCommandQueue = {} function DoModal() end");
    Click(p, "A_0_row1");
    Click(p, "Grid_Text_1_1");
    EXPECT_EQ(LuaType(overlay->GetScript(), "SetLetterInGrid"), "function");
    // The next round replaces the cells: the flight's cell binding goes with its cell.
    Host()->DoLuaString("gCommandQueue[1]()");
    EXPECT_EQ(LuaType(overlay->GetScript(), "SetLetterInGrid"), "nil");
    EXPECT_EQ(LuaType(overlay->GetScript(), "CheckForWin"), "function");
    EXPECT_EQ(LuaType(Host(), "ChangeRound"), "function");
    Host()->DoLuaString("PopModal(gWordModal)");
    TWindowManager::Instance()->FlushDeletes();
    EXPECT_EQ(LuaType(Host(), "ChangeRound"), "nil");
    EXPECT_EQ(LuaType(Host(), "WordShowHint"), "nil");
  });
}

TEST_F(WordPuzzleTest, DamagedRoundsAreLoggedAndSkipped) {
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    QMWordPuzzleWindow* puzzle =
        Open(p,
             "round1 = { gridPieces = { piece1 = { graphics = 'word/panel.png' }, "
             "piece2 = { graphics = 'word/missing.png' }, piece3 = {} }, "
             "gridLayout = { row1 = { 0, 5, -1, 0 } }, solution = { 'not an entry' } }");
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(puzzle->GetPanels().size(), 1u);
    EXPECT_NE(Cell(1, 1), nullptr);
    EXPECT_EQ(Cell(2, 1), nullptr);
    EXPECT_EQ(Cell(3, 1), nullptr);
    EXPECT_NE(Cell(4, 1), nullptr);
    EXPECT_EQ(puzzle->GetGrid().columns, 4);
    EXPECT_TRUE(puzzle->GetSolution().empty());
    const std::string log = Log();
    EXPECT_NE(log.find("panel piece2 has no picture"), std::string::npos);
    EXPECT_NE(log.find("row1 element 2 names panel 5 of 1; no cell made"), std::string::npos);
    Host()->DoLuaString("PopModal(gWordModal)");
  });
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    QMWordPuzzleWindow* puzzle = Open(p, "rounds = 'none'");
    ASSERT_NE(puzzle, nullptr);
    EXPECT_EQ(puzzle->GetRoundCount(), 0);
    EXPECT_NE(Log().find("has no rounds"), std::string::npos);
    Host()->DoLuaString("gHint = tostring(WordShowHint()) ChangeRound()");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("false"));
  });
  // Numbers far outside any screen: the grid's letters are placed around a bounded origin.
  RunWithPlayer([&](TPlatform* p, QMGameManager&) {
    QMWordPuzzleWindow* puzzle =
        Open(p,
             "round1 = { gridCoordinates = { upperLeft = { -1e12, 1e12 } }, "
             "gridPieces = { piece0 = { graphics = 'word/panel.png', rotation = 1e12 } }, "
             "gridLayout = { row1 = { 0 } }, startingLetters = { row1 = 'A', column1 = 'B' }, "
             "forbiddenLetters = { row1 = 'C', column1 = 'D' }, "
             "solution = { { column = 1e12, row = -1e12, letter = 'A' } } }");
    ASSERT_NE(puzzle, nullptr);
    EXPECT_NE(Cell(1, 1), nullptr);
    EXPECT_LT(puzzle->GetGrid().x0, 0);
    EXPECT_GE(puzzle->GetGrid().x0, -1000000);
    EXPECT_GT(puzzle->GetGrid().y0, 0);
    EXPECT_LE(puzzle->GetGrid().y0, 1000000);
    Host()->DoLuaString("WordShowHint()");
    Host()->DoLuaString("PopModal(gWordModal)");
  });
}

}  // namespace
