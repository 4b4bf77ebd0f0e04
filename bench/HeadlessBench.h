// Runs a benchmark's game function in-process on the headless engine, in a temporary folder
// whose "work/assets" the caller fills first; the folder is removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include "core/PlatformMain.h"
#include "platform/window/Window.h"

class TPlatform;

// prepare gets the assets folder and answers whether it could write what the game needs.
inline int RunHeadlessBench(const char* name,
                            const std::function<bool(const std::string&)>& prepare,
                            int (*game)(TPlatform*, const char*)) {
  namespace fs = std::filesystem;
  std::string tmpl = std::string("/tmp/") + name + "_XXXXXX";
  if (!mkdtemp(tmpl.data())) return 1;
  const std::string root = tmpl;
  fs::create_directories(root + "/work/assets");
  fs::create_directories(root + "/data");
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  int code = 1;
  if (prepare(root + "/work/assets")) {
    platform::window::RequestHeadless(true);
    const std::string line = "-wd=" + root + "/work --multiple";
    PlatformMain(nullptr, nullptr, line.c_str(), 1, game, true);
    code = 0;
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return code;
}
