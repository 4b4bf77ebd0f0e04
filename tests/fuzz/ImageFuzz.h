// What the image targets check of a decoded image: a power-of-two square that holds it, every
// byte of which can be read.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "render/ImageDecoders.h"

namespace fuzz {

inline void CheckImage(const std::unique_ptr<uint8_t[]>& buffer, int width, int height, int side) {
  if (!buffer || width <= 0 || height <= 0 || width > side || height > side) abort();
  if (side != ImageSide(width, height)) abort();
  uint32_t sum = 0;
  size_t bytes = size_t(side) * size_t(side) * 4;
  for (size_t i = 0; i < bytes; i += 61) sum += buffer[i];
  sum += buffer[bytes - 1];
  (void)sum;
}

}  // namespace fuzz
