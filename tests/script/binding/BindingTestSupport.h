// A window manager with its script host on the virtual clock, no platform, and the engine log
// in a temporary folder the tests can read.
#pragma once

#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/EngineLog.h"
#include "core/Timer.h"
#include "platform/os/Clock.h"
#include "script/LuaApi.h"
#include "script/binding/TWindowScript.h"
#include "window/TScreen.h"
#include "window/TWindowManager.h"

class BindingTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(5000);
    SetTimerStart(0);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mFolder = std::filesystem::temp_directory_path() /
              (std::string("binding_") + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(mFolder);
    OpenEngineLog(mFolder.c_str());
    mManager = new TWindowManager();
    mHost = new TWindowScript();
    mManager->AttachScriptHost(mHost);
    mScreen = new TScreen();
    mManager->SetRoot(Own(mScreen));
    mScreen->SetSize(800, 600);
    L = mHost->GetState();
  }
  void TearDown() override {
    delete mManager;
    OpenEngineLog(nullptr);
    std::filesystem::remove_all(mFolder);
    platform::os::UseVirtualClock(false);
  }

  std::string Log() const {
    std::ifstream in(mFolder / "logfile.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Runs Lua text in the host.
  void Run(const std::string& text) { mHost->DoLuaString(text.c_str()); }
  std::string Global(const char* name) { return mHost->GetGlobalString(name).CStr(); }
  double Number(const char* name) { return mHost->GetGlobalNumber(name); }
  // One idle pass of the script's task, as the platform's idle list runs it.
  void Tick() {
    if (mHost->Ready(0)) mHost->DoTask();
  }
  void Advance(uint32_t ms) { platform::os::AdvanceVirtualTime(ms); }
  void Idle() {
    TPlatformEvent e;
    e.type = kEventIdle;
    mManager->HandleEvent(e);
  }

  std::filesystem::path mFolder;
  TWindowManager* mManager = nullptr;
  TWindowScript* mHost = nullptr;
  TScreen* mScreen = nullptr;
  lua_State* L = nullptr;
};
