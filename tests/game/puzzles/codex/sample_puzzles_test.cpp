// The sample game's four puzzles share the game functions their round-end and completion texts
// call: each puzzle opened from the map, then solved and left as its last text does it, counts
// as solved under its own name and closes its own modal; left by its own button, it closes
// unsolved.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/puzzles/codex/CodexFixture.h"
#include "anim/KSpriteWindow.h"
#include "game/puzzles/feedback/RealTimeFeedback.h"
#include "platform/display/Image.h"
#include "window/TButton.h"
#include "window/TImage.h"

namespace {

class SamplePuzzlesTest : public CodexTest {
protected:
  void SetUp() override {
    CodexTest::SetUp();
    // The whole sample with its game flow, which loads every puzzle's script at start-up.
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
  }
};

TEST_F(SamplePuzzlesTest, EachPuzzleLeavesOrCompletesAsItselfAndClosesItsOwnModal) {
  struct Case {
    const char* opener;
    const char* modal;
    const char* leave;
  };
  const Case cases[] = {{"ShowWordPuzzle", "wordpuzzle", "wordback"},
                        {"ShowLayerPuzzle", "layerpuzzle", "layerleave"},
                        {"ShowSequencePuzzle", "sequence", "leave"},
                        {"ShowCodexPuzzle", "codex", "closeButton"}};
  RunGame([&](TPlatform* p) {
    Tick(p, 64);
    TWindowManager* wm = p->GetWindowManager();
    TWindow* below = wm->GetTopModal();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.opener);
      // Left by its own button: closed, and not solved.
      Lua(std::string(c.opener) + "()");
      ASSERT_NE(wm->GetTopModal(), below) << Log();
      auto* leave = WindowCast<TButton>(wm->GetTopModal()->FindChild(c.leave, -1));
      ASSERT_NE(leave, nullptr);
      leave->Press();
      Tick(p, 32);
      EXPECT_EQ(wm->GetTopModal(), below) << "the puzzle's leave button closes it";
      EXPECT_EQ(Text(std::string("tostring(gSolvedPuzzles['") + c.modal + "'])"), "nil");

      Lua(std::string(c.opener) + "()");
      ASSERT_NE(wm->GetTopModal(), below) << Log();
      EXPECT_EQ(std::string(wm->GetTopModal()->GetName().CStr()), c.modal);
      Lua("setComplete() puzzleComplete()");
      Tick(p, 32);
      EXPECT_EQ(wm->GetTopModal(), below) << "the puzzle's modal has closed";
      EXPECT_EQ(Text(std::string("tostring(gSolvedPuzzles['") + c.modal + "'])"), "true");
    }
    EXPECT_EQ(Number("(function() local n = 0 for _ in pairs(gSolvedPuzzles) do n = n + 1 end "
                     "return n end)()"),
              4);
    // A second leave, once the modal has gone, closes nothing beneath it.
    Lua("puzzleComplete()");
    EXPECT_EQ(wm->GetTopModal(), below);
  });
}

// The word puzzle's round-end board, opaque like the other puzzles' boards, holds its message
// and its button below the finished grid: the grid's cells and the row letters stay in view.
TEST_F(SamplePuzzlesTest, WordRoundEndBoardHoldsItsMessageAndButtonBelowTheGridAndTheLetters) {
  RunGame([&](TPlatform* p) {
    Tick(p, 64);
    TWindowManager* wm = p->GetWindowManager();
    Lua("ShowWordPuzzle()");
    Tick(p, 32);
    TWindow* puzzle = wm->GetTopModal()->FindChild("puzzleWindow", -1);
    ASSERT_NE(puzzle, nullptr) << Log();
    std::vector<std::pair<std::string, TRect>> under;
    std::vector<TWindow*> open = {puzzle};
    while (!open.empty()) {
      TWindow* w = open.back();
      open.pop_back();
      for (TWindow* child : w->GetChildren()) open.push_back(child);
      const std::string name = w->GetName().CStr();
      if (!w->IsVisible() ||
          (name.rfind("Grid_", 0) != 0 && name.find("_row") == std::string::npos))
        continue;
      TRect r;
      w->GetScreenRect(r);
      under.emplace_back(name, r);
    }
    ASSERT_GE(under.size(), 12u) << "the first round's cells and its row letters";

    Lua("DoModal('scripts/common/word/round_end_modal.lua')");
    Tick(p, 32);
    auto* board = WindowCast<TImage>(wm->GetTopModal()->FindChild("roundendpanel", -1));
    ASSERT_NE(board, nullptr) << Log();
    EXPECT_EQ(board->GetAlpha(), 1.0f);
    TRect b;
    board->GetScreenRect(b);
    auto inside = [&](const TRect& r) {
      return r.left >= b.left && r.top >= b.top && r.right <= b.right && r.bottom <= b.bottom;
    };
    for (const char* name : {"roundendtext", "roundendok"}) {
      TWindow* w = wm->GetTopModal()->FindChild(name, -1);
      ASSERT_NE(w, nullptr) << name;
      TRect r;
      w->GetScreenRect(r);
      EXPECT_TRUE(inside(r)) << name << " stands on the board";
    }
    for (const auto& [name, r] : under) {
      TRect both;
      both.SetIntersection(r, b);
      EXPECT_TRUE(both.Width() <= 0 || both.Height() <= 0) << name << " stays in view";
    }
    // The board's picture is opaque wherever the message and the letters are.
    platform::display::Image panel;
    ASSERT_TRUE(panel.LoadPng(mWork + "/assets/word/round_end_bar.png"));
    ASSERT_EQ(panel.width, b.right - b.left);
    for (int y = 8; y < panel.height - 8; ++y)
      for (int x = 8; x < panel.width - 8; ++x)
        ASSERT_EQ(panel.pixels[size_t(y) * panel.width + x] >> 24, 0xFFu) << x << ", " << y;
  });
}

}  // namespace

namespace {

// The codex loads its sounds: the sample's, and a layout's named without ".ogg" as the other
// puzzles' layouts may name them.
TEST_F(SamplePuzzlesTest, TheCodexLoadsItsSoundsWithOrWithoutTheirExtension) {
  RunGame([&](TPlatform* p) {
    Tick(p, 64);
    TWindowManager* wm = p->GetWindowManager();
    Lua("ShowCodexPuzzle()");
    auto* codex = WindowCast<QMCodexWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
    ASSERT_NE(codex, nullptr) << Log();
    EXPECT_TRUE(codex->GetClickSound());
    EXPECT_TRUE(codex->GetGroupSolvedSound());
    EXPECT_TRUE(codex->GetPuzzleSolvedSound());

    Lua("PushModal('soundnames') MakeDialog({ QMCodexWindow({ name = 'namedwindow', x = 0, "
        "y = 0, w = 800, h = 600, clickAudio = 'audio/codex/mark', "
        "groupSolvedAudio = 'audio/codex/round.ogg' }) })");
    codex = WindowCast<QMCodexWindow>(wm->GetTopModal()->FindChild("namedwindow", -1));
    ASSERT_NE(codex, nullptr) << Log();
    EXPECT_TRUE(codex->GetClickSound());
    EXPECT_TRUE(codex->GetGroupSolvedSound());
    EXPECT_FALSE(codex->GetPuzzleSolvedSound()) << "none named";
  });
}

}  // namespace

namespace {

// A coaching tip that fails, at once or part-way, leaves no playing mark behind. One that fails
// at once has not played: its zone plays it again at the next check. One that fails part-way
// has played: the next check's tip, the sample's own, plays.
TEST_F(SamplePuzzlesTest, AFailingTipLeavesNoPlayingMarkBehind) {
  struct Case {
    const char* tip;
    bool played;
  } cases[] = {
      {"return function() error('the tip fails') end", false},
      {"return function() _AddTimer(100) _Start() "
       "gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1 "
       "while gScriptPauseCoRoutine > 0 do coroutine.yield() end error('the tip fails') end",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tip);
    WriteAsset("scripts/puzzles/codex_tip_check.lua", c.tip);
    RunGame([&](TPlatform* p) {
      Tick(p, 64);
      TWindowManager* wm = p->GetWindowManager();
      Lua("ShowCodexPuzzle()");
      Tick(p, 1800);
      auto* feedback =
          WindowCast<RealTimeFeedback>(wm->GetTopModal()->FindChild("1_codex_rtf_window", -1));
      ASSERT_NE(feedback, nullptr) << Log();
      KSpriteWindow* tips = feedback->GetAnimationWindow();
      Lua("ProcessInstructions({ solveGridUpdate = { [0] = 2 } })");
      Tick(p, 200);
      EXPECT_NE(Log().find("the tip fails"), std::string::npos);
      Lua("ProcessInstructions({ solveGridUpdate = { [5] = 2 } })");
      Tick(p, 100);
      EXPECT_EQ(tips->IsSpriteExist("codextip"), c.played) << "the second check's tip";
      if (!c.played) {
        EXPECT_EQ(tips->GetScript()->GetGlobalString("RTFZoneAnimation"), str());
      }
    });
  }
}

}  // namespace
