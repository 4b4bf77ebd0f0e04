// The sample game's layer puzzle played as a player plays it, on the headless display with
// injected mouse events and the virtual clock: photos dragged, snapped and dropped, the stack
// changed with the buttons beside the picked photo, the round end and the next round, the
// puzzle left and reopened where it was, and the last round completing the puzzle. A recording
// game-state handler sees the placement counters; the stacked picture is a golden frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "game/puzzles/layer/LayerFixture.h"

#include "anim/KSpriteWindow.h"
#include "game/shell/GameRegistration.h"
#include "support/GameFixture.h"
#include "script/binding/TScript.h"
#include "online/TGameState.h"
#include "support/GameStateRecorder.h"
#include "support/Golden.h"

namespace {

class LayerPuzzlePlayTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseWholeSample();
  }

  // The game as the player starts it, with a recording game-state handler.
  void Play(std::function<void(TPlatform*, QMGameManager&)> body) {
    RunGame([&](TPlatform* p, QMGameManager& g) {
      TGameState::AddHandler(new GameStateRecorder(&mEvents));
      // A click ends the intro; the menu follows.
      Click(p, {400, 300});
      Tick(p, 100);
      body(p, g);
    });
  }

  // Ticks of the window system on the virtual clock, 16 ms apart.
  static void Tick(TPlatform* p, int ms) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }

  // Presses at from, moves to to in eight steps and releases there.
  static void Drag(TPlatform* p, TPoint from, TPoint to) {
    Send(p, kEventMouseMove, from.x, from.y);
    Send(p, kEventLeftDown, from.x, from.y);
    for (int i = 1; i <= 8; ++i)
      Send(p, kEventMouseMove, from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8);
    Send(p, kEventLeftUp, to.x, to.y);
  }

  static void Click(TPlatform* p, TPoint at) {
    Send(p, kEventMouseMove, at.x, at.y);
    Send(p, kEventLeftDown, at.x, at.y);
    Send(p, kEventLeftUp, at.x, at.y);
  }

  static QMLayerPuzzleWindow* Puzzle() {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return WindowCast<QMLayerPuzzleWindow>(top ? top->FindChild("layerwindow", -1) : nullptr);
  }

  static void Open(TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), "ShowLayerPuzzle()");
    Tick(p, 1800);  // the round banner comes and goes
  }

  // Draws the window tree now, between ticks, and answers the frame shown.
  static platform::display::Image DrawNow() {
    TRenderer* r = TRenderer::Instance();
    EXPECT_TRUE(r->BeginDraw());
    TWindowManager::Instance()->DrawModals();
    r->EndDraw();
    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    return display ? display->Frame() : platform::display::Image();
  }

  size_t Count(const std::string& event) const {
    return static_cast<size_t>(std::count(mEvents.begin(), mEvents.end(), event));
  }
  // The service passes a "++" counter on under its bare name with the new count.
  size_t CountKey(const std::string& key) const {
    return static_cast<size_t>(std::count_if(mEvents.begin(), mEvents.end(), [&](const auto& e) {
      return e.compare(0, key.size() + 1, key + "=") == 0;
    }));
  }

  std::vector<std::string> mEvents;
};

// Where the sample's photos lie and where the pointer takes them: each is grabbed at its
// middle and let go where its top-left meets its target cell on the frame at (440, 60).
const TPoint kMinus(430, 90);  // the lower button beside a photo at the frame's corner
const TPoint kContinue(220, 540);
const TPoint kLeave(660, 558);

TEST_F(LayerPuzzlePlayTest, BothRoundsArePlayedByMouseAndTheRoundIsKeptAcrossAVisit) {
  Play([&](TPlatform* p, QMGameManager& g) {
    Open(p);
    QMLayerPuzzleWindow* w = Puzzle();
    ASSERT_NE(w, nullptr);
    QMLayerPuzzlePiece* sun = PieceOf(w, "sun_meadow");
    QMLayerPuzzlePiece* tree = PieceOf(w, "tree_meadow");
    QMLayerPuzzlePiece* back = PieceOf(w, "back_meadow");
    ASSERT_TRUE(sun && tree && back);
    EXPECT_TRUE(sun->IsVisible());
    EXPECT_FALSE(PieceOf(w, "moon_harbour")->IsVisible());
    EXPECT_EQ(w->GetLayerCount(), 3);
    EXPECT_EQ(Count("InstructionTimeViewed=0"), 1u);
    auto* overlay = WindowCast<KSpriteWindow>(w->GetParent()->FindChild("overlaywindow", -1));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->GetScript()->GetGlobalString("round_bubble_round_string"), str("round1"));

    // The sun dropped a cell too far right counts as misplaced; then in its place.
    Drag(p, {100, 100}, {640, 100});
    EXPECT_EQ(sun->GetPicturePosition(), TPoint(600, 60));
    EXPECT_EQ(CountKey("IncorrectPhotoPlacements"), 1u);
    Drag(p, {640, 100}, {560, 100});
    EXPECT_EQ(sun->GetPicturePosition(), TPoint(520, 60));
    Drag(p, {260, 120}, {720, 220});
    EXPECT_EQ(tree->GetPicturePosition(), TPoint(680, 140));
    Drag(p, {200, 370}, {600, 180});
    EXPECT_EQ(back->GetPicturePosition(), TPoint(440, 60));
    EXPECT_EQ(CountKey("CorrectPhotoPlacements"), 3u);
    EXPECT_TRUE(back->IsAtTarget());
    EXPECT_EQ(back->GetLayer(), 3) << "the meadow lies over the sun and the tree";
    EXPECT_FALSE(w->CheckWin());
    EXPECT_EQ(w->GetSelectedPiece(), back);

    // Lowered once; a second press while the layer sound plays is counted and moves nothing.
    Click(p, kMinus);
    EXPECT_EQ(back->GetLayer(), 2);
    Click(p, kMinus);
    EXPECT_EQ(back->GetLayer(), 2);
    EXPECT_EQ(CountKey("LayerUpDownClicks"), 2u);
    platform::os::AdvanceVirtualTime(400);
    Click(p, kMinus);
    EXPECT_EQ(back->GetLayer(), 1);
    EXPECT_EQ(sun->GetLayer(), 2);
    EXPECT_EQ(tree->GetLayer(), 3);
    EXPECT_TRUE(w->IsRoundWon());
    EXPECT_EQ(w->GetSelectedPiece(), nullptr);
    EXPECT_TRUE(golden::MatchesGolden(DrawNow(), "layer/stacked_meadow.png"));

    // The next tick runs the round-end text: its dialog, then the next round.
    EXPECT_EQ(g.GetLayerPuzzleRound(), 1);
    Tick(p, 16);
    EXPECT_EQ(Puzzle(), nullptr) << "the round-end dialog is on top";
    Tick(p, 100);
    Click(p, kContinue);
    Tick(p, 100);
    ASSERT_EQ(Puzzle(), w);
    EXPECT_EQ(std::string(w->GetRounds()->GetCurrentRoundName().CStr()), "harbour");
    EXPECT_EQ(g.GetLayerPuzzleRound(), 2) << "the next round is saved";
    EXPECT_EQ(overlay->GetScript()->GetGlobalString("round_bubble_round_string"), str("round2"));
    EXPECT_TRUE(overlay->IsSpriteExist("round_banner")) << "the round's banner shows";
    EXPECT_FALSE(sun->IsVisible());
    EXPECT_EQ(w->GetLayerCount(), 4);

    // Round two: the moon in its place, then away from the puzzle and back.
    Tick(p, 1800);
    QMLayerPuzzlePiece* moon = PieceOf(w, "moon_harbour");
    Drag(p, {80, 90}, {480, 100});
    EXPECT_EQ(moon->GetPicturePosition(), TPoint(440, 60));
    const int moonLayer = moon->GetLayer();
    Click(p, kLeave);
    Tick(p, 100);
    EXPECT_EQ(Puzzle(), nullptr);
    Host()->DoLuaString("gType = type(LayerPlusButton)");
    EXPECT_EQ(std::string(Host()->GetGlobalString("gType").CStr()), "nil");

    Open(p);
    w = Puzzle();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::string(w->GetRounds()->GetCurrentRoundName().CStr()), "harbour");
    moon = PieceOf(w, "moon_harbour");
    EXPECT_TRUE(moon->IsVisible());
    EXPECT_EQ(moon->GetPicturePosition(), TPoint(440, 60));
    EXPECT_EQ(moon->GetLayer(), moonLayer);
    EXPECT_EQ(PieceOf(w, "boat_harbour")->GetPicturePosition(), TPoint(150, 60));

    // The rest of the harbour, then the night sky lowered under the three others.
    Drag(p, {230, 100}, {600, 260});
    Drag(p, {370, 120}, {720, 220});
    Drag(p, {200, 370}, {600, 180});
    QMLayerPuzzlePiece* sky = PieceOf(w, "back_harbour");
    EXPECT_EQ(sky->GetLayer(), 4);
    for (int i = 0; i < 3; ++i) {
      Click(p, kMinus);
      platform::os::AdvanceVirtualTime(400);
    }
    EXPECT_EQ(sky->GetLayer(), 1);
    EXPECT_TRUE(w->IsRoundWon());

    // The last round completes the puzzle: the saved round becomes the finished marker.
    Tick(p, 16);
    EXPECT_EQ(g.GetLayerPuzzleRound(), -1);
    Tick(p, 100);
    Click(p, kContinue);
    Tick(p, 100);
    EXPECT_EQ(Puzzle(), nullptr) << "the puzzle is left once complete";
    EXPECT_EQ(Host()->GetGlobalString("gType"), str("nil"));
    EXPECT_EQ(CountKey("CorrectPhotoPlacements"), 7u);
    EXPECT_EQ(CountKey("IncorrectPhotoPlacements"), 1u);
    EXPECT_EQ(CountKey("LayerUpDownClicks"), 6u);
    EXPECT_EQ(Count("CorrectPhotoPlacements=7"), 1u) << "the service counts them up";
  });
}

}  // namespace

namespace {

TEST_F(LayerPuzzlePlayTest, HintFliesAMisplacedPhotoHomeUnlessHintsAreOffOrAllAreInPlace) {
  Play([&](TPlatform* p, QMGameManager&) {
    Open(p);
    QMLayerPuzzleWindow* w = Puzzle();
    ASSERT_NE(w, nullptr);
    auto hint = [&] {
      Host()->DoLuaString("gHint = tostring(LayerShowHint())");
      return std::string(Host()->GetGlobalString("gHint").CStr());
    };
    auto* overlay = WindowCast<KSpriteWindow>(w->GetParent()->FindChild("overlaywindow", -1));
    ASSERT_NE(overlay, nullptr);

    // The top photo is lent to the overlay, flies to its cell and comes back there.
    QMLayerPuzzlePiece* back = PieceOf(w, "back_meadow");
    EXPECT_EQ(hint(), "true");
    EXPECT_TRUE(w->IsHintActive());
    EXPECT_TRUE(overlay->IsSpriteExist("layer_anim_hint_sprite"));
    EXPECT_EQ(overlay->GetScript()->GetGlobalNumber("hsDestX"), 440);
    EXPECT_EQ(overlay->GetScript()->GetGlobalNumber("hsPlayTutorial"), 1);
    Tick(p, 1000);
    EXPECT_FALSE(w->IsHintActive());
    EXPECT_FALSE(overlay->IsSpriteExist("layer_anim_hint_sprite"));
    EXPECT_EQ(back->GetSprite()->GetParent(), w->GetRootSprite());
    EXPECT_EQ(back->GetPicturePosition(), TPoint(440, 60));
    EXPECT_TRUE(back->IsAtTarget());
    EXPECT_TRUE(overlay->IsSpriteExist("layer_hint_tip")) << "placing it leaves the stacking";

    // While the game turns hints off, nothing happens.
    Host()->DoLuaString("EnableWindow('disableHint', true)");
    EXPECT_EQ(hint(), "false");
    EXPECT_FALSE(w->IsHintActive());
    Host()->DoLuaString("EnableWindow('disableHint', false)");

    // With every photo in place only the stacking is left: the second hint script says so.
    Drag(p, {100, 100}, {560, 100});
    Drag(p, {260, 120}, {720, 220});
    Tick(p, 3000);  // the first hint's tip has gone
    EXPECT_EQ(hint(), "false");
    EXPECT_FALSE(w->IsHintActive());
    Tick(p, 16);
    EXPECT_TRUE(overlay->IsSpriteExist("layer_hint_note"));
    EXPECT_FALSE(w->IsRoundWon()) << "the meadow still hides the sun and the tree";
  });
}

}  // namespace

namespace {

// The meadow solved by hand as the first play does it: the sun and the tree onto their cells,
// the meadow onto its own and lowered under both. The photo named leave stays where it is.
void SolveMeadow(TPlatform* p, QMLayerPuzzleWindow* w, const std::string& leave = "") {
  QMLayerPuzzlePiece* back = PieceOf(w, "back_meadow");
  for (const char* name : {"sun_meadow", "tree_meadow", "back_meadow"}) {
    QMLayerPuzzlePiece* piece = PieceOf(w, name);
    if (piece->IsAtTarget() || name == leave) continue;
    const TRect b = piece->GetPictureBounds();
    const TPoint grab((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    TPoint dest = w->GetGrid()->GetCellPosition(piece->GetGridPosition());
    Send(p, kEventMouseMove, grab.x, grab.y);
    Send(p, kEventLeftDown, grab.x, grab.y);
    for (int i = 1; i <= 8; ++i) {
      const TPoint to(dest.x + grab.x - b.left, dest.y + grab.y - b.top);
      Send(p, kEventMouseMove, grab.x + (to.x - grab.x) * i / 8, grab.y + (to.y - grab.y) * i / 8);
    }
    Send(p, kEventLeftUp, dest.x + grab.x - b.left, dest.y + grab.y - b.top);
  }
  // Select the meadow by a press on its corner, then lower it under the sun and the tree.
  if (w->GetSelectedPiece() != back) {
    Send(p, kEventMouseMove, 450, 70);
    Send(p, kEventLeftDown, 450, 70);
    Send(p, kEventLeftUp, 450, 70);
  }
  for (int i = 0; i < 3 && back->GetLayer() > 1; ++i) {
    Send(p, kEventMouseMove, kMinus.x, kMinus.y);
    Send(p, kEventLeftDown, kMinus.x, kMinus.y);
    Send(p, kEventLeftUp, kMinus.x, kMinus.y);
    platform::os::AdvanceVirtualTime(400);
  }
}

// A hint asked for while the round's banner still plays flies once the banner is over; the hint
// then lets go, and the round, solved by hand, ends.
TEST_F(LayerPuzzlePlayTest, AHintDuringTheRoundBannerFliesAfterItAndTheRoundStillEnds) {
  Play([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), "ShowLayerPuzzle()");
    Tick(p, 200);
    QMLayerPuzzleWindow* w = Puzzle();
    ASSERT_NE(w, nullptr);
    auto* overlay = WindowCast<KSpriteWindow>(w->GetParent()->FindChild("overlaywindow", -1));
    ASSERT_TRUE(overlay->IsSpriteExist("round_banner")) << "the banner plays";
    Host()->DoLuaString("gHint = tostring(LayerShowHint())");
    EXPECT_EQ(Host()->GetGlobalString("gHint"), str("true"));
    Tick(p, 5000);
    EXPECT_FALSE(w->IsHintActive()) << "the hint has let go";
    QMLayerPuzzlePiece* back = PieceOf(w, "back_meadow");
    EXPECT_EQ(back->GetSprite()->GetParent(), w->GetRootSprite());
    EXPECT_TRUE(back->IsAtTarget()) << "the hint's photo flew home";
    SolveMeadow(p, w);
    EXPECT_TRUE(w->IsRoundWon());
    Tick(p, 16);
    EXPECT_EQ(Puzzle(), nullptr) << "the round-end dialog is on top";
  });
}

}  // namespace

namespace {

// A second hint while the first photo flies is refused: no second photo leaves the puzzle, and
// the first comes back into the puzzle's picture. The overlay never keeps a sprite it cannot
// name: a second one under a name in use is refused.
TEST_F(LayerPuzzlePlayTest, ASecondHintWhileAPhotoFliesIsRefusedAndEveryPhotoStaysInThePuzzle) {
  Play([&](TPlatform* p, QMGameManager&) {
    Open(p);
    QMLayerPuzzleWindow* w = Puzzle();
    ASSERT_NE(w, nullptr);
    auto* overlay = WindowCast<KSpriteWindow>(w->GetParent()->FindChild("overlaywindow", -1));
    auto hint = [&] {
      Host()->DoLuaString("gHint = tostring(LayerShowHint())");
      return std::string(Host()->GetGlobalString("gHint").CStr());
    };
    EXPECT_EQ(hint(), "true");
    Tick(p, 100);
    EXPECT_EQ(hint(), "false") << "the first photo still flies";
    EXPECT_EQ(overlay->GetRootSprite()->GetChildren().size(), 1u) << "one photo is lent";
    Tick(p, 1000);
    EXPECT_FALSE(w->IsHintActive());
    for (const char* name : {"back_meadow", "sun_meadow", "tree_meadow"})
      EXPECT_EQ(PieceOf(w, name)->GetSprite()->GetParent(), w->GetRootSprite()) << name;
    Tick(p, 3000);  // the tip has gone
    EXPECT_EQ(hint(), "true") << "the next hint is given once the first is over";
    Tick(p, 1000);
    for (const char* name : {"back_meadow", "sun_meadow", "tree_meadow"})
      EXPECT_EQ(PieceOf(w, name)->GetSprite()->GetParent(), w->GetRootSprite()) << name;

    boost::shared_ptr<TSprite> first = TSprite::Create(0), second = TSprite::Create(0);
    EXPECT_EQ(overlay->AddSprite(first, "twice", 0, ""), 0);
    EXPECT_EQ(overlay->AddSprite(second, "twice", 0, ""), -1);
    EXPECT_EQ(second->GetParent(), nullptr) << "the refused sprite is not in the tree";
    EXPECT_EQ(overlay->GetSprite("twice"), first);
  });
}

}  // namespace

namespace {

// A photo let go with its top edge above the frame lies off the grid: though the cell rounding
// gives its target cell, it is not placed, and the round is not won until it lies on the frame.
TEST_F(LayerPuzzlePlayTest, APhotoHangingOffTheFrameIsNotPlacedAndTheRoundWaitsForIt) {
  Play([&](TPlatform* p, QMGameManager&) {
    Open(p);
    QMLayerPuzzleWindow* w = Puzzle();
    ASSERT_NE(w, nullptr);
    QMLayerPuzzlePiece* sun = PieceOf(w, "sun_meadow");
    // The sun a cell too far right, the rest solved round it.
    Drag(p, {100, 100}, {640, 100});
    ASSERT_EQ(sun->GetPicturePosition(), TPoint(600, 60));
    SolveMeadow(p, w, "sun_meadow");
    EXPECT_FALSE(w->IsRoundWon());
    // Then grabbed 40 pixels in from its corner and let go above the frame over its cell.
    Drag(p, {640, 100}, {560, 40});
    ASSERT_EQ(sun->GetPicturePosition(), TPoint(520, 0));
    EXPECT_EQ(w->GetGrid()->GetCellIndex(TPoint(520, 0)), sun->GetGridPosition());
    EXPECT_FALSE(sun->IsOnGrid());
    EXPECT_FALSE(sun->IsAtTarget());
    EXPECT_FALSE(w->IsRoundWon()) << "the sun hangs off the frame";
    Drag(p, {560, 40}, {560, 100});
    EXPECT_EQ(sun->GetPicturePosition(), TPoint(520, 60));
    EXPECT_TRUE(sun->IsAtTarget());
    EXPECT_TRUE(w->IsRoundWon());
  });
}

}  // namespace
