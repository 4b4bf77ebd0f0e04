#include "EngineFixture.h"

#include <dlfcn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "core/HostPause.h"
#include "online/TGameState.h"
#include "platform/host/headless/HostWindow.h"
#include "platform/os/ModuleInfo.h"
#include "platform/os/NamedMutex.h"

namespace {
std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

TEST_F(EngineTest, StartupFillsSettingsInOrderAndTearsDown) {
  SetConfig("gamename", "Sea Glass");
  SetConfig("a", "game");
  SetConfig("c", "game");
  WriteAsset("settings.xml",
             "<game><settings><a>file</a><b attr=\"ignored\">file</b><gamename>Other</gamename>"
             "</settings></game>");
  std::string logPath;
  int code = Run("--multiple options=b=cmd", [&](TPlatform* p) {
    EXPECT_EQ(TPlatform::Instance(), p);
    EXPECT_EQ(GetConfig("c", ""), "game");
    EXPECT_EQ(GetConfig("a", ""), "file");  // the settings file beats the game's values
    EXPECT_EQ(GetConfig("b", ""), "cmd");   // the command line beats the file
    EXPECT_EQ(GetConfig("attr", "none"), "none");
    // The title was taken before the file was read, and start-up stores it last.
    EXPECT_EQ(GetConfig("gamename", ""), "Sea Glass");
    EXPECT_EQ(p->GetTitle(), "Sea Glass");
    EXPECT_EQ(GetConfig("memorymax", ""), "100000000");
    EXPECT_EQ(GetConfig("texturememorymax", ""), "100000000");
    EXPECT_EQ(GetConfig("computerid", "").Length(), 16u);
    EXPECT_EQ(GetConfig("startupdir", ""), mSavedDir.c_str());
    str install = GetConfig("installkey", "");
    ASSERT_FALSE(install.IsEmpty());
    EXPECT_EQ(install[install.Length() - 1], '/');
    EXPECT_EQ(TGameState::GetInstance()->GetState("userdatadir"), GetUserFolder());
    EXPECT_NE(std::string(GetUserFolder().CStr()).find(mRoot + "/data/"), std::string::npos);

    auto* w = HeadlessWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetTitle(), "Hearthwell");
    EXPECT_EQ(GetConfig("hwnd", ""), str::Format("%d", static_cast<int>(w->Handle())));
    logPath = GetLogFilePath().CStr();
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(sExitCode, kNoExit);
  EXPECT_EQ(TPlatform::Instance(), nullptr);
  EXPECT_EQ(GetConfig("a", "gone"), "gone");
  EXPECT_NE(ReadFile(logPath).find(": Sea Glass, version ."), std::string::npos);
}

TEST_F(EngineTest, SampleSettingsFileIsReadPastItsDeclarationAndTheLogNamesIt) {
  std::filesystem::copy_file(ENGINE_SOURCE_DIR "/sample/assets/settings.xml",
                             mWork + "/assets/settings.xml");
  std::string logPath;
  Run("--multiple", [&](TPlatform*) {
    EXPECT_EQ(GetConfig("utf8mode", ""), "1");
    EXPECT_EQ(GetConfig("vsync", ""), "1");
    logPath = GetLogFilePath().CStr();
  });
  EXPECT_TRUE(sBodyRan);
  EXPECT_NE(ReadFile(logPath).find("Settings read from " + mWork + "/assets/settings.xml"),
            std::string::npos);
}

TEST_F(EngineTest, SettingsFileFormsAreReadAndFaultsAreLogged) {
  struct Case {
    const char* text;  // null: no file
    const char* vsync;
    const char* logged;
  };
  const Case cases[] = {
      {"<!-- made by hand -->\n<settings><vsync>2</vsync><!-- note --></settings>", "2",
       "Settings read from"},
      {"<?xml version=\"1.0\"?><!DOCTYPE game><game><settings><vsync>3</vsync></settings></game>",
       "3", "Settings read from"},
      {nullptr, "0", "is missing"},
      {"", "0", "is malformed"},
      {"just words, no element", "0", "is malformed"},
      {"<game><options><vsync>4</vsync></options></game>", "0", "has no \"settings\" element"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(no file)");
    std::filesystem::remove(mWork + "/assets/settings.xml");
    if (c.text) WriteAsset("settings.xml", c.text);
    SetConfig("vsync", "0");
    std::string logPath;
    Run("--multiple", [&](TPlatform*) {
      EXPECT_EQ(GetConfig("vsync", ""), c.vsync);
      EXPECT_EQ(GetConfig("!--", "unset"), "unset");
      logPath = GetLogFilePath().CStr();
    });
    EXPECT_TRUE(sBodyRan);
    const std::string path = mWork + "/assets/settings.xml";
    const std::string logged = c.logged[0] == 'S' ? std::string(c.logged) + " " + path
                                                  : "Settings file " + path + " " + c.logged;
    EXPECT_NE(ReadFile(logPath).find(logged), std::string::npos) << ReadFile(logPath);
  }
}

TEST_F(EngineTest, CommandLineOptionsAreWalkedAsWritten) {
  struct Case {
    const char* line;
    std::vector<std::pair<const char*, const char*>> expect;  // value null: not stored
  };
  const Case cases[] = {
      {"options=a=1&b=2 -wd=x", {{"a", "1"}, {"b", "2"}, {"-wd", "x"}}},
      {"options=a=1 b=2", {{"a", "1"}, {"b", "2"}}},
      {"options=a=1 z&b=2", {{"a", "1 z"}, {"b", "2"}}},
      {"options= a=1", {{"a", nullptr}}},
      {"options=noequals", {{"noequals", nullptr}}},
      {"--cheat XYZ123 more", {{"cheatcode", "XYZ123"}}},
      {"--cheat=Q7", {{"cheatcode", "Q7"}}},
      // Nothing behind the option: an empty code, never a read past the line.
      {"--cheat", {{"cheatcode", ""}}},
      {"--cheatX", {{"cheatcode", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Run(std::string("--multiple ") + c.line, [&](TPlatform*) {
      for (auto& [key, value] : c.expect) {
        if (value)
          EXPECT_EQ(GetConfig(key, "<unset>"), value) << key;
        else
          EXPECT_EQ(GetConfig(key, "<unset>"), "<unset>") << key;
      }
    });
    EXPECT_TRUE(sBodyRan);
  }
}

TEST_F(EngineTest, WorkingDirectoryTakesQuotesAndAnUnclosedQuote) {
  std::string spaced = mRoot + "/with space";
  std::filesystem::create_directories(spaced + "/assets");
  const std::string lines[] = {"\"" + spaced + "\" --multiple", "\"" + spaced};
  for (const std::string& tail : lines) {
    SCOPED_TRACE(tail);
    std::string seen;
    sBody = [&](TPlatform*) { seen = std::filesystem::current_path().string(); };
    std::string line = "--multiple -wd=" + tail;
    PlatformMain(
        nullptr, nullptr, line.c_str(), 1,
        [](TPlatform* p, const char*) {
          sBody(p);
          return 0;
        },
        false);
    EXPECT_EQ(seen, spaced);
    std::filesystem::current_path(mSavedDir);
  }
}

// Runs PlatformMain on exactly this line from the folder; the game's body only notes the
// working folder it finds.
std::string RunFrom(const std::string& folder, const std::string& line, int& code) {
  std::filesystem::current_path(folder);
  static std::string seen;
  seen.clear();
  code = PlatformMain(
      nullptr, nullptr, line.c_str(), 1,
      [](TPlatform*, const char*) {
        seen = std::filesystem::current_path().string();
        return 0;
      },
      false);
  return seen;
}

// The log of the last run: start-up writes it into the user's data folder.
std::string FindLog(const std::string& dataRoot) {
  for (auto& entry : std::filesystem::recursive_directory_iterator(dataRoot))
    if (entry.path().filename() == "logfile.txt") return ReadFile(entry.path().string());
  return {};
}

TEST_F(EngineTest, RelativeWorkingFolderIsTakenFromTheCurrentFolder) {
  int code = -7;
  EXPECT_EQ(RunFrom(mRoot, "--multiple -wd=work", code), mWork);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(sExitCode, kNoExit);
}

TEST_F(EngineTest, MissingWorkingOrAssetsFolderIsReportedAndEndsTheRun) {
  std::filesystem::create_directories(mRoot + "/empty");
  struct Case {
    const char* line;
    std::string said;
  };
  const Case cases[] = {
      {"--multiple -wd=empty", "the assets folder " + mRoot + "/empty/assets is missing"},
      {"--multiple -wd=nowhere", "cannot change to the working folder " + mRoot + "/nowhere"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    sExitCode = kNoExit;
    int code = 0;
    testing::internal::CaptureStderr();
    std::string seen = RunFrom(mRoot, c.line, code);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(seen.empty()) << "the game ran in " << seen;
    EXPECT_EQ(code, 1);
    EXPECT_EQ(sExitCode, 1);
    EXPECT_EQ(TPlatform::Instance(), nullptr);
    EXPECT_NE(err.find(c.said), std::string::npos) << err;
    // Also in the log, though the working folder was settled before the log was open.
    EXPECT_NE(FindLog(mRoot + "/data").find(c.said), std::string::npos);
  }
}

TEST_F(EngineTest, SecondInstanceEndsWithZeroAndBuildsNothing) {
  platform::os::NamedMutex first;
  str name = MakeInstanceBaseName(GetProgramFilePath()) + "_MUTEX";
  ASSERT_EQ(first.Create(name.CStr()), platform::os::NamedMutex::Result::Created);

  testing::internal::CaptureStderr();
  int code = Run("", [](TPlatform*) {});
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(sExitCode, 0);
  EXPECT_FALSE(sBodyRan);
  EXPECT_EQ(TPlatform::Instance(), nullptr);
  // The player who started it a second time is told why nothing opened.
  EXPECT_NE(said.find("another instance is running"), std::string::npos) << said;

  // Several instances are allowed with "--multiple" and when hosted.
  sExitCode = kNoExit;
  Run("--multiple", [](TPlatform*) {});
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(sExitCode, kNoExit);
}

// The game's own result is the program's exit code, so a failed game is not taken for a quit.
TEST_F(EngineTest, GameResultIsTheExitCode) {
  const std::string line = "-wd=" + mWork + " --multiple";
  for (int result : {0, 1, 3}) {
    static int sResult;
    sResult = result;
    auto game = [](TPlatform*, const char*) { return sResult; };
    EXPECT_EQ(PlatformMain(nullptr, nullptr, line.c_str(), 1, game, false), result);
    EXPECT_EQ(TPlatform::Instance(), nullptr);
  }
}

TEST_F(EngineTest, HostWindowThatDoesNotExistEndsWithMinusOne) {
  for (const char* line : {"-wnd=0", "-wnd=7fff0"}) {
    SCOPED_TRACE(line);
    sExitCode = kNoExit;
    int code = Run(line, [](TPlatform*) {});
    EXPECT_EQ(code, -1);
    EXPECT_EQ(sExitCode, -1);
    EXPECT_FALSE(sBodyRan);
    EXPECT_EQ(GetConfig("activex", "unset"), "unset");
  }

  platform::host::headless::Host host;
  std::string line = "-wnd=" + (std::ostringstream() << std::hex << host.Handle()).str();
  int code = Run(line, [](TPlatform* p) {
    EXPECT_EQ(GetConfig("activex", ""), "1");
    EXPECT_TRUE(p->GetData()->mHosted);
    EXPECT_TRUE(HeadlessWindow(p)->IsChild());
    // Hosted games keep no data folders of their own and write no log.
    EXPECT_EQ(p->GetData()->mUserFolder, p->GetData()->mProgramFolder);
    EXPECT_TRUE(GetLogFilePath().IsEmpty());
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, HostedTestShowsTheFullClientArea) {
  Run("--multiple --axtest", [](TPlatform* p) {
    auto* w = HeadlessWindow(p);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->IsChild());
    EXPECT_TRUE(w->IsShown());
    int cw = 0, ch = 0;
    w->GetClientSize(cw, ch);
    EXPECT_EQ(cw, 960);
    EXPECT_EQ(ch, 720);
    EXPECT_EQ(GetConfig("activex", ""), "1");
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, InstanceNamesComeFromTheLowerCasedProgramPath) {
  EXPECT_EQ(MakeInstanceBaseName("/opt/Games/FunGame~1/GAME"), "optgamesfungame~1game");
  Run("--multiple", [](TPlatform*) {
    str expected = MakeInstanceBaseName(GetProgramFilePath()) + "_WNDCLASS";
    EXPECT_EQ(GetWindowClassName(), expected);
  });
}

TEST_F(EngineTest, TimerCountsFromStartLessHostPause) {
  Run("--multiple -zylom", [](TPlatform*) {  // only a portal's host pauses the game
    uint32_t t0 = GetTimer();
    platform::os::AdvanceVirtualTime(1234);
    EXPECT_EQ(GetTimer() - t0, 1234u);
    AddHostPausedTime(200);
    EXPECT_EQ(GetTimer() - t0, 1034u);
    ResetHostPausedTime();
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, CommandLineFromArgumentsQuotesBlanks) {
  const char* argv[] = {"game", "-wd=/a b", "--multiple", "x y"};
  EXPECT_EQ(JoinCommandLine(4, argv), "-wd=\"/a b\" --multiple \"x y\"");
}

TEST_F(EngineTest, AddOnModulesInTheAssetsFolderHearTheGameState) {
  std::filesystem::copy_file(RECORDING_MODULE_PATH, mWork + "/assets/recorder.hwmod");
  WriteAsset("broken.hwmod", "not a library");
  Run("--multiple", [](TPlatform*) {
    void* lib =
        dlopen((std::string(std::filesystem::current_path()) + "/assets/recorder.hwmod").c_str(),
               RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr) << "the module was not loaded";
    auto recorded = reinterpret_cast<const char* (*)()>(dlsym(lib, "RecordedKeys"));
    ASSERT_NE(recorded, nullptr);
    EXPECT_STREQ(recorded(), "cmdline;commondatadir;userdatadir;");
    dlclose(lib);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, AddOnModulesInThePlayersDataFoldersAreNotLoaded) {
  std::string user, common;
  Run("--multiple", [&](TPlatform*) {
    user = GetUserFolder().CStr();
    common = GetCommonFolder().CStr();
  });
  ASSERT_FALSE(user.empty());
  ASSERT_FALSE(common.empty());
  for (const std::string& folder : {user, common}) {
    SCOPED_TRACE(folder);
    const std::string dropped = folder + "/dropped.hwmod";
    std::filesystem::copy_file(RECORDING_MODULE_PATH, dropped);
    Run("--multiple", [&](TPlatform*) {
      EXPECT_TRUE(FileExists(folder == user ? "user:dropped.hwmod" : "common:dropped.hwmod"));
      void* lib = dlopen(dropped.c_str(), RTLD_NOW | RTLD_NOLOAD);
      EXPECT_EQ(lib, nullptr) << "a module from a writable folder was loaded";
      if (lib) dlclose(lib);
    });
    EXPECT_TRUE(sBodyRan);
    std::filesystem::remove(dropped);
  }
}

TEST_F(EngineTest, VersionBlockGivesTitleVersionAndBuildTag) {
  platform::os::VersionInfo info;
  info.fileVersion[0] = 2;
  info.fileVersion[1] = 10;
  info.fileVersion[2] = 0;
  info.fileVersion[3] = 65535;
  info.productName = " \t Lantern Bay";
  info.internalName = "lantern-rc1";
  platform::os::SetVersionInfo(info);
  struct Case {
    const char* storedName;  // the game's own "gamename", or null
    const char* title;
  };
  const Case cases[] = {{nullptr, "Lantern Bay"}, {"Tide Pools", "Tide Pools"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    if (c.storedName) SetConfig("gamename", c.storedName);
    std::string logPath;
    Run("--multiple", [&](TPlatform* p) {
      EXPECT_EQ(p->GetTitle(), c.title);
      EXPECT_EQ(p->GetVersion(), "2.10.0.65535");
      EXPECT_EQ(GetConfig("gamename", ""), c.title);
      EXPECT_EQ(GetConfig("version", ""), "2.10.0.65535");
      EXPECT_EQ(GetConfig("buildtag", ""), "lantern-rc1");
      logPath = GetLogFilePath().CStr();
    });
    EXPECT_TRUE(sBodyRan);
    EXPECT_NE(ReadFile(logPath).find(std::string(c.title) + ", version 2.10.0.65535."),
              std::string::npos);
  }
  platform::os::ClearVersionInfo();
}

TEST_F(EngineTest, GameWithoutADisplayAndNotAskedToRunHeadlessSaysSoAndFails) {
  const std::string err = mRoot + "/stderr.txt";
  // The game itself, started as a player would, with no display in its environment.
  // Bounded: a game that ran on invisibly would otherwise hold the test until its time-out.
  const std::string command =
      "timeout 120 env -u DISPLAY -u WAYLAND_DISPLAY -u ENGINE_HEADLESS '" GAME_PATH "' -wd='" +
      mWork + "' 2>'" + err + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_NE(WEXITSTATUS(status), 0);
  const std::string said = ReadFile(err);
  EXPECT_NE(said.find("cannot open the game's window"), std::string::npos) << said;
  EXPECT_NE(said.find("DISPLAY"), std::string::npos) << said;
  EXPECT_NE(said.find("ENGINE_HEADLESS=1"), std::string::npos) << said;
  EXPECT_NE(FindLog(mRoot + "/data").find("Error: cannot open the game's window"),
            std::string::npos);

  // Asked for with the option, the run is headless whatever the environment holds.
  unsetenv("ENGINE_HEADLESS");
  platform::window::RequestHeadless(false);
  Run("--multiple --headless", [](TPlatform* p) { EXPECT_NE(HeadlessWindow(p), nullptr); });
  EXPECT_TRUE(sBodyRan);
  EXPECT_TRUE(platform::window::IsHeadless());
}

TEST_F(EngineTest, AHeadlessGameAskedToTerminateQuitsAsFromTheWindow) {
  // The sample game itself, headless on the real clock, with its data in the test's folder.
  const std::string data = mRoot + "/data";
  const std::string game = GAME_PATH;
  const std::string wd = "-wd=" + std::string(ENGINE_SOURCE_DIR) + "/sample";
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    std::error_code ec;
    std::filesystem::remove_all(data, ec);
    std::filesystem::create_directories(data);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      execl(game.c_str(), game.c_str(), "--headless", "--multiple", wd.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    // Up once its window shows a screen (bounded: a real process on a busy machine).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (FindLog(data).find("Created screen at") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const bool started = FindLog(data).find("Created screen at") != std::string::npos;
    if (started) kill(pid, signal);
    int status = 0;
    pid_t done = 0;
    while (started && (done = waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline + std::chrono::seconds(30))
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done == 0) {
      // Never leave the game running behind the test.
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << (started ? "the game did not quit" : "the game did not start") << "\n"
             << FindLog(data);
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
}
