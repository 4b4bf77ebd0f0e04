#include "core/TColor.h"

#include <cmath>

namespace {

// Channels are expected in 0..1; anything else (NaN included) is pinned into a byte instead
// of leaving the float-to-integer conversion undefined or spilling into the next channel.
uint8_t ChannelByte(float v) {
  const float scaled = v * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<uint8_t>(scaled);
}

}  // namespace

TColor32 TColor32::FromColor(const TColor& c) {
  return FromBytes(ChannelByte(c.r), ChannelByte(c.g), ChannelByte(c.b), ChannelByte(c.a));
}
