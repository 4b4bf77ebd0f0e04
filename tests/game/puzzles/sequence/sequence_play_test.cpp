// The sequence puzzle played with the mouse: pieces taken from bins into the row, neighbours
// making way on hover, a full wrong row costing time, hints, and the round ends.
#include "SequenceFixture.h"
#include "sound/TSoundManager.h"

namespace {

TEST_F(SequenceTest, RoundStartShowsItsPiecesInTheirBinsAndHidesTheOthers) {
  Play(Layout(), [&](TPlatform*, QMSequencePuzzleWindow& w) {
    ASSERT_NE(w.GetGrid(), nullptr);
    EXPECT_EQ(w.GetGrid()->GetSlotCount(), 4);
    EXPECT_EQ(w.GetGrid()->GetSlotArea().left, kRowLeft);
    EXPECT_EQ(w.GetGrid()->GetSlotArea().top, kRowTop);
    EXPECT_EQ(w.GetGrid()->GetTableauCount(), 4u);
    for (const char* name : {"A", "B", "C", "D"}) {
      QMSequencePuzzlePiece* piece = PieceNamed(w, name);
      ASSERT_NE(piece, nullptr) << name;
      EXPECT_TRUE(piece->IsVisible()) << name;
      EXPECT_EQ(piece->GetDropPosition(), TPoint(piece->GetBinNumber() * 100, 450)) << name;
    }
    for (const char* name : {"E", "F", "G", "H"}) EXPECT_FALSE(PieceNamed(w, name)->IsVisible());
    EXPECT_FALSE(w.GetRounds()->IsVisible()) << "the rounds list is never shown";
    EXPECT_EQ(w.FindBinByNumber(3)->IsOccupied(), true);
    EXPECT_EQ(w.NearestFreeBin(TPoint(0, 0)), nullptr) << "every bin holds a piece";
  });
}

// Two pieces rest in slots 2 and 3; a third piece dragged over slot 2 opens a gap under it:
// over the left half the occupants go right, over the right half they go left first; each new
// half cell first sends every row piece back to its own slot.
TEST_F(SequenceTest, HoveringOverOccupiedSlotsShiftsTheNeighbours) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    QMSequencePuzzlePiece* a = PieceNamed(w, "A");
    QMSequencePuzzlePiece* b = PieceNamed(w, "B");
    QMSequencePuzzlePiece* c = PieceNamed(w, "C");
    Drag(p, a, SlotCentre(2));
    Drag(p, b, SlotCentre(3));
    ASSERT_EQ(a->GetCurrentSlot(), 2);
    ASSERT_EQ(b->GetCurrentSlot(), 3);
    EXPECT_FALSE(w.FindBinByNumber(1)->IsOccupied()) << "a piece leaves its bin as it is dragged";

    struct Case {
      int dx;  // from the centre of slot 2
      TPoint a, b;
    } cases[] = {
        {-15, SlotCorner(3), SlotCorner(4)},  // left half: both go right
        {+15, SlotCorner(1), SlotCorner(3)},  // right half: the occupant goes left
        {-15, SlotCorner(3), SlotCorner(4)},  // and back
    };
    Grab(p, c, SlotCentre(2));
    for (const Case& k : cases) {
      const TPoint at(SlotCentre(2).x + k.dx, SlotCentre(2).y);
      Send(p, kEventMouseMove, at.x, at.y);
      Tick(p, 32);
      EXPECT_EQ(a->GetDropPosition(), k.a) << k.dx;
      EXPECT_EQ(b->GetDropPosition(), k.b) << k.dx;
    }
    // Moving off the row sends every row piece back to its slot.
    Send(p, kEventMouseMove, 100, 150);
    Tick(p, 32);
    EXPECT_EQ(a->GetDropPosition(), SlotCorner(2));
    EXPECT_EQ(b->GetDropPosition(), SlotCorner(3));
    // Dropped there, the piece slides to the nearest free bin.
    Send(p, kEventLeftUp, 100, 150);
    Tick(p, 32);
    EXPECT_EQ(c->GetDropPosition(), TPoint(100, 450));
    EXPECT_EQ(c->GetBinNumber(), 1);
    EXPECT_EQ(c->GetCurrentSlot(), -1);

    // A drop over the left half of slot 2 lands in slot 2 with its neighbours pushed right.
    Drag(p, c, TPoint(SlotCentre(2).x - 15, SlotCentre(2).y));
    EXPECT_EQ(c->GetCurrentSlot(), 2);
    EXPECT_EQ(a->GetCurrentSlot(), 3);
    EXPECT_EQ(b->GetCurrentSlot(), 4);
    EXPECT_EQ(w.GetGrid()->GetSlot(1), nullptr);
  });
}

// The row filled in the wrong order: the penalty text runs with the search list as its
// context, the fail sound plays once, and only the misplaced pieces go back to the nearest
// free bins.
TEST_F(SequenceTest, AFullWrongRowCostsTimeAndSendsTheMisplacedPiecesBack) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    QMSequencePuzzlePiece* a = PieceNamed(w, "A");
    QMSequencePuzzlePiece* b = PieceNamed(w, "B");
    QMSequencePuzzlePiece* c = PieceNamed(w, "C");
    QMSequencePuzzlePiece* d = PieceNamed(w, "D");
    Drag(p, a, SlotCentre(1));
    Drag(p, b, SlotCentre(3));
    Drag(p, c, SlotCentre(2));
    EXPECT_EQ(Number("table.getn(gPenalties)"), 0) << "a row with room left is not judged";
    EXPECT_EQ(FailSoundsPlaying(), 0u);
    Drag(p, d, SlotCentre(4));
    EXPECT_EQ(Number("table.getn(gPenalties)"), 1);
    EXPECT_EQ(Number("gPenalties[1]"), -30);
    TWindow* list = w.GetParent()->FindChild("searchListWindow", -1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Text("gPenaltyContext"), std::string(list->GetIdString().CStr()));
    EXPECT_EQ(FailSoundsPlaying(), 1u) << "the fail sound, once";
    EXPECT_EQ(a->GetCurrentSlot(), 1);
    EXPECT_EQ(d->GetCurrentSlot(), 4);
    EXPECT_EQ(b->GetCurrentSlot(), -1);
    EXPECT_EQ(c->GetCurrentSlot(), -1);
    EXPECT_EQ(w.GetGrid()->GetSlot(2), nullptr);
    EXPECT_EQ(w.GetGrid()->GetSlot(3), nullptr);
    // Every bin is free: slot 2's piece is as near to bin 3 as to bin 4 and takes the first,
    // slot 3's then takes bin 4.
    EXPECT_EQ(c->GetDropPosition(), TPoint(300, 450));
    EXPECT_EQ(b->GetDropPosition(), TPoint(400, 450));
    EXPECT_TRUE(w.FindBinByNumber(3)->IsOccupied());
    EXPECT_FALSE(w.FindBinByNumber(1)->IsOccupied());
    EXPECT_FALSE(w.HasRoundEnded());

    // Closing the puzzle at once does not cut the fail sound short; it then ends on its own.
    Host()->DoLuaString("ClearModalChildren()");
    p->GetWindowManager()->FlushDeletes();
    EXPECT_EQ(p->GetWindowManager()->GetTopModal()->FindChild("puzzle", -1), nullptr);
    Tick(p, 32);
    EXPECT_EQ(FailSoundsPlaying(), 1u) << "still heard after the window closed";
    for (int t = 0; t < 20000 && FailSoundsPlaying() > 0; t += 50) {
      platform::os::AdvanceVirtualTime(50);
      TSoundManager::Instance()->UpdateStreams();
      Tick(p, 16);
    }
    EXPECT_EQ(FailSoundsPlaying(), 0u);
  });
}

// Pointing at a piece shows its clue in the first panel and the one pointed at before it in
// the second, with the rollover sound once per newly pointed-at piece; either can be turned off
// by the layout.
TEST_F(SequenceTest, PointingAtPiecesShowsTheirCluesUnlessTurnedOff) {
  struct Case {
    const char* keys;
    bool images;
    size_t sounds;
  } cases[] = {
      {"", true, 2},
      {"turnOffClueSound = 1, ", true, 0},
      {"turnOffClueImage = 1, turnOffClueSound = 2, ", false, 2},
  };
  for (const Case& k : cases) {
    Play(
        Layout(std::string("clueRollOverSound = 'audio/fail', ") + k.keys),
        [&](TPlatform* p, QMSequencePuzzleWindow& w) {
          QMSequencePuzzlePiece* a = PieceNamed(w, "A");
          QMSequencePuzzlePiece* b = PieceNamed(w, "B");
          auto* first = WindowCast<QMSequenceClue>(w.FindChild("first", 1));
          auto* second = WindowCast<QMSequenceClue>(w.FindChild("second", 1));
          ASSERT_NE(second, nullptr);
          EXPECT_EQ(first->GetText(), str("1_1")) << "the round's own clue at its start";
          // The sound plays once for each newly pointed-at piece: A, then B.
          for (QMSequencePuzzlePiece* piece : {a, a, b})
            Send(p, kEventMouseMove, CentreOf(piece).x, CentreOf(piece).y);
          EXPECT_EQ(FailSoundsPlaying(), k.sounds) << k.keys;
          if (k.images) {
            EXPECT_EQ(first->GetShownImage(), b->GetClueImage());
            EXPECT_EQ(first->GetText(), str("CLUE_B"));
            EXPECT_EQ(second->GetShownImage(), a->GetClueImage());
            EXPECT_EQ(second->GetText(), str("CLUE_A"));
            EXPECT_TRUE(a->GetClueImage()->IsVisible() && b->GetClueImage()->IsVisible());
            const TMat3& m = a->GetClueImage()->GetDrawState().transform;
            EXPECT_EQ(TPoint(static_cast<int>(m(2, 0)), static_cast<int>(m(2, 1))), TPoint(680, 40))
                << "a piece's clue stands in the panel's frame";
          } else {
            EXPECT_EQ(first->GetText(), str("1_1")) << k.keys;
            EXPECT_FALSE(a->GetClueImage()->IsVisible());
          }
        });
  }
}

// A hint points at the first piece out of place: one marker at its resting place shifted by
// the message's numbers, one on its target slot. A second hint while they show does nothing;
// the hide message the hint posts at its end lets the next one through.
TEST_F(SequenceTest, HintShowsTwoMarkersOnceUntilItsHideMessage) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 5, 7));
    ASSERT_TRUE(w.IsHintShown());
    const auto at = [&](int i) {
      const TMat3& m = w.GetHintMarker(i)->GetDrawState().transform;
      return TPoint(static_cast<int>(m(2, 0)), static_cast<int>(m(2, 1)));
    };
    // The front-most visible piece out of place is the round's last, D (bin 4, slot 4).
    EXPECT_EQ(at(0), TPoint(405, 457));
    EXPECT_EQ(at(1), SlotCorner(4));
    EXPECT_EQ(w.GetHintMarker(0)->GetLayer(), -1);
    EXPECT_EQ(w.GetRunningAnimationCount(), 2u);
    Tick(p, 48);
    EXPECT_TRUE(Number("gGameState.hintActive and 1 or 0") == 1);

    boost::shared_ptr<TAnimatedSprite> first = w.GetHintMarker(0);
    TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 0, 0));
    EXPECT_EQ(w.GetHintMarker(0), first) << "a second hint changes nothing";
    EXPECT_EQ(w.GetRunningAnimationCount(), 2u);

    Tick(p, 400);  // both fades of 100 ms, then the hide message
    EXPECT_FALSE(w.IsHintShown());
    EXPECT_EQ(w.GetRunningAnimationCount(), 0u);
    EXPECT_TRUE(Number("gGameState.hintActive and 1 or 0") == 0);

    TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 0, 0));
    EXPECT_TRUE(w.IsHintShown()) << "after the hide message the next hint works";
  });
}

// Solving a round runs its round-end text once, at the next tick; the text of the last round
// completes the puzzle instead of changing the round. A hint while every shown piece is in
// its place shows nothing.
TEST_F(SequenceTest, SolvedRoundsRunTheirRoundEndTexts) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    const char* rounds[2][4] = {{"A", "B", "C", "D"}, {"H", "G", "F", "E"}};
    for (int r = 0; r < 2; ++r) {
      for (int i = 0; i < 3; ++i) Drag(p, PieceNamed(w, rounds[r][i]), SlotCentre(i + 1));
      Grab(p, PieceNamed(w, rounds[r][3]), SlotCentre(4));
      Send(p, kEventLeftUp, SlotCentre(4).x, SlotCentre(4).y);
      EXPECT_TRUE(w.HasRoundEnded());
      EXPECT_EQ(Number("table.getn(gModals)"), r) << "nothing runs before the tick";
      TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 0, 0));
      EXPECT_FALSE(w.IsHintShown()) << "no piece is out of place";
      Tick(p, 16);
      EXPECT_FALSE(w.HasRoundEnded());
      EXPECT_EQ(Number("table.getn(gModals)"), r + 1);
    }
    EXPECT_EQ(Text("gModals[1]"),
              "scripts/common/sequence/round_end_one.lua|"
              "scripts/common/sequence/round_end_modal.lua");
    EXPECT_EQ(Text("gModals[2]"),
              "scripts/common/sequence/round_end_two.lua|"
              "scripts/common/sequence/round_end_modal.lua");
    EXPECT_EQ(Number("gCompleted"), 11) << "setComplete and puzzleComplete, once each";
    EXPECT_EQ(w.GetRounds()->GetCurrentIndex(), 1) << "the last round does not change the round";
    Tick(p, 64);
    EXPECT_EQ(Number("table.getn(gModals)"), 2);
  });
}

}  // namespace
