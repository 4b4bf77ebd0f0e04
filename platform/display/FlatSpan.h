// A horizontal run of pixels in one colour, the unit text is drawn in.
#pragma once

#include <cstdint>

namespace platform::display {

// Columns x0 .. x1 - 1 of row y in ARGB; x1 <= x0 is no pixel at all.
struct FlatSpan {
  int32_t x0, x1, y;
  uint32_t colour;
};

}  // namespace platform::display
