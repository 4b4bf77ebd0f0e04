// The sample's high-score screen and its submission dialog inside the engine on the headless
// platform, against local tables and a loopback score server named by "hiscoreserver.txt".
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "core/TSettings.h"
#include "game/GameScreenFixture.h"
#include "game/shell/THiscore.h"
#include "platform/window/headless/Window.h"
#include "support/LoopbackHttpServer.h"
#include "window/TButton.h"
#include "window/TText.h"
#include "window/text/ShownText.h"

namespace {

class HiscoreWindowTest : public GameScreenTest {
protected:
  void SetUp() override {
    GameScreenTest::SetUp();
    mServer = std::make_unique<LoopbackHttpServer>([this](const LoopbackHttpServer::Request& r) {
      std::lock_guard<std::mutex> lock(mMutex);
      LoopbackHttpServer::Reply reply;
      if (r.target.find("action=tables") != std::string::npos)
        reply.body =
            "<hiscore><tables><table table=\"t1\" name=\"Daily\"/>"
            "<table table=\"t2\" name=\"All time\"/></tables></hiscore>";
      else if (r.target.find("action=get") != std::string::npos)
        reply.body = r.target.find("table=t2") != std::string::npos ? mSecondTable : mFirstTable;
      else
        reply.body = mSubmitReply;
      if (!mFailure.empty()) reply.body = mFailure;
      reply.stall = mStall;
      if (mTrickle) {
        reply.body = std::string(100000, ' ');
        reply.trickleBytes = 4;
        reply.trickleMs = 250;
      }
      return reply;
    });
    std::ofstream(mWork + "/hiscoreserver.txt") << mServer->Url("/go/hiscore") << "\n";
    // A thousand rows, every third by a player with an account.
    mFirstTable = "<hiscore><scores>";
    for (int i = 0; i < 1000; ++i)
      mFirstTable += "<score name=\"N" + std::to_string(i) + "\" anonymous=\"" +
                     (i % 3 == 0 ? "false" : "true") + "\" score=\"" + std::to_string(9000 - i) +
                     "\" rank=\"" + std::to_string(i + 1) + "\"/>";
    mFirstTable += "</scores></hiscore>";
    mSecondTable =
        "<hiscore><scores><score name=\"Zed\" anonymous=\"true\" score=\"900\" rank=\"1\"/>"
        "<score name=\"acct\" anonymous=\"false\" score=\"800\" rank=\"2\" account=\"true\"/>"
        "</scores></hiscore>";
  }
  void TearDown() override {
    mServer.reset();
    GameScreenTest::TearDown();
  }

  void Answer(std::string* slot, const std::string& body) {
    std::lock_guard<std::mutex> lock(mMutex);
    *slot = body;
  }

  // Runs frames until the condition holds (the transfers run in real time on their threads).
  static bool WaitFor(TPlatform* p, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Idle(p, 1, 20);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  static int State() {
    Host()->DoLuaString("gState = GetState()");
    return static_cast<int>(Host()->GetGlobalNumber("gState"));
  }
  static std::string Text(const char* name) {
    TText* t = Find<TText>(name);
    return t ? t->GetText().CStr() : "<none>";
  }
  static THiscore* OpenScreen(TPlatform* p) {
    Screen(p, "hiscores.lua");
    Idle(p, 2);
    return Find<THiscore>("hiscores");
  }
  // Which of the ten rows show, as a string of 0 and 1.
  static std::string RowsShown() {
    std::string out;
    for (int i = 1; i <= 10; ++i) out += Shown(std::to_string(i).c_str()) ? '1' : '0';
    return out;
  }

  std::unique_ptr<LoopbackHttpServer> mServer;
  std::mutex mMutex;
  std::string mFirstTable, mSecondTable, mSubmitReply = "<hiscore><score/></hiscore>", mFailure;
  bool mStall = false;
  bool mTrickle = false;
};

// The local view shows the current game mode's table, best first, with the player's eligible
// score noted; the mode buttons switch tables. With "hiscorelocal" the left panel moves right,
// both right panels stay hidden and "topplayers" heads the table.
TEST_F(HiscoreWindowTest, LocalTablesFollowTheGameMode) {
  for (bool localOnly : {false, true}) {
    SCOPED_TRACE(localOnly);
    ClearConfig();
    SetGameSettings();
    if (localOnly) SetConfig("hiscorelocal", "1");
    RunGame([&](TPlatform* p, QMGameManager& g) {
      for (int i = 0; i < 12; ++i) {
        g.SetCurrentUser(g.CreateNewUser(str::Format("P%d", i)));
        g.GetHiscores().AddScore(100 * (i + 1), true, "");
      }
      g.SetCurrentGameMode(1);
      g.GetHiscores().AddScore(77, true, "");
      g.SetCurrentGameMode(0);
      ASSERT_NE(OpenScreen(p), nullptr) << Log();
      EXPECT_EQ(RowsShown(), "1111111111");
      EXPECT_EQ(Text("name1"), "P11");
      EXPECT_EQ(Text("score1"), "1200");
      EXPECT_EQ(Text("10"), "10.");
      EXPECT_FALSE(Shown("p1_1")) << "local rows carry no account marker";
      EXPECT_FALSE(Shown("scrollup"));
      EXPECT_FALSE(Shown("scrolldown"));
      EXPECT_EQ(Shown("local"), !localOnly);
      EXPECT_EQ(Shown("topplayers"), localOnly);
      EXPECT_EQ(Shown("rightpanel"), !localOnly);
      EXPECT_FALSE(Shown("rightpanelsmall"));
      EXPECT_EQ(Shown("eligible"), !localOnly);
      EXPECT_EQ(Shown("info"), !localOnly);
      EXPECT_EQ(Find<TWindow>("leftpanel")->GetRect().left, localOnly ? 170 : 40);
      EXPECT_EQ(Text("modename"), "Story");

      ClickOn(p, "gamemoderight");
      EXPECT_EQ(g.GetCurrentGameMode(), 1);
      EXPECT_EQ(Text("modename"), "Arcade") << "UpdateButtons followed";
      EXPECT_EQ(RowsShown(), "1000000000");
      EXPECT_EQ(Text("name1"), "P11");
      EXPECT_EQ(Text("score1"), "77");
      ClickOn(p, "gamemodeleft");
      ClickOn(p, "gamemodeleft");
      EXPECT_EQ(g.GetCurrentGameMode(), 2) << "story wraps round to the medal mode";
      EXPECT_EQ(RowsShown(), "0000000000");
    });
  }
}

// A name typed for a score is shown in the table as typed, whatever markup it spells.
TEST_F(HiscoreWindowTest, NamesInTheTableShowAsTyped) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    const std::string name = "<b>B<br>x\\";
    g.SetCurrentUser(g.CreateNewUser(name.c_str()));
    g.GetHiscores().AddScore(500, true, "");
    ASSERT_NE(OpenScreen(p), nullptr) << Log();
    TText* row = Find<TText>("name1");
    ASSERT_TRUE(row && row->GetLayout());
    EXPECT_EQ(ShownText(*row->GetLayout()), name);
    EXPECT_EQ(row->GetLayout()->GetLineCount(), 1);
    for (const TTextRun& r : row->GetLayout()->GetLines()[0]->runs) EXPECT_FALSE(r.bold);
  });
}

// The online view: the category list, then the first category's table (at most 500 of its
// thousand rows, account players starred), scrolling ten rows at a time down to a last page of
// five, categories that wrap, the player's rank, and a failed request with the server's text.
TEST_F(HiscoreWindowTest, OnlineTablesByCategoryScrollAndReportFailures) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    ASSERT_NE(OpenScreen(p), nullptr);
    ClickOn(p, "global_local");
    EXPECT_EQ(State(), 1);
    EXPECT_TRUE(Shown("serverstatus"));
    EXPECT_FALSE(Shown("gamemodeleft")) << "no mode change while a request runs";
    ClickOn(p, "gamemodeleft");
    EXPECT_EQ(g.GetCurrentGameMode(), 0);
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; })) << Log();
    EXPECT_EQ(Text("category"), "Daily");
    EXPECT_TRUE(Shown("global"));
    EXPECT_FALSE(Shown("local"));
    EXPECT_TRUE(Shown("rightpanelsmall"));
    EXPECT_FALSE(Shown("rightpanel"));
    EXPECT_EQ(RowsShown(), "1111111111");
    EXPECT_EQ(Text("name1"), "N0");
    EXPECT_TRUE(Shown("p1_1"));
    EXPECT_FALSE(Shown("p1_2"));
    EXPECT_FALSE(Shown("scrollup"));
    EXPECT_TRUE(Shown("scrolldown"));

    ClickOn(p, "scrolldown");
    EXPECT_EQ(Text("1"), "11.");
    EXPECT_TRUE(Shown("scrollup"));
    for (int i = 0; i < 60; ++i)
      Find<THiscore>("hiscores")->GetScrollOffset() < 495 ? ClickOn(p, "scrolldown") : void();
    EXPECT_EQ(Find<THiscore>("hiscores")->GetScrollOffset(), 495) << "500 rows, last page of 5";
    EXPECT_EQ(RowsShown(), "1111100000");
    EXPECT_EQ(Text("5"), "500.");
    EXPECT_FALSE(Shown("scrolldown"));
    for (int i = 0; i < 60 && Shown("scrollup"); ++i) ClickOn(p, "scrollup");
    EXPECT_EQ(Find<THiscore>("hiscores")->GetScrollOffset(), 0);
    EXPECT_FALSE(Shown("scrollup"));

    ClickOn(p, "categoryright");
    EXPECT_EQ(State(), 2);
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; }));
    EXPECT_EQ(Text("category"), "All time");
    EXPECT_EQ(RowsShown(), "1100000000");
    EXPECT_TRUE(Shown("yourrank"));
    EXPECT_EQ(Text("yourrank"), "Your rank: 2");
    EXPECT_FALSE(Shown("yourrankglobalinfo"));
    ClickOn(p, "categoryright");
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; }));
    EXPECT_EQ(Text("category"), "Daily") << "past the last category wraps to the first";

    // A game mode change in the online view asks for the same category again.
    ClickOn(p, "gamemoderight");
    EXPECT_EQ(g.GetCurrentGameMode(), 1);
    EXPECT_EQ(State(), 2);
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; }));

    Answer(&mFailure, "<hiscore><message>Down for repairs</message></hiscore>");
    ClickOn(p, "categoryleft");
    ASSERT_TRUE(WaitFor(p, [] { return State() == 5; }));
    EXPECT_TRUE(Shown("serverstatus"));
    EXPECT_EQ(Text("serverstatus"), "Down for repairs");
    EXPECT_EQ(Find<THiscore>("hiscores")->GetCategory(), 1)
        << "left of the first wraps to the last";
    ClickOn(p, "global_local");
    EXPECT_EQ(State(), 0) << "back to the local view";
    EXPECT_FALSE(Shown("serverstatus"));
    Answer(&mFailure, "");
    ClickOn(p, "global_local");
    EXPECT_EQ(Text("serverstatus"), "Asking the score server...") << "a retry";
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; }));
  });
}

// The submission dialog: prefilled from the player (a name with a quote and a backslash comes
// through the generated Lua intact), the send button only while a name or an account is
// entered, a failure that stays in the dialog with the server's text, a player without a
// score told so at once, and a success that closes the dialog and shows the online table.
TEST_F(HiscoreWindowTest, SubmissionDialogFailsWithTheServersTextAndSucceedsIntoTheOnlineView) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    TWindowManager* wm = p->GetWindowManager();
    const std::string odd = "O'Neil \\ \"Q\"";
    g.SetCurrentUser(g.CreateNewUser(odd.c_str()));
    g.GetHiscores().AddScore(4321, true, "");
    TWindow* screen = (OpenScreen(p), wm->GetTopModal());
    ASSERT_TRUE(Shown("submit"));
    ClickOn(p, "submit");
    ASSERT_NE(wm->GetTopModal(), screen) << "the dialog is on top";
    EXPECT_EQ(Global("gNameEdit"), odd);
    EXPECT_EQ(Global("gAccountEdit") + "|" + Global("gPassEdit"), "|");
    Host()->DoLuaString("gFlags = tostring(gRemember) .. ' ' .. gEligibleScore");
    EXPECT_EQ(Global("gFlags"), "false 4321");
    EXPECT_EQ(Text("nameedit"), odd);
    EXPECT_EQ(Text("eligiblescore"), "4321");
    for (const char* hidden : {"submitconnect", "submiterror", "submiterrorok"})
      EXPECT_FALSE(Shown(hidden)) << hidden;

    ClickOn(p, "nameedit");
    Type(p, std::string(odd.size(), '\b'));
    Idle(p, 1);
    EXPECT_EQ(Text("nameedit"), "");
    EXPECT_FALSE(Shown("submittoserver")) << "nothing to send under";
    ClickOn(p, "accountedit");
    Type(p, "a");
    Idle(p, 1);
    EXPECT_TRUE(Shown("submittoserver")) << "one character is enough";
    Type(p, "\b");
    Idle(p, 1);
    EXPECT_FALSE(Shown("submittoserver"));
    ClickOn(p, "nameedit");
    Type(p, "Ann");
    Idle(p, 1);
    EXPECT_TRUE(Shown("submittoserver"));

    Answer(&mSubmitReply, "<hiscore><message>Name taken</message></hiscore>");
    ClickOn(p, "submittoserver");
    EXPECT_TRUE(Shown("submitconnect")) << "SwitchModes(true)";
    TWindow* dialog = wm->GetTopModal();
    ASSERT_TRUE(WaitFor(p, [&] { return Shown("submiterror"); }));
    EXPECT_EQ(wm->GetTopModal(), dialog) << "a failure stays in the dialog";
    EXPECT_EQ(Text("submiterror"), "Name taken");
    EXPECT_TRUE(Shown("submiterrorok"));
    EXPECT_FALSE(Shown("submitconnect"));
    ClickOn(p, "submiterrorok");
    Idle(p, 2);
    wm->FlushDeletes();
    EXPECT_EQ(wm->GetTopModal(), screen);
    Host()->DoLuaString("gLeft = tostring(SubmitToServer)");
    EXPECT_EQ(Global("gLeft"), "nil");

    Answer(&mSubmitReply, "<hiscore><score/></hiscore>");
    ClickOn(p, "submit");
    ClickOn(p, "submittoserver");
    ASSERT_TRUE(WaitFor(p, [&] { return wm->GetTopModal() == screen; }));
    ASSERT_TRUE(WaitFor(p, [] { return State() == 4; })) << Log();
    EXPECT_TRUE(Shown("congratulations"));
    EXPECT_FALSE(Shown("dnq"));
    const std::string sent = mServer->Requests().back().target;
    EXPECT_NE(sent.find("action=get"), std::string::npos);

    // The score went; nothing is left to send, and the dialog says so at once.
    ClickOn(p, "global_local");
    EXPECT_FALSE(Shown("submit"));
    TWindow* hiscores = Find<THiscore>("hiscores");
    ASSERT_NE(hiscores, nullptr);
    TMessage press(kButtonPress, "submit");
    hiscores->OnMessage(&press);
    ClickOn(p, "submittoserver");
    EXPECT_TRUE(Shown("submiterror"));
    EXPECT_EQ(Text("submiterror"), "There is no score to submit.");
  });
}

// A name the score server refuses is told apart from a missing score: its message names the
// account field, and an account name sends the same score.
TEST_F(HiscoreWindowTest, ARefusedNameIsNotTakenForAMissingScore) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    TWindowManager* wm = p->GetWindowManager();
    g.SetCurrentUser(g.CreateNewUser("Zo\xC3\xA9"));
    g.GetHiscores().AddScore(10, true, "");
    ASSERT_NE(OpenScreen(p), nullptr);
    TWindow* screen = wm->GetTopModal();
    ClickOn(p, "submit");
    Idle(p, 1);
    ClickOn(p, "submittoserver");
    EXPECT_TRUE(Shown("submiterror"));
    EXPECT_EQ(Text("submiterror"),
              "The score server cannot take this name. Enter an account name without accented "
              "letters.");
    EXPECT_TRUE(mServer->Requests().empty());
    ClickOn(p, "submiterrorok");
    Idle(p, 2);
    ASSERT_EQ(wm->GetTopModal(), screen);
    ClickOn(p, "submit");
    Idle(p, 1);
    ClickOn(p, "accountedit");
    Type(p, "zoe");
    ClickOn(p, "passedit");
    Type(p, "pw");
    ClickOn(p, "submittoserver");
    ASSERT_TRUE(WaitFor(p, [&] { return wm->GetTopModal() == screen; })) << Log();
    ASSERT_FALSE(mServer->Requests().empty());
    EXPECT_NE(mServer->Requests().front().target.find("action=submit"), std::string::npos);
  });
}

// Sending to a server that never answers returns at once: the game keeps running its frames
// and the dialog shows that it is connecting while its own timer polls.
TEST_F(HiscoreWindowTest, ASubmissionToAStalledServerLeavesTheGameRunning) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    TWindowManager* wm = p->GetWindowManager();
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    g.GetHiscores().AddScore(10, true, "");
    ASSERT_NE(OpenScreen(p), nullptr);
    ClickOn(p, "submit");
    TWindow* dialog = wm->GetTopModal();
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mStall = true;
    }
    const auto before = std::chrono::steady_clock::now();
    ClickOn(p, "submittoserver");
    Idle(p, 25, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(wm->GetTopModal(), dialog);
    EXPECT_TRUE(Shown("submitconnect"));
    EXPECT_FALSE(Shown("submiterror"));
  });
}

// A score server that sends its head and then a few bytes a second is given up at the
// transfer's deadline (one second here), with the usual failure message.
TEST_F(HiscoreWindowTest, ATricklingScoreServerEndsInTheFailureMessage) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    SetConfig("httptimeout", "1");
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mTrickle = true;
    }
    ASSERT_NE(OpenScreen(p), nullptr);
    ClickOn(p, "global_local");
    EXPECT_EQ(Text("serverstatus"), "Asking the score server...");
    ASSERT_TRUE(WaitFor(p, [] { return State() == 5; }));
    EXPECT_EQ(Text("serverstatus"), "Unable to connect to server. Please try again later.");
  });
}

// Deleting and pasting tell the dialog of the change as typing does: the send button follows
// the name.
TEST_F(HiscoreWindowTest, DeletingAndPastingTheNameShowAndHideTheSendButton) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    g.GetHiscores().AddScore(10, true, "");
    ASSERT_NE(OpenScreen(p), nullptr);
    ClickOn(p, "submit");
    Idle(p, 1);
    ClickOn(p, "nameedit");
    Idle(p, 1);
    EXPECT_TRUE(Shown("submittoserver"));
    for (int i = 0; i < 3; ++i) Send(p, kEventKeyDown, 0, 0, kKeyLeft);
    for (int i = 0; i < 3; ++i) Send(p, kEventKeyDown, 0, 0, kKeyDelete);
    Idle(p, 1);
    EXPECT_EQ(Text("nameedit"), "");
    EXPECT_FALSE(Shown("submittoserver")) << "nothing to send under";
    ASSERT_TRUE(platform::window::headless::SetClipboardText("Bo"));
    Send(p, kEventKeyDown, 0, 0, kKeyInsert);
    Idle(p, 1);
    EXPECT_EQ(Text("nameedit"), "Bo");
    EXPECT_TRUE(Shown("submittoserver"));
  });
}

// A submission script that fails to build the dialog closes it again, with a log line, so the
// screen below stays usable.
TEST_F(HiscoreWindowTest, ABrokenSubmissionScriptLeavesTheScreenUsable) {
  WriteAsset("scripts/ui/hiscoresubmit.lua", "MakeDialog({ broken");
  RunGame([&](TPlatform* p, QMGameManager& g) {
    TWindowManager* wm = p->GetWindowManager();
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    g.GetHiscores().AddScore(10, true, "");
    ASSERT_NE(OpenScreen(p), nullptr);
    TWindow* screen = wm->GetTopModal();
    ClickOn(p, "submit");
    EXPECT_EQ(wm->GetTopModal(), screen);
    EXPECT_TRUE(Logged("\"scripts/ui/hiscoresubmit.lua\" failed; the submission dialog is closed"))
        << Log();
    ClickOn(p, "gamemoderight");
    EXPECT_EQ(g.GetCurrentGameMode(), 1) << "the screen still takes clicks";
  });
}

// The screen's functions die with it.
// The window's functions go with it; its "GetState" covers the game state's function of that
// name only while it lives: a key asks the game state before, during and after the screen.
TEST_F(HiscoreWindowTest, HighScoreFunctionsAreGoneWithTheirWindowAndTheGameStateStays) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Host()->DoLuaString("_SetState('systemmode', 'kiosk') gBefore = GetState('systemmode')");
    ASSERT_NE(OpenScreen(p), nullptr);
    Host()->DoLuaString("gDuring = GetState('systemmode') .. '/' .. GetState()");
    ClickOn(p, "back");
    Idle(p, 3);
    p->GetWindowManager()->FlushDeletes();
    Host()->DoLuaString(
        "gLeft = tostring(ScoreAvailable) .. tostring(UpdateText) .. tostring(OpenBrowser) "
        "_SetState('systemmode', 'home') gAfter = GetState('systemmode')");
    EXPECT_EQ(Global("gBefore"), "kiosk");
    EXPECT_EQ(Global("gDuring"), "kiosk/0");
    EXPECT_EQ(Global("gLeft"), "nilnilnil");
    EXPECT_EQ(Global("gAfter"), "home");
  });
}

// Two screens, one opened over the other: whichever closes first, the game state's
// "GetState" is back once both are gone, and the one left open still answers its view state.
TEST_F(HiscoreWindowTest, NestedScreensClosedInEitherOrderGiveTheGameStateBack) {
  for (bool lowerFirst : {false, true}) {
    SCOPED_TRACE(lowerFirst);
    RunGame([&](TPlatform* p, QMGameManager&) {
      TWindowManager* wm = p->GetWindowManager();
      Host()->DoLuaString("_SetState('systemmode', 'kiosk')");
      THiscore* lower = OpenScreen(p);
      ASSERT_NE(lower, nullptr);
      TWindow* lowerScreen = wm->GetTopModal();
      // The second opens from the first, as a button of its would.
      wm->RunScriptString(lowerScreen, "dofile('scripts/ui/hiscores.lua')()");
      Idle(p, 2);
      ASSERT_NE(wm->GetTopModal(), lowerScreen) << Log();
      THiscore* upper = WindowCast<THiscore>(wm->GetTopModal()->FindChild("hiscores", -1));
      ASSERT_NE(upper, nullptr);
      ASSERT_NE(upper, lower);
      THiscore* first = lowerFirst ? lower : upper;
      THiscore* second = lowerFirst ? upper : lower;
      wm->DeleteLater(first);
      wm->FlushDeletes();
      Host()->DoLuaString("gDuring = GetState('systemmode') .. '/' .. GetState()");
      EXPECT_EQ(Global("gDuring"), "kiosk/0") << Log();
      wm->DeleteLater(second);
      wm->FlushDeletes();
      Host()->DoLuaString("gAfter = GetState('systemmode') .. '/' .. GetState()");
      EXPECT_EQ(Global("gAfter"), "kiosk/") << Log();
    });
  }
}

}  // namespace
