#include "core/TMat4.h"

#include <cmath>

namespace {

// A full shift (magnitude exactly 1) would divide by zero; it stands for "very far off".
float ShiftTerm(float s) {
  const float rest = 1.0f - std::fabs(s);
  return rest == 0.0f ? -10000.0f : s / rest;
}

}  // namespace

void TMat4::SetPerspective(float nearZ, float farZ, float fovY, float aspect,
                           const TVec2& lensShift) {
  const float c = 1.0f / std::tan(fovY / 2.0f);
  for (TVec4& row : m) row = TVec4();
  (*this)(0, 0) = c * aspect;
  (*this)(1, 1) = c;
  (*this)(2, 0) = ShiftTerm(-lensShift.x);
  (*this)(2, 1) = ShiftTerm(lensShift.y);
  (*this)(2, 2) = farZ / (farZ - nearZ);
  (*this)(2, 3) = 1.0f;
  (*this)(3, 2) = -nearZ * farZ / (farZ - nearZ);
}
