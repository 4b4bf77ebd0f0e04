// The sample story's first level, the harbour, as a player finds its objects: where each
// stands in the three pictures wide scene and which end of the scene it shows at.
#pragma once

#include <vector>

namespace sample {

// An object's middle in scene coordinates, and the end of the scene the player scrolls to
// before looking for it (-1 the left end, 1 the right, 0 the middle, where the level starts).
struct HiddenObject {
  const char* name;
  int x, y;
  int end;
};

inline const std::vector<HiddenObject> kHarbour = {
    {"bell", 1166, 306, 0},     {"umbrella", 1484, 404, 0}, {"key", 218, 302, -1},
    {"teacup", 148, 236, -1},   {"fish", 514, 345, -1},     {"anchor", 1844, 424, 1},
    {"starfish", 2033, 489, 1}, {"candle", 2094, 382, 1}};

// Where the scene sprite stands at either end of the harbour.
constexpr float kHarbourLeftEnd = 0.0f;
constexpr float kHarbourRightEnd = -1600.0f;

}  // namespace sample
