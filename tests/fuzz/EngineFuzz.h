// For the fuzz targets that start the engine: its folders in the scratch folder, the headless
// platform on the virtual clock, and no process exit. Targets that need the engine running
// for every input (drawing, sprites) start it once and run libFuzzer inside it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/SpecialFolders.h"
#include "platform/window/Window.h"
#include "core/TPlatform.h"
#include "startup/PlatformMain.h"

// libFuzzer's entry for programs with a main of their own (linked without libFuzzer's main).
extern "C" int LLVMFuzzerRunDriver(int* argc, char*** argv,
                                   int (*callback)(const uint8_t* data, size_t size));

namespace fuzz {

// Sets the engine up once and answers the scratch folder.
inline const std::string& PrepareEngine() {
  static const std::string work = [] {
    const std::string& root = ScratchFolder();
    setenv("XDG_DATA_HOME", (root + "/user").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/common").c_str(), 1);
    setenv("XDG_DESKTOP_DIR", (root + "/desktop").c_str(), 1);
    platform::os::SetCommonDataFolder(root + "/common");
    platform::window::RequestHeadless(true);
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(50000);
    SetPlatformExitHook([](int) {});
    return root;
  }();
  return work;
}

// The running engine's platform, once RunInsideEngine started it.
inline TPlatform*& EnginePlatform() {
  static TPlatform* platform = nullptr;
  return platform;
}

// The engine started once on a headless screen of the size, with the scratch folder as its
// working folder ("assets" below it), and libFuzzer run inside its game function, so every
// input finds the display, the renderer and the script host up. Answers libFuzzer's status.
inline int RunInsideEngine(int argc, char** argv, int (*test)(const uint8_t*, size_t), int width,
                           int height) {
  static int sArgc;
  static char** sArgv;
  static int (*sTest)(const uint8_t*, size_t);
  static int sWidth, sHeight, sStatus;
  // The engine moves to its working folder: paths of the command line are made absolute
  // first (the program, for the runs it starts itself, inputs, corpora and the file options).
  static std::vector<std::string> arguments;
  static std::vector<char*> pointers;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    const size_t equals = a.find('=');
    if ((i > 0 && a[0] != '-') || (i == 0 && a.find('/') != std::string::npos)) {
      a = std::filesystem::absolute(a).string();
    } else if (equals != std::string::npos && equals + 1 < a.size()) {
      const std::string option = a.substr(0, equals + 1);
      for (const char* path : {"-artifact_prefix=", "-exact_artifact_path=", "-dict=",
                               "-merge_control_file=", "-features_dir="})
        if (option == path) a = option + std::filesystem::absolute(a.substr(equals + 1)).string();
    }
    arguments.push_back(a);
  }
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  sArgc = argc;
  sArgv = pointers.data();
  sTest = test;
  sWidth = width;
  sHeight = height;
  const std::string line = "-wd=" + PrepareEngine();
  KeepWorkingFolder keep;
  PlatformMain(
      nullptr, nullptr, line.c_str(), 1,
      [](TPlatform* platform, const char*) {
        if (!platform->InitScreen(sWidth, sHeight, false)) abort();
        EnginePlatform() = platform;
        sStatus = LLVMFuzzerRunDriver(&sArgc, &sArgv, sTest);
        return 0;
      },
      true);  // targets run side by side
  return sStatus;
}

}  // namespace fuzz
