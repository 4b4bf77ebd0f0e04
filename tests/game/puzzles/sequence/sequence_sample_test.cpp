// The sample game's sequence puzzle, opened by its script global and played to its end through
// the sample's own scripts: both rounds, their round-end dialogs, and the puzzle closing.
#include "SequenceFixture.h"

#include "anim/TTextSprite.h"
#include "window/TModalWindow.h"

namespace {

class SampleSequenceTest : public SequenceTest {
protected:
  void SetUp() override {
    SequenceTest::SetUp();
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }

  static TWindow* Top() { return TWindowManager::Instance()->GetTopModal(); }

  // Drags every shown piece into its own slot, the pieces of the row's right end first.
  static void Solve(TPlatform* p, QMSequencePuzzleWindow& w) {
    QMSequenceGrid* grid = w.GetGrid();
    for (int slot = grid->GetSlotCount(); slot >= 1; --slot) {
      for (TWindow* child : w.GetChildren()) {
        auto* piece = WindowCast<QMSequencePuzzlePiece>(child);
        if (!piece || !piece->IsVisible() || piece->GetGridPosition() != slot) continue;
        const TRect& row = grid->GetSlotArea();
        Drag(p, piece,
             TPoint(row.left + (slot - 1) * grid->GetSlotWidth() + grid->GetSlotWidth() / 2,
                    row.top + grid->GetSlotHeight() / 2));
        EXPECT_EQ(piece->GetCurrentSlot(), slot);
      }
    }
  }

  // Presses the round-end dialog's button once the dialog is up.
  static void Continue(TPlatform* p) {
    TWindow* ok = Top()->FindChild("ok", -1);
    ASSERT_NE(ok, nullptr) << "the round-end dialog shows";
    TRect r;
    ok->GetScreenRect(r);
    const TPoint c((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Send(p, kEventMouseMove, c.x, c.y);
    Send(p, kEventLeftDown, c.x, c.y);
    Send(p, kEventLeftUp, c.x, c.y);
    Tick(p, 64);
  }
};

TEST_F(SampleSequenceTest, SamplePuzzlePlaysBothRoundsAndClosesAtTheEnd) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Tick(p, 32);
    Host()->DoLuaStringWithoutWaking("ShowSequencePuzzle()");
    auto* w = WindowCast<QMSequencePuzzleWindow>(Top()->FindChild("sequencepuzzle", -1));
    ASSERT_NE(w, nullptr);
    const TWindow* puzzleModal = Top();
    EXPECT_EQ(w->GetGrid()->GetSlotCount(), 4);
    for (TWindow* child : w->GetChildren()) {
      if (auto* piece = WindowCast<QMSequencePuzzlePiece>(child)) {
        EXPECT_TRUE(piece->GetDropImage()->GetTexture() && piece->GetClueImage())
            << piece->GetName().CStr() << " has its pictures";
      }
    }
    auto* first = WindowCast<QMSequenceClue>(w->FindChild("first", 1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->GetTextSprite(), nullptr);
    EXPECT_EQ(first->GetText(), str("SEQ_INTRO1_1"));

    Solve(p, *w);
    Tick(p, 64);
    ASSERT_NE(Top(), puzzleModal) << "the round-end dialog covers the puzzle";
    Continue(p);
    EXPECT_EQ(Top(), puzzleModal);
    EXPECT_EQ(w->GetRounds()->GetCurrentName(), str("moon"));
    EXPECT_EQ(w->GetGrid()->GetSlotCount(), 5);

    Solve(p, *w);
    Tick(p, 64);
    Continue(p);
    Tick(p, 64);
    EXPECT_EQ(Top()->FindChild("sequencepuzzle", -1), nullptr) << "the puzzle has closed";
  });
}

}  // namespace
