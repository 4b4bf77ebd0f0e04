// Pixel format tables and conversions.
#include "platform/display/PixelFormat.h"

#include <cstring>

namespace platform::display {
namespace {

inline uint32_t Widen5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Widen6(uint32_t v) { return (v << 2) | (v >> 4); }
inline uint32_t Widen4(uint32_t v) { return v * 17; }

inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

FormatInfo Describe(PixelFormat format) {
  switch (format) {
    case PixelFormat::A8R8G8B8: return {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, false};
    case PixelFormat::X8R8G8B8: return {32, 0xFF0000, 0xFF00, 0xFF, 0, false};
    case PixelFormat::R8G8B8: return {24, 0xFF0000, 0xFF00, 0xFF, 0, false};
    case PixelFormat::R5G6B5: return {16, 0xF800, 0x07E0, 0x001F, 0, false};
    case PixelFormat::X1R5G5B5: return {16, 0x7C00, 0x03E0, 0x001F, 0, false};
    case PixelFormat::A1R5G5B5: return {16, 0x7C00, 0x03E0, 0x001F, 0x8000, false};
    case PixelFormat::A4R4G4B4: return {16, 0x0F00, 0x00F0, 0x000F, 0xF000, false};
    case PixelFormat::D16: return {16, 0, 0, 0, 0, true};
    case PixelFormat::D32: return {32, 0, 0, 0, 0, true};
    case PixelFormat::Unknown: break;
  }
  return {};
}

int32_t BytesPerPixel(PixelFormat format) { return Describe(format).bitsPerPixel / 8; }

bool HasAlpha(PixelFormat format) { return Describe(format).alphaMask != 0; }

uint32_t ToArgb(PixelFormat format, const uint8_t* p) {
  switch (format) {
    case PixelFormat::A8R8G8B8: return Load32(p);
    case PixelFormat::X8R8G8B8: return Load32(p) | 0xFF000000u;
    case PixelFormat::R8G8B8:
      return 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    case PixelFormat::R5G6B5: {
      uint32_t v = Load16(p);
      return 0xFF000000u | Widen5(v >> 11) << 16 | Widen6((v >> 5) & 63) << 8 | Widen5(v & 31);
    }
    case PixelFormat::X1R5G5B5:
    case PixelFormat::A1R5G5B5: {
      uint32_t v = Load16(p);
      uint32_t a = format == PixelFormat::X1R5G5B5 || (v & 0x8000) ? 0xFF000000u : 0;
      return a | Widen5((v >> 10) & 31) << 16 | Widen5((v >> 5) & 31) << 8 | Widen5(v & 31);
    }
    case PixelFormat::A4R4G4B4: {
      uint32_t v = Load16(p);
      return Widen4(v >> 12) << 24 | Widen4((v >> 8) & 15) << 16 | Widen4((v >> 4) & 15) << 8 |
             Widen4(v & 15);
    }
    default: return 0;
  }
}

uint32_t PackArgb(PixelFormat format, uint32_t c) {
  uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
  switch (format) {
    case PixelFormat::A8R8G8B8: return c;
    case PixelFormat::X8R8G8B8: return c & 0xFFFFFF;
    case PixelFormat::R8G8B8: return c & 0xFFFFFF;
    case PixelFormat::R5G6B5: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case PixelFormat::X1R5G5B5: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case PixelFormat::A1R5G5B5: return (a >> 7) << 15 | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case PixelFormat::A4R4G4B4: return (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4);
    default: return 0;
  }
}

void FromArgb(PixelFormat format, uint32_t argb, uint8_t* p) {
  uint32_t v = PackArgb(format, argb);
  switch (BytesPerPixel(format)) {
    case 4: Store32(p, v); break;
    case 3:
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
      break;
    case 2: Store16(p, uint16_t(v)); break;
    default: break;
  }
}

void RowToArgb(PixelFormat format, const uint8_t* src, uint32_t* dst, int32_t count) {
  if (format == PixelFormat::A8R8G8B8) {
    std::memcpy(dst, src, size_t(count) * 4);
    return;
  }
  if (format == PixelFormat::X8R8G8B8) {
    for (int32_t i = 0; i < count; ++i) dst[i] = Load32(src + 4 * i) | 0xFF000000u;
    return;
  }
  int32_t bpp = BytesPerPixel(format);
  for (int32_t i = 0; i < count; ++i) dst[i] = ToArgb(format, src + bpp * i);
}

void RowFromArgb(PixelFormat format, const uint32_t* src, uint8_t* dst, int32_t count) {
  if (format == PixelFormat::A8R8G8B8 || format == PixelFormat::X8R8G8B8) {
    std::memcpy(dst, src, size_t(count) * 4);
    return;
  }
  int32_t bpp = BytesPerPixel(format);
  for (int32_t i = 0; i < count; ++i) FromArgb(format, src[i], dst + bpp * i);
}

}  // namespace platform::display
