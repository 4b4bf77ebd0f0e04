// A 32-bit ARGB picture in memory, with PNG reading and writing. Headless frames are handed
// out as images; tests compare them with stored ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display/Types.h"

namespace platform::display {

class Surface;

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // ARGB, rows top to bottom, no padding

  uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  bool Empty() const { return pixels.empty(); }

  // A copy of the surface's pixels (formats without alpha read as opaque).
  static Image FromSurface(const Surface& surface);
  // The same into this image, reusing its memory when the size did not grow.
  void CopyFrom(const Surface& surface);
  // Writes an RGBA PNG; false (and nothing half-written left under the name) on failure.
  bool SavePng(const std::string& path) const;
  // Reads any PNG as ARGB; false on a missing or malformed file.
  bool LoadPng(const std::string& path);
};

}  // namespace platform::display
