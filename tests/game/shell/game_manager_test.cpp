// The game object: players and their settings, modes and progress, the saved game and undo,
// the identity settings and the metrics session, run inside the engine on the headless platform.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/inotify.h>
#include <unistd.h>

#include "engine/EngineFixture.h"
#include "assets/FileLayer.h"
#include "assets/TPrefs.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/MetricsSession.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "support/GameStateRecorder.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TWindowManager.h"

namespace {

// The scripts' side of saving: the state is one number; restores and "new game" calls are
// counted so tests can tell which path ran.
const char kSerialized[] =
    "gState = gState or { n = 0 }\n"
    "restores = 0 news = 0\n"
    "function QMSerialized_save() return 'gState = { n = ' .. gState.n .. ' }' end\n"
    "function QMSerialized_restore() gState = { n = 0 } restores = restores + 1 end\n"
    "function QMGameState_new() news = news + 1 end\n";

class GameShellTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(mWork + "/assets/scripts/classes");
    WriteAsset("scripts/classes/qmserialized.lua", kSerialized);
    SetGameSettings();
  }

  // Runs body with a game object made inside the running engine (the scripts loaded first).
  void RunGame(std::function<void(QMGameManager&)> body) {
    Run("--multiple", [&](TPlatform* p) {
      Lua(p, kSerialized);
      CreateGameManager();
      body(*QMGameManager::Instance());
      DestroyGameManager();
    });
  }

  static void Lua(TPlatform*, const std::string& text) {
    TWindowScript::Of(TWindowManager::Instance())->DoLuaString(text.c_str());
  }
  // The value of a Lua expression.
  static double Number(const char* expression) {
    TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
    host->DoLuaString(str::Format("gTestValue = %s", expression));
    return host->GetGlobalNumber("gTestValue");
  }
  static std::string Text(const char* global) {
    return TWindowScript::Of(TWindowManager::Instance())->GetGlobalString(global).CStr();
  }
};

}  // namespace

TEST_F(GameShellTest, IdentitySettingsNameTheTablesInTheirOrder) {
  EXPECT_EQ(std::string(GetConfig("gamename").CStr()), "quillmoor-heirloom-emberglass");
  EXPECT_EQ(std::string(GetConfig("encryptionkey").CStr()), "Kd7pWq2ZtNCC");
  EXPECT_EQ(std::string(GetConfig("hwgamemodename2").CStr()),
            "quillmoor-heirloom-emberglass_arcade");
  EXPECT_EQ(std::string(GetConfig("hwgamemedalname1").CStr()),
            "quillmoor-heirloom-emberglass_storymedal");
  EXPECT_EQ(std::string(GetConfig("hwgamemedalname7").CStr()),
            "quillmoor-heirloom-emberglass_chapter6");
  EXPECT_TRUE(GetConfig("hwgamemodename3").IsEmpty());
  EXPECT_TRUE(GetConfig("hwgamemedalname8").IsEmpty());
}

TEST_F(GameShellTest, PlayersAreCreatedSwitchedRenamedAndDeleted) {
  RunGame([&](QMGameManager& g) {
    EXPECT_EQ(g.GetCurrentUser(), -1);
    EXPECT_EQ(g.CreateNewUser("Ann"), 0);
    EXPECT_EQ(g.GetCurrentUser(), 0);
    g.GetPrefs().SetInt("soundlevel", 300, 0, true);
    EXPECT_EQ(g.CreateNewUser("Bob"), 1);
    // A new profile inherits the levels of the player current when it was made.
    EXPECT_EQ(g.GetSoundLevel(), 300);
    EXPECT_EQ(g.GetMusicLevel(), 750);
    EXPECT_TRUE(g.IsNameInUse("Ann"));
    EXPECT_FALSE(g.IsNameInUse("ann"));
    g.SetCurrentUser(7);  // past the count: nothing
    EXPECT_EQ(g.GetCurrentUser(), 1);
    g.ChangeCurrentUserName("Robert");
    EXPECT_EQ(std::string(g.GetUserName(1).CStr()), "Robert");
    g.SetCurrentUser(-7);
    EXPECT_EQ(g.GetPrefs().GetInt("curuser", 99), -1) << "a negative index is kept as -1";
    g.SetCurrentUser(1);
    g.DeleteUser(0);
    EXPECT_EQ(g.GetNumUsers(), 1);
    EXPECT_EQ(g.GetCurrentUser(), -1);
    EXPECT_EQ(std::string(g.GetUserName(0).CStr()), "Robert");
  });
}

TEST_F(GameShellTest, AStoredPlayerPastTheRecordsIsTakenAsNone) {
  Run("--multiple", [&](TPlatform* p) {
    Lua(p, kSerialized);
    CreateGameManager();
    QMGameManager::Instance()->CreateNewUser("Ann");
    QMGameManager::Instance()->GetPrefs().SetInt("curuser", 5, -1, true);
    CreateGameManager();
    QMGameManager& g = *QMGameManager::Instance();
    EXPECT_EQ(g.GetCurrentUser(), -1);
    g.SetArcadeLevel(3);
    EXPECT_EQ(g.GetNumUsers(), 1) << "no player records made up to the stale number";
    DestroyGameManager();
  });
}

TEST_F(GameShellTest, TheLogNamesTheInstallKeyAndThePlayersItFound) {
  std::string logPath;
  auto log = [&logPath] {
    std::ifstream in(logPath);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  std::string key;
  Run("--multiple", [&](TPlatform* p) {
    Lua(p, kSerialized);
    CreateGameManager();
    QMGameManager::Instance()->CreateNewUser("Ann");
    QMGameManager::Instance()->CreateNewUser("Bob");
    CreateGameManager();
    key = QMGameManager::Instance()->GetPrefs().GetInstallKey().CStr();
    logPath = GetLogFilePath().CStr();
    DestroyGameManager();
  });
  EXPECT_NE(log().find("Preferences: install key \"" + key + "\", 2 player(s) found"),
            std::string::npos)
      << log();
  // Another key (an "install.txt" among the assets) is another installation: no players.
  std::ofstream(mWork + "/assets/install.txt") << "other-copy";
  SetGameSettings();
  sBodyRan = false;
  Run("--multiple", [&](TPlatform* p) {
    Lua(p, kSerialized);
    CreateGameManager();
    EXPECT_EQ(QMGameManager::Instance()->GetNumUsers(), 0);
    logPath = GetLogFilePath().CStr();
    DestroyGameManager();
  });
  ASSERT_TRUE(sBodyRan);
  EXPECT_NE(log().find("Preferences: install key \"other-copy\", 0 player(s) found"),
            std::string::npos)
      << log();
}

TEST_F(GameShellTest, UserFileNamesStayInsideTheUserFolder) {
  struct Case {
    const char* name;
    const char* file;
  };
  const Case cases[] = {
      {"Ann", "user:emberglass.Ann.txt"},
      {"../../etc/passwd", "user:emberglass.%2E%2E%2F%2E%2E%2Fetc%2Fpasswd.txt"},
      {"a b.c", "user:emberglass.a%20b%2Ec.txt"},
      {"", "user:emberglass..txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::string(QMGameManager::UserFileName(c.name).CStr()), c.file) << c.name;
}

TEST_F(GameShellTest, SoundSettingsFollowThePlayer) {
  RunGame([&](QMGameManager& g) {
    g.CreateNewUser("Ann");
    g.GetPrefs().SetInt("soundlevel", 400, 0, true);
    g.GetPrefs().SetInt("musiclevel", 200, 0, true);
    g.ApplySoundSettings();
    TSoundManager* sound = TPlatform::Instance()->GetSoundManager();
    ASSERT_NE(sound, nullptr);
    EXPECT_FLOAT_EQ(sound->GetVolume(1000), 0.4f);
    EXPECT_FLOAT_EQ(sound->GetVolume(1001), 0.2f);
    EXPECT_FLOAT_EQ(sound->GetVolume(1003), 0.4f) << "animation sounds start at the effects level";
    g.ToggleSoundMute();
    EXPECT_EQ(g.GetPrefs().GetInt("soundoff", 0, 0), 1);
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.0f);
    g.ToggleSoundMute();
    EXPECT_EQ(g.GetPrefs().GetInt("soundoff", 1, 0), 0);
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 1.0f);
  });
}

TEST_F(GameShellTest, ModesChaptersScoresAndMedals) {
  RunGame([&](QMGameManager& g) {
    g.CreateNewUser("Ann");
    g.SetCurrentGameMode(3);
    g.SetCurrentGameMode(-1);
    EXPECT_EQ(g.GetGameMode(), 0);
    g.SetCurrentGameMode(2);
    EXPECT_EQ(g.GetGameMode(), 2);
    g.SetCurrentGameMode(0);
    const int chapters[][2] = {{1, 1},  {3, 1},  {4, 2},  {12, 4}, {13, 5},
                               {16, 5}, {17, 6}, {19, 6}, {0, 0},  {20, 0}};
    for (const auto& c : chapters) {
      g.SetStoryLevel(c[0]);
      EXPECT_EQ(g.GetStoryLevel(), c[1]) << c[0];
    }
    // No completed chapter: the score counts, no medal is given.
    g.NewSetStoryScore(500);
    EXPECT_EQ(g.GetStoryScore(), 500);
    EXPECT_EQ(g.GetHighScore(), 500);
    EXPECT_EQ(g.GetHiscores().CountPendingMedals(), 0);
    g.SetStoryLevelComplete(17);
    g.NewSetStoryScore(600);
    EXPECT_EQ(g.GetHiscores().CountPendingMedals(), 7) << "six chapters and the story medal";
    g.InitStoryHighScore();
    EXPECT_EQ(g.GetStoryScore(), 600);
    EXPECT_EQ(g.GetArcadeLevel(), 1);
    g.SetArcadeScore(1200);
    EXPECT_EQ(g.GetArcadeScore(), 1200);
    g.SetArcadeTime(12.25f);
    EXPECT_EQ(std::string(g.GetPrefs().GetString("arcadetime", "", 0).CStr()), "12.250000");
    EXPECT_FLOAT_EQ(g.GetArcadeTime(), 12.25f);
    const uint8_t bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(g.GetUserData("pieces"), nullptr);
    g.SetUserData("pieces", bytes);
    auto back = g.GetUserData("pieces");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back[11], 12);
    // A value of another size under the key is no 12-byte record: absent, not zero-padded.
    const uint8_t four[4] = {9, 9, 9, 9};
    g.GetPrefs().SetData("short", four, 4, g.GetCurrentUser());
    EXPECT_EQ(g.GetUserData("short"), nullptr);
    g.SetUserString("label", "abc");
    EXPECT_EQ(g.GetUserData("label"), nullptr);
  });
}

// Scores and medals are filed under the player's name: a renamed player keeps those made
// before the rename, files the later ones under the new name, and finds all after a restart.
TEST_F(GameShellTest, ARenamedPlayerKeepsTheirScoresAndMedals) {
  RunGame([&](QMGameManager& first) {
    first.SetCurrentUser(first.CreateNewUser("Ann"));
    first.NewSetStoryScore(100);
    first.GetHiscores().SetMedal("gold", 0, "");
    first.ChangeCurrentUserName("Bea");
    first.SetCurrentGameMode(1);
    first.SetArcadeScore(250);
    EXPECT_EQ(first.GetHighScore(), 250);

    CreateGameManager();
    QMGameManager& g = *QMGameManager::Instance();
    EXPECT_EQ(g.GetCurrentUserName(), str("Bea"));
    EXPECT_EQ(g.GetHighScore(), 100) << "story";
    EXPECT_EQ(g.GetHiscores().CountPendingMedals(), 1);
    int32_t rank = 0, score = 0;
    char name[32] = "";
    ASSERT_TRUE(
        g.GetHiscores().GetScore(true, 0, &rank, name, sizeof name, nullptr, &score, nullptr, 0));
    EXPECT_STREQ(name, "Bea");
    g.SetCurrentGameMode(1);
    EXPECT_EQ(g.GetHighScore(), 250) << "arcade";
  });
}

// A player renamed to a name another player has keeps their own: the other's scores and
// medals stay theirs alone.
TEST_F(GameShellTest, ARenameToAnotherPlayersNameIsRefused) {
  RunGame([&](QMGameManager& g) {
    const int bob = g.CreateNewUser("Bob");
    g.NewSetStoryScore(300);
    g.GetHiscores().SetMedal("gold", 0, "");
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    g.NewSetStoryScore(100);
    g.ChangeCurrentUserName("Bob");
    EXPECT_EQ(g.GetCurrentUserName(), str("Ann"));
    EXPECT_EQ(g.GetHighScore(), 100);
    EXPECT_EQ(g.GetHiscores().CountPendingMedals(), 0);
    g.SetCurrentUser(bob);
    EXPECT_EQ(g.GetHighScore(), 300);
    EXPECT_EQ(g.GetHiscores().CountPendingMedals(), 1);
    g.ChangeCurrentUserName("Bob");
    EXPECT_EQ(g.GetCurrentUserName(), str("Bob")) << "a player's own name is no clash";
  });
}

TEST_F(GameShellTest, SavingRestoringAndUndo) {
  RunGame([&](QMGameManager& g) {
    // No player: the save goes to the global record.
    Lua(nullptr, "gState.n = 5");
    g.SaveGame();
    EXPECT_EQ(std::string(g.GetPrefs().GetString("usergamedata", "", -1).CStr()),
              "gState = { n = 5 }");

    g.CreateNewUser("Ann");  // a fresh game: restore, then "new"
    EXPECT_EQ(Number("restores"), 1);
    EXPECT_EQ(Number("gState.n"), 0);
    Lua(nullptr, "gState.n = 3");
    g.SetUndoPoint();
    Lua(nullptr, "gState.n = 9");
    g.SaveGame();
    g.UndoGame();
    EXPECT_EQ(Number("gState.n"), 3);
    EXPECT_EQ(std::string(g.GetPrefs().GetString("userundodata", "", 0).CStr()),
              "gState = { n = 3 }");

    // Switching players saves the leaving player's game before the next one is restored.
    Lua(nullptr, "gState.n = 4");
    g.CreateNewUser("Bob");
    EXPECT_EQ(std::string(g.GetPrefs().GetString("usergamedata", "", 0).CStr()),
              "gState = { n = 4 }");
    Lua(nullptr, "gState.n = 8");
    g.SetCurrentUser(0);
    EXPECT_EQ(Number("gState.n"), 4);

    // Undo without an undo point stores an empty game and restores a fresh one.
    g.SetCurrentUser(1);
    const double restores = Number("restores");
    g.UndoGame();
    EXPECT_EQ(std::string(g.GetPrefs().GetString("usergamedata", "x", 1).CStr()), "");
    EXPECT_EQ(Number("restores"), restores + 1);
  });
}

TEST_F(GameShellTest, ScriptsReachTheGameObject) {
  RunGame([&](QMGameManager& g) {
    Lua(nullptr,
        "a = CreateNewUser('Zed') b = GetNumUsers() c = tostring(IsNameInUse('Zed')) "
        "d = tostring(CheatsEnabled()) PostHSMedal('x') SetCurrentGameMode(1) e = "
        "GetCurrentGameMode() "
        "SetStoryLevel(14) f = GetStoryLevel() m = GetMapString()");
    EXPECT_EQ(Number("a"), 0);
    EXPECT_EQ(Number("b"), 1);
    EXPECT_EQ(Text("c"), "true");
    EXPECT_EQ(Text("d"), "false");
    EXPECT_EQ(Number("e"), 1);
    EXPECT_EQ(Number("f"), 5);
    EXPECT_EQ(Text("m"), "");
    EXPECT_EQ(g.GetGameMode(), 1);
  });
}

// Every script function the game registers answers to its name, the free ones and the game
// object's alike.
TEST_F(GameShellTest, EveryGameScriptFunctionIsBound) {
  const char* const names[] = {
      // Free functions.
      "KillAllKAnimSounds", "FadeAllKAnimSounds", "SetScriptDebugMode", "GetScriptDebugMode",
      "SetPreferenceString", "GetPreferenceString", "BlackenWindow", "CreateStringTable",
      "QuitToMainMenu", "QuitToRestart", "fileExists", "QMItemFoundMessage", "QMHintMessage",
      "QMSearchHintMessage", "QMAwardBonusMessage", "CreateWindowPropsMessage", "RuntimeSettings",
      "ResetUser", "Exit", "PlayGlobalSound", "SetArrowCursor", "PauseSoundInstancebyID",
      // The game object's.
      "ToggleFullScreen", "ToggleSoundMute", "SetCurrentGameMode", "GetCurrentGameMode",
      "GetNumUsers", "CreateNewUser", "SetCurrentUser", "ChangeCurrentUserName", "DeleteUser",
      "IsNameInUse", "GetArcadeLevel", "GetLastArcadeLevel", "GetArcadeScore", "NewSetStoryScore",
      "GetStoryScore", "SetStoryLevel", "GetStoryLevel", "SetStoryLevelComplete", "GetHighScore",
      "PostHSMedal", "SaveGame", "ResetGame", "InitStoryHighScore", "CheckForFirstUndoPoint",
      "UndoGame", "SetUndoPoint", "GetMapString", "CheatsEnabled"};
  static_assert(sizeof(names) / sizeof(names[0]) == 50);
  RunGame([&](QMGameManager&) {
    RegisterGameScriptFunctions(TWindowScript::Of(TWindowManager::Instance())->GetState());
    for (const char* name : names) {
      Lua(nullptr, std::string("t = type(") + name + ")");
      EXPECT_EQ(Text("t"), "function") << name;
    }
    // No sound plays under the id: nothing happens.
    Lua(nullptr, "PauseSoundInstancebyID('nobody', true)");
  });
}

// The game object's functions go with it: a script calling one afterwards finds nil, not a
// dangling object.
TEST_F(GameShellTest, GameObjectFunctionsAreNilOnceItIsGone) {
  Run("--multiple", [&](TPlatform* p) {
    Lua(p, kSerialized);
    CreateGameManager();
    Lua(p, "before = type(GetNumUsers)");
    DestroyGameManager();
    Lua(p, "after = type(GetNumUsers) ok = pcall(GetNumUsers) ok = tostring(ok)");
    EXPECT_EQ(Text("before"), "function");
    EXPECT_EQ(Text("after"), "nil");
    EXPECT_EQ(Text("ok"), "false");
    // A second object binds its own again.
    CreateGameManager();
    Lua(p, "again = type(CheatsEnabled)");
    EXPECT_EQ(Text("again"), "function");
    DestroyGameManager();
  });
}

TEST_F(GameShellTest, MetricsSessionIsDeclaredInItsOrder) {
  std::vector<std::string> events;
  Run("--multiple", [&](TPlatform*) {
    TGameState::AddHandler(new GameStateRecorder(&events));
    events.clear();
    SetupMetricsSession();
  });
  ASSERT_GE(events.size(), 30u);
  const std::vector<std::string> head = {"SessionTime=1", "begin-status=SessionDataNames",
                                         "add-value=version", "add-value=SessionTime",
                                         "add-value=TotalComicScreensTime"};
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 5), head);
  EXPECT_EQ(events[8], "end-status=SessionDataNames");
  EXPECT_EQ(events[10], "add-value=") << "no version set: an empty value";
  EXPECT_EQ(events.back(), "end-elapsed(59)=Progress-59");
}

// Writes of "prefs.dat" seen in the user folder: each save puts a new file in place by a rename.
// The new file's writing is watched too, only so that two renames in a row are not merged into
// one event.
class PrefsWriteCounter {
public:
  explicit PrefsWriteCounter(const char* folder)
      : mFd(inotify_init1(IN_NONBLOCK)),
        mWatch(inotify_add_watch(mFd, folder, IN_MOVED_TO | IN_CLOSE_WRITE)) {}
  ~PrefsWriteCounter() { close(mFd); }
  bool Ready() const { return mFd >= 0 && mWatch >= 0; }
  int Count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(mFd, buffer, sizeof buffer)) > 0;) {
      for (char* p = buffer; p < buffer + n;) {
        auto* event = reinterpret_cast<inotify_event*>(p);
        if ((event->mask & IN_MOVED_TO) && event->len > 0 &&
            std::string(event->name) == "prefs.dat")
          ++mCount;
        p += sizeof(inotify_event) + event->len;
      }
    }
    return mCount;
  }

private:
  int mFd;
  int mWatch;
  int mCount = 0;
};

TEST_F(GameShellTest, AStartWritesThePreferencesAtMostOnceAndKeepsThePlayer) {
  Run("--multiple", [&](TPlatform* p) {
    // The start-up steps of the game: the game object, then the fresh state and the restore.
    auto Start = [p] {
      Lua(p, "gState = nil");
      CreateGameManager();
      QMGameManager::Instance()->ResetUser();
      QMGameManager::Instance()->RestoreGame();
    };
    Start();
    QMGameManager::Instance()->CreateNewUser("Ann");
    Lua(p, "gState.n = 6");
    QMGameManager::Instance()->SaveGame();
    DestroyGameManager();

    PrefsWriteCounter writes(GetUserFolder().CStr());
    ASSERT_TRUE(writes.Ready());
    Start();
    EXPECT_LE(writes.Count(), 1);
    EXPECT_EQ(QMGameManager::Instance()->GetCurrentUser(), 0);
    EXPECT_EQ(Number("gState.n"), 6);
    DestroyGameManager();
    // Whatever was written names the player.
    TPrefs file(false);
    EXPECT_EQ(file.GetInt("curuser", -1), 0);
  });
}

TEST_F(GameShellTest, ASavedGameThatCannotRunIsKeptBeforeThePlayerStartsAfresh) {
  struct Case {
    const char* what;
    const char* stored;
  };
  const Case cases[] = {
      {"one flipped byte: no longer Lua", "gState = { n ? 6 }"},
      {"runs into an error", "gState = { n = 6 } gState.x.y = 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunGame([&](QMGameManager& g) {
      g.CreateNewUser("Ann");
      g.GetPrefs().SetString("usergamedata", c.stored, 0, true);
      Lua(nullptr, "gState.n = 2");
      const double restores = Number("restores");
      g.RestoreGame();
      EXPECT_EQ(Number("restores"), restores + 1) << "the player starts afresh";
      EXPECT_EQ(Number("gState.n"), 0);
      g.SaveGame();
      EXPECT_EQ(std::string(g.GetPrefs().GetString("usergamedata", "", 0).CStr()),
                "gState = { n = 0 }");
      EXPECT_EQ(std::string(g.GetPrefs().GetString(QMGameManager::kDamagedGameKey, "", 0).CStr()),
                c.stored);
    });
  }
}
