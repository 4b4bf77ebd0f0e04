// The sample game's four puzzles share the game functions their round-end and completion texts
// call: each puzzle opened from the map, then solved and left as its last text does it, counts
// as solved under its own name and closes its own modal; left by its own button, it closes
// unsolved.
#include <gtest/gtest.h>

#include <filesystem>

#include "game/puzzles/codex/CodexFixture.h"
#include "window/TButton.h"

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

}  // namespace
