// Horizontal runs of pixels in one colour, the unit text is drawn in, and masks of them.
#pragma once

#include <cstdint>

namespace platform::display {

// Columns x0 .. x1 - 1 of row y in ARGB; x1 <= x0 is no pixel at all.
struct FlatSpan {
  int32_t x0, x1, y;
  uint32_t colour;
};

// Alphas of one colour: each pixel whose alpha is above 0 stands for a span of one pixel in
// rgb with that alpha.
struct AlphaMask {
  const uint8_t* alphas;  // rows `pitch` bytes apart
  int32_t pitch, width, height, x, y;
  uint32_t rgb;
};

}  // namespace platform::display
