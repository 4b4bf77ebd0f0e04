// Golden-image comparison for tests that check drawn frames.
//
// Stored images live under tests/golden/ (ENGINE_GOLDEN_DIR). A test compares its frame with
// MatchesGolden(image, "area/name.png"); on a mismatch the frame is also written under the
// build folder (golden-failures/) for a look. To regenerate stored images on purpose, run the
// tests with the environment variable ENGINE_UPDATE_GOLDEN=1: every compared frame is then
// written over its golden file and the comparison passes. Never set it in CI.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/display/Image.h"

namespace golden {

inline bool Updating() {
  const char* v = std::getenv("ENGINE_UPDATE_GOLDEN");
  return v && std::strcmp(v, "1") == 0;
}

// Exact unless a tolerance (per channel) is given.
inline ::testing::AssertionResult MatchesGolden(const platform::display::Image& actual,
                                                const std::string& name, int tolerance = 0) {
  namespace fs = std::filesystem;
  fs::path path = fs::path(ENGINE_GOLDEN_DIR) / name;
  if (Updating()) {
    fs::create_directories(path.parent_path());
    if (!actual.SavePng(path.string()))
      return ::testing::AssertionFailure() << "could not write " << path;
    return ::testing::AssertionSuccess();
  }
  platform::display::Image expected;
  auto failed = [&](const std::string& why) {
    fs::path out = fs::path(ENGINE_BINARY_DIR) / "golden-failures" / name;
    fs::create_directories(out.parent_path());
    actual.SavePng(out.string());
    return ::testing::AssertionFailure() << name << ": " << why << " (frame written to " << out
                                         << "; ENGINE_UPDATE_GOLDEN=1 regenerates)";
  };
  if (!expected.LoadPng(path.string())) return failed("no readable golden image");
  if (expected.width != actual.width || expected.height != actual.height) {
    std::ostringstream s;
    s << "size " << actual.width << "x" << actual.height << ", expected " << expected.width << "x"
      << expected.height;
    return failed(s.str());
  }
  int differing = 0;
  std::ostringstream first;
  for (int32_t y = 0; y < actual.height; ++y)
    for (int32_t x = 0; x < actual.width; ++x) {
      uint32_t a = actual.At(x, y), e = expected.At(x, y);
      bool same = true;
      for (int shift = 0; shift < 32; shift += 8) {
        int d = int((a >> shift) & 0xFF) - int((e >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) same = false;
      }
      if (!same && differing++ == 0)
        first << std::hex << "first at (" << std::dec << x << ", " << y << "): 0x" << std::hex << a
              << " instead of 0x" << e;
    }
  if (differing == 0) return ::testing::AssertionSuccess();
  std::ostringstream s;
  s << differing << " pixels differ; " << first.str();
  return failed(s.str());
}

}  // namespace golden
