// Integer points and rectangles in window coordinates. A rectangle's right and bottom edges
// are exclusive, so width = right - left.
#pragma once

#include <algorithm>
#include <cstdint>

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;

  TPoint() = default;
  TPoint(int32_t x_, int32_t y_) : x(x_), y(y_) {}
};

inline bool operator==(const TPoint& a, const TPoint& b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const TPoint& a, const TPoint& b) { return !(a == b); }

struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  TRect() { Validate(); }
  TRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {
    Validate();
  }
  TRect(const TRect& o) : left(o.left), top(o.top), right(o.right), bottom(o.bottom) { Validate(); }
  TRect& operator=(const TRect&) = default;

  // Rectangles are taken as given: empty and inverted ones are legal values.
  void Validate() {}

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }

  void SetUnion(const TRect& a, const TRect& b) {
    left = std::min(a.left, b.left);
    top = std::min(a.top, b.top);
    right = std::max(a.right, b.right);
    bottom = std::max(a.bottom, b.bottom);
  }
  // May come out empty or inverted; callers treat left >= right or top >= bottom as nothing.
  void SetIntersection(const TRect& a, const TRect& b) {
    left = std::max(a.left, b.left);
    top = std::max(a.top, b.top);
    right = std::min(a.right, b.right);
    bottom = std::min(a.bottom, b.bottom);
  }
  bool Contains(const TPoint& p) const {
    return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
  }
  bool operator!=(const TRect& o) const {
    return left != o.left || top != o.top || right != o.right || bottom != o.bottom;
  }
  bool operator==(const TRect& o) const { return !(*this != o); }
};
