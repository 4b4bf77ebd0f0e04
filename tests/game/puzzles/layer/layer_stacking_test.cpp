// The layer puzzle's stacking moves, rounds and pieces in the running engine: raising and
// lowering against the pieces that overlap, the rounds list with its wrap and restore, the
// win test of a piece, dragging with and without the grid's snap point, and the script
// functions that die with the puzzle.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/puzzles/layer/LayerFixture.h"

#include "anim/KSpriteWindow.h"
#include "script/binding/TScript.h"

namespace {

class LayerStackingTest : public LayerTest {};

// On a 4 x 2 grid of 100-pixel cells: "wide" pictures cover two cells of a row, "cell" ones one.
// P covers cells 1 and 2, Q cell 5, R cell 1, S cells 1 and 2 (unless a case moves them).
TEST_F(LayerStackingTest, RaisingAndLoweringPassOnlyPiecesThatChangeThePicture) {
  const Piece P{"P", "wide", 0, 0, 1}, Q{"Q", "cell", 0, 100, 2}, R{"R", "cell", 0, 0, 3},
      S{"S", "wide", 0, 0, 4};
  const Piece Q2{"Q", "cell", 100, 0, 2}, R2{"R", "cell", 0, 0, 2}, S3{"S", "wide", 0, 0, 3};
  struct Case {
    const char* what;
    std::vector<Piece> pieces;
    const char* mover;
    bool up;
    std::map<std::string, int> layers;
  } cases[] = {
      {"S covers both of P's cells",
       {P, Q, R, S},
       "P",
       true,
       {{"P", 4}, {"Q", 1}, {"R", 2}, {"S", 3}}},
      {"without S, P goes above R", {P, Q, R}, "P", true, {{"P", 3}, {"Q", 1}, {"R", 2}}},
      {"R tops cell 1, Q cell 2: P stops above Q",
       {P, Q2, R},
       "P",
       true,
       {{"P", 2}, {"Q", 1}, {"R", 3}}},
      {"R wholly hidden by S stays", {P, R2, S3}, "R", false, {{"P", 1}, {"R", 2}, {"S", 3}}},
      {"S sinks just below R", {P, Q, R, S}, "S", false, {{"P", 1}, {"Q", 2}, {"R", 4}, {"S", 3}}},
      {"the top piece rises no further",
       {P, Q, R, S},
       "S",
       true,
       {{"P", 1}, {"Q", 2}, {"R", 3}, {"S", 4}}},
      {"the bottom piece sinks no further",
       {P, Q, R, S},
       "P",
       false,
       {{"P", 1}, {"Q", 2}, {"R", 3}, {"S", 4}}},
  };
  RunPuzzle([&](TPlatform*, QMGameManager& g) {
    for (const Case& c : cases) {
      g.SetLayerPuzzleRound(-1);
      QMLayerPuzzleWindow* w = Build(c.pieces);
      ASSERT_NE(w, nullptr) << Log();
      EXPECT_EQ(w->GetLayerCount(), static_cast<int>(c.pieces.size())) << c.what;
      g.SetLayerPuzzleRound(-1);
      QMLayerPuzzlePiece* mover = PieceOf(w, std::string(c.mover) + "_a");
      ASSERT_NE(mover, nullptr) << c.what;
      if (c.up) {
        mover->MoveUp();
      } else {
        mover->MoveDown();
      }
      for (const auto& [name, layer] : c.layers) {
        QMLayerPuzzlePiece* piece = PieceOf(w, name + "_a");
        EXPECT_EQ(piece->GetLayer(), layer) << c.what << ": " << name;
        EXPECT_EQ(piece->GetSprite()->GetLayer(), layer) << c.what << ": " << name;
      }
      EXPECT_EQ(g.GetLayerPuzzleRound(), 1) << c.what << ": every move tests the round";
      Close();
    }
  });
}

TEST_F(LayerStackingTest, CoveredCellsAreThoseWhosePixelJustInsideIsOpaque) {
  WritePng("images/corner.png", 200, 200, [](int x, int y) {
    return x >= 100 && y >= 100 ? 0x00000000u : 0xFF20A020u;  // the bottom-right cell is clear
  });
  RunPuzzle([&](TPlatform*, QMGameManager&) {
    QMLayerPuzzleWindow* w = Build({{"C", "corner", 100, 0, 1}});
    ASSERT_NE(w, nullptr);
    QMLayerPuzzlePiece* c = PieceOf(w, "C_a");
    c->ComputeCoveredCells();
    EXPECT_EQ(c->GetCoveredCells(), (std::list<int>{6, 3, 2})) << "descending, cell 7 is clear";
  });
}

TEST_F(LayerStackingTest, RoundsWrapAroundAndARestoredRoundMustExist) {
  RunPuzzle([&](TPlatform*, QMGameManager& g) {
    Piece a{"A", "cell", 0, 0, 1}, b{"B", "cell", 100, 0, 1};
    b.round = "b";
    QMLayerPuzzleWindow* w = Build({a, b}, "{ 'a', 'b', 'c' }");
    ASSERT_NE(w, nullptr);
    QMLayerPuzzleRounds* rounds = w->GetRounds();
    ASSERT_NE(rounds, nullptr);
    EXPECT_FALSE(rounds->IsVisible()) << "the rounds list draws nothing";
    auto state = [&] {
      return std::string(rounds->GetCurrentRoundName().CStr()) +
             (PieceOf(w, "A_a")->IsVisible() ? "+A" : "") +
             (PieceOf(w, "B_b")->IsVisible() ? "+B" : "");
    };
    EXPECT_EQ(state(), "a+A");
    EXPECT_EQ(w->GetLayerCount(), 1);
    const char* expected[] = {"b+B", "c", "a+A"};
    for (int i = 0; i < 3; ++i) {
      Host()->DoLuaString("ChangeRound()");
      EXPECT_EQ(state(), expected[i]) << i;
      EXPECT_EQ(g.GetLayerPuzzleRound(), (i + 1) % 3 + 1) << "the next round is saved";
    }
    EXPECT_FALSE(rounds->SetRound(0));
    EXPECT_FALSE(rounds->SetRound(4));
    EXPECT_EQ(state(), "a+A") << "refused rounds change nothing";
    EXPECT_TRUE(rounds->SetRound(2));
    EXPECT_EQ(state(), "b+B");
    EXPECT_EQ(w->GetRootSprite()->GetChildren().size(), 1u) << "only b's picture is drawn";
    Close();

    // A saved round beyond the rounds is logged and the puzzle starts at the first.
    g.SetLayerPuzzleRound(7);
    w = Build({a, b}, "{ 'a', 'b', 'c' }");
    EXPECT_EQ(std::string(w->GetRounds()->GetCurrentRoundName().CStr()), "a");
    EXPECT_TRUE(Logged("saved round 7 is not one of its rounds")) << Log();
  });
}

TEST_F(LayerStackingTest, WindowOrderFollowsTheLayersOfTheCurrentRoundsPieces) {
  RunPuzzle([&](TPlatform*, QMGameManager&) {
    // H, another round's hidden piece, is made last (front-most) and holds layer 2 as well.
    Piece h{"H", "cell", 200, 0, 2};
    h.round = "b";
    QMLayerPuzzleWindow* w =
        Build({{"A", "cell", 0, 0, 1}, {"B", "cell", 100, 0, 2}, h}, "{ 'a', 'b' }");
    ASSERT_NE(w, nullptr);
    std::string order;
    for (TWindow* c : w->GetChildren())
      if (WindowCast<QMLayerPuzzlePiece>(c) && c->IsVisible()) order += c->GetName().CStr();
    EXPECT_EQ(order, "B_aA_a") << "the higher layer nearer the front, where clicks land first";
    EXPECT_EQ(w->GetChildren().front()->GetName(), str("QMLAYERGRID"));
  });
}

TEST_F(LayerStackingTest, SavedPiecesOfTheRoundComeBackAndADamagedLayerIsRefusedWithALogLine) {
  RunPuzzle([&](TPlatform*, QMGameManager& g) {
    auto save = [&](const char* name, int32_t x, int32_t y, int32_t layer) {
      const int32_t values[3] = {x, y, layer};
      uint8_t bytes[12];
      std::memcpy(bytes, values, sizeof bytes);
      g.SetUserData(name, bytes);
    };
    save("A_a", 100, 100, 2);
    save("B_a", 300, 0, 99);
    g.SetLayerPuzzleRound(1);
    QMLayerPuzzleWindow* w = Build({{"A", "cell", 0, 0, 1}, {"B", "cell", 0, 100, 2}});
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(PieceOf(w, "A_a")->GetPicturePosition(), TPoint(100, 100));
    EXPECT_EQ(PieceOf(w, "A_a")->GetLayer(), 2);
    EXPECT_EQ(PieceOf(w, "B_a")->GetPicturePosition(), TPoint(300, 0));
    EXPECT_EQ(PieceOf(w, "B_a")->GetLayer(), 2) << "it keeps its own layer";
    EXPECT_TRUE(Logged("saved layer 99 of piece B_a is out of range")) << Log();
    Close();

    // A later round's piece has not been played since the puzzle began again: a record an
    // earlier play left (here where it solves its round) does not come back.
    save("C_b", 0, 0, 1);
    Piece c{"C", "cell", 200, 100, 1};
    c.round = "b";
    w = Build({{"A", "cell", 0, 0, 1}, c}, "{ 'a', 'b' }");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(PieceOf(w, "A_a")->GetPicturePosition(), TPoint(100, 100));
    EXPECT_EQ(PieceOf(w, "C_b")->GetPicturePosition(), TPoint(200, 100));
  });
}

TEST_F(LayerStackingTest, APieceIsSolvedAtItsCellAboveWhatItCoversAndWhenHidden) {
  RunPuzzle([&](TPlatform*, QMGameManager&) {
    Piece x{"X", "cell", 0, 0, 1, "gridPosition = 1, piecesCovered = { 'Y', 'nobody' }"};
    Piece y{"Y", "cell", 0, 0, 2, "gridPosition = 1"};
    Piece z{"Z", "cell", 300, 300, 1, "gridPosition = 3"};
    z.round = "b";
    QMLayerPuzzleWindow* w = Build({x, y, z}, "{ 'a', 'b' }");
    ASSERT_NE(w, nullptr);
    QMLayerPuzzlePiece* px = PieceOf(w, "X_a");
    EXPECT_TRUE(px->IsAtTarget());
    EXPECT_FALSE(px->IsSolved()) << "Y lies above the piece X must cover";
    EXPECT_TRUE(PieceOf(w, "Z_b")->IsSolved()) << "another round's hidden piece";
    EXPECT_FALSE(w->CheckWin());
    px->MoveUp();
    EXPECT_EQ(px->GetLayer(), 2);
    EXPECT_TRUE(px->IsSolved()) << "unknown names are skipped";
    EXPECT_TRUE(w->IsRoundWon());
  });
}

TEST_F(LayerStackingTest, DraggedPicturesStayInTheWindowAndSnapOnlyOverTheGrid) {
  RunPuzzle([&](TPlatform* p, QMGameManager&) {
    // The grid lies at (400, 300), two cells by two.
    // N holds a layer past the count, so layer 2 is free for the first drop on the grid.
    QMLayerPuzzleWindow* w = Build({{"M", "cell", 500, 100, 1}, {"N", "cell", 100, 100, 5}},
                                   "{ 'a' }", 400, 300, 200, 200);
    ASSERT_NE(w, nullptr);
    QMLayerPuzzlePiece* m = PieceOf(w, "M_a");
    auto at = [&] { return m->GetPicturePosition(); };

    // Picked by its top-left pixel, dragged past the right and bottom edges.
    Send(p, kEventMouseMove, 501, 101);
    Send(p, kEventLeftDown, 501, 101);
    EXPECT_TRUE(m->IsDragging());
    EXPECT_TRUE(m->IsSelected());
    Send(p, kEventMouseMove, 799, 512);
    EXPECT_EQ(at(), TPoint(700, 500));
    // By its bottom-right pixel, past the left and top edges.
    Send(p, kEventLeftUp, 799, 512);
    Send(p, kEventLeftDown, 799, 599 - 88);
    Send(p, kEventMouseMove, 799, 511);
    const TPoint grab = at();
    Send(p, kEventMouseMove, 10, 10);
    EXPECT_EQ(at(), TPoint(0, 0)) << "from " << grab.x << "," << grab.y;
    Send(p, kEventLeftUp, 10, 10);
    EXPECT_FALSE(m->IsInStack());

    // Over the grid the picture jumps to the nearest grid point; leaving the grid frees it.
    Send(p, kEventLeftDown, 50, 50);  // grabbed 50, 50 into the picture
    Send(p, kEventMouseMove, 460, 360);
    EXPECT_EQ(at(), TPoint(400, 300));
    Send(p, kEventMouseMove, 540, 380);
    EXPECT_EQ(at(), TPoint(500, 300)) << "nearest point to (490, 330)";
    Send(p, kEventMouseMove, 390, 380);  // leaves the grid: its snap point goes
    EXPECT_EQ(LayerSnapPoint, TPoint(0, 0));
    Send(p, kEventMouseMove, 380, 380);
    EXPECT_EQ(at(), TPoint(330, 330)) << "the picture follows the pointer again";

    // Dropped partly off the grid: out of the stack; wholly on it: in the stack again.
    Send(p, kEventMouseMove, 390, 350);
    Send(p, kEventLeftUp, 390, 350);
    EXPECT_EQ(at(), TPoint(340, 300));
    EXPECT_FALSE(m->IsOnGrid());
    EXPECT_FALSE(m->IsInStack());
    EXPECT_EQ(m->GetLayer(), 1);
    Send(p, kEventLeftDown, 390, 350);
    Send(p, kEventMouseMove, 460, 360);
    Send(p, kEventLeftUp, 460, 360);
    EXPECT_TRUE(m->IsOnGrid());
    EXPECT_TRUE(m->IsInStack());
    EXPECT_EQ(m->GetLayer(), 2) << "the first free layer";

    // A click without a move on the selected piece deselects it.
    EXPECT_TRUE(m->IsSelected());
    Send(p, kEventLeftDown, 450, 350);
    Send(p, kEventLeftUp, 450, 350);
    EXPECT_FALSE(m->IsSelected());
    EXPECT_EQ(w->GetSelectedPiece(), nullptr);
  });
}

// A won round is settled while its end dialog waits: the pieces take no pointer, so a photo
// moved in that time cannot undo the win, nor can a drag that was under way when the round was
// won (a hint that ends puts its photo home); the next round's pieces move again.
TEST_F(LayerStackingTest, AWonRoundTakesNoMovesUntilTheNextRound) {
  RunPuzzle([&](TPlatform* p, QMGameManager& g) {
    Host()->DoLuaString(
        "gDialogs = 0 function DoModal(f) gDialogs = gDialogs + 1 end "
        "function setComplete() end function puzzleComplete() gComplete = 'yes' end");
    // A's home is cell 1 at (0, 0); B already lies at its own, cell 2; C is round b's.
    Piece a{"A", "cell", 300, 300, 1, "gridPosition = 1"};
    Piece b{"B", "cell", 100, 0, 2, "gridPosition = 2"};
    Piece c{"C", "cell", 300, 300, 1, "gridPosition = 1"};
    c.round = "b";
    QMLayerPuzzleWindow* w =
        Build({a, b, c}, "{ 'a', 'b' }", 0, 0, 400, 200, false, "delayBeforeDialog = 1000, ");
    ASSERT_NE(w, nullptr) << Log();
    QMLayerPuzzlePiece* pa = PieceOf(w, "A_a");
    auto idle = [&](int ms) {
      for (int t = 0; t < ms; t += 16) {
        platform::os::AdvanceVirtualTime(16);
        Send(p, kEventIdle, 0, 0);
      }
    };
    auto drag = [&](TPoint from, TPoint to) {
      Send(p, kEventMouseMove, from.x, from.y);
      Send(p, kEventLeftDown, from.x, from.y);
      Send(p, kEventMouseMove, to.x, to.y);
      Send(p, kEventLeftUp, to.x, to.y);
    };
    drag({350, 350}, {50, 50});
    ASSERT_EQ(pa->GetPicturePosition(), TPoint(0, 0));
    ASSERT_TRUE(w->IsRoundWon());

    idle(200);
    drag({50, 50}, {350, 350});
    EXPECT_EQ(pa->GetPicturePosition(), TPoint(0, 0)) << "the won round's photo stays";
    EXPECT_EQ(w->GetSelectedPiece(), nullptr);
    Send(p, kEventLeftDown, 150, 50);  // B: not selected, so the buttons have nothing to move
    Send(p, kEventLeftUp, 150, 50);
    Host()->DoLuaString("LayerPlusButton()");
    EXPECT_EQ(w->GetSelectedPiece(), nullptr);
    EXPECT_TRUE(w->CheckWin());
    EXPECT_EQ(Host()->GetGlobalString("gDialogs"), str("0"));
    idle(900);
    EXPECT_EQ(Host()->GetGlobalString("gDialogs"), str("1")) << "the dialog after its delay";
    EXPECT_EQ(std::string(w->GetRounds()->GetCurrentRoundName().CStr()), "b");

    // Round b: C is put home by the pointer, and the round is won while it is still held.
    QMLayerPuzzlePiece* pc = PieceOf(w, "C_b");
    Send(p, kEventMouseMove, 350, 350);
    Send(p, kEventLeftDown, 350, 350);
    Send(p, kEventMouseMove, 50, 50);
    ASSERT_EQ(pc->GetPicturePosition(), TPoint(0, 0)) << "the next round's photo moves";
    w->CheckRoundComplete();
    ASSERT_TRUE(w->IsRoundWon());
    Send(p, kEventMouseMove, 350, 350);
    Send(p, kEventLeftUp, 350, 350);
    EXPECT_EQ(pc->GetPicturePosition(), TPoint(0, 0)) << "the drag under way ends where it won";
    EXPECT_FALSE(pc->IsDragging());
    idle(1100);
    EXPECT_EQ(Host()->GetGlobalString("gComplete"), str("yes"));
    EXPECT_EQ(g.GetLayerPuzzleRound(), -1);
  });
}

TEST_F(LayerStackingTest, ScriptFunctionsOfThePuzzleDieWithIt) {
  RunPuzzle([&](TPlatform*, QMGameManager&) {
    QMLayerPuzzleWindow* w = Build({{"A", "cell", 0, 0, 1}});
    ASSERT_NE(w, nullptr);
    const char* names[] = {"LayerPlusButton", "LayerMinusButton", "LayerShowHint", "ChangeRound"};
    auto bound = [&] {
      std::string text;
      for (const char* name : names) {
        Host()->DoLuaString((std::string("gType = type(") + name + ")").c_str());
        text += std::string(Host()->GetGlobalString("gType").CStr()) + " ";
      }
      return text;
    };
    EXPECT_EQ(bound(), "function function function function ");
    Close();
    EXPECT_EQ(bound(), "nil nil nil nil ");

    // The hint's release is bound in the overlay's own script too; the overlay may outlive
    // the puzzle.
    w = Build({{"A", "cell", 0, 0, 1}}, "{ 'a' }", 0, 0, 400, 200, true);
    auto* overlay = WindowCast<KSpriteWindow>(w->GetParent()->FindChild("overlaywindow", -1));
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(w->LayerShowHint());
    auto release = [&](TScript* script) {
      script->DoLuaString("gType = type(ReleaseHintSprite)");
      return std::string(script->GetGlobalString("gType").CStr());
    };
    EXPECT_EQ(release(overlay->GetScript()), "function");
    EXPECT_EQ(release(Host()), "function");
    TWindowManager::Instance()->DeleteLater(w);
    TWindowManager::Instance()->FlushDeletes();
    EXPECT_EQ(release(overlay->GetScript()), "nil");
    EXPECT_EQ(release(Host()), "nil");
  });
}

}  // namespace
