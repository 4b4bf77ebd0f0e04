// Filter tests run the engine on the headless display, so textures have real pixels: helpers
// to fill a texture, read it back as an image, and the fixture picture the goldens start from.
#pragma once

#include <functional>

#include "engine/render/RenderFixture.h"
#include "render/TTexture.h"

inline boost::shared_ptr<TTexture> MakeTexture(int w, int h,
                                               const std::function<uint32_t(int, int)>& fn) {
  boost::shared_ptr<TTexture> t = TTexture::Create(w, h, true);
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (!t || !lock.Lock(pixels, pitch, t.get())) return boost::shared_ptr<TTexture>();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * pitch + x] = fn(x, y);
  return t;
}

inline platform::display::Image ReadBack(const boost::shared_ptr<TTexture>& t) {
  platform::display::Image img;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (!t || !lock.Lock(pixels, pitch, t.get())) return img;
  img.width = t->GetWidth();
  img.height = t->GetHeight();
  img.pixels.resize(static_cast<size_t>(img.width) * img.height);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      img.pixels[static_cast<size_t>(y) * img.width + x] =
          pixels[static_cast<size_t>(y) * pitch + x];
  return img;
}

// 48 x 32: a colour ramp with a white bar, a black disc, and a transparent right-hand strip.
inline uint32_t FixturePixel(int x, int y) {
  if (x >= 40) return 0x00000000u;
  const int dx = x - 28, dy = y - 16;
  if (dx * dx + dy * dy < 36) return 0xFF000000u;
  if (y >= 6 && y < 10 && x >= 4 && x < 24) return 0xFFFFFFFFu;
  const uint32_t r = static_cast<uint32_t>(x * 6), g = static_cast<uint32_t>(y * 8),
                 b = static_cast<uint32_t>(200 - x * 4);
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}
