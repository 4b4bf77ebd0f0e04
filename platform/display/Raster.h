// Internals of the rasterizer shared by the device, the triangle and line walkers and the span
// loops. Not part of the display interface.
#pragma once

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/display/Device.h"
#include "platform/display/Types.h"

namespace platform::display::raster {

// Whether the processor has 256-bit integer vectors (asked once): the loops that use them are
// chosen at run time.
inline bool HasAvx2() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

// Attributes carried by screen vertices, all linear in screen space: u and v are in texels and
// are divided by w (multiplied by q = 1/w) when the draw is perspective-correct.
enum Attr { kZ, kQ, kU, kV, kR, kG, kB, kA, kSR, kSG, kSB, kAttrCount };

struct Vertex {
  float x, y;
  float a[kAttrCount];
};

// How the fast span loops combine texel and diffuse colour.
enum class ColourSource : uint8_t { TexTimesDiffuse, Texture, Diffuse };
enum class AlphaSource : uint8_t { TexTimesDiffuse, Texture, Diffuse, Constant };
// How the fast span loops write to the target.
enum class WriteKind : uint8_t { Copy, CopyTested, Alpha, Additive, Generic };
// Whether a texel-aligned, unscaled rectangle copies or blends its texels straight across,
// and for which diffuse colours: any (the plan does not read it), white only, or one colour
// over the whole rectangle, tinting the texels on the way.
enum class BlitPlan : uint8_t { Off, AnyColour, White, Tinted };

struct DrawState {
  // Target (rows of the target surface) and the scissor rectangle (viewport within target).
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  PixelFormat format = PixelFormat::X8R8G8B8;
  Rect scissor;
  // Depth.
  bool zTest = false;
  bool zWrite = false;
  CompareFunc zFunc = CompareFunc::LessEqual;
  uint8_t* zbits = nullptr;
  int32_t zpitch = 0;
  PixelFormat zformat = PixelFormat::D16;
  // Texture as ARGB (null: none bound).
  const uint32_t* tex = nullptr;
  int32_t tw = 0, th = 0, tpitch = 0;
  TextureFilter magFilter = TextureFilter::Point, minFilter = TextureFilter::Point;
  TextureAddress addressU = TextureAddress::Clamp, addressV = TextureAddress::Clamp;
  bool perspective = false;
  // Colour combination.
  TextureStage stage;
  uint32_t factor = 0xFFFFFFFFu;
  bool specular = false;
  // Tests and blending.
  bool alphaTest = false;
  CompareFunc alphaFunc = CompareFunc::Always;
  uint8_t alphaRef = 0;
  bool blend = false;
  BlendFactor srcBlend = BlendFactor::One, dstBlend = BlendFactor::Zero;
  // Fast-path plan, worked out once per draw.
  bool fast = false;
  bool useTexture = false;  // the fast combiner reads texels
  ColourSource colourSource = ColourSource::TexTimesDiffuse;
  AlphaSource alphaSource = AlphaSource::TexTimesDiffuse;
  uint8_t constantAlpha = 255;
  WriteKind write = WriteKind::Generic;
  BlitPlan blit = BlitPlan::Off;
  uint32_t attrMask = 0;  // attributes the pixels read (bit per Attr)
  // The same as lists: the attributes read, then the others.
  int32_t attrCount = 0;
  uint8_t attrs[kAttrCount] = {};
  bool targetHasAlpha = false;
  bool targetDirect = true;  // 32-bit target rows are worked on in place
  int32_t targetBpp = 4;
};

// One run of pixels on a row: start values at x0 and per-pixel steps.
struct Span {
  int32_t y = 0, x0 = 0, count = 0;
  bool linearFilter = false;
  // Worked out once per primitive: 16.16 texel steps, and the diffuse colour when it is
  // the same everywhere.
  int64_t du = 0, dv = 0;
  bool flatColour = false;
  uint32_t colour = 0;
  // The columns whose texels need no addressing, kept from the row before for the next: the
  // rows of a rectangle start at the same texel column.
  mutable int64_t interiorU = INT64_MIN;
  mutable int32_t interiorCount = 0, interiorLo = 0, interiorHi = 0;
  // The attributes each row must start afresh.
  int32_t rowAttrCount = 0;
  uint8_t rowAttrs[kAttrCount];
  // Left unset on construction, which costs more than a small quad's pixels: whoever makes a
  // span sets every attribute (the plane set-up zeroes those the draw does not read).
  double a[kAttrCount];
  double d[kAttrCount];
};

void DrawTriangle(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2);
// Draws the quad v0..v3 as one rectangle when it is one: axis-aligned on screen, corners in
// order around it, attributes affine. Answers false (drawing nothing) otherwise. The pixels
// are those the two triangles (v0, v1, v2) and (v0, v2, v3) would cover.
bool DrawRectangle(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2,
                   const Vertex& v3);
// The corners of a quad in one colour: screen positions and texel coordinates, corner by
// corner.
struct QuadCorners {
  float x[4], y[4], u[4], v[4];
};
// The lean way of DrawRectangle for quads of one colour (ARGB) drawn with neither depth,
// perspective nor specular colour: the same pixels, without the general vertices.
bool DrawQuad(const DrawState& ds, const QuadCorners& c, uint32_t colour);
// Sprites and glyphs: the quads DrawQuad would copy or blend straight from the texture (one
// texel a pixel, pixel centres on texel centres, a plan that allows it), drawn the same
// without the planes, from the corners alone. False (drawing nothing) for any other quad,
// which DrawQuad then draws; ds.blit must not be Off.
bool DrawSprite(const DrawState& ds, const QuadCorners& c, uint32_t colour);
void DrawLine(const DrawState& ds, const Vertex& v0, const Vertex& v1);
// The spans of Device::DrawSpans, moved by (dx, dy), at depth z; the pixels DrawLine gives a
// level line of one colour over each.
void DrawFlatSpans(const DrawState& ds, const FlatSpan* spans, uint32_t count, int32_t dx,
                   int32_t dy, float z);
// A mask of Device::DrawMasks, moved by (dx, dy): the pixels DrawFlatSpans gives its pixels
// as spans of one.
void DrawMaskSpans(const DrawState& ds, const AlphaMask& mask, int32_t dx, int32_t dy, float z);
void RenderSpan(const DrawState& ds, const Span& span);
// Works out ds.blit once the rest of the fast-path plan is known.
void PlanBlit(DrawState& ds);
// Copies or blends a texel-aligned, unscaled rectangle row by row straight from the texture
// when the draw allows it (rows y0..y1, columns of span, u and v stepping uStep and vStep
// texels a row); false when it does not, leaving the rectangle to the span loops.
bool BlitRectangle(const DrawState& ds, const Span& span, int32_t y0, int32_t y1, double uStep,
                   double vStep);
// The same once the steps are known to be one texel a pixel across and one a row down: the
// columns x0..x0 + count of rows y0..y1, the first pixel's centre at the 16.16 texel (u, v),
// which must be a texel's centre. False (drawing nothing) when the draw does not allow it.
bool BlitTexels(const DrawState& ds, int32_t x0, int32_t count, int32_t y0, int32_t y1, int64_t u,
                int64_t v, bool flatColour, uint32_t colour);
// Draws the rows yt..yB, columns xl..xr, of a rectangle that is scaled but not turned, with
// bilinear filtering, through the fast loops: each texture row is filtered across once and
// kept for the rows of pixels between it and the next, rather than once for every row of
// pixels. The planes are base + span.d * x + dady * y. False (drawing nothing) when the draw
// or the rectangle does not allow it.
bool ScaledRectangle(const DrawState& ds, Span& span, const double base[kAttrCount],
                     const double dady[kAttrCount], int32_t xl, int32_t xr, int32_t yt, int32_t yB);

// What Shade makes of an untextured diffuse colour c: the texture's colour and alpha read as
// opaque white.
inline uint32_t FlatSource(const DrawState& ds, uint32_t c) {
  uint32_t rgb = ds.colourSource == ColourSource::Texture ? 0xFFFFFFu : c & 0xFFFFFFu;
  uint32_t a = c >> 24;
  if (ds.alphaSource == AlphaSource::Texture) a = 255;
  if (ds.alphaSource == AlphaSource::Constant) a = ds.constantAlpha;
  return rgb | a << 24;
}

// Rounds to the nearest integer (halves to even); v must fit an int64 comfortably.
inline int64_t RoundNearest(double v) {
#if defined(__SSE2__)
  return _mm_cvtsd_si64(_mm_set_sd(v));
#else
  return std::llrint(v);
#endif
}

// Converts a double to 16.16 fixed point without leaving the range where stepping is exact.
inline int64_t ToFixed(double v) {
  constexpr double kLimit = 140737488355328.0;  // 2^47
  double s = v * 65536.0;
  if (!(s > -kLimit)) return -int64_t(1) << 47;
  if (!(s < kLimit)) return int64_t(1) << 47;
  return RoundNearest(s);
}

inline uint32_t ToByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return uint32_t(v + 0.5);
}

inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

}  // namespace platform::display::raster
