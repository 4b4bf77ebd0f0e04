// For the fuzz targets that start the engine: its folders in the scratch folder, the headless
// platform on the virtual clock, and no process exit.
#pragma once

#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/SpecialFolders.h"
#include "platform/window/Window.h"
#include "startup/PlatformMain.h"

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

}  // namespace fuzz
