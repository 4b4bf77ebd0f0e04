// The codex puzzle played headless: clicks on the solve grid go to the layout's Lua event
// target, and the instruction tables it answers set cells, words, rounds and completion.
#include <gtest/gtest.h>

#include "game/puzzles/codex/CodexFixture.h"
#include <filesystem>

#include "game/puzzles/codex/CodexParticleFunc.h"
#include "game/puzzles/feedback/RTFHooks.h"
#include "particles/TLuaParticleSystem.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TScript.h"
#include "window/TButton.h"

namespace {

int sDoubleRows = 0;
int sDoubleColumns = 0;
void CountDoubleRow() { ++sDoubleRows; }
void CountDoubleColumn() { ++sDoubleColumns; }

TEST_F(CodexTest, ClicksReachTheEventTargetAndItsCellStatesShowByTexture) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    const QMCodexSolveGrid& grid = w->GetSolveGrid();
    ASSERT_EQ(grid.GetCellCount(), 9u);
    EXPECT_TRUE(grid.AreCoversShowing());
    EXPECT_EQ(grid.GetCovers().size(), 9u);

    // Off the active cells: counted, nothing asked.
    Click(p, 20, 580);
    EXPECT_EQ(StateOf("LevelTotalClicks"), "1");
    EXPECT_EQ(Number("table.getn(gTarget.calls)"), 0);

    // Numbers and numeric strings set states; anything else is skipped.
    Lua("gAnswer = { solveGridUpdate = { [4] = 2, ['5'] = 3, [0] = 1, [1] = 'x', x = 2, "
        "[2] = 7 } }");
    ClickCell(p, 1, 1);
    EXPECT_EQ(StateOf("LevelTotalClicks"), "2");
    ASSERT_EQ(Number("table.getn(gTarget.calls)"), 1);
    EXPECT_EQ(Text("gTarget.calls[1][3]"), "4");
    EXPECT_EQ(Number("gTarget.calls[1][1]"), CellCentre(1, 1).x);
    EXPECT_EQ(Number("gTarget.calls[1][2]"), CellCentre(1, 1).y);
    const QMCodexCellTextures& t = const_cast<QMCodexSolveGrid&>(grid).Textures();
    ASSERT_TRUE(t.check && t.notCell && t.conflict && t.activeCell);
    EXPECT_EQ(grid.GetCells()[4]->GetTexture(), t.check);
    EXPECT_EQ(grid.GetCells()[5]->GetTexture(), t.notCell);
    EXPECT_EQ(grid.GetCells()[0]->GetTexture(), t.conflict);
    EXPECT_EQ(grid.GetCells()[1]->GetTexture(), t.activeCell);
    EXPECT_EQ(grid.GetCells()[2]->GetTexture(), t.activeCell);
    EXPECT_TRUE(grid.ShowsCheck(4));

    // The first click faded the covers; once still, the holder leaves the scene.
    EXPECT_FALSE(grid.AreCoversShowing());
    EXPECT_TRUE(grid.GetCovers().empty());
    Tick(p, 600);
    EXPECT_FALSE(grid.AreCoversFading());
    EXPECT_EQ(w->GetCoverHolder()->GetParent(), nullptr);

    // "ResetPuzzle" blanks every cell and empties every word.
    Lua("UpdateCodeGridState({ [0] = 2 })");
    EXPECT_EQ(WordOf(w, 1), "MOON");
    Lua("ResetPuzzle()");
    for (const auto& cell : grid.GetCells()) EXPECT_EQ(cell->GetTexture(), t.activeCell);
    EXPECT_EQ(WordOf(w, 1), "");
  });
}

TEST_F(CodexTest, ChecksOnOneIconShowQuestionMarksAndSharedWordsFireTheDoubleRowHook) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    sDoubleRows = sDoubleColumns = 0;
    w->doubleRowHook = &CountDoubleRow;
    w->doubleColumnHook = &CountDoubleColumn;
    // Cell r * 3 + c means word r + 1 on icon position c.
    Lua("for i = 0, 8 do gWord[i] = math.floor(i / 3) + 1 gIcon[i] = math.mod(i, 3) end");

    Lua("gAnswer = { solveGridUpdate = { [0] = 2 } }");
    ClickCell(p, 0, 0);
    EXPECT_EQ(WordOf(w, 1), "SUN");
    EXPECT_EQ(Text("gStored[1]"), "0=1");

    // A second and third word on icon 1: "????", the hook once for every extra check.
    Lua("gAnswer = { solveGridUpdate = { [3] = 2, [6] = 2 } }");
    ClickCell(p, 1, 0);
    EXPECT_EQ(WordOf(w, 1), "????");
    EXPECT_EQ(sDoubleColumns, 2);
    EXPECT_EQ(sDoubleRows, 0);

    // Two icons with one word: both show it and the row hook fires once after the pass.
    Lua("gAnswer = { solveGridUpdate = { [3] = 0, [6] = 0, [1] = 2 } } gIcon[1] = 1 "
        "gWord[1] = 1");
    ClickCell(p, 0, 1);
    EXPECT_EQ(WordOf(w, 1), "SUN");
    EXPECT_EQ(WordOf(w, 2), "SUN");
    EXPECT_EQ(sDoubleRows, 1);

    // Updates name icon positions; -1 empties, -2 shows "????"; the update is highlighted.
    Lua("UpdateCodeGridState({ [2] = 3, [4] = -2, ['5'] = 4, [1] = -1 })");
    EXPECT_EQ(WordOf(w, 3), "STAR");
    EXPECT_EQ(WordOf(w, 5), "????");
    EXPECT_EQ(WordOf(w, 6), "FISH");
    EXPECT_EQ(WordOf(w, 2), "");
    auto* text = WindowCast<TText>(w->FindChild("t_icon_3", -1));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetColor().b, 1.0f);
    EXPECT_EQ(text->GetColor().r, 0.0f);
  });
}

TEST_F(CodexTest, ResolvingAConflictedColumnSkipsTheNextCodeGridUpdateOnce) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    Lua("for i = 0, 8 do gWord[i] = math.floor(i / 3) + 1 gIcon[i] = math.mod(i, 3) end "
        "ProcessInstructions({ solveGridUpdate = { [0] = 2, [3] = 2, [7] = 3 } })");
    EXPECT_EQ(WordOf(w, 1), "????");
    Lua("ResolveConflictedColumn(7)");  // an X: nothing
    EXPECT_FALSE(w->IsSkippingNextCodeGridUpdate());
    Lua("ResolveConflictedColumn(3)");
    EXPECT_TRUE(w->IsSkippingNextCodeGridUpdate());
    EXPECT_EQ(WordOf(w, 1), "SUN");
    Lua("ProcessInstructions({ codeGridUpdate = { [0] = 3 } })");
    EXPECT_EQ(WordOf(w, 1), "SUN");
    Lua("ProcessInstructions({ codeGridUpdate = { [5] = 3 } })");
    EXPECT_EQ(WordOf(w, 6), "STAR");
  });
}

TEST_F(CodexTest, AHigherGroupChangesTheRoundOnceTheGridHasFadedOutAndIgnoresClicksMeanwhile) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    EXPECT_EQ(Number("GetSlideCount()"), 2);
    Lua("gAnswer = { group = 0, gridSize = 4 }");
    ClickCell(p, 0, 0);
    Tick(p, 2100);
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 9u) << "the same group changes nothing";

    Lua("gAnswer = { group = 1, gridSize = 4, gridOffset = 3 }");
    ClickCell(p, 0, 0);
    EXPECT_EQ(w->GetPendingGroup(), 1u);
    EXPECT_EQ(Number("table.getn(gCommandQueue)"), 1);
    Tick(p, 1000);
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 9u);
    // The fading grid is the old round's: a click there reaches no rules and changes nothing.
    Lua("gAnswer = { group = 1, gridSize = 4, gridOffset = 3, solveGridUpdate = { [1] = 2 } }");
    ClickCell(p, 0, 1);
    EXPECT_EQ(Number("table.getn(gTarget.calls)"), 2) << "the click during the fade is dropped";
    EXPECT_EQ(Number("table.getn(gCommandQueue)"), 1) << "one round-end dialog";
    EXPECT_FALSE(w->GetSolveGrid().ShowsCheck(1));
    Lua("gAnswer = nil");
    const float half = w->GetSolveGridSprite()->GetDrawState().alpha;
    EXPECT_GT(half, 0.0f);
    EXPECT_LT(half, 1.0f);

    Tick(p, 1100);
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 16u);
    EXPECT_EQ(w->GetSlides().GetCurrentGroup(), 1u);
    EXPECT_EQ(Number("GetSlideCount()"), 1);
    EXPECT_TRUE(w->GetSolveGrid().AreCoversShowing());
    ASSERT_EQ(w->GetSlideHolder()->GetChildren().size(), 1u);
    EXPECT_EQ(w->GetSlideHolder()->GetChildren()[0], (*w->GetSlides().GetGroup(1))[0]);
    Tick(p, 600);
    EXPECT_EQ(w->GetSolveGridSprite()->GetDrawState().alpha, 1.0f);
  });
}

TEST_F(CodexTest, CompletionQueuesTheDialogAndReportsItsRecordInOrder) {
  std::vector<std::string> events;
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    TGameState::AddHandler(new GameStateRecorder(&events));
    Lua("gAnswer = { solved = 1, group = 3 }");
    events.clear();
    ClickCell(p, 2, 2);
    const std::vector<std::string> want = {
        "LevelTotalClicks=1",
        "begin-status=CodexPuzzleCompleteNames",
        "add-value=LevelNumber",
        "add-value=LevelPlayTime",
        "add-value=LevelEndState",
        "add-value=LevelTotalCheckPlacements",
        "add-value=LevelTotalXPlacements",
        "add-value=LevelTotalClueClicks",
        "add-value=LevelTotalClicks",
        "add-value=LevelHintsUsed",
        "add-value=InstructionTimeViewed",
        "add-value=LevelEndTime",
        "end-status=CodexPuzzleCompleteNames",
        "begin-status=CodexPuzzleComplete",
        "add-state=LevelNumber",
        "add-timer=LevelPlayTime",
        "add-value=0",
        "add-state=LevelTotalCheckPlacements",
        "add-state=LevelTotalXPlacements",
        "add-state=LevelTotalClueClicks",
        "add-state=LevelTotalClicks",
        "add-state=LevelHintsUsed",
        "add-state=InstructionTimeViewed",
        "add-state=LevelEndTime",
        "end-status=CodexPuzzleComplete",
        "LevelTotalClicks=0",
    };
    EXPECT_EQ(events, want);
    EXPECT_EQ(w->GetSlides().GetCurrentGroup(), 0u) << "no round change";
    // The dialog waits in the command queue; it runs the modal and then puzzleComplete.
    Lua("gOpened = nil gDone = nil function DoModal(f) gOpened = f end "
        "function puzzleComplete() gDone = 1 end table.remove(gCommandQueue)()");
    EXPECT_EQ(Text("gOpened"), "scripts/common/codex/codex_complete_modal.lua");
    EXPECT_EQ(Number("gDone"), 1);
    EXPECT_EQ(Text("round_bubble_complete_string"), "round complete");
  });
}

TEST_F(CodexTest, ThePointerLocusFollowsTheMouseAndTheEffectRunsOverActiveCellsOnly) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    EXPECT_EQ(w->GetLocus().GetLocus().x, 0.0f);
    TScript* fx = w->GetParticles().GetScript();
    ASSERT_NE(fx, nullptr);
    auto active = [&] {
      fx->DoLuaString("gOn = gActive and 1 or 0");
      return fx->GetGlobalNumber("gOn") != 0;
    };
    fx->DoLuaString("gActive = true");
    const TPoint c = CellCentre(1, 2);
    Send(p, kEventMouseMove, c.x, c.y);
    EXPECT_EQ(w->GetLocus().GetLocus().x, float(c.x));
    EXPECT_EQ(w->GetLocus().GetLocus().y, float(c.y));
    EXPECT_TRUE(active());
    Send(p, kEventMouseMove, 700, 560);
    EXPECT_FALSE(active());
    EXPECT_TRUE(w->IsPointerAway());
    fx->DoLuaString("gActive = 'untouched'");
    Send(p, kEventMouseMove, 710, 570);  // still away: no script text runs
    EXPECT_EQ(std::string(fx->GetGlobalString("gActive").CStr()), "untouched");
    Send(p, kEventMouseMove, c.x + 50, c.y + 40);
    EXPECT_TRUE(active());

    // The member pushes the locus for every particle that reads it.
    float values[8] = {};
    uint8_t widths[4] = {};
    TParticleStack stack;
    stack.values = values;
    stack.widths = widths;
    stack.capacity = 4;
    TParticleFrame frame;
    frame.stack = &stack;
    frame.floatLimit = 8;
    CodexParticleFunc locus;
    locus.SetLocus(TVec2(12.5f, -3));
    EXPECT_EQ(locus.ResultType(0, nullptr), 2);
    EXPECT_TRUE(locus.Execute(nullptr, &frame));
    EXPECT_EQ(frame.end, 1);
    EXPECT_EQ(widths[0], 2);
    EXPECT_EQ(values[0], 12.5f);
    EXPECT_EQ(values[1], -3.0f);
  });
}

TEST_F(CodexTest, ScriptFunctionsGoNilWithTheWindowAndBadNumbersAreLoggedAndIgnored) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    Lua("ProcessInstructions({ solveGridUpdate = { [99] = 2, [-1] = 2 } }) SetCurrentSlide(5)");
    EXPECT_TRUE(Logged("no solve-grid cell 99")) << Log();
    EXPECT_TRUE(Logged("no solve-grid cell -1"));
    EXPECT_TRUE(Logged("no clue slide 5 in group 0"));
    Lua("ProcessInstructions({ codeGridUpdate = { [40] = 1 } })");
    EXPECT_TRUE(Logged("no word text t_icon_41 for icon position 40"));
    EXPECT_TRUE(w->GetSlideHolder()->GetChildren().empty());
    Lua("SetCurrentSlide(1)");
    EXPECT_EQ(w->GetSlideHolder()->GetChildren().size(), 1u);
    // Before any slide: texts and pictures go nowhere.
    EXPECT_EQ(Number("GetSlideCount()"), 2);

    // A failing event target ends the click; the failure goes to the log.
    Lua("function gTarget:SolveGridClicked() error('target failed here') end");
    ClickCell(p, 0, 0);
    EXPECT_TRUE(Logged("target failed here")) << Log();
    EXPECT_EQ(StateOf("LevelTotalClicks"), "1");

    Lua("PopModal('codex')");
    Tick(p, 32);
    for (const char* name :
         {"AddClueImage", "AddClueSlideText", "NewSlide", "NewSlideGroup", "SetCurrentSlide",
          "SetCurrentGroup", "GetSlideCount", "SetSolveGrid", "SetCodeGrid", "UpdateCodeGridState",
          "ProcessInstructions", "ShowCodexHint", "ResetPuzzle", "ResolveConflictedColumn"})
      EXPECT_EQ(Text(std::string("type(") + name + ")"), "nil") << name;
  });
}

}  // namespace

// The sample game's codex, opened as the map's button opens it and played to its end.
class SampleCodexTest : public CodexTest {
protected:
  void SetUp() override {
    CodexTest::SetUp();
    namespace fs = std::filesystem;
    UseSampleAssets({"anim"});
    const std::string sample = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/";
    // The sample's own strings and game flow, straight to the menu as when the player reaches
    // the map: the intro would take the puzzle's close messages for its own.
    for (const char* file : {"strings.xml", "scripts/mainloop.lua"})
      fs::copy_file(sample + file, mWork + "/assets/" + file, fs::copy_options::overwrite_existing);
    fs::remove(mWork + "/assets/scripts/ui/intro.lua");
  }
  static void Solve(TPlatform* p, int n) {
    for (int i = 0; i < n; ++i) ClickCell(p, i, i);
  }
};

TEST_F(SampleCodexTest, TheSampleCodexPlaysThroughBothRoundsToItsEndDialog) {
  RunGame([&](TPlatform* p) {
    Tick(p, 64);
    Lua("ShowCodexPuzzle()");
    TWindowManager* wm = p->GetWindowManager();
    QMCodexWindow* w = WindowCast<QMCodexWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
    ASSERT_NE(w, nullptr) << Log();
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 9u);
    EXPECT_EQ(w->greenCheckHook, &RTFCodexGreenCheck);
    Solve(p, 3);
    auto* north = WindowCast<TText>(w->FindChild("codex1_icon_3", -1));
    ASSERT_NE(north, nullptr);
    EXPECT_EQ(std::string(north->GetText().CStr()), "NORTH");
    // The round's dialog holds the puzzle's clock: the grid fades once the player goes on.
    Tick(p, 32);
    TWindow* dialog = wm->GetTopModal();
    auto* go = WindowCast<TButton>(dialog->FindChild("roundendok", -1));
    ASSERT_NE(go, nullptr) << Log();
    Tick(p, 2200);
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 9u);
    go->Press();
    Tick(p, 2200);
    EXPECT_EQ(w->GetSolveGrid().GetCellCount(), 16u) << Log();
    EXPECT_EQ(w->GetSlides().GetCurrentGroup(), 1u);
    Tick(p, 600);

    // The last round ends in the codex's dialog, whose button closes the puzzle.
    Solve(p, 4);
    Tick(p, 32);
    auto* done = WindowCast<TButton>(wm->GetTopModal()->FindChild("codexcompleteok", -1));
    ASSERT_NE(done, nullptr) << Log();
    done->Press();
    Tick(p, 64);
    EXPECT_EQ(wm->GetTopModal()->FindChild("puzzleWindow", -1), nullptr);
    EXPECT_EQ(Text("type(SetSolveGrid)"), "nil");
  });
}

namespace {

// A check whose cell the puzzle object cannot answer for (its chunk fails) adds nothing to the
// board: it does not take the numbers of the cell looked at before it.
TEST_F(CodexTest, ACheckWhosePuzzleChunkFailsTakesNoWordFromTheCellBeforeIt) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w = OpenPuzzle(p);
    ASSERT_NE(w, nullptr) << Log();
    sDoubleRows = sDoubleColumns = 0;
    w->doubleColumnHook = &CountDoubleColumn;
    Lua("for i = 0, 8 do gWord[i] = math.floor(i / 3) + 1 gIcon[i] = math.mod(i, 3) end "
        "gIcon[4] = nil setmetatable(gIcon, { __index = function(_, i) "
        "error('no icon for cell ' .. i) end })");
    Lua("gAnswer = { solveGridUpdate = { [0] = 2 } }");
    ClickCell(p, 0, 0);
    EXPECT_EQ(WordOf(w, 1), "SUN");
    Lua("gAnswer = { solveGridUpdate = { [4] = 2 } }");
    ClickCell(p, 1, 1);
    EXPECT_TRUE(Logged("no icon for cell 4")) << Log();
    EXPECT_EQ(WordOf(w, 1), "SUN") << "no second word on the first icon";
    EXPECT_EQ(sDoubleColumns, 0);
  });
}

// The solve grid's size from the layout is bounded like the puzzles' other layout numbers.
TEST_F(CodexTest, TheLayoutsGridSizeIsBounded) {
  const std::pair<const char*, int> cases[] = {{"1e9", 32}, {"-5", 0}, {"3.7", 3}};
  for (const auto& [given, expected] : cases) {
    RunGame([&](TPlatform* p) {
      TWindowManager* wm = p->GetWindowManager();
      wm->RunScriptString(wm->GetRoot(),
                          (std::string("PushModal('big') MakeDialog({ QMCodexWindow({ name = "
                                       "'puzzleWindow', x = 0, y = 0, w = 800, h = 600, "
                                       "solveGridProps = { GridSize = ") +
                           given + " } }) })")
                              .c_str());
      auto* w = WindowCast<QMCodexWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
      ASSERT_NE(w, nullptr) << Log();
      EXPECT_EQ(w->GetSolveGrid().Layout().gridSize, expected) << given;
    });
  }
}

}  // namespace

namespace {

// The clue-click counter of the completion record counts the player's presses of the clue
// button, not the six slides the sample builds at set-up.
TEST_F(SampleCodexTest, ClueClicksCountThePlayersPressesOfTheClueButton) {
  RunGame([&](TPlatform* p) {
    Tick(p, 64);
    Lua("ShowCodexPuzzle()");
    TWindowManager* wm = p->GetWindowManager();
    auto* w = WindowCast<QMCodexWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
    ASSERT_NE(w, nullptr) << Log();
    Tick(p, 32);
    EXPECT_EQ(StateOf("LevelTotalClueClicks"), "") << "no clue clicked yet";
    auto* next = WindowCast<TButton>(w->FindChild("nextButton", -1));
    ASSERT_NE(next, nullptr);
    for (int i = 0; i < 2; ++i) {
      next->Press();
      Tick(p, 32);
    }
    EXPECT_EQ(StateOf("LevelTotalClueClicks"), "2");
  });
}

}  // namespace
