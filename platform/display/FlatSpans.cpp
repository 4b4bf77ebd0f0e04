// The span writer behind Device::DrawSpans: runs of one colour straight into the target's
// rows, with the arithmetic of the span loops, so they give the pixels a level line gives.
#include <algorithm>
#include <cstring>

#include "platform/display/Raster.h"

namespace platform::display::raster {
namespace {

// What Shade makes of an untextured diffuse colour c: the texture's colour and alpha read as
// opaque white.
uint32_t FlatSource(const DrawState& ds, uint32_t c) {
  uint32_t rgb = ds.colourSource == ColourSource::Texture ? 0xFFFFFFu : c & 0xFFFFFFu;
  uint32_t a = c >> 24;
  if (ds.alphaSource == AlphaSource::Texture) a = 255;
  if (ds.alphaSource == AlphaSource::Constant) a = ds.constantAlpha;
  return rgb | a << 24;
}

void Fill(uint32_t* dst, int32_t n, uint32_t c) {
  for (int32_t i = 0; i < n; ++i) dst[i] = c;
}

// (s * a + d * (255 - a)) / 255 rounded for every channel, as Blend does: two channels at a
// time 16 bits apart; `sa` holds the colour's channels times a, plus 128, the same way.
inline uint32_t MixOne(uint32_t d, uint32_t a, uint32_t saRB, uint32_t saAG) {
  uint32_t rb = (d & 0x00FF00FFu) * (255 - a) + saRB;
  uint32_t ag = ((d >> 8) & 0x00FF00FFu) * (255 - a) + saAG;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

// Blends one colour of alpha 1..254 over n pixels.
void BlendOne(uint32_t* dst, int32_t n, uint32_t s) {
  const uint32_t a = s >> 24;
  int32_t i = 0;
#if defined(__SSE2__)
  if (n >= 4) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(int16_t(255 - a));
    const __m128i c257 = _mm_set1_epi16(257);
    const __m128i base =
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(int32_t(s)), zero),
                                      _mm_set1_epi16(int16_t(a))),
                      _mm_set1_epi16(128));
    auto mix = [&](__m128i d) {
      return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(d, weight), base), c257);
    };
    for (; i + 4 <= n; i += 4) {
      __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      __m128i r =
          _mm_packus_epi16(mix(_mm_unpacklo_epi8(d, zero)), mix(_mm_unpackhi_epi8(d, zero)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), r);
    }
    if (i == n) return;
  }
#endif
  const uint32_t saRB = (s & 0x00FF00FFu) * a + 0x00800080u;
  const uint32_t saAG = ((s >> 8) & 0x00FF00FFu) * a + 0x00800080u;
  for (; i < n; ++i) dst[i] = MixOne(dst[i], a, saRB, saAG);
}

}  // namespace

void DrawFlatSpans(const DrawState& ds, const FlatSpan* spans, uint32_t count, int32_t dx,
                   int32_t dy, float z) {
  // Untextured copies and blends into 32-bit rows go straight in; every other state takes
  // the span loops, as the line would. The plan is read once: the rows written could alias it
  // as far as the compiler knows.
  const bool straight = ds.fast && !ds.useTexture && ds.targetDirect &&
                        (ds.write == WriteKind::Copy || ds.write == WriteKind::Alpha);
  const bool copy = ds.write == WriteKind::Copy;
  const bool asGiven =
      ds.colourSource != ColourSource::Texture &&
      (ds.alphaSource == AlphaSource::Diffuse || ds.alphaSource == AlphaSource::TexTimesDiffuse);
  const int64_t left = ds.scissor.left, right = ds.scissor.right;
  const int64_t top = ds.scissor.top, bottom = ds.scissor.bottom;
  uint8_t* const bits = ds.bits;
  const size_t pitch = size_t(ds.pitch);
  Span span;
  span.linearFilter = ds.magFilter == TextureFilter::Linear;
  span.flatColour = true;
  std::fill(span.d, span.d + kAttrCount, 0.0);
  for (uint32_t k = 0; k < count; ++k) {
    const FlatSpan s = spans[k];
    const int64_t y = int64_t(s.y) + dy;
    if (y < top || y >= bottom) continue;
    const int64_t x0 = std::max<int64_t>(int64_t(s.x0) + dx, left);
    const int64_t x1 = std::min<int64_t>(int64_t(s.x1) + dx, right);
    if (x0 >= x1) continue;
    const int32_t n = int32_t(x1 - x0);
    if (straight) {
      uint32_t* row = reinterpret_cast<uint32_t*>(bits + size_t(y) * pitch) + x0;
      const uint32_t c = asGiven ? s.colour : FlatSource(ds, s.colour);
      const uint32_t a = c >> 24;
      if (copy || a == 255) {
        Fill(row, n, c);
      } else if (n == 1 && a != 0) {
        *row = MixOne(*row, a, (c & 0x00FF00FFu) * a + 0x00800080u,
                      ((c >> 8) & 0x00FF00FFu) * a + 0x00800080u);
      } else if (a != 0) {
        BlendOne(row, n, c);
      }
      continue;
    }
    span.x0 = int32_t(x0);
    span.y = int32_t(y);
    span.count = n;
    span.a[kZ] = ds.zTest ? z : 0.0;
    span.a[kQ] = 1.0;
    span.a[kU] = span.a[kV] = 0.0;
    span.a[kA] = double(s.colour >> 24);
    span.a[kR] = double((s.colour >> 16) & 0xFF);
    span.a[kG] = double((s.colour >> 8) & 0xFF);
    span.a[kB] = double(s.colour & 0xFF);
    span.a[kSR] = span.a[kSG] = span.a[kSB] = 0.0;
    span.colour = s.colour;
    RenderSpan(ds, span);
  }
}

}  // namespace platform::display::raster
