// The span writer behind Device::DrawSpans: runs of one colour straight into the target's
// rows, with the arithmetic of the span loops, so they give the pixels a level line gives.
#include <algorithm>
#include <cstring>

#include "platform/display/Raster.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(ENGINE_RASTER_NO_AVX2)
#include <immintrin.h>
#define ENGINE_MASK_AVX2 1
#endif

namespace platform::display::raster {
namespace {

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

inline uint32_t MixColour(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24;
  return MixOne(d, a, (s & 0x00FF00FFu) * a + 0x00800080u,
                ((s >> 8) & 0x00FF00FFu) * a + 0x00800080u);
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

#if defined(ENGINE_MASK_AVX2)
// BlendMaskRow's steps eight pixels at a time, lane by lane the same arithmetic; answers how
// many pixels it did (a multiple of eight).
__attribute__((target("avx2"))) int32_t BlendMaskRow8(uint32_t* dst, const uint8_t* alphas,
                                                      int32_t n, uint32_t rgb) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c255 = _mm256_set1_epi16(255);
  const __m256i c128 = _mm256_set1_epi16(128);
  const __m256i c257 = _mm256_set1_epi16(257);
  const __m256i colour = _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(rgb & 0xFFFFFFu)), zero);
  const __m256i alphaLanes = _mm256_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0);
  auto mix = [&](__m256i d, __m256i a) __attribute__((target("avx2"))) {
    const __m256i s = _mm256_or_si256(colour, _mm256_and_si256(a, alphaLanes));
    const __m256i x =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(s, a),
                                          _mm256_mullo_epi16(d, _mm256_xor_si256(a, c255))),
                         c128);
    return _mm256_mulhi_epu16(x, c257);
  };
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (i + 32 <= n &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(alphas + i)), zero)) == -1) {
      i += 24;
      continue;
    }
    uint64_t eight;
    std::memcpy(&eight, alphas + i, 8);
    if (eight == 0) continue;
    // Each alpha four times over, in the order the unpacks take the pixels: 0, 1, 4, 5 low
    // and 2, 3, 6, 7 high.
    const __m128i bytes = _mm_cvtsi64_si128(int64_t(eight));
    const __m128i twice = _mm_unpacklo_epi8(bytes, bytes);
    const __m128i first = _mm_unpacklo_epi16(twice, twice), last = _mm_unpackhi_epi16(twice, twice);
    const __m256i alo = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(first, last));
    const __m256i ahi = _mm256_cvtepu8_epi16(_mm_unpackhi_epi64(first, last));
    __m256i* out = reinterpret_cast<__m256i*>(dst + i);
    const __m256i d = _mm256_loadu_si256(out);
    _mm256_storeu_si256(out, _mm256_packus_epi16(mix(_mm256_unpacklo_epi8(d, zero), alo),
                                                 mix(_mm256_unpackhi_epi8(d, zero), ahi)));
  }
  return i;
}
#endif

// Blends the colour rgb over n pixels, each with its own alpha (0 leaves the pixel as it is):
// the arithmetic of BlendOne, pixel by pixel.
void BlendMaskRow(uint32_t* dst, const uint8_t* alphas, int32_t n, uint32_t rgb) {
  int32_t i = 0;
#if defined(ENGINE_MASK_AVX2)
  if (n >= 8 && HasAvx2()) i = BlendMaskRow8(dst, alphas, n, rgb);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i c128 = _mm_set1_epi16(128);
  const __m128i c257 = _mm_set1_epi16(257);
  // The colour's channels in 16 bits for two pixels, its alpha lanes left for each pixel's.
  const __m128i colour = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(rgb & 0xFFFFFFu)), zero);
  const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  auto mix = [&](__m128i d, __m128i a) {
    const __m128i s = _mm_or_si128(colour, _mm_and_si128(a, alphaLanes));
    const __m128i x = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_xor_si128(a, c255))), c128);
    return _mm_mulhi_epu16(x, c257);
  };
  for (; i + 4 <= n; i += 4) {
    // The gaps between glyphs and around them are skipped sixteen pixels at a time.
    if (i + 16 <= n &&
        _mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(alphas + i)), zero)) == 0xFFFF) {
      i += 12;
      continue;
    }
    uint32_t four;
    std::memcpy(&four, alphas + i, 4);
    if (four == 0) continue;
    const __m128i a8 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(four)), zero);
    const __m128i pairs = _mm_unpacklo_epi16(a8, a8);
    const __m128i alo = _mm_unpacklo_epi32(pairs, pairs), ahi = _mm_unpackhi_epi32(pairs, pairs);
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    const __m128i d = _mm_loadu_si128(out);
    _mm_storeu_si128(out, _mm_packus_epi16(mix(_mm_unpacklo_epi8(d, zero), alo),
                                           mix(_mm_unpackhi_epi8(d, zero), ahi)));
  }
#endif
  for (; i < n; ++i)
    if (alphas[i] != 0) dst[i] = MixColour(dst[i], (rgb & 0xFFFFFFu) | uint32_t(alphas[i]) << 24);
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
        *row = MixColour(*row, c);
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

void DrawMaskSpans(const DrawState& ds, const AlphaMask& mask, int32_t dx, int32_t dy, float z) {
  const int64_t x = int64_t(mask.x) + dx, y = int64_t(mask.y) + dy;
  const uint32_t rgb = mask.rgb;
  const int64_t x0 = std::max<int64_t>(x, ds.scissor.left);
  const int64_t x1 = std::min<int64_t>(x + mask.width, ds.scissor.right);
  const int64_t y0 = std::max<int64_t>(y, ds.scissor.top);
  const int64_t y1 = std::min<int64_t>(y + mask.height, ds.scissor.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const bool straight =
      ds.fast && !ds.useTexture && ds.targetDirect && ds.write == WriteKind::Alpha &&
      ds.colourSource != ColourSource::Texture &&
      (ds.alphaSource == AlphaSource::Diffuse || ds.alphaSource == AlphaSource::TexTimesDiffuse);
  for (int64_t row = y0; row < y1; ++row) {
    const uint8_t* a = mask.alphas + size_t(row - y) * size_t(mask.pitch) + size_t(x0 - x);
    const int32_t n = int32_t(x1 - x0);
    if (straight) {
      BlendMaskRow(reinterpret_cast<uint32_t*>(ds.bits + size_t(row) * size_t(ds.pitch)) + x0, a, n,
                   rgb);
      continue;
    }
    // Any other state: the row's pixels as spans, alike alphas side by side as one.
    FlatSpan spans[64];
    uint32_t count = 0;
    for (int32_t i = 0; i < n;) {
      int32_t j = i + 1;
      while (j < n && a[j] == a[i]) ++j;
      if (a[i] != 0) {
        spans[count++] = {int32_t(x0) + i, int32_t(x0) + j, int32_t(row),
                          (rgb & 0xFFFFFFu) | uint32_t(a[i]) << 24};
        if (count == 64) {
          DrawFlatSpans(ds, spans, count, 0, 0, z);
          count = 0;
        }
      }
      i = j;
    }
    DrawFlatSpans(ds, spans, count, 0, 0, z);
  }
}

}  // namespace platform::display::raster
