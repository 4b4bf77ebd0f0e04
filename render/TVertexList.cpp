// Quad vertices.
#include "render/TVertexList.h"

#include <cmath>
#include <cstring>

namespace {

// alpha x 255 truncated and clamped to a byte; NaN counts as 0.
uint32_t AlphaByte(float alpha) {
  float v = alpha * 255.0f;
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return uint32_t(v);
}

// channel x 255 truncated toward zero, keeping its low 8 bits (a channel outside 0..1 wraps
// rather than saturates). Values beyond the integer range are pinned first so the
// conversion stays defined.
uint32_t ChannelByte(float channel) {
  double v = double(channel) * 255.0;
  if (!std::isfinite(v)) return 0;
  if (v > 2147483647.0) v = 2147483647.0;
  if (v < -2147483648.0) v = -2147483648.0;
  return uint32_t(int64_t(v)) & 0xFF;
}

}  // namespace

void FillQuadVertices(const TVec2& offset, TLitVertex out[4], TVec2 corners[4],
                      const TVec2 texCorners[2], const TMat3& transform, float alpha,
                      const TColor& tint) {
  std::memset(static_cast<void*>(out), 0, 4 * sizeof(TLitVertex));
  uint32_t colour = AlphaByte(alpha) << 24 | ChannelByte(tint.r) << 16 | ChannelByte(tint.g) << 8 |
                    ChannelByte(tint.b);
  const float half = 0.5f;
  uint32_t reserved;
  std::memcpy(&reserved, &half, 4);
  const float us[4] = {texCorners[0].x, texCorners[1].x, texCorners[1].x, texCorners[0].x};
  const float vs[4] = {texCorners[0].y, texCorners[0].y, texCorners[1].y, texCorners[1].y};
  for (int k = 0; k < 4; ++k) {
    corners[k] = corners[k] * transform;
    out[k].x = corners[k].x + offset.x;
    out[k].y = corners[k].y + offset.y;
    out[k].z = 0.1f;
    out[k].reserved = reserved;
    out[k].diffuse = colour;
    out[k].specular = 0xFF000000u;
    out[k].u = us[k];
    out[k].v = vs[k];
  }
}
