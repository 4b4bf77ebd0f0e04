// Float to int conversion that is defined for every float: truncation toward zero, NaN as 0,
// and values past the int range held at its ends.
#pragma once

#include <climits>

inline int TruncToInt(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return INT_MAX;
  if (v <= -2147483520.0f) return INT_MIN;
  return static_cast<int>(v);
}
