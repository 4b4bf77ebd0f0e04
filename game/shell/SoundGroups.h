// The sound groups whose volumes the options set: effects, and the music of scenes and menus.
#pragma once

#include <cstdint>

inline constexpr int32_t kEffectsGroup = 1000;
inline constexpr int32_t kMusicGroup = 1001;
