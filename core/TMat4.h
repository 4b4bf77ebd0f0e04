// 4x4 row-major float matrix for the display's transforms (row vectors, p' = p * M).
#pragma once

#include "core/TVec.h"

struct TMat4 {
  TVec4 m[4];

  TMat4() : m{TVec4(1, 0, 0, 0), TVec4(0, 1, 0, 0), TVec4(0, 0, 1, 0), TVec4(0, 0, 0, 1)} {}
  TMat4(const TMat4&) = default;
  TMat4& operator=(const TMat4&) = default;
  ~TMat4() = default;

  float& operator()(int row, int col) { return Element(m[row], col); }
  float operator()(int row, int col) const { return Element(const_cast<TVec4&>(m[row]), col); }

  // Left-handed perspective; a lens shift moves the image centre off the axis.
  void SetPerspective(float nearZ, float farZ, float fovY, float aspect, const TVec2& lensShift);

private:
  static float& Element(TVec4& v, int col) {
    switch (col) {
      case 0: return v.x;
      case 1: return v.y;
      case 2: return v.z;
      default: return v.w;
    }
  }
};
