// The game's real main function, run in-process on the headless platform with a small game of
// its own: players made by script, the saved game and undo in the preferences, quitting,
// Alt+Enter and the metrics session.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "EngineFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/EngineLog.h"
#include "core/TTask.h"

#include "assets/TPrefs.h"
#include "core/TSettings.h"
#include "game/shell/GameMain.h"
#include "game/shell/ScriptUtilities.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"
#include "online/TGameStateHandler.h"
#include "render/TDxDisplayHandler.h"
#include "window/TScreen.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

namespace {

// The saved game is one value, written back as Lua text.
const char kSerialized[] = R"(
function QMSerialized_restore() gSaved = { step = "fresh" } end
function QMSerialized_save()
  if not gSaved then QMSerialized_restore() end
  return string.format("gSaved = { step = %q }", tostring(gSaved.step))
end
function QMGameState_new() gGameState = { saved = gSaved } end
)";

// Three runs of one game: the first makes Ann and Bob and undoes a step of Bob's game, the
// second reports the game it was given, the third turns saving off and changes the game.
const char kMainLoop[] = R"(
return function()
  if GetNumUsers() == 0 then
    CreateNewUser("Ann")
    gSaved.step = "ann"
    CreateNewUser("Bob")
    SetCurrentUser(0)
    SetCurrentUser(1)
    gSaved.step = "one"
    SetUndoPoint()
    gSaved.step = "two"
    UndoGame()
    SetPreferenceString("afterundo", gSaved.step)
  elseif GetPreferenceString("restored") == "" then
    SetPreferenceString("restored", gSaved.step)
  else
    RuntimeSettings({ DisableSave = true })
    gSaved.step = "three"
  end
  Exit()
end
)";

class GameMainTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(mWork + "/assets/scripts/classes");
    WriteAsset("scripts/classes/qmserialized.lua", kSerialized);
    WriteAsset("scripts/quitverify.lua",
               "SetPreferenceString('quitverified', GetPreferenceString('quitverified') .. 'yes')");
    RuntimeSettings() = QMRuntimeSettings();
  }
  void TearDown() override {
    RuntimeSettings() = QMRuntimeSettings();
    EngineTest::TearDown();
  }

  // Runs the game once; the check reads the preferences it left, while the engine still runs.
  void RunGame(const std::function<void(TPlatform*, TPrefs&)>& check) {
    // As the program's entry does: the engine forgets its settings when it ends.
    SetGameSettings();
    Run("--multiple", [&](TPlatform* p) {
      EXPECT_EQ(GameMain(p, ""), 0) << "a game the player quit ends well";
      TPrefs prefs(true);
      check(p, prefs);
    });
    ASSERT_TRUE(sBodyRan);
  }
};

TEST_F(GameMainTest, PlayersSavedGamesAndUndoReachThePreferencesAndTheNextRun) {
  WriteAsset("scripts/mainloop.lua", kMainLoop);
  RunGame([](TPlatform*, TPrefs& prefs) {
    EXPECT_EQ(prefs.GetUserCount(), 2);
    EXPECT_EQ(prefs.GetInt("curuser", -5, -1), 1);
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Ann");
    EXPECT_STREQ(prefs.GetString("name", "", 1).CStr(), "Bob");
    for (int user : {0, 1}) {
      EXPECT_EQ(prefs.GetInt("soundlevel", -1, user), 750) << user;
      EXPECT_EQ(prefs.GetInt("musiclevel", -1, user), 750) << user;
    }
    EXPECT_STREQ(prefs.GetString("usergamedata", "", 0).CStr(), "gSaved = { step = \"ann\" }");
    EXPECT_STREQ(prefs.GetString("usergamedata", "", 1).CStr(), "gSaved = { step = \"one\" }");
    EXPECT_STREQ(prefs.GetString("userundodata", "", 1).CStr(), "gSaved = { step = \"one\" }");
    EXPECT_STREQ(prefs.GetString("afterundo", "").CStr(), "one");
    EXPECT_STREQ(prefs.GetString("quitverified", "").CStr(), "yes");
  });

  // The second run starts with Bob's game restored before the game flow begins.
  RunGame([](TPlatform*, TPrefs& prefs) {
    EXPECT_STREQ(prefs.GetString("restored", "").CStr(), "one");
    EXPECT_STREQ(prefs.GetString("quitverified", "").CStr(), "yesyes");
    EXPECT_EQ(prefs.GetInt("curuser", -5, -1), 1);
  });

  // With saving turned off by the scripts, quitting keeps the last saved game.
  RunGame([](TPlatform*, TPrefs& prefs) {
    EXPECT_STREQ(prefs.GetString("usergamedata", "", 1).CStr(), "gSaved = { step = \"one\" }");
  });
}

TEST_F(GameMainTest, GameFlowGetsTheScreenCursorGlobalsAndStringTables) {
  WriteAsset(
      "strings.xml",
      "<Workbook><Worksheet><Table>"
      "<Row><Cell><Data>words</Data></Cell><Cell><Data>a  b\xC2\xA0\xC3\xA9</Data></Cell></Row>"
      "</Table></Worksheet></Workbook>");
  WriteAsset("scripts/mainloop.lua", R"(
local t = CreateStringTable("words")
local same = CreateStringTable("words") == t
SetPreferenceString("words", t.n .. ":" .. t[1].n .. t[1][1] .. ":" .. t[2].n .. ":" ..
                    t[3].n .. t[3][1] .. ":" .. t[4][1] .. ":" .. tostring(t[4].n))
SetPreferenceString("same", tostring(same))
SetPreferenceString("metrics", tostring(kQMMetrics))
SetPreferenceString("debug", type(kQMDebug))
SetPreferenceString("math", type(math) .. type(io))
Exit()
)");
  int width = 0, height = 0;
  bool spriteWindows = false;
  RunGame([&](TPlatform*, TPrefs& prefs) {
    EXPECT_STREQ(prefs.GetString("words", "").CStr(), "4:1a:0:1b:\xC3\xA9:nil");
    EXPECT_STREQ(prefs.GetString("same", "").CStr(), "true");
    EXPECT_STREQ(prefs.GetString("metrics", "").CStr(), "true");
    EXPECT_STREQ(prefs.GetString("debug", "").CStr(), "table");
    EXPECT_STREQ(prefs.GetString("math", "").CStr(), "tabletable");
    // The animation library's window types come with the game's.
    TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
    spriteWindows = host && host->FindWindowType("SpriteWindow") &&
                    host->FindWindowType("AnimOverSpriteWindow") && host->FindWindowType("KButton");
    int l, t;
    TDxDisplayHandler::Instance()->GetViewport(l, t, width, height);
  });
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  EXPECT_TRUE(spriteWindows);
  EXPECT_TRUE(RuntimeSettings().disappearingItems);
}

TEST_F(GameMainTest, SampleGameMakesItsPlayerShowsItsMenuAndQuitsSaving) {
  namespace fs = std::filesystem;
  const fs::path sample = fs::path(ENGINE_SOURCE_DIR) / "sample/assets/scripts";
  for (const char* name : {"mainloop.lua", "quitverify.lua", "classes/qmserialized.lua"})
    fs::copy_file(sample / name, fs::path(mWork) / "assets/scripts" / name,
                  fs::copy_options::overwrite_existing);
  // A stand-in for the sample's menu: it is shown, and closing it ends the game.
  WriteAsset("scripts/menu.lua",
             "return function() SetPreferenceString('menu', 'shown') gSaved.level = 4 end");
  RunGame([](TPlatform*, TPrefs& prefs) {
    EXPECT_STREQ(prefs.GetString("menu", "").CStr(), "shown");
    EXPECT_EQ(prefs.GetUserCount(), 1);
    EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Player");
    EXPECT_EQ(prefs.GetInt("curuser", -5, -1), 0);
    const std::string saved = prefs.GetString("usergamedata", "", 0).CStr();
    EXPECT_NE(saved.find("[\"level\"]=4"), std::string::npos) << saved;
  });
}

// Ends a game that would otherwise run forever: each pass moves the virtual clock a frame on,
// and after the limit a quit request is posted, which the test then sees as a hang.
class HangGuard : public TTask {
public:
  explicit HangGuard(TPlatform* p) : mPlatform(p) {}
  bool DoTask() override {
    platform::os::AdvanceVirtualTime(16);
    if (++mPasses == kLimit) {
      mFired = true;
      mPlatform->PostQuit(0);
    }
    return true;
  }
  static constexpr int kLimit = 600;
  TPlatform* mPlatform;
  int mPasses = 0;
  bool mFired = false;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A main script that fails, at start-up or later in the game flow, ends the game by itself the
// way quitting does, with the script, the line and the error in the log, and the preferences
// saved whole.
TEST_F(GameMainTest, FailingMainScriptEndsTheGameSavingAndSaysWhy) {
  namespace fs = std::filesystem;
  const std::string sample =
      ReadFile((fs::path(ENGINE_SOURCE_DIR) / "sample/assets/scripts/mainloop.lua").string());
  const std::string ensure = "if fresh then FirstPlayer() end\n";
  ASSERT_NE(sample.find(ensure), std::string::npos);
  std::string sampleWithMissingFile = sample;
  // After the call in the game flow, not the function's own first line.
  const size_t at = sample.rfind(ensure) + ensure.size();
  sampleWithMissingFile.insert(at, "  dofile(\"scripts/nothere.lua\")\n");
  const std::string missingLine =
      ":" + std::to_string(std::count(sample.begin(), sample.begin() + at, '\n') + 1) + ":";
  const char kWorkerFails[] = R"(
return function()
  SetPreferenceString("flow", "started")
  local worker = coroutine.wrap(function()
    for i = 1, 3 do coroutine.yield() end
    local missing = nil
    return missing.field
  end)
  while true do
    worker()
    WaitForMessage(16)
  end
end
)";
  struct Case {
    const char* name;
    std::string script;  // empty: no main script at all
    std::vector<std::string> logged;
    bool flowStarted;
  };
  const Case cases[] = {
      {"sample asking for a missing file",
       sampleWithMissingFile,
       {"mainloop.lua", missingLine, "nothere.lua"},
       false},
      {"worker coroutine failing later", kWorkerFails, {"mainloop.lua", ":7:", "missing"}, true},
      {"syntax error", "return function() if then end", {"mainloop.lua", ":1:", "near"}, false},
      {"error while loading",
       "SetPreferenceString('flow', 'started')\nlocal x = nil + 1",
       {"mainloop.lua", ":2:", "arithmetic"},
       true},
      {"no main script", "", {"scripts/mainloop.lua", "cannot find"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A run that quits normally leaves preferences the failing run must keep whole.
    WriteAsset("scripts/mainloop.lua",
               "SetPreferenceString('marker', 'kept') SetPreferenceString('flow', '') Exit()");
    RunGame([](TPlatform*, TPrefs& prefs) {
      EXPECT_STREQ(prefs.GetString("marker", "").CStr(), "kept");
    });
    fs::remove(fs::path(mWork) / "assets/scripts/mainloop.lua");
    if (!c.script.empty()) WriteAsset("scripts/mainloop.lua", c.script);

    bool hung = true;
    int passes = 0;
    std::string log;
    SetGameSettings();
    Run("--multiple", [&](TPlatform* p) {
      HangGuard guard(p);
      p->AddTask(&guard);
      EXPECT_EQ(GameMain(p, ""), 1) << "a failed game must not end as a quit";
      p->RemoveTask(&guard);
      hung = guard.mFired;
      passes = guard.mPasses;
      log = ReadFile(GetLogFilePath().CStr());
      TPrefs prefs(true);
      EXPECT_STREQ(prefs.GetString("marker", "").CStr(), "kept");
      EXPECT_STREQ(prefs.GetString("flow", "").CStr(), c.flowStarted ? "started" : "");
      // The sample's flow made its first player before the missing file stopped it.
      if (c.script == sampleWithMissingFile) {
        EXPECT_STREQ(prefs.GetString("name", "", 0).CStr(), "Player");
      }
    });
    ASSERT_TRUE(sBodyRan);
    EXPECT_FALSE(hung) << passes << " passes";
    const size_t line = log.find("Main script \"scripts/mainloop.lua\"");
    ASSERT_NE(line, std::string::npos) << log;
    const std::string text = log.substr(line, log.find('\n', line) - line);
    for (const std::string& part : c.logged)
      EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  }
}

// Counts the keys that reach it; the count lives with the test.
class KeyCounter : public TWindow {
public:
  explicit KeyCounter(int& keys) : mKeys(keys) {}
  bool OnKeyDown(unsigned char, int) override {
    ++mKeys;
    return true;
  }
  int& mKeys;
};

TEST_F(GameMainTest, AltEnterSwitchesTheDisplayAndIsKeptWithoutReachingTheWindows) {
  WriteAsset("scripts/mainloop.lua", "return function() while true do WaitForMessage() end end");
  SetGameSettings();
  int keys = 0;
  bool fullAfter = true;
  int keptAfter = -1;
  Run("--multiple", [&](TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    auto* root = new TScreen();
    wm->SetRoot(std::unique_ptr<TWindow>(root));
    root->SetSize(800, 600);
    auto* counter = new KeyCounter(keys);
    counter->SetSize(800, 600);
    root->AddChild(std::unique_ptr<TWindow>(counter));
    wm->SetFocus(counter);

    auto* w = HeadlessWindow(p);
    using namespace platform::window;
    // The whole chord as the keyboard gives it: Alt down, Enter down and up, Alt up.
    w->PostMessage(MakeMessage(WM_SYSKEYDOWN, VK_MENU, 1 << 29));
    w->PostMessage(MakeMessage(WM_SYSKEYDOWN, VK_RETURN, 1 << 29));
    w->PostMessage(MakeMessage(WM_SYSKEYUP, VK_RETURN, (1 << 29) | 0xC0000000u));
    w->PostMessage(MakeMessage(WM_SYSKEYUP, VK_MENU, 0xC0000000u));
    w->PostMessage(MakeMessage(WM_KEYDOWN, 'A'));
    w->PostMessage(MakeMessage(WM_CLOSE));
    GameMain(p, "");
    fullAfter = p->IsFullScreen();
    TPrefs prefs(true);
    keptAfter = prefs.GetInt("fullscreen", -1, -1);
  });
  ASSERT_TRUE(sBodyRan);
  // The screen opens full screen on a new installation; Alt+Enter took it to a window.
  EXPECT_FALSE(fullAfter);
  EXPECT_EQ(keptAfter, 0);
  EXPECT_EQ(keys, 1);  // the plain key only
}

// Records every published state in order.
class Recorder : public TGameStateHandler {
public:
  explicit Recorder(std::vector<std::pair<std::string, std::string>>& log) : mLog(log) {}
  bool OnEvent(const char* key, const char* value) override {
    mLog.emplace_back(key, value);
    return false;
  }
  std::vector<std::pair<std::string, std::string>>& mLog;
};

TEST_F(GameMainTest, MetricsSessionIsDeclaredInOrderBeforeTheScreenOpens) {
  WriteAsset("scripts/mainloop.lua", "return function() Exit() end");
  std::vector<std::pair<std::string, std::string>> log;
  TGameState::AddHandler(new Recorder(log));
  RunGame([](TPlatform*, TPrefs&) {});
  std::vector<std::pair<std::string, std::string>> expected = {
      {"SessionTime", "1"},
      {"begin-status", "SessionDataNames"},
      {"add-value", "version"},
      {"add-value", "SessionTime"},
      {"add-value", "TotalComicScreensTime"},
      {"add-value", "SessionHintsUsed"},
      {"add-value", "FullScreenMode"},
      {"add-value", "SessionCurrentLevel"},
      {"end-status", "SessionDataNames"},
      {"begin-session", "SessionData"},
      {"add-value", GetConfig("version", "").CStr()},
      {"add-timer", "SessionTime"},
      {"add-timer", "TotalComicScreensTime"},
      {"add-state", "SessionHintsUsed"},
      {"add-state", "FullScreenMode"},
      {"add-state", "SessionCurrentLevel"},
      {"end-session", "SessionData"},
      {"LevelPlayTime", "0"},
      {"LevelHintsUsed", "0"},
      {"InstructionTimeViewed", "0"},
      {"LevelResetUsed", "0"},
  };
  for (int minutes : {15, 30, 45, 59}) {
    const std::string progress = "Progress-" + std::to_string(minutes);
    expected.emplace_back("begin-elapsed(" + std::to_string(minutes) + ")", progress);
    expected.emplace_back("add-state", "CurrentLevel");
    expected.emplace_back("end-elapsed(" + std::to_string(minutes) + ")", progress);
  }
  // Then the screen reports its mode.
  expected.emplace_back("FullScreenMode", "1");
  auto first = std::find(log.begin(), log.end(), expected.front());
  ASSERT_NE(first, log.end());
  std::vector<std::pair<std::string, std::string>> session(
      first, first + std::min<std::ptrdiff_t>(log.end() - first, expected.size()));
  EXPECT_EQ(session, expected);
}

}  // namespace
