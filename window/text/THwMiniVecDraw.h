// The one vector-font renderer; the platform makes it once the display exists.
#pragma once

class THwMiniVecDraw {
public:
  THwMiniVecDraw() = default;
  // Measures how the display rasterises spans; nothing to measure without a drawing back end.
  void Calibrate() {}
};
