// The game's real main function, run in-process on the headless platform with a small game of
// its own: players made by script, the saved game and undo in the preferences, quitting,
// Alt+Enter and the metrics session.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "EngineFixture.h"

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
      GameMain(p, "");
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
    w->PostMessage(MakeMessage(WM_SYSKEYDOWN, VK_RETURN, 1 << 29));
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
