// Feedback zones over a codex puzzle, headless: hook zones armed at creation play their
// animation when the puzzle reports the event, mouse zones when the pointer moves over them or
// clicks them, each until its count is used up, and never while another zone's animation plays.
#include <gtest/gtest.h>

#include "anim/KSpriteWindow.h"
#include "game/puzzles/codex/CodexFixture.h"
#include "game/puzzles/feedback/RTFHooks.h"
#include "game/puzzles/feedback/RTFZone.h"
#include "game/puzzles/feedback/RealTimeFeedback.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "script/binding/TScript.h"

namespace {

class FeedbackTest : public CodexTest {
protected:
  void SetUp() override {
    CodexTest::SetUp();
    // Each animation counts its plays by name and leaves "RTFZoneAnimation" set: the test ends
    // it by hand, as a finished animation script would.
    for (const char* name : {"a", "b", "over", "click"})
      WriteAsset(std::string("rtf_") + name + ".lua",
                 std::string("gPlays = (gPlays or '') .. '") + name + " '");
  }

  static std::string Zone(const std::string& name, const std::string& keys) {
    return "RTF_Zone({ name = '" + name + "', action = 'scriptedAnimation', " + keys + " }), ";
  }
  static std::string Feedback(const std::string& zones) {
    return "RealTimeFeedback({ name = '1_codex_rtf_window', x = 0, y = 0, w = 800, h = 600, " +
           zones + "}), ";
  }

  static RealTimeFeedback* FeedbackWindow() {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return WindowCast<RealTimeFeedback>(top->FindChild("1_codex_rtf_window", -1));
  }
  static RTFZone* ZoneNamed(const char* name) {
    return WindowCast<RTFZone>(TWindowManager::Instance()->GetTopModal()->FindChild(name, -1));
  }
  static TScript* AnimationScript() { return FeedbackWindow()->GetAnimationWindow()->GetScript(); }
  static std::string Plays() { return AnimationScript()->GetGlobalString("gPlays").CStr(); }
  static void EndAnimation() { AnimationScript()->SetGlobalString("RTFZoneAnimation", ""); }
  static bool Shown(RTFZone* z) { return (z->GetFlags() & kWindowShown) != 0; }
};

TEST_F(FeedbackTest, TheFirstCheckPlaysTheFirstZoneAndLaterChecksTheSecondAsOftenAsItsCount) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w =
        OpenPuzzle(p, 3,
                   Feedback(Zone("first",
                                 "trigger = 'functionhook', hook = 'codexgreencheck', "
                                 "actionString = 'rtf_a.lua', x = 0, y = 0, w = 10, h = 10") +
                            Zone("second",
                                 "trigger = 'functionhook', hook = 'codexsecondgreencheck', "
                                 "actionString = 'rtf_b.lua', count = 2, x = 0, y = 0, w = 10, "
                                 "h = 10")));
    ASSERT_NE(w, nullptr) << Log();
    ASSERT_NE(FeedbackWindow(), nullptr);
    RTFZone* first = ZoneNamed("first");
    RTFZone* second = ZoneNamed("second");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(w->greenCheckHook, &RTFCodexGreenCheck);
    EXPECT_EQ(second->GetHookName(), str("codexsecondgreencheck"));

    auto check = [&](int cell) {
      Lua("ProcessInstructions({ solveGridUpdate = { [" + std::to_string(cell) + "] = 2 } })");
    };
    check(0);
    EXPECT_EQ(Plays(), "a ");
    EXPECT_FALSE(Shown(first));
    EXPECT_TRUE(first->GetHookName().IsEmpty());
    EXPECT_EQ(w->greenCheckHook, &RTFCodexSecondGreenCheck);

    // While the first animation plays, a check is dropped, not counted.
    check(1);
    EXPECT_EQ(Plays(), "a ");
    EXPECT_EQ(second->GetCount(), 2);

    EndAnimation();
    check(1);  // the same state again still reports the check
    EXPECT_EQ(Plays(), "a b ");
    EXPECT_TRUE(Shown(second));
    EndAnimation();
    check(2);
    EXPECT_EQ(Plays(), "a b b ");
    EXPECT_FALSE(Shown(second));
    EXPECT_EQ(w->greenCheckHook, nullptr);
    EndAnimation();
    check(3);
    EXPECT_EQ(Plays(), "a b b ");
  });
}

// A zone naming an animation script that is not there plays nothing, says so in the log and is
// not counted; it leaves no animation marked as playing, so the other zones still play.
TEST_F(FeedbackTest, AZoneWithoutItsAnimationScriptIsLoggedAndBlocksNoOtherZone) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w =
        OpenPuzzle(p, 3,
                   Feedback(Zone("lost",
                                 "trigger = 'mouseclick', actionString = 'rtf_lost.lua', "
                                 "x = 600, y = 400, w = 100, h = 100") +
                            Zone("click",
                                 "trigger = 'mouseclick', actionString = 'rtf_click.lua', "
                                 "x = 600, y = 20, w = 100, h = 100")));
    ASSERT_NE(w, nullptr) << Log();
    RTFZone* lost = ZoneNamed("lost");
    ASSERT_NE(lost, nullptr);
    Click(p, 650, 450);
    EXPECT_EQ(lost->GetCount(), 1);
    EXPECT_TRUE(Shown(lost));
    EXPECT_NE(Log().find("no animation script 'rtf_lost.lua'"), std::string::npos) << Log();
    Click(p, 650, 70);
    EXPECT_EQ(Plays(), "click ");
  });
}

TEST_F(FeedbackTest, MouseZonesPlayOnMovesAndClicksUntilTheirCountAndNotDuringAnAnimation) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w =
        OpenPuzzle(p, 3,
                   Feedback(Zone("over",
                                 "trigger = 'mouseclick mouseover', actionString = 'rtf_over.lua', "
                                 "count = 3, x = 600, y = 400, w = 100, h = 100") +
                            Zone("click",
                                 "trigger = 'mouseclick', actionString = 'rtf_click.lua', "
                                 "count = 0, x = 600, y = 20, w = 100, h = 100")));
    ASSERT_NE(w, nullptr) << Log();
    RTFZone* over = ZoneNamed("over");
    RTFZone* click = ZoneNamed("click");
    ASSERT_TRUE(over && click);
    EXPECT_EQ(over->GetTrigger(), kMouseOver);

    Send(p, kEventMouseMove, 650, 450);
    Send(p, kEventMouseMove, 651, 450);  // during the animation: not counted
    EXPECT_EQ(Plays(), "over ");
    EXPECT_EQ(over->GetCount(), 2);
    for (int i = 0; i < 3; ++i) {
      EndAnimation();
      Send(p, kEventMouseMove, 660 + i, 460);
    }
    EXPECT_EQ(Plays(), "over over over ");
    EXPECT_FALSE(Shown(over));
    EndAnimation();

    // A count of 0 never reaches exactly 0: the zone keeps playing. Moves do not fire it, and
    // it fires without the developer outline.
    Send(p, kEventMouseMove, 650, 60);
    EXPECT_EQ(Plays(), "over over over ");
    for (int i = 0; i < 3; ++i) {
      Click(p, 650, 60);
      EndAnimation();
    }
    EXPECT_EQ(Plays(), "over over over click click click ");
    EXPECT_TRUE(Shown(click));

    // Clicks pass through the feedback window to the puzzle, counted once.
    const std::string before = StateOf("LevelTotalClicks");
    ClickCell(p, 0, 0);
    EXPECT_EQ(std::stoi(StateOf("LevelTotalClicks")), std::stoi(before) + 1);
    EXPECT_EQ(Number("table.getn(gTarget.calls)"), 1);
  });
}

TEST_F(FeedbackTest, HookValuesAreReadBySubstringButFireOnlyByTheWholeName) {
  RunGame([&](TPlatform* p) {
    QMCodexWindow* w =
        OpenPuzzle(p, 3,
                   Feedback(Zone("loose",
                                 "trigger = 'functionhook', hook = 'my_codexredx_zone', "
                                 "actionString = 'rtf_a.lua'") +
                            Zone("row",
                                 "trigger = 'functionhook', hook = 'codexdoublerow', "
                                 "actionString = 'rtf_b.lua'") +
                            Zone("lonely",
                                 "trigger = 'functionhook', hook = 'codexsecondredx', "
                                 "actionString = 'rtf_b.lua'") +
                            Zone("other",
                                 "trigger = 'functionhook', hook = 'sequencedragcheck', "
                                 "actionString = 'rtf_b.lua'")));
    ASSERT_NE(w, nullptr) << Log();
    EXPECT_EQ(w->redXHook, &RTFCodexRedX);
    EXPECT_EQ(w->doubleRowHook, &RTFCodexDoubleRow);
    EXPECT_EQ(w->doubleColumnHook, nullptr);
    // A sequence hook on a codex window arms nothing and keeps no name.
    EXPECT_TRUE(ZoneNamed("other")->GetHookName().IsEmpty());

    Lua("ProcessInstructions({ solveGridUpdate = { [0] = 3 } })");
    EXPECT_EQ(Plays(), "") << "the loose name arms the slot but never matches";

    RTFHookFunction row = w->doubleRowHook;
    ASSERT_NE(row, nullptr);
    row();
    EXPECT_EQ(Plays(), "b ");
    EXPECT_EQ(w->doubleRowHook, nullptr);
  });
}

}  // namespace

namespace {

// Zones over a word puzzle: its three hooks, armed at creation, each fire their own zone once.
TEST_F(FeedbackTest, WordPuzzleHooksFireTheirZonesAndAreReleased) {
  RunGame([&](TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(
        wm->GetRoot(),
        ("PushModal('word') MakeDialog({ "
         "WordPuzzleWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 }), "
         "RealTimeFeedback({ name = '2_word_rtf_window', x = 0, y = 0, w = 800, h = 600, " +
         Zone("click",
              "trigger = 'functionhook', hook = '2w_firstletterclick', "
              "actionString = 'rtf_click.lua'") +
         Zone("place",
              "trigger = 'functionhook', hook = '2w_firstletterplace', "
              "actionString = 'rtf_a.lua'") +
         Zone("empty",
              "trigger = 'functionhook', hook = '2w_emptygrid', "
              "actionString = 'rtf_b.lua'") +
         "}) })")
            .c_str());
    auto* w = WindowCast<QMWordPuzzleWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
    ASSERT_NE(w, nullptr) << Log();
    auto* feedback =
        WindowCast<RealTimeFeedback>(wm->GetTopModal()->FindChild("2_word_rtf_window", -1));
    ASSERT_NE(feedback, nullptr);
    EXPECT_EQ(w->firstLetterClickHook, &RTFWordFirstLetterClick);
    EXPECT_EQ(w->firstLetterPlaceHook, &RTFWordFirstLetterPlace);
    EXPECT_EQ(w->emptyGridHook, &RTFWordEmptyGrid);
    TScript* s = feedback->GetAnimationWindow()->GetScript();
    auto plays = [&] { return std::string(s->GetGlobalString("gPlays").CStr()); };
    auto end = [&] { s->SetGlobalString("RTFZoneAnimation", ""); };

    w->OnWrongClick();
    EXPECT_EQ(plays(), "b ");
    EXPECT_EQ(w->emptyGridHook, nullptr);
    end();
    w->OnLetterClicked();
    EXPECT_EQ(plays(), "b click ");
    EXPECT_EQ(w->firstLetterClickHook, nullptr);
    end();
    w->ClearGrid();
    EXPECT_EQ(plays(), "b click a ");
    EXPECT_EQ(w->firstLetterPlaceHook, nullptr);
  });
}

}  // namespace

namespace {

// Zones over a sequence puzzle: both hooks are armed at creation; each fires its own zone and
// is cleared when that zone is used up.
TEST_F(FeedbackTest, SequencePuzzleHooksFireTheirZonesAndAreReleased) {
  RunGame([&](TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(
        wm->GetRoot(),
        ("PushModal('sequence') MakeDialog({ "
         "QMSequenceWindow({ name = 'puzzleWindow', x = 0, y = 0, w = 800, h = 600 }), "
         "RealTimeFeedback({ name = '2_sequence_rtf_window', x = 0, y = 0, w = 800, h = 600, " +
         Zone("drag",
              "trigger = 'functionhook', hook = 'sequencedragcheck', "
              "actionString = 'rtf_a.lua'") +
         Zone("click",
              "trigger = 'functionhook', hook = 'sequencepiececlickcheck', "
              "actionString = 'rtf_click.lua', count = 2") +
         "}) })")
            .c_str());
    auto* w = WindowCast<QMSequencePuzzleWindow>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
    ASSERT_NE(w, nullptr) << Log();
    auto* feedback =
        WindowCast<RealTimeFeedback>(wm->GetTopModal()->FindChild("2_sequence_rtf_window", -1));
    ASSERT_NE(feedback, nullptr);
    ASSERT_EQ(w->dragCheckHook, &RTFSequenceDragCheck);
    ASSERT_EQ(w->pieceClickCheckHook, &RTFSequencePieceClickCheck);
    TScript* s = feedback->GetAnimationWindow()->GetScript();
    auto plays = [&] { return std::string(s->GetGlobalString("gPlays").CStr()); };
    auto end = [&] { s->SetGlobalString("RTFZoneAnimation", ""); };

    w->pieceClickCheckHook();
    EXPECT_EQ(plays(), "click ");
    EXPECT_EQ(w->pieceClickCheckHook, &RTFSequencePieceClickCheck) << "one play of two left";
    end();
    w->pieceClickCheckHook();
    EXPECT_EQ(w->pieceClickCheckHook, nullptr);
    end();
    w->dragCheckHook();
    EXPECT_EQ(plays(), "click click a ");
    EXPECT_EQ(w->dragCheckHook, nullptr);
  });
}

}  // namespace
