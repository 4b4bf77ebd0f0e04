// Colours: four floats (TColor, 0..1 per channel) and the packed ARGB form (TColor32).
#pragma once

#include <cstdint>

struct TColor {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;

  TColor() = default;
  TColor(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}

  static TColor FromBytes(unsigned r, unsigned g, unsigned b, unsigned a) {
    return TColor(static_cast<float>(r / 255.0), static_cast<float>(g / 255.0),
                  static_cast<float>(b / 255.0), static_cast<float>(a / 255.0));
  }
  // A NaN channel always differs, so a colour change with NaN is never skipped.
  bool operator!=(const TColor& o) const {
    return !(r == o.r) || !(g == o.g) || !(b == o.b) || !(a == o.a);
  }
  bool operator==(const TColor& o) const { return !(*this != o); }
};

class TColor32 {
public:
  TColor32() = default;

  static TColor32 FromPacked(uint32_t argb) { return TColor32(argb); }
  static TColor32 FromBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return TColor32(uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
  }
  // Each channel times 255, truncated toward zero.
  static TColor32 FromColor(const TColor& c);

  uint32_t GetPacked() const { return mValue; }
  uint8_t GetAlpha() const { return uint8_t(mValue >> 24); }
  uint8_t GetRed() const { return uint8_t(mValue >> 16); }
  uint8_t GetGreen() const { return uint8_t(mValue >> 8); }
  uint8_t GetBlue() const { return uint8_t(mValue); }
  void SetAlpha(uint8_t v) { mValue = (mValue & 0x00FFFFFFu) | uint32_t(v) << 24; }
  void SetRed(uint8_t v) { mValue = (mValue & 0xFF00FFFFu) | uint32_t(v) << 16; }
  void SetGreen(uint8_t v) { mValue = (mValue & 0xFFFF00FFu) | uint32_t(v) << 8; }
  void SetBlue(uint8_t v) { mValue = (mValue & 0xFFFFFF00u) | v; }

  bool operator==(const TColor32& o) const { return mValue == o.mValue; }
  bool operator!=(const TColor32& o) const { return mValue != o.mValue; }

private:
  explicit TColor32(uint32_t v) : mValue(v) {}
  uint32_t mValue = 0;
};
