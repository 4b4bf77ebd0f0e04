// The sample game's sequence puzzle, opened by its script global and played to its end through
// the sample's own scripts: both rounds, their round-end dialogs, and the puzzle closing; and
// its clock running down from five minutes.
#include "SequenceFixture.h"

#include "anim/TTextSprite.h"
#include "game/scenes/QMSearchList.h"
#include "window/TModalWindow.h"
#include "window/TText.h"

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
  static std::string Clock() {
    auto* text = WindowCast<TText>(Top()->FindChild("timeText", -1));
    return text ? text->GetText().CStr() : "no clock";
  }

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

// The clock starts at five minutes as the puzzle opens and runs down a second at a time; a full
// row in the wrong order takes its penalty off the running clock, and at :00 the clock stops.
TEST_F(SampleSequenceTest, SamplePuzzleClockRunsDownFromFiveMinutesAndStopsAtNoTimeLeft) {
  // The game goes straight to its menu, which the puzzle then covers for the whole test.
  std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
  RunGame([&](TPlatform* p, QMGameManager&) {
    Tick(p, 32);
    Host()->DoLuaStringWithoutWaking("ShowSequencePuzzle()");
    auto* w = WindowCast<QMSequencePuzzleWindow>(Top()->FindChild("sequencepuzzle", -1));
    ASSERT_NE(w, nullptr);
    Tick(p, 16);
    EXPECT_EQ(Clock(), "5:00");
    Tick(p, 3100);
    EXPECT_EQ(Clock(), "4:57");

    // Every piece one slot too far right, the last one in the first slot: the row is full
    // and wrong.
    QMSequenceGrid* grid = w->GetGrid();
    const int slots = grid->GetSlotCount();
    for (int slot = 1; slot <= slots; ++slot) {
      for (TWindow* child : w->GetChildren()) {
        auto* piece = WindowCast<QMSequencePuzzlePiece>(child);
        if (!piece || !piece->IsVisible() || piece->GetGridPosition() != slot) continue;
        const int to = slot % slots;
        const TRect& row = grid->GetSlotArea();
        Drag(p, piece,
             TPoint(row.left + to * grid->GetSlotWidth() + grid->GetSlotWidth() / 2,
                    row.top + grid->GetSlotHeight() / 2));
      }
    }
    Tick(p, 32);
    EXPECT_EQ(Number("gGameTimeLeft"), 297 - 30) << "the penalty comes off the running clock";

    Host()->DoLuaString("gGameTimeLeft = 2");
    Tick(p, 4000);
    EXPECT_EQ(Clock(), ":00");
    EXPECT_EQ(Number("gGameTimeLeft"), 0);
    // The hint timer runs too, and what it calls is there.
    auto* list = WindowCast<QMSearchList>(Top()->FindChild("searchListWindow", -1));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->IsHintTimerRunning());
    EXPECT_EQ(Text("type(bumpHintLevel)"), "function");
  });
}

}  // namespace
