#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/os/Clock.h"
#include "platform/os/DynamicLibrary.h"
#include "platform/os/Event.h"
#include "platform/os/Guid.h"
#include "platform/os/ModuleInfo.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/Spawn.h"
#include "platform/os/Thread.h"

namespace fs = std::filesystem;
using namespace platform::os;

namespace {

fs::path TempFolder(const char* tag) {
  const fs::path p =
      fs::temp_directory_path() / (std::string(tag) + "_" + std::to_string(::getpid()));
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

// The file the maths library was loaded from, to have a real shared object to copy.
std::string MathLibraryFile() {
  Dl_info info{};
  double (*cosine)(double) = &::cos;
  if (!::dladdr(reinterpret_cast<void*>(cosine), &info) || !info.dli_fname) return {};
  return info.dli_fname;
}

}  // namespace

TEST(OsThread, RunsItsBodyAndToleratesRefusedPriorities) {
  Event go(true);
  std::atomic<int> ran{0};
  Thread t;
  EXPECT_TRUE(t.HasEnded());
  ASSERT_TRUE(t.Start([&] {
    go.Wait();
    ran = 1;
  }));
  EXPECT_FALSE(t.Start([] {}));  // one body at a time
  // Real-time scheduling is usually refused to unprivileged processes; the thread must live on.
  t.SetPriority(ThreadPriority::TimeCritical);
  t.SetPriority(ThreadPriority::BelowNormal);
  EXPECT_FALSE(t.HasEnded());
  go.Set();
  t.Join();
  EXPECT_TRUE(t.HasEnded());
  EXPECT_EQ(ran.load(), 1);
}

TEST(OsEvent, ManualAndAutoReset) {
  Event manual(true);
  EXPECT_FALSE(manual.Wait(0));
  manual.Set();
  EXPECT_TRUE(manual.Wait(0));
  EXPECT_TRUE(manual.Wait(0));
  manual.Reset();
  EXPECT_FALSE(manual.Wait(0));

  Event automatic(false, true);
  EXPECT_TRUE(automatic.Wait(0));
  EXPECT_FALSE(automatic.Wait(0));  // let one waiter through, then cleared

  // A waiter on another thread is released by Set.
  Event ping(false), pong(false);
  Thread t;
  ASSERT_TRUE(t.Start([&] {
    ping.Wait();
    pong.Set();
  }));
  ping.Set();
  EXPECT_TRUE(pong.Wait());
}

TEST(OsNamedMutex, SecondHolderIsTurnedAway) {
  const fs::path dir = TempFolder("mutexes");
  ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  const std::string name = "c:\\games\\game.exe_MUTEX";
  EXPECT_EQ(fs::path(NamedMutex::LockFilePath(name)).parent_path(), dir);
  EXPECT_EQ(fs::path(NamedMutex::LockFilePath(name)).filename(), "c__games_game.exe_MUTEX.lock");

  NamedMutex first, second;
  EXPECT_EQ(first.Create(name), NamedMutex::Result::Created);
  EXPECT_EQ(second.Create(name), NamedMutex::Result::AlreadyExists);
  EXPECT_FALSE(second.IsHeld());
  NamedMutex other;
  EXPECT_EQ(other.Create("another_MUTEX"), NamedMutex::Result::Created);
  first.Close();
  EXPECT_EQ(second.Create(name), NamedMutex::Result::Created);

  ::setenv("XDG_RUNTIME_DIR", (dir / "missing").c_str(), 1);
  NamedMutex nowhere;
  EXPECT_EQ(nowhere.Create("x"), NamedMutex::Result::Failed);
  ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(dir);
}

TEST(OsNamedMutex, LockIsKeptPerUserWithoutARuntimeFolder) {
  const fs::path data = TempFolder("mutexdata") / "share";
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string savedData = oldData ? oldData : "";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  // Unset, or relative (invalid under the XDG rules): the user's data folder, made on demand,
  // never a folder every user shares.
  for (const char* runtime : {static_cast<const char*>(nullptr), "relative/run"}) {
    SCOPED_TRACE(runtime ? runtime : "(unset)");
    if (runtime)
      ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(fs::path(NamedMutex::LockFilePath("game_MUTEX")).parent_path(), data);
    NamedMutex first, second;
    EXPECT_EQ(first.Create("game_MUTEX"), NamedMutex::Result::Created);
    EXPECT_TRUE(fs::exists(data / "game_MUTEX.lock"));
    EXPECT_EQ(second.Create("game_MUTEX"), NamedMutex::Result::AlreadyExists);
    fs::remove_all(data);
  }
  ::unsetenv("XDG_RUNTIME_DIR");
  if (oldData)
    ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  else
    ::unsetenv("XDG_DATA_HOME");
  fs::remove_all(data.parent_path());
}

TEST(OsDynamicLibrary, DesignNamesMapToSharedObjectsInTheFolderFirst) {
  EXPECT_EQ(DynamicLibrary::SystemName("hwHarness.dll"), "hwHarness.so");
  EXPECT_EQ(DynamicLibrary::SystemName("Thing.DLL"), "Thing.so");
  EXPECT_EQ(DynamicLibrary::SystemName("bonus.hwmod"), "bonus.hwmod");

  const std::string libm = MathLibraryFile();
  ASSERT_FALSE(libm.empty());
  const fs::path dir = TempFolder("plugins");
  fs::copy_file(libm, dir / "mathplug.so");
  fs::copy_file(libm, dir / "extra.hwmod");

  DynamicLibrary lib;
  ASSERT_TRUE(lib.Load("mathplug.dll", dir.string())) << lib.LastError();
  auto cosine = reinterpret_cast<double (*)(double)>(lib.Symbol("cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(lib.Symbol("no_such_symbol_here"), nullptr);

  DynamicLibrary mod;
  EXPECT_TRUE(mod.Load("extra.hwmod", dir.string())) << mod.LastError();
  DynamicLibrary missing;
  EXPECT_FALSE(missing.Load("hwHarness.dll", dir.string()));
  EXPECT_FALSE(missing.LastError().empty());
  EXPECT_EQ(missing.Symbol("cos"), nullptr);
  fs::remove_all(dir);
}

TEST(OsModuleInfo, ExecutablePathAndVersionBlock) {
  const std::string path = GetExecutablePath();
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(GetExecutableFolder(), fs::path(path).parent_path().string() + "/");

  VersionInfo info;
  ClearVersionInfo();
  EXPECT_FALSE(GetVersionInfo(info));
  VersionInfo set;
  set.fileVersion[0] = 1;
  set.fileVersion[3] = 7;
  set.productName = "  Sample Game";
  set.internalName = "sample";
  SetVersionInfo(set);
  ASSERT_TRUE(GetVersionInfo(info));
  EXPECT_EQ(info.fileVersion[3], 7);
  EXPECT_EQ(info.productName, "  Sample Game");
  ClearVersionInfo();
}

TEST(OsSpawn, ArgumentsReachTheProgramUnchanged) {
  const fs::path dir = TempFolder("spawn");
  // Shell syntax in an argument must stay literal: no shell sees it.
  const std::string odd = (dir / "a;b $(echo x) 'c'").string();
  const int pid = SpawnProcess("touch", {odd});
  ASSERT_GT(pid, 0);
  int code = -1;
  ASSERT_TRUE(WaitForProcess(pid, &code));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(fs::exists(odd));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  const int failing = SpawnProcess("false", {});
  ASSERT_TRUE(WaitForProcess(failing, &code));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(SpawnProcess("no-such-program-anywhere", {}), -1);
  EXPECT_FALSE(SpawnDetached("no-such-program-anywhere", {"x"}));
  fs::remove_all(dir);
}

TEST(OsGuid, SixteenFreshBytes) {
  unsigned char a[16], b[16];
  ASSERT_TRUE(CreateGuid(a));
  ASSERT_TRUE(CreateGuid(b));
  EXPECT_NE(std::memcmp(a, b, 16), 0);
}

TEST(OsClock, SleepOnTheVirtualClockAdvancesItInsteadOfBlocking) {
  platform::os::UseVirtualClock(true);
  platform::os::SetVirtualTime(1000);
  const auto before = std::chrono::steady_clock::now();
  platform::os::Sleep(60000);
  EXPECT_EQ(platform::os::TimeGetTime(), 61000u);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
  platform::os::UseVirtualClock(false);
}
