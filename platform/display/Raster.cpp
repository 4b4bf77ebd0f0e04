// Triangle and line walkers: turn screen-space primitives into spans. Edges are walked in exact
// integer arithmetic on vertices snapped to 1/16 pixel, so the top-left rule holds without
// rounding surprises; attributes come from plane equations evaluated at pixel centres.
#include "platform/display/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::display::raster {
namespace {

// Vertices further than this outside the scissor rectangle are clipped first, which keeps the
// fixed-point edge arithmetic far from overflow.
constexpr float kGuard = 1024.0f;

int64_t FloorDiv(int64_t n, int64_t d) {
  int64_t q = n / d;
  if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
  return q;
}

// The pixel column where an edge starts covering on successive rows: ceil(x(y)).
struct Edge {
  int64_t q = 0, r = 0, stepQ = 0, stepR = 0, den = 1;
  void Init(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t y) {
    int64_t dx = x1 - x0, dy = y1 - y0;
    den = 16 * dy;
    int64_t n = x0 * dy + (16 * int64_t(y) - y0) * dx + den - 1;
    q = FloorDiv(n, den);
    r = n - q * den;
    int64_t s = 16 * dx;
    stepQ = FloorDiv(s, den);
    stepR = s - stepQ * den;
  }
  void Step() {
    q += stepQ;
    r += stepR;
    if (r >= den) {
      ++q;
      r -= den;
    }
  }
};

// An arithmetic shift floors, which a division would not do for negative values.
int32_t CeilDiv16(int64_t v) { return int32_t((v + 15) >> 4); }

bool Finite(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// In double: differences of finite floats never overflow there.
Vertex Lerp(const Vertex& a, const Vertex& b, double t) {
  Vertex r;
  r.x = float(a.x + (double(b.x) - a.x) * t);
  r.y = float(a.y + (double(b.y) - a.y) * t);
  for (int k = 0; k < kAttrCount; ++k) r.a[k] = float(a.a[k] + (double(b.a[k]) - a.a[k]) * t);
  return r;
}

// Clips a polygon to one side of an axis-aligned line: keep where sign * (coord - at) <= 0.
// The new corners land on the line, rounding aside, which the caller puts right.
int ClipPolygon(const Vertex* in, int n, Vertex* out, bool onX, float at, float sign) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const Vertex& a = in[i];
    const Vertex& b = in[(i + 1) % n];
    double da = sign * ((onX ? double(a.x) : double(a.y)) - at);
    double db = sign * ((onX ? double(b.x) : double(b.y)) - at);
    if (da <= 0) out[m++] = a;
    if ((da <= 0) != (db <= 0)) out[m++] = Lerp(a, b, da / (da - db));
  }
  return m;
}

int64_t Snap(float v) { return RoundNearest(double(v) * 16.0); }

void PrimitiveConstants(Span& span, const double base[kAttrCount], const double dady[kAttrCount]) {
  span.du = ToFixed(span.d[kU]);
  span.dv = ToFixed(span.d[kV]);
  span.flatColour = true;
  for (int k : {kR, kG, kB, kA})
    if (span.d[k] != 0 || dady[k] != 0) span.flatColour = false;
  if (span.flatColour)
    span.colour =
        ToByte(base[kA]) << 24 | ToByte(base[kR]) << 16 | ToByte(base[kG]) << 8 | ToByte(base[kB]);
}

// The attributes each row starts afresh; the fast loops read no texel coordinates without a
// texture and no colours when the colour is flat. Only rows that go through the span loops
// need them.
void RowAttributes(const DrawState& ds, Span& span) {
  span.rowAttrCount = 0;
  for (int k = 0; k < kAttrCount; ++k) {
    if (!(ds.attrMask & (1u << k))) continue;
    bool colour = k == kR || k == kG || k == kB || k == kA;
    if (ds.fast && colour && span.flatColour) continue;
    if (ds.fast && (k == kU || k == kV) && !ds.useTexture) continue;
    span.rowAttrs[span.rowAttrCount++] = uint8_t(k);
  }
}

// The corners' snapped positions relative to the first, shared by every attribute's plane.
struct PlaneBasis {
  double px0, py0, e1x, e1y, e2x, e2y, inv;
  PlaneBasis(const int64_t X[3], const int64_t Y[3])
      : px0(double(X[0]) / 16),
        py0(double(Y[0]) / 16),
        e1x(double(X[1] - X[0]) / 16),
        e1y(double(Y[1] - Y[0]) / 16),
        e2x(double(X[2] - X[0]) / 16),
        e2y(double(Y[2] - Y[0]) / 16),
        inv(1.0 / (e1x * e2y - e2x * e1y)) {}
  // The plane a(x, y) = base + dx * x + dy * y through the corner values a0, a1, a2.
  void Plane(double a0, double a1, double a2, double& dx, double& dy, double& base) const {
    double d1 = a1 - a0, d2 = a2 - a0;
    dx = (d1 * e2y - d2 * e1y) * inv;
    dy = (d2 * e1x - d1 * e2x) * inv;
    base = a0 - dx * px0 - dy * py0;
  }
};

// The filter for the texels per pixel.
void PickFilter(const DrawState& ds, Span& span, const double dady[kAttrCount], double q) {
  double foot = std::max({std::fabs(span.d[kU]), std::fabs(dady[kU]), std::fabs(span.d[kV]),
                          std::fabs(dady[kV])}) /
                q;
  span.linearFilter = (foot > 1.0 ? ds.minFilter : ds.magFilter) == TextureFilter::Linear;
}

// Plane equations on the snapped positions: a(x, y) = base + span.d * x + dady * y. Also picks
// the filter from the texels per pixel.
void Planes(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2,
            const int64_t X[3], const int64_t Y[3], Span& span, double base[kAttrCount],
            double dady[kAttrCount]) {
  const PlaneBasis basis(X, Y);
  for (int i = ds.attrCount; i < kAttrCount; ++i) {
    int k = ds.attrs[i];
    span.a[k] = span.d[k] = dady[k] = base[k] = 0;
  }
  for (int i = 0; i < ds.attrCount; ++i) {
    int k = ds.attrs[i];
    double a0 = v0.a[k];
    // A colour the same at all three corners (colours are always finite): the planes below
    // would give steps of zero and the colour itself, so they are skipped.
    if (k >= kR && v1.a[k] == v0.a[k] && v2.a[k] == v0.a[k]) {
      span.d[k] = dady[k] = 0;
      span.a[k] = base[k] = a0;
      continue;
    }
    basis.Plane(a0, v1.a[k], v2.a[k], span.d[k], dady[k], base[k]);
    span.a[k] = base[k];
  }
  PrimitiveConstants(span, base, dady);
  if (ds.tex) {
    double q = ds.perspective ? std::fabs((v0.a[kQ] + v1.a[kQ] + v2.a[kQ]) / 3.0) : 1.0;
    if (q <= 0) q = 1.0;
    PickFilter(ds, span, dady, q);
  }
}

void EmitRow(const DrawState& ds, Span& span, const double base[kAttrCount],
             const double dady[kAttrCount], int32_t y, int32_t xl, int32_t xr) {
  span.y = y;
  span.x0 = xl;
  span.count = xr - xl;
  for (int32_t i = 0; i < span.rowAttrCount; ++i) {
    int k = span.rowAttrs[i];
    span.a[k] = base[k] + span.d[k] * xl + dady[k] * y;
  }
  RenderSpan(ds, span);
}

void Setup(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2) {
  const Vertex* v[3] = {&v0, &v1, &v2};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = Snap(v[i]->x);
    Y[i] = Snap(v[i]->y);
  }
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return;
  Span span;
  double base[kAttrCount], dady[kAttrCount];
  Planes(ds, v0, v1, v2, X, Y, span, base, dady);
  RowAttributes(ds, span);

  int o[3] = {0, 1, 2};
  std::sort(o, o + 3, [&](int a, int b) { return Y[a] < Y[b]; });
  int64_t x0 = X[o[0]], y0 = Y[o[0]], x1 = X[o[1]], y1 = Y[o[1]], x2 = X[o[2]], y2 = Y[o[2]];
  int64_t cross = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (cross == 0) return;
  bool longLeft = cross > 0;

  int32_t yStart = std::max(CeilDiv16(y0), ds.scissor.top);
  int32_t yMid = CeilDiv16(y1);
  int32_t yEnd = std::min(CeilDiv16(y2), ds.scissor.bottom);
  if (yStart >= yEnd) return;

  Edge longEdge, shortEdge;
  longEdge.Init(x0, y0, x2, y2, yStart);
  bool upper = yStart < yMid;
  if (upper)
    shortEdge.Init(x0, y0, x1, y1, yStart);
  else
    shortEdge.Init(x1, y1, x2, y2, yStart);

  for (int32_t y = yStart; y < yEnd; ++y) {
    if (upper && y == yMid) {
      upper = false;
      shortEdge.Init(x1, y1, x2, y2, y);
    }
    int64_t l = longLeft ? longEdge.q : shortEdge.q;
    int64_t r = longLeft ? shortEdge.q : longEdge.q;
    int32_t xl = int32_t(std::clamp<int64_t>(l, ds.scissor.left, ds.scissor.right));
    int32_t xr = int32_t(std::clamp<int64_t>(r, ds.scissor.left, ds.scissor.right));
    if (xl < xr) EmitRow(ds, span, base, dady, y, xl, xr);
    longEdge.Step();
    shortEdge.Step();
  }
}

// Whether the corners go around an axis-aligned rectangle in order, near enough the scissor
// rectangle for the fixed-point edges (which also leaves out infinities and NaNs).
bool IsRectangle(const DrawState& ds, const float x[4], const float y[4]) {
  bool horizontalFirst = y[0] == y[1] && y[2] == y[3] && x[1] == x[2] && x[3] == x[0];
  bool verticalFirst = x[0] == x[1] && x[2] == x[3] && y[1] == y[2] && y[3] == y[0];
  if (!horizontalFirst && !verticalFirst) return false;
  // Every corner shares its x with one other and its y with another: corners 0 and 2 hold
  // them all.
  float l = float(ds.scissor.left) - kGuard, r = float(ds.scissor.right) + kGuard;
  float t = float(ds.scissor.top) - kGuard, b = float(ds.scissor.bottom) + kGuard;
  return x[0] >= l && x[0] <= r && x[2] >= l && x[2] <= r && y[0] >= t && y[0] <= b && y[2] >= t &&
         y[2] <= b;
}

// The pixels a rectangle covers, cut to the scissor rectangle; X and Y are three of its
// corners, snapped, the first and the last opposite each other. False when none.
bool RectanglePixels(const DrawState& ds, const int64_t X[3], const int64_t Y[3], int32_t& xl,
                     int32_t& xr, int32_t& yt, int32_t& yB) {
  int64_t xa = std::min(X[0], X[2]), xb = std::max(X[0], X[2]);
  int64_t ya = std::min(Y[0], Y[2]), yb = std::max(Y[0], Y[2]);
  xl = std::max(CeilDiv16(xa), ds.scissor.left);
  xr = std::min(CeilDiv16(xb), ds.scissor.right);
  yt = std::max(CeilDiv16(ya), ds.scissor.top);
  yB = std::min(CeilDiv16(yb), ds.scissor.bottom);
  return xl < xr && yt < yB;
}

// The rows of a rectangle through the span loops, its planes known (blit: unless the texels
// copy straight across).
void FillRows(const DrawState& ds, Span& span, const double base[kAttrCount],
              const double dady[kAttrCount], int32_t xl, int32_t xr, int32_t yt, int32_t yB,
              bool blit) {
  span.y = yt;
  span.x0 = xl;
  span.count = xr - xl;
  for (int i = 0; i < ds.attrCount; ++i) {
    int k = ds.attrs[i];
    span.a[k] = base[k] + span.d[k] * xl + dady[k] * yt;
  }
  if (blit && BlitRectangle(ds, span, yt, yB, dady[kU], dady[kV])) return;
  RowAttributes(ds, span);
  for (int32_t y = yt; y < yB; ++y) EmitRow(ds, span, base, dady, y, xl, xr);
}

// The pixels of a rectangle once its planes are known (X and Y as for RectanglePixels).
void FillRectangle(const DrawState& ds, Span& span, const double base[kAttrCount],
                   const double dady[kAttrCount], const int64_t X[3], const int64_t Y[3]) {
  int32_t xl, xr, yt, yB;
  if (RectanglePixels(ds, X, Y, xl, xr, yt, yB))
    FillRows(ds, span, base, dady, xl, xr, yt, yB, true);
}

// A lean quad's pixels and the planes of its texel coordinates (u, then v): a = base + d * x +
// dady * y.
struct TexelPlanes {
  int32_t xl = 0, xr = 0, yt = 0, yB = 0;
  double d[2] = {}, dady[2] = {}, base[2] = {};
};

// A quad of one colour whose pixels do not depend on the target's (a copy, or an opaque
// colour over the alpha blend) nor read texels: its first pixel drawn by the span loops,
// then copied over the rest, row by row. False (drawing nothing) for any other quad.
bool FillFlat(const DrawState& ds, Span& span, const double base[kAttrCount],
              const double dady[kAttrCount], const TexelPlanes& planes) {
  if (!ds.fast || ds.useTexture || ds.zTest) return false;
  if (ds.write != WriteKind::Copy &&
      !(ds.write == WriteKind::Alpha && FlatSource(ds, span.colour) >> 24 == 255))
    return false;
  const int32_t xl = planes.xl, yt = planes.yt;
  FillRows(ds, span, base, dady, xl, xl + 1, yt, yt + 1, false);
  const size_t n = size_t(planes.xr - xl), bpp = size_t(ds.targetBpp);
  uint8_t pixel[4] = {};
  std::memcpy(pixel, ds.bits + size_t(yt) * size_t(ds.pitch) + size_t(xl) * bpp, bpp);
  uint32_t p32;
  uint16_t p16;
  std::memcpy(&p32, pixel, sizeof p32);
  std::memcpy(&p16, pixel, sizeof p16);
  for (int32_t y = yt; y < planes.yB; ++y) {
    uint8_t* row = ds.bits + size_t(y) * size_t(ds.pitch) + size_t(xl) * bpp;
    if (bpp == 4) {
      std::fill_n(reinterpret_cast<uint32_t*>(row), n, p32);
    } else if (bpp == 2) {
      std::fill_n(reinterpret_cast<uint16_t*>(row), n, p16);
    } else {
      for (size_t i = 0; i < n; ++i) std::memcpy(row + i * bpp, pixel, bpp);
    }
  }
  return true;
}

// The pixels of a lean quad that does not copy its texels straight across: through the
// scaled-rectangle loops or the span loops. Its set-up costs more than a small sprite's rows,
// so it stays out of DrawQuad.
[[gnu::noinline]] void QuadThroughSpans(const DrawState& ds, const TexelPlanes& planes,
                                        uint32_t colour) {
  Span span;
  double base[kAttrCount], dady[kAttrCount];
  // One colour: flat, its steps zero. Every attribute set one by one: a loop over them all
  // becomes a string store.
  span.flatColour = true;
  span.colour = colour;
  for (int k : {kZ, kQ, kR, kG, kB, kA, kSR, kSG, kSB}) span.d[k] = dady[k] = base[k] = 0;
  span.d[kU] = planes.d[0];
  span.d[kV] = planes.d[1];
  dady[kU] = planes.dady[0];
  dady[kV] = planes.dady[1];
  base[kU] = planes.base[0];
  base[kV] = planes.base[1];
  span.du = ToFixed(span.d[kU]);
  span.dv = ToFixed(span.d[kV]);
  base[kR] = double((colour >> 16) & 0xFF);
  base[kG] = double((colour >> 8) & 0xFF);
  base[kB] = double(colour & 0xFF);
  base[kA] = double(colour >> 24);
  for (int k : {kZ, kQ, kU, kV, kR, kG, kB, kA, kSR, kSG, kSB}) span.a[k] = base[k];
  if (FillFlat(ds, span, base, dady, planes)) return;
  if (ds.tex) {
    PickFilter(ds, span, dady, 1.0);
    if (ScaledRectangle(ds, span, base, dady, planes.xl, planes.xr, planes.yt, planes.yB)) return;
  }
  FillRows(ds, span, base, dady, planes.xl, planes.xr, planes.yt, planes.yB, false);
}

}  // namespace

void DrawTriangle(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2) {
  if (!Finite(v0) || !Finite(v1) || !Finite(v2)) return;
  float l = float(ds.scissor.left) - kGuard, r = float(ds.scissor.right) + kGuard;
  float t = float(ds.scissor.top) - kGuard, b = float(ds.scissor.bottom) + kGuard;
  auto inside = [&](const Vertex& v) { return v.x >= l && v.x <= r && v.y >= t && v.y <= b; };
  if (inside(v0) && inside(v1) && inside(v2)) {
    Setup(ds, v0, v1, v2);
    return;
  }
  Vertex a[8] = {v0, v1, v2}, c[8];
  int n = 3;
  float cl = float(ds.scissor.left) - 1, cr = float(ds.scissor.right) + 1;
  float ct = float(ds.scissor.top) - 1, cb = float(ds.scissor.bottom) + 1;
  n = ClipPolygon(a, n, c, true, cl, -1.0f);
  n = ClipPolygon(c, n, a, true, cr, 1.0f);
  n = ClipPolygon(a, n, c, false, ct, -1.0f);
  n = ClipPolygon(c, n, a, false, cb, 1.0f);
  // Corners far outside, or the attributes beside them, may round off the clip lines or past
  // the float range: set-up's fixed-point arithmetic only ever sees corners on the clipped
  // polygon.
  for (int i = 0; i < n; ++i) {
    if (!Finite(a[i])) return;
    a[i].x = std::clamp(a[i].x, cl, cr);
    a[i].y = std::clamp(a[i].y, ct, cb);
  }
  for (int i = 1; i + 1 < n; ++i) Setup(ds, a[0], a[i], a[i + 1]);
}

bool DrawRectangle(const DrawState& ds, const Vertex& v0, const Vertex& v1, const Vertex& v2,
                   const Vertex& v3) {
  const float x[4] = {v0.x, v1.x, v2.x, v3.x}, y[4] = {v0.y, v1.y, v2.y, v3.y};
  if (!IsRectangle(ds, x, y)) return false;
  for (int i = 0; i < ds.attrCount; ++i) {
    int k = ds.attrs[i];
    if (double(v0.a[k]) + double(v2.a[k]) != double(v1.a[k]) + double(v3.a[k])) return false;
  }
  int64_t X[3] = {Snap(v0.x), Snap(v1.x), Snap(v2.x)};
  int64_t Y[3] = {Snap(v0.y), Snap(v1.y), Snap(v2.y)};
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return true;
  Span span;
  double base[kAttrCount], dady[kAttrCount];
  Planes(ds, v0, v1, v2, X, Y, span, base, dady);
  FillRectangle(ds, span, base, dady, X, Y);
  return true;
}

bool DrawSprite(const DrawState& ds, const QuadCorners& c, uint32_t colour) {
  // Corners around a rectangle, the first edge across; one texel a pixel along the edges and
  // none across them. Everything else is DrawQuad's to draw.
#if defined(__SSE2__)
  // Side by side: y0 = y1, y2 = y3 and v likewise (pairs swapped); x1 = x2, x3 = x0 and u
  // likewise (order reversed); then corners 0 and 2 near the scissor rectangle.
  const __m128 cx = _mm_loadu_ps(c.x), cy = _mm_loadu_ps(c.y);
  const __m128 cu = _mm_loadu_ps(c.u), cv = _mm_loadu_ps(c.v);
  constexpr int kSwapPairs = _MM_SHUFFLE(2, 3, 0, 1), kReverse = _MM_SHUFFLE(0, 1, 2, 3);
  const __m128 across = _mm_and_ps(_mm_cmpeq_ps(cy, _mm_shuffle_ps(cy, cy, kSwapPairs)),
                                   _mm_cmpeq_ps(cv, _mm_shuffle_ps(cv, cv, kSwapPairs)));
  const __m128 down = _mm_and_ps(_mm_cmpeq_ps(cx, _mm_shuffle_ps(cx, cx, kReverse)),
                                 _mm_cmpeq_ps(cu, _mm_shuffle_ps(cu, cu, kReverse)));
  const __m128 corners = _mm_shuffle_ps(cx, cy, _MM_SHUFFLE(2, 0, 2, 0));  // x0, x2, y0, y2
  const __m128 guard = _mm_set1_ps(kGuard);
  const __m128 lo = _mm_sub_ps(_mm_cvtepi32_ps(_mm_setr_epi32(ds.scissor.left, ds.scissor.left,
                                                              ds.scissor.top, ds.scissor.top)),
                               guard);
  const __m128 hi =
      _mm_add_ps(_mm_cvtepi32_ps(_mm_setr_epi32(ds.scissor.right, ds.scissor.right,
                                                ds.scissor.bottom, ds.scissor.bottom)),
                 guard);
  const __m128 near = _mm_and_ps(_mm_cmpge_ps(corners, lo), _mm_cmple_ps(corners, hi));
  if (_mm_movemask_ps(_mm_and_ps(_mm_and_ps(across, down), near)) != 0xF) return false;
#else
  if (!(c.y[0] == c.y[1] && c.y[2] == c.y[3] && c.x[1] == c.x[2] && c.x[3] == c.x[0]) ||
      !(c.u[2] == c.u[1] && c.u[3] == c.u[0] && c.v[1] == c.v[0] && c.v[3] == c.v[2]))
    return false;
  const float l = float(ds.scissor.left) - kGuard, r = float(ds.scissor.right) + kGuard;
  const float t = float(ds.scissor.top) - kGuard, b = float(ds.scissor.bottom) + kGuard;
  if (!(c.x[0] >= l && c.x[0] <= r && c.x[2] >= l && c.x[2] <= r && c.y[0] >= t && c.y[0] <= b &&
        c.y[2] >= t && c.y[2] <= b))
    return false;
#endif
  const int64_t x0 = Snap(c.x[0]), x1 = Snap(c.x[1]), y0 = Snap(c.y[0]), y1 = Snap(c.y[2]);
  if (x0 == x1 || y0 == y1) return false;
  // The texel coordinates step by the snapped edges exactly: DrawQuad's planes then step one
  // texel a pixel to within a few units in the last place, and the texel coordinates at a
  // pixel, far from a 16.16 rounding boundary when they lie on a 16.16 step, round to the
  // values worked out here. Coordinates are kept small enough for that margin.
  if (double(c.u[1]) - double(c.u[0]) != double(x1 - x0) / 16 ||
      double(c.v[2]) - double(c.v[0]) != double(y1 - y0) / 16 ||
      !(std::fabs(c.u[0]) < 0x1p20f && std::fabs(c.v[0]) < 0x1p20f))
    return false;
  const int32_t xl = std::max(CeilDiv16(std::min(x0, x1)), ds.scissor.left);
  const int32_t xr = std::min(CeilDiv16(std::max(x0, x1)), ds.scissor.right);
  const int32_t yt = std::max(CeilDiv16(std::min(y0, y1)), ds.scissor.top);
  const int32_t yB = std::min(CeilDiv16(std::max(y0, y1)), ds.scissor.bottom);
  if (xl >= xr || yt >= yB) return true;
  // The first pixel's centre in 16.16 texels, which must come out whole.
  const double u = (double(c.u[0]) - double(x0) / 16 + xl) * 65536.0;
  const double v = (double(c.v[0]) - double(y0) / 16 + yt) * 65536.0;
  const int64_t fu = RoundNearest(u), fv = RoundNearest(v);
  if (double(fu) != u || double(fv) != v) return false;
  return BlitTexels(ds, xl, xr - xl, yt, yB, fu, fv, true, colour);
}

bool DrawQuad(const DrawState& ds, const QuadCorners& c, uint32_t colour) {
  if (ds.zTest || ds.perspective || ds.specular) return false;
  if (!IsRectangle(ds, c.x, c.y)) return false;
  // The texel coordinates must be affine over the quad, as DrawRectangle asks of every
  // attribute; the colour is one colour.
  if (ds.tex && (double(c.u[0]) + double(c.u[2]) != double(c.u[1]) + double(c.u[3]) ||
                 double(c.v[0]) + double(c.v[2]) != double(c.v[1]) + double(c.v[3])))
    return false;
  int64_t X[3] = {Snap(c.x[0]), Snap(c.x[1]), Snap(c.x[2])};
  int64_t Y[3] = {Snap(c.y[0]), Snap(c.y[1]), Snap(c.y[2])};
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return true;
  TexelPlanes planes;
  if (!RectanglePixels(ds, X, Y, planes.xl, planes.xr, planes.yt, planes.yB)) return true;
  if (ds.tex) {
    const PlaneBasis basis(X, Y);
    basis.Plane(c.u[0], c.u[1], c.u[2], planes.d[0], planes.dady[0], planes.base[0]);
    basis.Plane(c.v[0], c.v[1], c.v[2], planes.d[1], planes.dady[1], planes.base[1]);
  }
  // Sprites and glyphs at their texels' size go straight from the texture to the target, the
  // rectangle's first texel worked out as the span loops would start it.
  if (ds.blit != BlitPlan::Off && ToFixed(planes.d[0]) == 65536 && ToFixed(planes.d[1]) == 0 &&
      ToFixed(planes.dady[0]) == 0 && ToFixed(planes.dady[1]) == 65536) {
    const int32_t xl = planes.xl, yt = planes.yt;
    int64_t u = ToFixed(planes.base[0] + planes.d[0] * xl + planes.dady[0] * yt);
    int64_t v = ToFixed(planes.base[1] + planes.d[1] * xl + planes.dady[1] * yt);
    if (BlitTexels(ds, xl, planes.xr - xl, yt, planes.yB, u, v, true, colour)) return true;
  }
  QuadThroughSpans(ds, planes, colour);
  return true;
}

void DrawLine(const DrawState& ds, const Vertex& v0, const Vertex& v1) {
  if (!Finite(v0) || !Finite(v1)) return;
  float dx = v1.x - v0.x, dy = v1.y - v0.y;
  if (dx == 0 && dy == 0) return;
  bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const Vertex* p = &v0;
  const Vertex* q = &v1;
  if ((xMajor ? dx : dy) < 0) std::swap(p, q);
  double lo = xMajor ? p->x : p->y, hi = xMajor ? q->x : q->y;
  double mlo = xMajor ? p->y : p->x, mhi = xMajor ? q->y : q->x;
  int32_t majMin = xMajor ? ds.scissor.left : ds.scissor.top;
  int32_t majMax = xMajor ? ds.scissor.right : ds.scissor.bottom;
  int32_t minMin = xMajor ? ds.scissor.top : ds.scissor.left;
  int32_t minMax = xMajor ? ds.scissor.bottom : ds.scissor.right;
  double cStart = std::max(std::ceil(lo), double(majMin));
  double cEnd = std::min(std::ceil(hi), double(majMax));
  Span span;
  span.count = 1;
  std::fill(span.d, span.d + kAttrCount, 0.0);
  span.linearFilter = ds.magFilter == TextureFilter::Linear;
  // A level line whose ends carry the same attributes (the glyph spans of text) has the same
  // values at every pixel: one span for the whole run, the pixels the steps below would give.
  if (xMajor && p->y == q->y && std::equal(p->a, p->a + kAttrCount, q->a)) {
    const double m = std::floor(double(p->y) + 0.5);
    if (!(m >= minMin && m < minMax) || !(cStart < cEnd)) return;
    span.x0 = int32_t(cStart);
    span.y = int32_t(m);
    span.count = int32_t(cEnd - cStart);
    for (int k = 0; k < kAttrCount; ++k) span.a[k] = p->a[k];
    span.flatColour = true;
    span.colour = ToByte(span.a[kA]) << 24 | ToByte(span.a[kR]) << 16 | ToByte(span.a[kG]) << 8 |
                  ToByte(span.a[kB]);
    RenderSpan(ds, span);
    return;
  }
  for (double c = cStart; c < cEnd; c += 1.0) {
    double t = (c - lo) / (hi - lo);
    double m = std::floor(mlo + t * (mhi - mlo) + 0.5);
    if (!(m >= minMin && m < minMax)) continue;  // NaN too
    span.x0 = int32_t(xMajor ? c : m);
    span.y = int32_t(xMajor ? m : c);
    for (int k = 0; k < kAttrCount; ++k) span.a[k] = p->a[k] + t * (double(q->a[k]) - p->a[k]);
    span.flatColour = true;
    span.colour = ToByte(span.a[kA]) << 24 | ToByte(span.a[kR]) << 16 | ToByte(span.a[kG]) << 8 |
                  ToByte(span.a[kB]);
    RenderSpan(ds, span);
  }
}

}  // namespace platform::display::raster
