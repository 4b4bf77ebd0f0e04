// Runs the engine's entry in-process on the headless platform with the virtual clock: every
// test gets its own data, runtime and working folders, and a game main function of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

#include "startup/PlatformMain.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "platform/os/Clock.h"
#include "platform/os/SpecialFolders.h"
#include "platform/window/headless/Window.h"
#include "window/TWindowManager.h"

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/engine_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    mRoot = tmpl;
    mWork = mRoot + "/work";
    fs::create_directories(mWork + "/assets");
    fs::create_directories(mRoot + "/data");
    fs::create_directories(mRoot + "/run");
    fs::create_directories(mRoot + "/common");
    setenv("XDG_DATA_HOME", (mRoot + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (mRoot + "/run").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (mRoot + "/desktop").c_str(), 1);
    platform::os::SetCommonDataFolder(mRoot + "/common");
    mSavedDir = fs::current_path().string();

    platform::window::RequestHeadless(true);
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(50000);
    sExitCode = kNoExit;
    SetPlatformExitHook([](int code) { sExitCode = code; });
  }

  void TearDown() override {
    SetPlatformExitHook(nullptr);
    std::filesystem::current_path(mSavedDir);
    std::error_code ec;
    std::filesystem::remove_all(mRoot, ec);
  }

  void WriteAsset(const std::string& name, const std::string& text) {
    std::ofstream(mWork + "/assets/" + name) << text;
  }

  // Runs PlatformMain with "-wd=" of the test's folder and the line; the body is the game.
  int Run(const std::string& line, std::function<void(TPlatform*)> body) {
    sBody = std::move(body);
    sBodyRan = false;
    std::string full = "-wd=" + mWork + " " + line;
    int code = PlatformMain(nullptr, nullptr, full.c_str(), 1, &GameBody, false);
    sBody = nullptr;
    return code;
  }

public:
  // Ticks of the window system on the virtual clock, 16 ms apart, each drawing a frame.
  static void Tick(TPlatform* p, int ms) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }

  static platform::window::headless::Window* HeadlessWindow(TPlatform* p) {
    return dynamic_cast<platform::window::headless::Window*>(p->GetData()->GetWindow());
  }

protected:
  static constexpr int kNoExit = 12345;
  static inline int sExitCode = kNoExit;
  static inline bool sBodyRan = false;
  static inline std::function<void(TPlatform*)> sBody;

  std::string mRoot, mWork, mSavedDir;

private:
  static int GameBody(TPlatform* platform, const char*) {
    sBodyRan = true;
    if (sBody) sBody(platform);
    return 0;
  }
};
