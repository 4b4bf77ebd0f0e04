// Shared by the benchmarks that run the engine: a timing loop that prints its figure, and a
// run of a game function in-process on the headless platform inside a temporary folder whose
// assets the caller fills first.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include "startup/PlatformMain.h"
#include "platform/window/Window.h"

class TPlatform;

namespace bench {

// Runs body(i) `iterations` times; prints and answers the mean time in milliseconds.
template <typename F>
double Measure(const char* name, int iterations, F&& body) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (int i = 0; i < iterations; ++i) body(i);
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / iterations;
  std::printf("%-52s %10.3f ms/op\n", name, ms);
  return ms;
}

// Copies a file of the sample game's assets (a path below sample/assets) into the folder.
inline bool CopySampleAsset(const char* sourceDir, const std::string& assets, const char* path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path to = fs::path(assets) / path;
  fs::create_directories(to.parent_path(), ec);
  return fs::copy_file(fs::path(sourceDir) / "sample/assets" / path, to, ec);
}

// prepare(assetsFolder) writes the files the game needs; false ends the run with 1.
inline int RunHeadlessEngine(const char* name,
                             const std::function<bool(const std::string&)>& prepare,
                             int (*game)(TPlatform*, const char*)) {
  namespace fs = std::filesystem;
  std::string pattern = std::string("/tmp/") + name + "_XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  std::string root = pattern;
  fs::create_directories(root + "/work/assets");
  fs::create_directories(root + "/data");
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  int code = 1;
  if (prepare(root + "/work/assets")) {
    platform::window::RequestHeadless(true);
    std::string line = "-wd=" + root + "/work --multiple";
    PlatformMain(nullptr, nullptr, line.c_str(), 1, game, true);
    code = 0;
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return code;
}

}  // namespace bench
