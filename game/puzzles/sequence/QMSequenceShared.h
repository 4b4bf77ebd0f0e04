// What every sequence puzzle shares: the slide speed of the pieces, the snap cell under the
// dragged piece, whether a slide has already sounded, and the clearable texture maps that the
// puzzle's window classes keep one of each.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/TRect.h"
#include "render/TAssetMap.h"
#include "window/TWindowStyle.h"

struct QMSequenceShared {
  // Pixels per 16 ms tick; zero or less places a sliding piece at once.
  static inline float pieceAnimateSpeed = 5.0f;
  // Top-left corner of the row cell under the dragged piece's centre; (0, 0) is off the row.
  static inline TPoint snapPoint;
  static inline bool slideSoundPlayed = false;
};

// A layout position, kept where the puzzle's integer arithmetic cannot overflow.
inline double QMSequenceCoordinate(TWindowStyle& style, const char* key, double def) {
  constexpr double kLimit = 1000000.0;
  const double v = style.GetNumber(key, def);
  return std::isnan(v) ? def : std::clamp(v, -kLimit, kLimit);
}

// A class's texture map: loads on demand once switched on, and drops every texture when any
// window of the class dies.
class QMSequenceAssetMap {
public:
  TAssetMap& Get() {
    if (!mMap) mMap.emplace();
    return *mMap;
  }
  void Clear() { mMap.reset(); }

private:
  std::optional<TAssetMap> mMap;
};
