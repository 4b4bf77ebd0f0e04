// Texture creation and loading.
#include "platform/display/TextureLoader.h"

#include <algorithm>

#include "platform/display/PixelFormat.h"

namespace platform::display {
namespace {

int32_t PowerOfTwo(int32_t v) {
  int32_t p = 1;
  while (p < v && p < (1 << 14)) p <<= 1;
  return p;
}

PixelFormat Choose(const Display& display, PixelFormat wanted) {
  std::vector<PixelFormat> have = display.TextureFormats();
  auto supported = [&](PixelFormat f) {
    return std::find(have.begin(), have.end(), f) != have.end();
  };
  if (supported(wanted)) return wanted;
  static const PixelFormat kWithAlpha[] = {PixelFormat::A8R8G8B8, PixelFormat::A4R4G4B4,
                                           PixelFormat::A1R5G5B5};
  static const PixelFormat kOpaque[] = {PixelFormat::X8R8G8B8, PixelFormat::R5G6B5,
                                        PixelFormat::X1R5G5B5, PixelFormat::A8R8G8B8,
                                        PixelFormat::A4R4G4B4, PixelFormat::A1R5G5B5};
  if (HasAlpha(wanted)) {
    for (PixelFormat f : kWithAlpha)
      if (supported(f)) return f;
  }
  for (PixelFormat f : kOpaque)
    if (supported(f)) return f;
  return PixelFormat::Unknown;
}

}  // namespace

Result CreateTexture(Display& display, int32_t width, int32_t height, PixelFormat wanted,
                     std::shared_ptr<Surface>& out, bool uncleared) {
  out.reset();
  if (width <= 0 || height <= 0) return kInvalidArgument;
  const AdapterCaps& caps = display.GetCaps();
  if (caps.powerOfTwoTexturesOnly) {
    width = PowerOfTwo(width);
    height = PowerOfTwo(height);
  }
  if (caps.squareTexturesOnly) width = height = std::max(width, height);
  width = std::min(width, caps.maxTextureWidth);
  height = std::min(height, caps.maxTextureHeight);
  if (caps.squareTexturesOnly) width = height = std::min(width, height);
  PixelFormat format = Choose(display, wanted);
  if (format == PixelFormat::Unknown || width <= 0 || height <= 0) return kInvalidArgument;
  SurfaceDesc desc;
  desc.width = width;
  desc.height = height;
  desc.format = format;
  desc.caps = kCapsTexture | (uncleared ? uint32_t(kCapsUncleared) : 0u);
  return display.CreateSurface(desc, out);
}

Result LoadTexture(Surface& texture, const uint32_t* argb, int32_t pitchPixels, int32_t width,
                   int32_t height) {
  if (!argb || width < 0 || height < 0 || pitchPixels < width) return kInvalidArgument;
  int32_t w = std::min(width, texture.Width()), h = std::min(height, texture.Height());
  LockedRect lr;
  Result r = texture.Lock(nullptr, lr);
  if (Failed(r)) return r;
  for (int32_t y = 0; y < h; ++y)
    RowFromArgb(texture.Format(), argb + size_t(y) * size_t(pitchPixels),
                lr.bits + size_t(y) * lr.pitch, w);
  return texture.Unlock();
}

}  // namespace platform::display
