// 2-D affine transform for row vectors: p' = p * M; rows 0 and 1 hold the linear part, row 2
// the translation (x, y, 1). A product a * b applies a first, then b.
#pragma once

#include "core/TVec.h"

struct TMat3 {
  TVec3 m[3];

  TMat3() : m{TVec3(1, 0, 0), TVec3(0, 1, 0), TVec3(0, 0, 1)} {}
  TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
        float m22)
      : m{TVec3(m00, m01, m02), TVec3(m10, m11, m12), TVec3(m20, m21, m22)} {}
  TMat3(const TMat3&) = default;
  TMat3& operator=(const TMat3&) = default;

  float& operator()(int row, int col) { return Element(m[row], col); }
  float operator()(int row, int col) const { return Element(const_cast<TVec3&>(m[row]), col); }

  static TMat3 Rotation(float radians);
  // Turn or scale the linear part; the translation row stays, so the object keeps its place.
  void Rotate(float radians);
  void Scale(float sx, float sy);
  void Scale(float s) { Scale(s, s); }

private:
  static float& Element(TVec3& v, int col) {
    switch (col) {
      case 0: return v.x;
      case 1: return v.y;
      default: return v.z;
    }
  }
};

TVec2 operator*(const TVec2& p, const TMat3& m);
TMat3 operator*(const TMat3& a, const TMat3& b);
// Product of the 2x2 linear parts (a then b); the translation row is a's.
TMat3 MulLinear(const TMat3& a, const TMat3& b);
