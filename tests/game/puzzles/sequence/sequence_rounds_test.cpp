// The sequence puzzle's rounds list, slide speed and failure cases: drops the row has no slot
// for, layouts without a speed, a script function that outlives its window.
#include "SequenceFixture.h"

#include <fstream>

#include "window/TText.h"

namespace {

TEST_F(SequenceTest, ChangeRoundWrapsFromTheLastRoundToTheFirst) {
  Play(Layout(), [&](TPlatform*, QMSequencePuzzleWindow& w) {
    QMSequencePuzzleRounds* rounds = w.GetRounds();
    ASSERT_NE(rounds, nullptr);
    EXPECT_EQ(rounds->GetCount(), 2u);
    struct Step {
      int index;
      const char* name;
      const char* shown;
    } steps[] = {{1, "two", "E"}, {0, "one", "A"}};
    for (const Step& s : steps) {
      Host()->DoLuaString("ChangeRound()");
      EXPECT_EQ(rounds->GetCurrentIndex(), s.index);
      EXPECT_EQ(rounds->GetCurrentName(), str(s.name));
      EXPECT_TRUE(PieceNamed(w, s.shown)->IsVisible()) << s.name;
    }
  });
}

// A hole in the rounds table counts as a round without a name while later rounds exist.
TEST_F(SequenceTest, RoundsTableWithAHoleGivesAnEmptyName) {
  const std::string layout =
      "PushModal('m') MakeDialog({ QMSequencePuzzleRounds({ name = 'r', "
      "rounds = { 'a', nil, 'c' } }) })";
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), layout.c_str());
    auto* rounds = WindowCast<QMSequencePuzzleRounds>(wm->GetTopModal()->FindChild("r", -1));
    ASSERT_NE(rounds, nullptr);
    ASSERT_EQ(rounds->GetCount(), 3u);
    Host()->DoLuaString("ChangeRound()");
    EXPECT_EQ(rounds->GetCurrentName(), str(""));
  });
}

// The row's script function dies with its window: a call afterwards is a plain Lua error on
// nil, never a call into a freed window.
TEST_F(SequenceTest, ChangeRoundIsResetWhenThePuzzleCloses) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow&) {
    EXPECT_EQ(Text("type(ChangeRound)"), "function");
    TWindowManager* wm = p->GetWindowManager();
    wm->PopTopModal();
    wm->FlushDeletes();
    EXPECT_EQ(Text("type(ChangeRound)"), "nil");
  });
}

// The hint's own end would clear the game's hint flag; leaving while it plays clears it too.
TEST_F(SequenceTest, LeavingThePuzzleDuringAHintClearsTheHintFlag) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 0, 0));
    ASSERT_TRUE(w.IsHintShown());
    Tick(p, 32);
    EXPECT_EQ(Text("tostring(gGameState.hintActive)"), "true");
    TWindowManager* wm = p->GetWindowManager();
    wm->PopTopModal();
    wm->FlushDeletes();
    Tick(p, 32);
    EXPECT_EQ(Text("tostring(gGameState.hintActive)"), "false");
  });
}

// A drag image much wider than the slots puts the drop's cell left of the row: the piece goes
// back to a bin instead of into a slot that does not exist.
TEST_F(SequenceTest, DropOnACellOutsideTheRowReturnsThePieceToItsBin) {
  WriteSolidPng("images/wide.png", 250, 50, 0xFF4060A0u);
  Play(Layout("", Piece("A", "one", 1, 1, "images/wide")),
       [&](TPlatform* p, QMSequencePuzzleWindow& w) {
         QMSequencePuzzlePiece* a = PieceNamed(w, "A");
         Drag(p, a, SlotCentre(1));
         EXPECT_EQ(a->GetCurrentSlot(), -1);
         EXPECT_EQ(a->GetDropPosition(), TPoint(100, 450));
         EXPECT_EQ(a->GetBinNumber(), 1);
         for (int i = 1; i <= 4; ++i) EXPECT_EQ(w.GetGrid()->GetSlot(i), nullptr) << i;
         // The ordinary pieces still go into the row.
         Drag(p, PieceNamed(w, "B"), SlotCentre(2));
         EXPECT_EQ(PieceNamed(w, "B")->GetCurrentSlot(), 2);
       });
}

// A layout without a speed keeps the speed in use; a speed of zero or less places a piece at
// once rather than never.
TEST_F(SequenceTest, SlideSpeedKeptWhenMissingAndImmediateWhenNotPositive) {
  QMSequenceShared::pieceAnimateSpeed = 7.0f;
  std::string noSpeed = Layout();
  noSpeed.replace(noSpeed.find("puzzlePieceAnimateSpeed = 10000, "),
                  std::string("puzzlePieceAnimateSpeed = 10000, ").size(), "");
  Play(noSpeed, [&](TPlatform*, QMSequencePuzzleWindow&) {
    EXPECT_EQ(QMSequenceShared::pieceAnimateSpeed, 7.0f);
  });
  for (double speed : {0.0, -3.0}) {
    std::string layout = Layout();
    layout.replace(layout.find("10000"), 5, std::to_string(speed));
    Play(layout, [&](TPlatform* p, QMSequencePuzzleWindow& w) {
      EXPECT_EQ(QMSequenceShared::pieceAnimateSpeed, static_cast<float>(speed));
      QMSequencePuzzlePiece* a = PieceNamed(w, "A");
      Drag(p, a, SlotCentre(1));
      ASSERT_EQ(a->GetCurrentSlot(), 1);
      Drag(p, a, TPoint(120, 200));  // off the row: back to the free bin 1
      EXPECT_EQ(a->GetDropPosition(), TPoint(100, 450)) << speed;
      EXPECT_FALSE(a->IsSliding());
    });
  }
}

// A press that is not followed by a move releases the piece and fires the click hook; it does
// not take the piece out of its bin. A drop on the row fires the drag hook.
TEST_F(SequenceTest, ClickAndDropFireTheArmedHooks) {
  static int clicks, drags;
  clicks = drags = 0;
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    w.pieceClickCheckHook = [] { ++clicks; };
    w.dragCheckHook = [] { ++drags; };
    QMSequencePuzzlePiece* a = PieceNamed(w, "A");
    const TPoint c = CentreOf(a);
    Send(p, kEventLeftDown, c.x, c.y);
    EXPECT_TRUE(a->IsHeld());
    Send(p, kEventLeftUp, c.x, c.y);
    EXPECT_FALSE(a->IsHeld());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(a->GetBinNumber(), 1);
    Send(p, kEventLeftDown, 700, 100);  // the bare table
    Send(p, kEventLeftUp, 700, 100);
    EXPECT_EQ(clicks, 1) << "a click beside every piece is no piece click";
    EXPECT_TRUE(w.FindBinByNumber(1)->IsOccupied());
    Drag(p, a, SlotCentre(3));
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(w.pieceClickCheckHook, nullptr) << "a drop into the row disarms the click hook";
    EXPECT_EQ(QMSequencePuzzleWindow::Cast(&w), &w);
    EXPECT_EQ(QMSequencePuzzleWindow::Cast(w.GetGrid()), nullptr);
    EXPECT_EQ(QMSequencePuzzleWindow::Cast(nullptr), nullptr);
  });
}

// A layout without its row or rounds list says so in the log; its pieces can still be picked
// up and put down without anything breaking.
TEST_F(SequenceTest, LayoutWithoutRowOrRoundsIsLoggedAndStaysSafe) {
  std::string layout = Layout();
  const std::string grid = "QMSequenceGrid({";
  layout.replace(layout.find(grid), grid.size(), "Text({ name = 'norow', ");
  Play(layout, [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    EXPECT_EQ(w.GetGrid(), nullptr);
    QMSequencePuzzlePiece* a = PieceNamed(w, "A");
    Drag(p, a, TPoint(400, 300));
    EXPECT_EQ(a->GetCurrentSlot(), -1);
    EXPECT_FALSE(a->IsHeld());
    TWindow::HandleMessage(&w, new QMSearchHintMessage("puzzle", 0, 0));
    EXPECT_FALSE(w.IsHintShown());
  });
  std::string log;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(mRoot + "/data"))
    if (entry.path().filename() == "logfile.txt") {
      std::ifstream in(entry.path());
      log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  EXPECT_NE(log.find("Sequence puzzle 'puzzle' has no slot row \"QMSEQUENCEGRID\": it cannot be "
                     "played"),
            std::string::npos)
      << log;
}

// The mouse leaving the puzzle while a piece is dragged drops the piece where the mouse was
// last seen inside: off the row, so it goes back to a bin.
TEST_F(SequenceTest, LeavingThePuzzleWhileDraggingDropsThePiece) {
  Play(Layout(), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    QMSequencePuzzlePiece* a = PieceNamed(w, "A");
    Grab(p, a, TPoint(120, 200));
    EXPECT_EQ(w.GetHeldPiece(), a);
    Send(p, kEventMouseMove, -5, 200);
    EXPECT_EQ(w.GetHeldPiece(), nullptr);
    Tick(p, 32);
    EXPECT_EQ(a->GetDropPosition(), TPoint(100, 450));
    EXPECT_EQ(a->GetBinNumber(), 1);
  });
}

// The slide sound plays once for pieces that start sliding together, and again only after a
// slide has ended.
TEST_F(SequenceTest, SlideSoundPlaysOncePerRunOfSlides) {
  Play(Layout("pieceSlideSound = 'audio/fail', "), [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    Drag(p, PieceNamed(w, "A"), SlotCentre(2));
    Drag(p, PieceNamed(w, "B"), SlotCentre(3));
    const size_t before = FailSoundsPlaying();
    Grab(p, PieceNamed(w, "C"), TPoint(SlotCentre(2).x - 15, SlotCentre(2).y));
    Tick(p, 16);
    EXPECT_EQ(FailSoundsPlaying(), before + 1) << "two pieces slide, one sound";
    Tick(p, 16);
    Send(p, kEventMouseMove, SlotCentre(2).x + 15, SlotCentre(2).y);
    Tick(p, 16);
    EXPECT_EQ(FailSoundsPlaying(), before + 2);
  });
}

// With the debug outline on, the row reads out where the dragged piece would snap.
TEST_F(SequenceTest, DebugOutlineReadsOutTheSnapCell) {
  std::string layout = Layout();
  const std::string grid = "gridMax = 4, tableuArt = 'images/slot' ";
  layout.replace(layout.find(grid), grid.size(),
                 grid +
                     ", debugGridOutline = true, Text({ name = 'DebugInfo', x = 0, y = 0, "
                     "w = 10, h = 10 }) ");
  Play(layout, [&](TPlatform* p, QMSequencePuzzleWindow& w) {
    Grab(p, PieceNamed(w, "A"), SlotCentre(2));
    auto* info = WindowCast<TText>(w.GetGrid()->FindChild("DebugInfo", 1));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetText(),
              str("75,25    Snap 50,0    World 375,300    World Snap 350,275     Offset -25,-25"));
    Send(p, kEventLeftUp, SlotCentre(2).x, SlotCentre(2).y);
    Tick(p, 32);
    EXPECT_EQ(PieceNamed(w, "A")->GetCurrentSlot(), 2);
  });
}

}  // namespace
