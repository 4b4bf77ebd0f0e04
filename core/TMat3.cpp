#include "core/TMat3.h"

#include <cmath>

TVec2 operator*(const TVec2& p, const TMat3& m) {
  return TVec2(p.x * m(0, 0) + p.y * m(1, 0) + m(2, 0), p.x * m(0, 1) + p.y * m(1, 1) + m(2, 1));
}

TMat3 operator*(const TMat3& a, const TMat3& b) {
  TMat3 c;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) c(i, j) = a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j);
  return c;
}

TMat3 MulLinear(const TMat3& a, const TMat3& b) {
  TMat3 c(a);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) c(i, j) = a(i, 0) * b(0, j) + a(i, 1) * b(1, j);
  return c;
}

TMat3 TMat3::Rotation(float radians) {
  const float c = std::cos(radians), s = std::sin(radians);
  return TMat3(c, s, 0, -s, c, 0, 0, 0, 1);
}

void TMat3::Rotate(float radians) { *this = MulLinear(*this, Rotation(radians)); }

void TMat3::Scale(float sx, float sy) {
  *this = MulLinear(*this, TMat3(sx, 0, 0, 0, sy, 0, 0, 0, 1));
}
