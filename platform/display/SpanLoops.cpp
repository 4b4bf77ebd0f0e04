// Span loops: the pixels of one row of a primitive. Each span runs either through the
// reference pipeline (every state honoured per pixel, floating-point attributes) or through
// the fast loops planned once per draw: fixed-point texel stepping with a copy path for
// texel-aligned unscaled spans, a combiner for the common texture x diffuse cases, and SSE2
// writers for copy, alpha blending and additive blending. Both round the same way; they can
// differ only where stepped fixed-point coordinates cross a texel boundary or a colour step a
// little earlier than the exact ones.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/display/PixelFormat.h"
#include "platform/display/Raster.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The 256-bit loops are chosen at run time; defining ENGINE_RASTER_NO_AVX2 leaves them out,
// to compare the others against them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(ENGINE_RASTER_NO_AVX2)
#include <immintrin.h>
#define ENGINE_RASTER_AVX2 1
#endif

namespace platform::display::raster {
namespace {

constexpr int32_t kChunk = 256;

inline uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

inline uint32_t Modulate(uint32_t a, uint32_t b) {
  return Div255(Channel(a, 24) * Channel(b, 24)) << 24 |
         Div255(Channel(a, 16) * Channel(b, 16)) << 16 |
         Div255(Channel(a, 8) * Channel(b, 8)) << 8 | Div255((a & 0xFF) * (b & 0xFF));
}

// Weighs two pixels, f in 0..256 for the second; two channels at a time.
inline uint32_t Mix(uint32_t a, uint32_t b, uint32_t f) {
  uint32_t g = 256 - f;
  uint32_t rb = (((a & 0x00FF00FF) * g + (b & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
  uint32_t ag = ((((a >> 8) & 0x00FF00FF) * g + ((b >> 8) & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
  return rb | ag << 8;
}

inline int32_t Address(int64_t i, int32_t size, TextureAddress mode) {
  switch (mode) {
    case TextureAddress::Clamp: return int32_t(std::clamp<int64_t>(i, 0, size - 1));
    case TextureAddress::Wrap: {
      int64_t m = i % size;
      return int32_t(m < 0 ? m + size : m);
    }
    case TextureAddress::Mirror: {
      int64_t p = int64_t(size) * 2;
      int64_t m = i % p;
      if (m < 0) m += p;
      return int32_t(m < size ? m : p - 1 - m);
    }
  }
  return 0;
}

inline uint32_t TexelAt(const DrawState& ds, int64_t ix, int64_t iy) {
  return ds.tex[size_t(Address(iy, ds.th, ds.addressV)) * size_t(ds.tpitch) +
                size_t(Address(ix, ds.tw, ds.addressU))];
}

// Samples at 16.16 texel coordinates (u, v).
inline uint32_t Sample(const DrawState& ds, int64_t u, int64_t v, bool linear) {
  if (!linear) return TexelAt(ds, u >> 16, v >> 16);
  int64_t tu = u - 32768, tv = v - 32768;
  int64_t ix = tu >> 16, iy = tv >> 16;
  uint32_t fx = uint32_t((tu >> 8) & 0xFF), fy = uint32_t((tv >> 8) & 0xFF);
  uint32_t top = Mix(TexelAt(ds, ix, iy), TexelAt(ds, ix + 1, iy), fx);
  uint32_t bottom = Mix(TexelAt(ds, ix, iy + 1), TexelAt(ds, ix + 1, iy + 1), fx);
  return Mix(top, bottom, fy);
}

inline bool Compare(CompareFunc f, uint32_t value, uint32_t ref) {
  switch (f) {
    case CompareFunc::Never: return false;
    case CompareFunc::Less: return value < ref;
    case CompareFunc::Equal: return value == ref;
    case CompareFunc::LessEqual: return value <= ref;
    case CompareFunc::Greater: return value > ref;
    case CompareFunc::NotEqual: return value != ref;
    case CompareFunc::GreaterEqual: return value >= ref;
    case CompareFunc::Always: return true;
  }
  return true;
}

inline uint32_t Factor(BlendFactor f, uint32_t src, int shift) {
  switch (f) {
    case BlendFactor::Zero: return 0;
    case BlendFactor::One: return 255;
    case BlendFactor::SrcColor: return Channel(src, shift);
    case BlendFactor::InvSrcColor: return 255 - Channel(src, shift);
    case BlendFactor::SrcAlpha: return Channel(src, 24);
    case BlendFactor::InvSrcAlpha: return 255 - Channel(src, 24);
  }
  return 0;
}

uint32_t BlendPixel(BlendFactor sf, BlendFactor df, uint32_t src, uint32_t dst) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t v = Div255(Channel(src, shift) * Factor(sf, src, shift) +
                        Channel(dst, shift) * Factor(df, src, shift));
    out |= std::min<uint32_t>(v, 255) << shift;
  }
  return out;
}

uint32_t Argument(const DrawState& ds, uint32_t arg, uint32_t tex, uint32_t diffuse) {
  uint32_t v;
  switch (arg & kArgSourceMask) {
    case kArgTexture: v = tex; break;
    case kArgFactor: v = ds.factor; break;
    default: v = diffuse; break;
  }
  if (arg & kArgAlphaReplicate) {
    uint32_t a = v >> 24;
    v = a << 24 | a << 16 | a << 8 | a;
  }
  return v;
}

uint32_t Combine(const DrawState& ds, uint32_t tex, uint32_t diffuse) {
  const TextureStage& s = ds.stage;
  uint32_t c1 = Argument(ds, s.colourArg1, tex, diffuse);
  uint32_t rgb = s.colourOp == TextureOp::Modulate
                     ? Modulate(c1, Argument(ds, s.colourArg2, tex, diffuse))
                     : c1;
  uint32_t a1 = Argument(ds, s.alphaArg1, tex, diffuse) >> 24;
  uint32_t a = s.alphaOp == TextureOp::Modulate
                   ? Div255(a1 * (Argument(ds, s.alphaArg2, tex, diffuse) >> 24))
                   : a1;
  return a << 24 | (rgb & 0xFFFFFF);
}

uint32_t DepthOf(PixelFormat f, double z) {
  z = z > 0.0 ? std::min(z, 1.0) : 0.0;  // NaN counts as 0
  return f == PixelFormat::D16 ? uint32_t(z * 65535.0 + 0.5) : uint32_t(z * 4294967295.0 + 0.5);
}

// The reference pipeline, one pixel at a time.
void ReferenceSpan(const DrawState& ds, const Span& sp, int32_t offset, int32_t n, uint32_t* dst) {
  for (int32_t i = 0; i < n; ++i) {
    double t = double(offset + i);
    auto at = [&](int k) { return sp.a[k] + sp.d[k] * t; };
    uint32_t tex = 0xFFFFFFFFu;
    if (ds.tex) {
      double q = ds.perspective ? at(kQ) : 1.0;
      if (q == 0) q = 1e-30;
      tex = Sample(ds, ToFixed(at(kU) / q), ToFixed(at(kV) / q), sp.linearFilter);
    }
    uint32_t diffuse =
        ToByte(at(kA)) << 24 | ToByte(at(kR)) << 16 | ToByte(at(kG)) << 8 | ToByte(at(kB));
    uint32_t c = Combine(ds, tex, diffuse);
    if (ds.specular) {
      uint32_t r = std::min<uint32_t>(Channel(c, 16) + ToByte(at(kSR)), 255);
      uint32_t g = std::min<uint32_t>(Channel(c, 8) + ToByte(at(kSG)), 255);
      uint32_t b = std::min<uint32_t>(Channel(c, 0) + ToByte(at(kSB)), 255);
      c = (c & 0xFF000000u) | r << 16 | g << 8 | b;
    }
    if (ds.alphaTest && !Compare(ds.alphaFunc, c >> 24, ds.alphaRef)) continue;
    if (ds.zTest) {
      uint8_t* zp = ds.zbits + size_t(sp.y) * ds.zpitch +
                    size_t(sp.x0 + offset + i) * (ds.zformat == PixelFormat::D16 ? 2 : 4);
      uint32_t z = DepthOf(ds.zformat, at(kZ)), stored;
      if (ds.zformat == PixelFormat::D16) {
        uint16_t s16;
        std::memcpy(&s16, zp, 2);
        stored = s16;
      } else {
        std::memcpy(&stored, zp, 4);
      }
      if (!Compare(ds.zFunc, z, stored)) continue;
      if (ds.zWrite) {
        if (ds.zformat == PixelFormat::D16) {
          uint16_t z16 = uint16_t(z);
          std::memcpy(zp, &z16, 2);
        } else {
          std::memcpy(zp, &z, 4);
        }
      }
    }
    dst[i] = ds.blend ? BlendPixel(ds.srcBlend, ds.dstBlend, c, dst[i]) : c;
  }
}

// Fast loops -------------------------------------------------------------------------------

// Point samples, with clamping alone or with any addressing.
template <bool kClamp>
void SamplePoint(const DrawState& ds, int64_t u, int64_t v, int64_t du, int64_t dv, int32_t n,
                 uint32_t* out) {
  const int64_t wmax = ds.tw - 1, hmax = ds.th - 1;
  for (int32_t i = 0; i < n; ++i, u += du, v += dv) {
    int64_t ix = u >> 16, iy = v >> 16;
    if constexpr (kClamp)
      out[i] = ds.tex[size_t(std::clamp<int64_t>(iy, 0, hmax)) * size_t(ds.tpitch) +
                      size_t(std::clamp<int64_t>(ix, 0, wmax))];
    else
      out[i] = TexelAt(ds, ix, iy);
  }
}

// Bilinear samples with any addressing, texel by texel.
void SampleLinearAddressed(const DrawState& ds, int64_t u, int64_t v, int64_t du, int64_t dv,
                           int32_t n, uint32_t* out) {
  for (int32_t i = 0; i < n; ++i, u += du, v += dv) out[i] = Sample(ds, u, v, true);
}

void WriteCopy(const uint32_t* src, uint32_t* dst, int32_t n) {
#if defined(__SSE2__)
  // Rows of small sprites and glyphs: cheaper in place than through a call.
  if (n <= 16) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    for (; i < n; ++i) dst[i] = src[i];
    return;
  }
#endif
  std::memcpy(dst, src, size_t(n) * 4);
}

// Copies a number of rows of n pixels in one call, sixteen a step: short rows cost less this
// way than through a call each, and for rows of 8 to 255 pixels 16-byte steps measured faster
// than 32-byte ones and than memcpy (texture and target pitches are powers of two, so a row's
// source and target often lie a multiple of 4 KiB apart).
void CopyRows(const uint32_t* src, int32_t srcPitch, uint32_t* dst, int32_t dstPitch, int32_t rows,
              int32_t n) {
#if defined(__SSE2__)
  auto copy4 = [](const uint32_t* from, uint32_t* to) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
  };
  if (n == 8) {
    // Small sprites: two loads and two stores a row.
    for (int32_t row = 0; row < rows; ++row, src += srcPitch, dst += dstPitch) {
      copy4(src, dst);
      copy4(src + 4, dst + 4);
    }
    return;
  }
  for (int32_t row = 0; row < rows; ++row, src += srcPitch, dst += dstPitch) {
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
      const auto* from = reinterpret_cast<const __m128i*>(src + i);
      const __m128i a = _mm_loadu_si128(from), b = _mm_loadu_si128(from + 1),
                    c = _mm_loadu_si128(from + 2), d = _mm_loadu_si128(from + 3);
      auto* to = reinterpret_cast<__m128i*>(dst + i);
      _mm_storeu_si128(to, a);
      _mm_storeu_si128(to + 1, b);
      _mm_storeu_si128(to + 2, c);
      _mm_storeu_si128(to + 3, d);
    }
    for (; i + 4 <= n; i += 4) copy4(src + i, dst + i);
    for (; i < n; ++i) dst[i] = src[i];
  }
#else
  for (int32_t row = 0; row < rows; ++row, src += srcPitch, dst += dstPitch)
    std::memcpy(dst, src, size_t(n) * 4);
#endif
}

#if defined(__SSE2__)
// (a x g + b x f) / 256 in 16-bit channels, truncated: the weighing of Mix.
inline __m128i Weigh(__m128i a, __m128i g, __m128i b, __m128i f) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, g), _mm_mullo_epi16(b, f)), 8);
}
#endif

#if defined(__SSE2__)
// Four texels times the tint (widened to 16 bits per channel), rounded as Modulate.
inline __m128i ModulateBy(__m128i s, __m128i tint, __m128i zero, __m128i c128, __m128i c257) {
  __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), tint), c128);
  __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), tint), c128);
  return _mm_packus_epi16(_mm_mulhi_epu16(lo, c257), _mm_mulhi_epu16(hi, c257));
}
#endif

#if defined(ENGINE_RASTER_AVX2)
// Processors with 256-bit integer vectors blend eight pixels a step; the arithmetic is the
// one of the four-pixel loop below, lane by lane, so both give the same pixels.
__attribute__((target("avx2"))) inline __m256i Weigh8(__m256i a, __m256i g, __m256i b, __m256i f) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, g), _mm256_mullo_epi16(b, f)), 8);
}

__attribute__((target("avx2"))) inline __m256i ModulateBy8(__m256i s, __m256i tint, __m256i zero,
                                                           __m256i c128, __m256i c257) {
  __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), tint), c128);
  __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), tint), c128);
  return _mm256_packus_epi16(_mm256_mulhi_epu16(lo, c257), _mm256_mulhi_epu16(hi, c257));
}

// Long rows (backgrounds) outgrow the near caches: 32-byte steps, with the source two rows
// ahead asked for on the way, measured faster there than the 16-byte steps.
__attribute__((target("avx2"))) void CopyLongRows(const uint32_t* src, int32_t srcPitch,
                                                  uint32_t* dst, int32_t dstPitch, int32_t rows,
                                                  int32_t n) {
  for (int32_t row = 0; row < rows; ++row, src += srcPitch, dst += dstPitch) {
    // A hint never faults, so the rows past the last may be named; as an address only.
    const uintptr_t ahead = reinterpret_cast<uintptr_t>(src) + size_t(srcPitch) * 8;
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
      _mm_prefetch(reinterpret_cast<const char*>(ahead + size_t(i) * 4), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(ahead + size_t(i) * 4 + 64), _MM_HINT_T0);
      const auto* from = reinterpret_cast<const __m256i*>(src + i);
      const __m256i a = _mm256_loadu_si256(from), b = _mm256_loadu_si256(from + 1),
                    c = _mm256_loadu_si256(from + 2), d = _mm256_loadu_si256(from + 3);
      auto* to = reinterpret_cast<__m256i*>(dst + i);
      _mm256_storeu_si256(to, a);
      _mm256_storeu_si256(to + 1, b);
      _mm256_storeu_si256(to + 2, c);
      _mm256_storeu_si256(to + 3, d);
    }
    for (; i + 4 <= n; i += 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    for (; i < n; ++i) dst[i] = src[i];
  }
}

// Blends whole steps of eight pixels of each of a number of rows by source alpha (additive:
// weighed and added); answers how many pixels of each row it did.
template <bool kTinted, bool kAdditive>
__attribute__((target("avx2"))) int32_t Blend8(const uint32_t* srcRow, int32_t srcPitch,
                                               uint32_t* dstRow, int32_t dstPitch, int32_t rows,
                                               int32_t n, uint32_t tint) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c255 = _mm256_set1_epi16(255);
  const __m256i c128 = _mm256_set1_epi16(128);
  const __m256i c257 = _mm256_set1_epi16(257);
  const __m256i alphaMask = _mm256_set1_epi32(int32_t(0xFF000000u));
  const __m256i tintv = _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(tint)), zero);
  // Byte 3 (7, 11, 15) of each lane to the low bytes of four 16-bit words, zero above.
  const __m256i alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,
                                           3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i alphaHi =
      _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11,
                       -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  auto step = [&](const uint32_t* src, uint32_t* dst) __attribute__((target("avx2"))) {
    __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    __m256i a = _mm256_and_si256(s, alphaMask);
    if (uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, zero))) == 0xFFFFFFFFu) return;
    if constexpr (kTinted) {
      s = ModulateBy8(s, tintv, zero, c128, c257);
      a = _mm256_and_si256(s, alphaMask);
    }
    bool opaque = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, alphaMask))) == 0xFFFFFFFFu;
    __m256i* out = reinterpret_cast<__m256i*>(dst);
    if (opaque && !kAdditive) {
      _mm256_storeu_si256(out, s);
      return;
    }
    __m256i d = _mm256_loadu_si256(out);
    if (opaque) {
      _mm256_storeu_si256(out, _mm256_adds_epu8(d, s));
      return;
    }
    __m256i slo = _mm256_unpacklo_epi8(s, zero), shi = _mm256_unpackhi_epi8(s, zero);
    // Each pixel's alpha over its four 16-bit channels, straight from the packed pixels.
    __m256i alo = _mm256_shuffle_epi8(s, alphaLo), ahi = _mm256_shuffle_epi8(s, alphaHi);
    __m256i xlo, xhi;
    if constexpr (kAdditive) {
      xlo = _mm256_add_epi16(_mm256_mullo_epi16(slo, alo), c128);
      xhi = _mm256_add_epi16(_mm256_mullo_epi16(shi, ahi), c128);
    } else {
      __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
      xlo = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(slo, alo),
                                              _mm256_mullo_epi16(dlo, _mm256_xor_si256(alo, c255))),
                             c128);
      xhi = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(shi, ahi),
                                              _mm256_mullo_epi16(dhi, _mm256_xor_si256(ahi, c255))),
                             c128);
    }
    __m256i r = _mm256_packus_epi16(_mm256_mulhi_epu16(xlo, c257), _mm256_mulhi_epu16(xhi, c257));
    _mm256_storeu_si256(out, kAdditive ? _mm256_adds_epu8(d, r) : r);
  };
  const int32_t whole = n & ~7;
  if (whole == 8) {
    // Small sprites and glyphs: one step a row.
    for (int32_t row = 0; row < rows; ++row, srcRow += srcPitch, dstRow += dstPitch)
      step(srcRow, dstRow);
    return whole;
  }
  for (int32_t row = 0; row < rows; ++row, srcRow += srcPitch, dstRow += dstPitch)
    for (int32_t i = 0; i < whole; i += 8) step(srcRow + i, dstRow + i);
  return whole;
}
#endif

// Blends source over target by the source's alpha, or (additive) adds the source weighed by
// its alpha to the target, saturating. Tinted, the source is the texels times the tint,
// worked out on the way; texels of alpha 0 stay alpha 0 either way and leave the target as
// it is.
template <bool kTinted, bool kAdditive>
void Blend(const uint32_t* src, uint32_t* dst, int32_t n, uint32_t tint) {
  int32_t i = 0;
#if defined(__SSE2__)
  // A row longer than four pixels that does not end on a step of four, its source apart from
  // its target: its last four target pixels as they are before any is blended (see the end).
  const auto srcAt = reinterpret_cast<uintptr_t>(src), dstAt = reinterpret_cast<uintptr_t>(dst);
  const bool overlap =
      n > 4 && (n & 3) != 0 && (srcAt + size_t(n) * 4 <= dstAt || dstAt + size_t(n) * 4 <= srcAt);
  const __m128i last = overlap ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + n - 4))
                               : _mm_setzero_si128();
#endif
#if defined(ENGINE_RASTER_AVX2)
  if (n >= 8 && HasAvx2()) i = Blend8<kTinted, kAdditive>(src, 0, dst, 0, 1, n, tint);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i c128 = _mm_set1_epi16(128);
  // x / 255 rounded, for x + 128 below 65536: (x + 128) * 257 >> 16 is exactly
  // (x + 128 + ((x + 128) >> 8)) >> 8, one multiply for three steps.
  const __m128i c257 = _mm_set1_epi16(257);
  const __m128i alphaMask = _mm_set1_epi32(int32_t(0xFF000000u));
  const __m128i tintv = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(tint)), zero);
  auto step = [&](const uint32_t* from, uint32_t* to) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i a = _mm_and_si128(s, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xFFFF) return;
    if constexpr (kTinted) {
      s = ModulateBy(s, tintv, zero, c128, c257);
      a = _mm_and_si128(s, alphaMask);
    }
    bool opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(a, alphaMask)) == 0xFFFF;
    __m128i* out = reinterpret_cast<__m128i*>(to);
    if (opaque && !kAdditive) {
      _mm_storeu_si128(out, s);
      return;
    }
    __m128i d = _mm_loadu_si128(out);
    if (opaque) {
      // Weighed by 255 each channel is itself.
      _mm_storeu_si128(out, _mm_adds_epu8(d, s));
      return;
    }
    __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    __m128i alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(slo, 0xFF), 0xFF);
    __m128i ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(shi, 0xFF), 0xFF);
    __m128i xlo, xhi;
    if constexpr (kAdditive) {
      xlo = _mm_add_epi16(_mm_mullo_epi16(slo, alo), c128);
      xhi = _mm_add_epi16(_mm_mullo_epi16(shi, ahi), c128);
    } else {
      __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
      xlo = _mm_add_epi16(
          _mm_add_epi16(_mm_mullo_epi16(slo, alo), _mm_mullo_epi16(dlo, _mm_xor_si128(alo, c255))),
          c128);
      xhi = _mm_add_epi16(
          _mm_add_epi16(_mm_mullo_epi16(shi, ahi), _mm_mullo_epi16(dhi, _mm_xor_si128(ahi, c255))),
          c128);
    }
    __m128i r = _mm_packus_epi16(_mm_mulhi_epu16(xlo, c257), _mm_mulhi_epu16(xhi, c257));
    _mm_storeu_si128(out, kAdditive ? _mm_adds_epu8(d, r) : r);
  };
  for (; i + 4 <= n; i += 4) step(src + i, dst + i);
  if (i < n && overlap) {
    // The last four pixels blended again from the target as it was: each pixel's result
    // depends on its own source and target alone, so those the steps above have done come
    // out as they already are.
    alignas(16) uint32_t to[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(to), last);
    step(src + n - 4, to);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 4),
                     _mm_load_si128(reinterpret_cast<const __m128i*>(to)));
    return;
  }
  if (i < n) {
    // The last one to three pixels of a short row through the same step, by way of a
    // four-pixel copy: the lanes past the end are clear texels, which change nothing, and are
    // not written back. Pixel by pixel the step gives what the loop below does.
    const int32_t rest = n - i;
    uint32_t from[4] = {src[i], 0, 0, 0}, to[4] = {dst[i], 0, 0, 0};
    for (int32_t k = 1; k < 3; ++k)
      if (k < rest) {
        from[k] = src[i + k];
        to[k] = dst[i + k];
      }
    step(from, to);
    dst[i] = to[0];
    for (int32_t k = 1; k < 3; ++k)
      if (k < rest) dst[i + k] = to[k];
    return;
  }
#endif
  for (; i < n; ++i) {
    uint32_t c = kTinted ? Modulate(src[i], tint) : src[i];
    uint32_t a = c >> 24, d = dst[i], out = 0;
    if (!kAdditive && a == 0) continue;
    if (!kAdditive && a == 255) {
      dst[i] = c;
      continue;
    }
    // BlendPixel with the source's alpha and its inverse (or one), channel by channel.
    uint32_t weight = kAdditive ? 255 : 255 - a;
    for (int shift = 0; shift < 32; shift += 8)
      out |= std::min<uint32_t>(Div255(Channel(c, shift) * a + Channel(d, shift) * weight), 255)
             << shift;
    dst[i] = out;
  }
}

void WriteAlpha(const uint32_t* src, uint32_t* dst, int32_t n) {
  Blend<false, false>(src, dst, n, 0);
}

void WriteAdditive(const uint32_t* src, uint32_t* dst, int32_t n) {
  Blend<false, true>(src, dst, n, 0);
}

// out = a x b per channel, rounded; out may be b.
void ModulateRow(const uint32_t* a, const uint32_t* b, uint32_t* out, int32_t n) {
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c128 = _mm_set1_epi16(128);
  const __m128i c257 = _mm_set1_epi16(257);
  for (; i + 4 <= n; i += 4) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    __m128i lo = _mm_add_epi16(
        _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero)), c128);
    __m128i hi = _mm_add_epi16(
        _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero)), c128);
    lo = _mm_mulhi_epu16(lo, c257);
    hi = _mm_mulhi_epu16(hi, c257);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) out[i] = Modulate(a[i], b[i]);
}

// out = texels x colour per channel, rounded as Modulate; out may be tex.
void ModulateByColour(const uint32_t* tex, uint32_t colour, uint32_t* out, int32_t n) {
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c128 = _mm_set1_epi16(128);
  const __m128i c257 = _mm_set1_epi16(257);
  const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(colour)), zero);
  for (; i + 4 <= n; i += 4) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tex + i));
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), c), c128);
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), c), c128);
    lo = _mm_mulhi_epu16(lo, c257);
    hi = _mm_mulhi_epu16(hi, c257);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) out[i] = Modulate(tex[i], colour);
}

// Bilinear samples with clamped addressing, or with none when the span stays inside the
// texture with a texel to spare; the same arithmetic as Mix, horizontal first.
template <bool kClamp>
void SampleLinear(const DrawState& ds, int64_t u, int64_t v, int64_t du, int64_t dv, int32_t n,
                  uint32_t* out) {
  const uint32_t* tex = ds.tex;
  const size_t pitch = size_t(ds.tpitch);
  const int64_t wmax = ds.tw - 1, hmax = ds.th - 1;
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256);
  for (; i < n; ++i, u += du, v += dv) {
    int64_t tu = u - 32768, tv = v - 32768;
    int64_t ix = tu >> 16, iy = tv >> 16;
    __m128i top, bot;
    if constexpr (kClamp) {
      int64_t x0 = std::clamp<int64_t>(ix, 0, wmax), x1 = std::clamp<int64_t>(ix + 1, 0, wmax);
      int64_t y0 = std::clamp<int64_t>(iy, 0, hmax), y1 = std::clamp<int64_t>(iy + 1, 0, hmax);
      const uint32_t* r0 = tex + size_t(y0) * pitch;
      const uint32_t* r1 = tex + size_t(y1) * pitch;
      top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int32_t(r0[x0])),
                               _mm_cvtsi32_si128(int32_t(r0[x1])));
      bot = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int32_t(r1[x0])),
                               _mm_cvtsi32_si128(int32_t(r1[x1])));
    } else {
      const uint32_t* r0 = tex + size_t(iy) * pitch + size_t(ix);
      top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0));
      bot = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + pitch));
    }
    top = _mm_unpacklo_epi8(top, zero);
    bot = _mm_unpacklo_epi8(bot, zero);
    __m128i left = _mm_unpacklo_epi64(top, bot), right = _mm_unpackhi_epi64(top, bot);
    __m128i fx = _mm_set1_epi16(int16_t((tu >> 8) & 0xFF));
    __m128i fy = _mm_set1_epi16(int16_t((tv >> 8) & 0xFF));
    __m128i h = Weigh(left, _mm_sub_epi16(c256, fx), right, fx);
    __m128i r = Weigh(h, _mm_sub_epi16(c256, fy), _mm_srli_si128(h, 8), fy);
    out[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, zero)));
  }
#endif
  for (; i < n; ++i, u += du, v += dv) {
    int64_t tu = u - 32768, tv = v - 32768;
    int64_t ix = tu >> 16, iy = tv >> 16;
    int64_t x0 = std::clamp<int64_t>(ix, 0, wmax), x1 = std::clamp<int64_t>(ix + 1, 0, wmax);
    int64_t y0 = std::clamp<int64_t>(iy, 0, hmax), y1 = std::clamp<int64_t>(iy + 1, 0, hmax);
    uint32_t fx = uint32_t((tu >> 8) & 0xFF), fy = uint32_t((tv >> 8) & 0xFF);
    const uint32_t* r0 = tex + size_t(y0) * pitch;
    const uint32_t* r1 = tex + size_t(y1) * pitch;
    out[i] = Mix(Mix(r0[x0], r0[x1], fx), Mix(r1[x0], r1[x1], fx), fy);
  }
}

#if defined(ENGINE_RASTER_AVX2)
// Four pixels a step of SampleLinearRow below, lane by lane the same arithmetic; answers how
// many pixels it did.
__attribute__((target("avx2"))) int32_t SampleLinearRow4(const uint32_t* r0, const uint32_t* r1,
                                                         uint32_t fy, int64_t u, int64_t du,
                                                         int32_t n, uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c256 = _mm256_set1_epi16(256);
  const __m256i vfy = _mm256_set1_epi16(int16_t(fy));
  const __m256i vgy = _mm256_set1_epi16(int16_t(256 - fy));
  auto pair = [](const uint32_t* row, size_t a, size_t b) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + a)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + b)));
  };
  int32_t i = 0;
  for (; i + 4 <= n; i += 4, u += 4 * du) {
    int64_t t0 = u - 32768, t1 = t0 + du, t2 = t1 + du, t3 = t2 + du;
    size_t x0 = size_t(t0 >> 16), x1 = size_t(t1 >> 16), x2 = size_t(t2 >> 16),
           x3 = size_t(t3 >> 16);
    __m256i t =
        _mm256_inserti128_si256(_mm256_castsi128_si256(pair(r0, x0, x1)), pair(r0, x2, x3), 1);
    __m256i b =
        _mm256_inserti128_si256(_mm256_castsi128_si256(pair(r1, x0, x1)), pair(r1, x2, x3), 1);
    t = _mm256_shuffle_epi32(t, _MM_SHUFFLE(3, 1, 2, 0));
    b = _mm256_shuffle_epi32(b, _MM_SHUFFLE(3, 1, 2, 0));
    __m128i f = _mm_setr_epi32(int32_t((t0 >> 8) & 0xFF), int32_t((t1 >> 8) & 0xFF),
                               int32_t((t2 >> 8) & 0xFF), int32_t((t3 >> 8) & 0xFF));
    f = _mm_or_si128(f, _mm_slli_epi32(f, 16));
    __m256i fx = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi32(f, f)),
                                         _mm_unpackhi_epi32(f, f), 1);
    __m256i gx = _mm256_sub_epi16(c256, fx);
    __m256i top = Weigh8(_mm256_unpacklo_epi8(t, zero), gx, _mm256_unpackhi_epi8(t, zero), fx);
    __m256i bot = Weigh8(_mm256_unpacklo_epi8(b, zero), gx, _mm256_unpackhi_epi8(b, zero), fx);
    __m256i r = Weigh8(top, vgy, bot, vfy);
    __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packus_epi16(r, zero), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
  }
  return i;
}
#endif

// Bilinear samples along one texture row pair (v the same for every pixel: sprites scaled
// but not turned), no addressing: two pixels at a time, the same arithmetic as Mix.
void SampleLinearRow(const DrawState& ds, int64_t u, int64_t v, int64_t du, int32_t n,
                     uint32_t* out) {
  int64_t tv = v - 32768;
  // The callers keep the rows inside for the pixels they hand over, but v itself may lie a row
  // outside when they hand over none: no pointer is formed outside the texture.
  const int64_t hmax = ds.th - 1, row = std::clamp<int64_t>(tv >> 16, 0, hmax);
  const uint32_t* r0 = ds.tex + size_t(row) * size_t(ds.tpitch);
  const uint32_t* r1 = ds.tex + size_t(std::min(row + 1, hmax)) * size_t(ds.tpitch);
  uint32_t fy = uint32_t((tv >> 8) & 0xFF);
  int32_t i = 0;
#if defined(ENGINE_RASTER_AVX2)
  if (n >= 4 && HasAvx2()) {
    i = SampleLinearRow4(r0, r1, fy, u, du, n, out);
    u += du * i;
  }
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256);
  const __m128i vfy = _mm_set1_epi16(int16_t(fy));
  const __m128i vgy = _mm_set1_epi16(int16_t(256 - fy));
  for (; i + 2 <= n; i += 2, u += 2 * du) {
    int64_t ta = u - 32768, tb = u + du - 32768;
    size_t xa = size_t(ta >> 16), xb = size_t(tb >> 16);
    // Left and right texels of both pixels, then the lefts together and the rights together.
    __m128i t = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + xa)),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + xb)));
    __m128i b = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + xa)),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + xb)));
    t = _mm_shuffle_epi32(t, _MM_SHUFFLE(3, 1, 2, 0));
    b = _mm_shuffle_epi32(b, _MM_SHUFFLE(3, 1, 2, 0));
    int16_t fa = int16_t((ta >> 8) & 0xFF), fb = int16_t((tb >> 8) & 0xFF);
    __m128i fx = _mm_set_epi16(fb, fb, fb, fb, fa, fa, fa, fa);
    __m128i gx = _mm_sub_epi16(c256, fx);
    __m128i top = Weigh(_mm_unpacklo_epi8(t, zero), gx, _mm_unpackhi_epi8(t, zero), fx);
    __m128i bot = Weigh(_mm_unpacklo_epi8(b, zero), gx, _mm_unpackhi_epi8(b, zero), fx);
    __m128i r = Weigh(top, vgy, bot, vfy);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(r, zero));
  }
#endif
  for (; i < n; ++i, u += du) {
    int64_t tu = u - 32768;
    size_t x = size_t(tu >> 16);
    uint32_t fx = uint32_t((tu >> 8) & 0xFF);
    out[i] = Mix(Mix(r0[x], r0[x + 1], fx), Mix(r1[x], r1[x + 1], fx), fy);
  }
}

inline int64_t FloorDivSteps(int64_t n, int64_t d) {
  int64_t q = n / d;
  return (n % d != 0 && ((n < 0) != (d < 0))) ? q - 1 : q;
}

// Narrows [lo, hi) to the steps i where 0 <= t0 + i * d < limit; they form one run because t
// moves in one direction.
void InteriorRange(int64_t t0, int64_t d, int64_t limit, int32_t& lo, int32_t& hi) {
  int64_t a = lo, b = hi;
  // Short spans, and those whose first and last steps are inside (most are), take no
  // division: the steps inside are trimmed from both ends.
  auto inside = [&](int64_t i) {
    int64_t t = t0 + i * d;
    return t >= 0 && t < limit;
  };
  if (a >= b || (inside(a) && inside(b - 1))) return;
  if (b - a <= 16) {
    while (a < b && !inside(a)) ++a;
    while (b > a && !inside(b - 1)) --b;
    lo = int32_t(a);
    hi = int32_t(b);
    return;
  }
  if (d == 0) {
    if (t0 < 0 || t0 >= limit) b = a;
  } else if (d > 0) {
    a = std::max(a, FloorDivSteps(-t0 + d - 1, d));
    b = std::min(b, FloorDivSteps(limit - t0 + d - 1, d));
  } else {
    a = std::max(a, FloorDivSteps(t0 - limit, -d) + 1);
    b = std::min(b, FloorDivSteps(t0, -d) + 1);
  }
  lo = int32_t(a);
  hi = int32_t(std::max(a, b));
}

// Combines the texels (null: none) with the diffuse colour and writes the span's pixels.
void Shade(const DrawState& ds, const Span& sp, const uint32_t* tp, int32_t offset, int32_t n,
           uint32_t* dst);

void FastSpan(const DrawState& ds, const Span& sp, int32_t offset, int32_t n, uint32_t* dst) {
  uint32_t texels[kChunk];
  const uint32_t* tp = nullptr;
  if (ds.useTexture) {
    int64_t u = ToFixed(sp.a[kU] + sp.d[kU] * offset), v = ToFixed(sp.a[kV] + sp.d[kV] * offset);
    int64_t du = sp.du, dv = sp.dv;
    int64_t tx = u >> 16, ty = v >> 16;
    // One texel per pixel, sampled at texel centres: both filters give the texels themselves.
    if (du == 65536 && dv == 0 && (u & 0xFFFF) == 0x8000 && (v & 0xFFFF) == 0x8000 && tx >= 0 &&
        ty >= 0 && ty < ds.th && tx + n <= ds.tw) {
      tp = ds.tex + size_t(ty) * size_t(ds.tpitch) + size_t(tx);
    } else {
      bool clamp = ds.addressU == TextureAddress::Clamp && ds.addressV == TextureAddress::Clamp;
      if (sp.linearFilter && clamp && n <= 16) {
        // Short spans (turned small sprites and glyphs) clamp every pixel: for pixels whose
        // texels are all inside, clamping changes nothing, and finding those costs more than
        // it saves.
        SampleLinear<true>(ds, u, v, du, dv, n, texels);
      } else if (sp.linearFilter) {
        // Only the pixels whose four texels may cross an edge need addressing.
        int32_t lo = 0, hi = n;
        if (sp.interiorU == u && sp.interiorCount == n) {
          lo = sp.interiorLo;
          hi = sp.interiorHi;
        } else {
          InteriorRange(u - 32768, du, int64_t(ds.tw - 1) << 16, lo, hi);
          sp.interiorU = u;
          sp.interiorCount = n;
          sp.interiorLo = lo;
          sp.interiorHi = hi;
        }
        InteriorRange(v - 32768, dv, int64_t(ds.th - 1) << 16, lo, hi);
        if (lo >= hi) lo = hi = n;
        auto edge = clamp ? SampleLinear<true> : SampleLinearAddressed;
        edge(ds, u, v, du, dv, lo, texels);
        if (dv == 0)
          SampleLinearRow(ds, u + du * lo, v, du, hi - lo, texels + lo);
        else
          SampleLinear<false>(ds, u + du * lo, v + dv * lo, du, dv, hi - lo, texels + lo);
        edge(ds, u + du * hi, v + dv * hi, du, dv, n - hi, texels + hi);
      } else if (clamp) {
        SamplePoint<true>(ds, u, v, du, dv, n, texels);
      } else {
        SamplePoint<false>(ds, u, v, du, dv, n, texels);
      }
      tp = texels;
    }
  }
  Shade(ds, sp, tp, offset, n, dst);
}

void Shade(const DrawState& ds, const Span& sp, const uint32_t* tp, int32_t offset, int32_t n,
           uint32_t* dst) {
  uint32_t colours[kChunk];
  bool needDiffuse = ds.colourSource != ColourSource::Texture ||
                     ds.alphaSource == AlphaSource::Diffuse ||
                     ds.alphaSource == AlphaSource::TexTimesDiffuse;
  bool flatColour =
      sp.flatColour || (sp.d[kR] == 0 && sp.d[kG] == 0 && sp.d[kB] == 0 && sp.d[kA] == 0);
  uint32_t constant = 0xFFFFFFFFu;
  if (needDiffuse && sp.flatColour)
    constant = sp.colour;
  else if (needDiffuse && flatColour)
    constant =
        ToByte(sp.a[kA]) << 24 | ToByte(sp.a[kR]) << 16 | ToByte(sp.a[kG]) << 8 | ToByte(sp.a[kB]);
  bool whiteDiffuse = !needDiffuse || (flatColour && constant == 0xFFFFFFFFu);

  bool colourIsTexture = ds.colourSource != ColourSource::Diffuse;
  // A target without alpha keeps no alpha, so an opaque copy is a plain copy there.
  bool alphaIgnored = ds.write == WriteKind::Copy && !ds.targetHasAlpha;
  if (tp && whiteDiffuse && colourIsTexture && ds.alphaSource == AlphaSource::Constant &&
      ds.write == WriteKind::Copy && !alphaIgnored) {
    uint32_t alpha = uint32_t(ds.constantAlpha) << 24;
    for (int32_t i = 0; i < n; ++i) dst[i] = (tp[i] & 0xFFFFFFu) | alpha;
    return;
  }

  const uint32_t* src = tp;
  bool passThrough = tp && whiteDiffuse && colourIsTexture &&
                     (alphaIgnored || ds.alphaSource == AlphaSource::TexTimesDiffuse ||
                      ds.alphaSource == AlphaSource::Texture);
  bool modulateAll = ds.colourSource == ColourSource::TexTimesDiffuse && tp &&
                     ds.alphaSource == AlphaSource::TexTimesDiffuse;
  if (!passThrough && modulateAll && !(needDiffuse && !flatColour)) {
    // One colour over the span (scaled or turned tinted sprites and glyphs); the blends tint
    // on the way.
    if (ds.write == WriteKind::Alpha) {
      Blend<true, false>(tp, dst, n, constant);
      return;
    }
    if (ds.write == WriteKind::Additive) {
      Blend<true, true>(tp, dst, n, constant);
      return;
    }
    ModulateByColour(tp, constant, colours, n);
    src = colours;
  } else if (!passThrough) {
    if (needDiffuse && !flatColour) {
      // Gouraud colours step in 8.16 fixed point per channel.
      int64_t c[4], dc[4];
      const int ks[4] = {kA, kR, kG, kB};
      for (int j = 0; j < 4; ++j) {
        double s = sp.a[ks[j]] + sp.d[ks[j]] * offset;
        s = s > 0.0 ? std::min(s, 255.0) : 0.0;
        c[j] = int64_t(s * 65536.0 + 32768.0);
        dc[j] = ToFixed(sp.d[ks[j]]);
      }
      for (int32_t i = 0; i < n; ++i) {
        uint32_t out = 0;
        for (int j = 0; j < 4; ++j) {
          int64_t ch = std::clamp<int64_t>(c[j] >> 16, 0, 255);
          out = out << 8 | uint32_t(ch);
          c[j] += dc[j];
        }
        colours[i] = out;
      }
    } else {
      std::fill(colours, colours + n, constant);
    }
    if (modulateAll) {
      ModulateRow(tp, colours, colours, n);
    } else {
      for (int32_t i = 0; i < n; ++i) {
        uint32_t t = tp ? tp[i] : 0xFFFFFFFFu;
        uint32_t d = colours[i];
        uint32_t m = ds.colourSource == ColourSource::Texture          ? t
                     : ds.colourSource == ColourSource::Diffuse || !tp ? d
                                                                       : Modulate(t, d);
        uint32_t a;
        switch (ds.alphaSource) {
          case AlphaSource::TexTimesDiffuse: a = Div255((t >> 24) * (d >> 24)); break;
          case AlphaSource::Texture: a = t >> 24; break;
          case AlphaSource::Diffuse: a = d >> 24; break;
          default: a = ds.constantAlpha; break;
        }
        colours[i] = (m & 0xFFFFFFu) | a << 24;
      }
    }
    src = colours;
  }

  switch (ds.write) {
    case WriteKind::Copy: WriteCopy(src, dst, n); break;
    case WriteKind::CopyTested:
      for (int32_t i = 0; i < n; ++i)
        if (Compare(ds.alphaFunc, src[i] >> 24, ds.alphaRef)) dst[i] = src[i];
      break;
    case WriteKind::Alpha: WriteAlpha(src, dst, n); break;
    case WriteKind::Additive: WriteAdditive(src, dst, n); break;
    case WriteKind::Generic:
      for (int32_t i = 0; i < n; ++i) {
        if (ds.alphaTest && !Compare(ds.alphaFunc, src[i] >> 24, ds.alphaRef)) continue;
        dst[i] = ds.blend ? BlendPixel(ds.srcBlend, ds.dstBlend, src[i], dst[i]) : src[i];
      }
      break;
  }
}

// Writes n pixels of texels to the target, tint the one colour over them where it applies.
using RowWrite = void (*)(const uint32_t* texels, uint32_t* dst, int32_t n, uint32_t tint);

// The writer Shade would hand a flat-coloured span's texels to when it combines them with
// nothing but that colour, and the colour to tint them by; null when it combines them some
// other way. Worked out once for the rows of a scaled rectangle.
RowWrite StraightWrite(const DrawState& ds, const Span& sp, uint32_t& tint) {
  const bool needDiffuse = ds.colourSource != ColourSource::Texture ||
                           ds.alphaSource == AlphaSource::Diffuse ||
                           ds.alphaSource == AlphaSource::TexTimesDiffuse;
  tint = needDiffuse ? sp.colour : 0xFFFFFFFFu;
  const bool whiteDiffuse = tint == 0xFFFFFFFFu;
  const bool alphaIgnored = ds.write == WriteKind::Copy && !ds.targetHasAlpha;
  if (!sp.flatColour) return nullptr;
  if (whiteDiffuse && ds.colourSource != ColourSource::Diffuse &&
      (alphaIgnored || ds.alphaSource == AlphaSource::TexTimesDiffuse ||
       ds.alphaSource == AlphaSource::Texture)) {
    switch (ds.write) {
      case WriteKind::Copy:
        return [](const uint32_t* t, uint32_t* d, int32_t n, uint32_t) { WriteCopy(t, d, n); };
      case WriteKind::Alpha:
        return [](const uint32_t* t, uint32_t* d, int32_t n, uint32_t) { WriteAlpha(t, d, n); };
      case WriteKind::Additive:
        return [](const uint32_t* t, uint32_t* d, int32_t n, uint32_t) { WriteAdditive(t, d, n); };
      default: return nullptr;
    }
  }
  if (ds.colourSource != ColourSource::TexTimesDiffuse ||
      ds.alphaSource != AlphaSource::TexTimesDiffuse)
    return nullptr;
  if (ds.write == WriteKind::Alpha) return Blend<true, false>;
  if (ds.write == WriteKind::Additive) return Blend<true, true>;
  return nullptr;
}

}  // namespace

void PlanBlit(DrawState& ds) {
  ds.blit = BlitPlan::Off;
  if (!ds.fast || !ds.useTexture || !ds.targetDirect || ds.perspective) return;
  if (ds.colourSource == ColourSource::Diffuse) return;
  bool alphaIgnored = ds.write == WriteKind::Copy && !ds.targetHasAlpha;
  bool alphaKept =
      ds.alphaSource == AlphaSource::TexTimesDiffuse || ds.alphaSource == AlphaSource::Texture;
  if (!alphaIgnored && !alphaKept) return;
  if (ds.write != WriteKind::Copy && ds.write != WriteKind::Alpha &&
      ds.write != WriteKind::Additive)
    return;
  bool needDiffuse = ds.colourSource != ColourSource::Texture ||
                     ds.alphaSource == AlphaSource::Diffuse ||
                     ds.alphaSource == AlphaSource::TexTimesDiffuse;
  // A colour other than white is one colour over the whole rectangle times every channel of
  // the texels (tinted sprites and glyphs): modulated a row at a time on the way.
  if (!needDiffuse)
    ds.blit = BlitPlan::AnyColour;
  else if (ds.colourSource == ColourSource::TexTimesDiffuse &&
           ds.alphaSource == AlphaSource::TexTimesDiffuse)
    ds.blit = BlitPlan::Tinted;
  else
    ds.blit = BlitPlan::White;
}

bool BlitRectangle(const DrawState& ds, const Span& sp, int32_t y0, int32_t y1, double uStep,
                   double vStep) {
  if (ds.blit == BlitPlan::Off) return false;
  if (sp.du != 65536 || sp.dv != 0 || ToFixed(uStep) != 0 || ToFixed(vStep) != 65536) return false;
  return BlitTexels(ds, sp.x0, sp.count, y0, y1, ToFixed(sp.a[kU]), ToFixed(sp.a[kV]),
                    sp.flatColour, sp.colour);
}

namespace {

// The rows of a straight copy that the 256-bit loops leave, one writer call a row.
[[gnu::noinline]] void BlitRows(const DrawState& ds, const uint32_t* src, uint8_t* dst,
                                int32_t count, int32_t rowCount, bool tinted, uint32_t tint) {
  // One loop per writer, so each row is a direct call.
  auto rows = [&](auto write) {
    uint32_t tintedRow[kChunk];
    for (int32_t row = 0; row < rowCount; ++row, src += ds.tpitch, dst += ds.pitch) {
      uint32_t* out = reinterpret_cast<uint32_t*>(dst);
      if (!tinted) {
        write(src, out, count);
        continue;
      }
      for (int32_t offset = 0; offset < count; offset += kChunk) {
        int32_t n = std::min(kChunk, count - offset);
        ModulateByColour(src + offset, tint, tintedRow, n);
        write(tintedRow, out + offset, n);
      }
    }
  };
  switch (ds.write) {
    case WriteKind::Copy:
      rows([](const uint32_t* s, uint32_t* d, int32_t n) { WriteCopy(s, d, n); });
      break;
    case WriteKind::Alpha:
      if (tinted) {
        tinted = false;  // the blend tints on the way
        rows([tint](const uint32_t* s, uint32_t* d, int32_t n) {
          Blend<true, false>(s, d, n, tint);
        });
      } else {
        rows([](const uint32_t* s, uint32_t* d, int32_t n) { WriteAlpha(s, d, n); });
      }
      break;
    default:
      if (tinted) {
        tinted = false;
        rows([tint](const uint32_t* s, uint32_t* d, int32_t n) {
          Blend<true, true>(s, d, n, tint);
        });
      } else {
        rows([](const uint32_t* s, uint32_t* d, int32_t n) { WriteAdditive(s, d, n); });
      }
      break;
  }
}

}  // namespace

bool BlitTexels(const DrawState& ds, int32_t x0, int32_t count, int32_t y0, int32_t y1, int64_t u,
                int64_t v, bool flatColour, uint32_t colour) {
  if (ds.blit == BlitPlan::Off) return false;
  const bool tinted = ds.blit != BlitPlan::AnyColour && !(flatColour && colour == 0xFFFFFFFFu);
  if (tinted && !(flatColour && ds.blit == BlitPlan::Tinted)) return false;
  if ((u & 0xFFFF) != 0x8000 || (v & 0xFFFF) != 0x8000) return false;
  const int64_t tx = u >> 16, ty = v >> 16;
  const int32_t rows = y1 - y0;
  if (tx < 0 || ty < 0 || tx + count > ds.tw || ty + rows > ds.th) return false;
  const uint32_t* src = ds.tex + size_t(ty) * size_t(ds.tpitch) + size_t(tx);
  uint8_t* dst = ds.bits + size_t(y0) * size_t(ds.pitch) + size_t(x0) * 4;
  if (ds.write == WriteKind::Copy && !tinted) {
    // Whole target rows are 32-bit pixels here.
#if defined(ENGINE_RASTER_AVX2)
    if (count >= kChunk && HasAvx2()) {
      CopyLongRows(src, ds.tpitch, reinterpret_cast<uint32_t*>(dst), ds.pitch >> 2, rows, count);
      return true;
    }
#endif
    CopyRows(src, ds.tpitch, reinterpret_cast<uint32_t*>(dst), ds.pitch >> 2, rows, count);
    return true;
  }
#if defined(ENGINE_RASTER_AVX2)
  if (HasAvx2()) {
    const int32_t pitch = ds.pitch >> 2;
    auto* out = reinterpret_cast<uint32_t*>(dst);
    if ((ds.write == WriteKind::Alpha || ds.write == WriteKind::Additive) && count >= 8) {
      // The whole rectangle in steps of eight pixels in one call, then what is left of each
      // row.
      int32_t done;
      if (ds.write == WriteKind::Alpha)
        done = tinted ? Blend8<true, false>(src, ds.tpitch, out, pitch, rows, count, colour)
                      : Blend8<false, false>(src, ds.tpitch, out, pitch, rows, count, 0);
      else
        done = tinted ? Blend8<true, true>(src, ds.tpitch, out, pitch, rows, count, colour)
                      : Blend8<false, true>(src, ds.tpitch, out, pitch, rows, count, 0);
      if (done == count) return true;
      src += done;
      dst += size_t(done) * 4;
      count -= done;
    }
  }
#endif
  BlitRows(ds, src, dst, count, rows, tinted, colour);
  return true;
}

namespace {

// A texture row filtered across at the columns x[i] + f / 256 (i in lo..hi), where fx[i]
// holds f in each of its four 16-bit parts: the same arithmetic as SampleLinearRow's top and
// bottom halves.
#if defined(ENGINE_RASTER_AVX2)
__attribute__((target("avx2"))) int32_t FilterAcross4(const uint32_t* row, const int32_t* x,
                                                      const uint64_t* fx, int32_t lo, int32_t hi,
                                                      uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c256 = _mm256_set1_epi16(256);
  auto pair = [&](int32_t a, int32_t b) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[a])),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[b])));
  };
  int32_t i = lo;
  for (; i + 4 <= hi; i += 4) {
    __m256i t =
        _mm256_inserti128_si256(_mm256_castsi128_si256(pair(i, i + 1)), pair(i + 2, i + 3), 1);
    t = _mm256_shuffle_epi32(t, _MM_SHUFFLE(3, 1, 2, 0));
    // Lane by lane: the left texels of two pixels, then their right texels.
    __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fx + i));
    __m256i h = Weigh8(_mm256_unpacklo_epi8(t, zero), _mm256_sub_epi16(c256, f),
                       _mm256_unpackhi_epi8(t, zero), f);
    __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packus_epi16(h, zero), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
  }
  return i;
}
#endif

void FilterAcross(const uint32_t* row, const int32_t* x, const uint64_t* fx, int32_t lo, int32_t hi,
                  uint32_t* out) {
  int32_t i = lo;
#if defined(ENGINE_RASTER_AVX2)
  if (HasAvx2()) i = FilterAcross4(row, x, fx, lo, hi, out);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256);
  auto step = [&](int32_t at) {
    __m128i t =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[at])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[at + 1])));
    t = _mm_shuffle_epi32(t, _MM_SHUFFLE(3, 1, 2, 0));
    __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fx + at));
    __m128i h =
        Weigh(_mm_unpacklo_epi8(t, zero), _mm_sub_epi16(c256, f), _mm_unpackhi_epi8(t, zero), f);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(h, zero));
  };
  for (; i + 2 <= hi; i += 2) step(i);
  // An odd last column of two or more: the last two again, which gives the one already done
  // the same value.
  if (i < hi && hi - lo >= 2) {
    step(hi - 2);
    return;
  }
#endif
  for (; i < hi; ++i) out[i] = Mix(row[x[i]], row[x[i] + 1], uint32_t(fx[i] & 0xFFFF));
}

#if defined(ENGINE_RASTER_AVX2)
// Eight columns a step of FilterDown below, lane by lane the same arithmetic; answers where it
// stopped.
__attribute__((target("avx2"))) int32_t FilterDown8(const uint32_t* top, const uint32_t* bottom,
                                                    uint32_t fy, int32_t lo, int32_t hi,
                                                    uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i vfy = _mm256_set1_epi16(int16_t(fy));
  const __m256i vgy = _mm256_set1_epi16(int16_t(256 - fy));
  int32_t i = lo;
  for (; i + 8 <= hi; i += 8) {
    __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + i));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + i));
    __m256i lo16 = Weigh8(_mm256_unpacklo_epi8(t, zero), vgy, _mm256_unpacklo_epi8(b, zero), vfy);
    __m256i hi16 = Weigh8(_mm256_unpackhi_epi8(t, zero), vgy, _mm256_unpackhi_epi8(b, zero), vfy);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo16, hi16));
  }
  return i;
}
#endif

// Two filtered rows weighed, fy in 0..256 for the second (i in lo..hi).
void FilterDown(const uint32_t* top, const uint32_t* bottom, uint32_t fy, int32_t lo, int32_t hi,
                uint32_t* out) {
  int32_t i = lo;
#if defined(ENGINE_RASTER_AVX2)
  if (hi - lo >= 8 && HasAvx2()) i = FilterDown8(top, bottom, fy, lo, hi, out);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i vfy = _mm_set1_epi16(int16_t(fy));
  const __m128i vgy = _mm_set1_epi16(int16_t(256 - fy));
  auto step = [&](int32_t at) {
    __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + at));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + at));
    __m128i lo16 = Weigh(_mm_unpacklo_epi8(t, zero), vgy, _mm_unpacklo_epi8(b, zero), vfy);
    __m128i hi16 = Weigh(_mm_unpackhi_epi8(t, zero), vgy, _mm_unpackhi_epi8(b, zero), vfy);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(lo16, hi16));
  };
  for (; i + 4 <= hi; i += 4) step(i);
  // The last few of four or more columns: the last four again, which gives those already
  // done the same values.
  if (i < hi && hi - lo >= 4) {
    step(hi - 4);
    return;
  }
#endif
  for (; i < hi; ++i) out[i] = Mix(top[i], bottom[i], fy);
}

}  // namespace

namespace {

// The columns lo..hi of a chunk of ScaledRectangle's rows (offset..offset + n) that are
// filtered from the kept rows; false when none. Clamped, a pixel whose texels reach past an
// edge weighs the edge texel with itself, which gives that texel: such columns take it whole
// (weight 0 on the left, 256 on the right) and such rows are the edge row twice, so every
// pixel goes the same way. Other addressing leaves those pixels to the addressing loops.
bool FilteredColumns(const DrawState& ds, const Span& span, int32_t offset, int32_t n, int32_t& lo,
                     int32_t& hi) {
  lo = 0;
  hi = n;
  if (ds.addressU == TextureAddress::Clamp && ds.addressV == TextureAddress::Clamp)
    return ds.tw >= 2;
  InteriorRange(ToFixed(span.a[kU] + span.d[kU] * offset) - 32768, span.du,
                int64_t(ds.tw - 1) << 16, lo, hi);
  return lo < hi;
}

// The columns offset..offset + n of ScaledRectangle's rows (as many as one chunk), which
// FilteredColumns has found to have some to filter.
void ScaledColumns(const DrawState& ds, Span& span, const double base[kAttrCount],
                   const double dady[kAttrCount], int32_t offset, int32_t n, int32_t yt,
                   int32_t yB) {
  // Each chunk of a row starts where the span loops would start it.
  const int64_t u = ToFixed(span.a[kU] + span.d[kU] * offset), du = span.du;
  const bool clamp = ds.addressU == TextureAddress::Clamp && ds.addressV == TextureAddress::Clamp;
  int32_t lo, hi;
  FilteredColumns(ds, span, offset, n, lo, hi);
  int32_t x[kChunk];
  uint64_t fx[kChunk];
  for (int32_t i = lo; i < hi; ++i) {
    int64_t tu = u + du * i - 32768, ix = tu >> 16;
    uint64_t f = uint64_t((tu >> 8) & 0xFF);
    if (ix < 0) {
      ix = 0;
      f = 0;
    } else if (ix >= ds.tw - 1) {
      ix = ds.tw - 2;
      f = 256;
    }
    x[i] = int32_t(ix);
    fx[i] = f * 0x0001000100010001u;
  }
  // The last two texture rows filtered across, by row.
  uint32_t across[2][kChunk];
  int64_t acrossRow[2] = {-1, -1};
  auto filtered = [&](int64_t row, int64_t keep) -> const uint32_t* {
    for (int k = 0; k < 2; ++k)
      if (acrossRow[k] == row) return across[k];
    int k = acrossRow[0] == keep ? 1 : 0;
    FilterAcross(ds.tex + size_t(row) * size_t(ds.tpitch), x, fx, lo, hi, across[k]);
    acrossRow[k] = row;
    return across[k];
  };
  const int64_t hmax = ds.th - 1, vLimit = hmax << 16;
  uint32_t texels[kChunk];
  uint32_t tint;
  const RowWrite write = StraightWrite(ds, span, tint);
  for (int32_t y = yt; y < yB; ++y) {
    span.y = y;
    span.a[kV] = base[kV] + span.d[kV] * span.x0 + dady[kV] * y;
    const int64_t v = ToFixed(span.a[kV] + span.d[kV] * offset), tv = v - 32768;
    uint32_t* dst =
        reinterpret_cast<uint32_t*>(ds.bits + size_t(y) * size_t(ds.pitch)) + span.x0 + offset;
    if (!clamp && (tv < 0 || tv >= vLimit)) {
      FastSpan(ds, span, offset, n, dst);
      continue;
    }
    const int64_t iy = tv >> 16;
    const int64_t r0 = std::clamp<int64_t>(iy, 0, hmax), r1 = std::clamp<int64_t>(iy + 1, 0, hmax);
    const uint32_t* top = filtered(r0, r1);
    const uint32_t* bottom = filtered(r1, r0);
    FilterDown(top, bottom, uint32_t((tv >> 8) & 0xFF), lo, hi, texels);
    if (!clamp) {
      SampleLinearAddressed(ds, u, v, du, 0, lo, texels);
      SampleLinearAddressed(ds, u + du * hi, v, du, 0, n - hi, texels + hi);
    }
    if (write)
      write(texels, dst, n, tint);
    else
      Shade(ds, span, texels, offset, n, dst);
  }
}

}  // namespace

bool ScaledRectangle(const DrawState& ds, Span& span, const double base[kAttrCount],
                     const double dady[kAttrCount], int32_t xl, int32_t xr, int32_t yt,
                     int32_t yB) {
  if (!ds.fast || !ds.useTexture || ds.perspective || !ds.targetDirect || !span.linearFilter ||
      !span.flatColour || span.dv != 0 || span.d[kV] != 0 || dady[kU] != 0 ||
      !(std::fabs(dady[kV]) <= 1.0))
    return false;
  span.x0 = xl;
  span.count = xr - xl;
  // Every row starts at the same u; v is the same along a row.
  span.a[kU] = base[kU] + span.d[kU] * xl + dady[kU] * yt;
  // Whether every chunk can go this way is known before any pixel is drawn.
  for (int32_t offset = 0, lo, hi; offset < span.count; offset += kChunk)
    if (!FilteredColumns(ds, span, offset, std::min(kChunk, span.count - offset), lo, hi))
      return false;
  for (int32_t offset = 0; offset < span.count; offset += kChunk)
    ScaledColumns(ds, span, base, dady, offset, std::min(kChunk, span.count - offset), yt, yB);
  return true;
}

void RenderSpan(const DrawState& ds, const Span& sp) {
  bool direct = ds.targetDirect;
  int32_t bpp = ds.targetBpp;
  uint8_t* row = ds.bits + size_t(sp.y) * size_t(ds.pitch);
  uint32_t converted[kChunk];
  for (int32_t offset = 0; offset < sp.count; offset += kChunk) {
    int32_t n = std::min(kChunk, sp.count - offset);
    uint8_t* at = row + size_t(sp.x0 + offset) * size_t(bpp);
    uint32_t* dst = direct ? reinterpret_cast<uint32_t*>(at) : converted;
    if (!direct) RowToArgb(ds.format, at, converted, n);
    if (ds.fast)
      FastSpan(ds, sp, offset, n, dst);
    else
      ReferenceSpan(ds, sp, offset, n, dst);
    if (!direct) RowFromArgb(ds.format, converted, at, n);
  }
}

}  // namespace platform::display::raster
