// Float vectors: positions and sizes (TVec2), and the rows of the 3x3 and 4x4 matrices.
#pragma once

#include <cmath>

struct TVec3;

struct TVec2 {
  float x = 0.0f;
  float y = 0.0f;

  TVec2() = default;
  TVec2(float x_, float y_) : x(x_), y(y_) {}
  TVec2(const TVec2&) = default;
  // Reads x and y, e.g. the translation row of a TMat3 as a position.
  TVec2(const TVec3& v);
  TVec2& operator=(const TVec2&) = default;

  TVec2& operator+=(const TVec2& o) {
    x += o.x;
    y += o.y;
    return *this;
  }
  TVec2& operator-=(const TVec2& o) {
    x -= o.x;
    y -= o.y;
    return *this;
  }
  TVec2& operator*=(float s) {
    x *= s;
    y *= s;
    return *this;
  }
  TVec2& operator/=(float s) {
    x /= s;
    y /= s;
    return *this;
  }
  TVec2 operator-() const { return TVec2(-x, -y); }

  float LengthSquared() const;
  float Length() const { return std::sqrt(LengthSquared()); }
};

inline bool operator==(const TVec2& a, const TVec2& b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const TVec2& a, const TVec2& b) { return !(a == b); }
inline TVec2 operator+(const TVec2& a, const TVec2& b) { return TVec2(a.x + b.x, a.y + b.y); }
inline TVec2 operator-(const TVec2& a, const TVec2& b) { return TVec2(a.x - b.x, a.y - b.y); }
inline TVec2 operator*(const TVec2& v, float s) { return TVec2(v.x * s, v.y * s); }
inline TVec2 operator*(float s, const TVec2& v) { return TVec2(v.x * s, v.y * s); }
inline float Dot(const TVec2& a, const TVec2& b) { return a.x * b.x + a.y * b.y; }
inline float TVec2::LengthSquared() const { return Dot(*this, *this); }

struct TVec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  TVec3() = default;
  TVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  TVec3(const TVec3&) = default;
  // Translation rows are built as (x, y, 1).
  TVec3(const TVec2& v, float z_) : x(v.x), y(v.y), z(z_) {}
  TVec3& operator=(const TVec3&) = default;
};

inline TVec2::TVec2(const TVec3& v) : x(v.x), y(v.y) {}

struct TVec4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  TVec4() = default;
  TVec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
  TVec4(const TVec4&) = default;
  TVec4& operator=(const TVec4&) = default;
};
