// Triangle and line walkers: turn screen-space primitives into spans. Edges are walked in exact
// integer arithmetic on vertices snapped to 1/16 pixel, so the top-left rule holds without
// rounding surprises; attributes come from plane equations evaluated at pixel centres.
#include "platform/display/Raster.h"

#include <algorithm>
#include <cmath>

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

Vertex Lerp(const Vertex& a, const Vertex& b, float t) {
  Vertex r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  for (int k = 0; k < kAttrCount; ++k) r.a[k] = a.a[k] + (b.a[k] - a.a[k]) * t;
  return r;
}

// Clips a polygon to one side of an axis-aligned line: keep where sign * (coord - at) <= 0.
int ClipPolygon(const Vertex* in, int n, Vertex* out, bool onX, float at, float sign) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const Vertex& a = in[i];
    const Vertex& b = in[(i + 1) % n];
    float da = sign * ((onX ? a.x : a.y) - at);
    float db = sign * ((onX ? b.x : b.y) - at);
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
    int32_t xl = int32_t(std::max<int64_t>(l, ds.scissor.left));
    int32_t xr = int32_t(std::min<int64_t>(r, ds.scissor.right));
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
  if (blit && BlitRectangle(ds, span, yt, yB, dady[kV])) return;
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

bool DrawQuad(const DrawState& ds, const QuadCorner c[4], uint32_t colour) {
  if (ds.zTest || ds.perspective || ds.specular) return false;
  const float x[4] = {c[0].x, c[1].x, c[2].x, c[3].x}, y[4] = {c[0].y, c[1].y, c[2].y, c[3].y};
  if (!IsRectangle(ds, x, y)) return false;
  // The texel coordinates must be affine over the quad, as DrawRectangle asks of every
  // attribute; the colour is one colour.
  if (ds.tex && (double(c[0].u) + double(c[2].u) != double(c[1].u) + double(c[3].u) ||
                 double(c[0].v) + double(c[2].v) != double(c[1].v) + double(c[3].v)))
    return false;
  int64_t X[3] = {Snap(c[0].x), Snap(c[1].x), Snap(c[2].x)};
  int64_t Y[3] = {Snap(c[0].y), Snap(c[1].y), Snap(c[2].y)};
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return true;
  int32_t xl, xr, yt, yB;
  if (!RectanglePixels(ds, X, Y, xl, xr, yt, yB)) return true;
  Span span;
  double base[kAttrCount], dady[kAttrCount];
  // One colour: flat, its steps zero. What a straight copy of the texels reads is worked out
  // first; the rest only for the quads that go through the span loops, since setting it costs
  // more than a small quad's rows.
  span.flatColour = true;
  span.colour = colour;
  span.d[kU] = span.d[kV] = dady[kU] = dady[kV] = base[kU] = base[kV] = 0;
  if (ds.tex) {
    const PlaneBasis basis(X, Y);
    basis.Plane(c[0].u, c[1].u, c[2].u, span.d[kU], dady[kU], base[kU]);
    basis.Plane(c[0].v, c[1].v, c[2].v, span.d[kV], dady[kV], base[kV]);
  }
  span.du = ToFixed(span.d[kU]);
  span.dv = ToFixed(span.d[kV]);
  if (ds.useTexture) {
    span.x0 = xl;
    span.count = xr - xl;
    span.a[kU] = base[kU] + span.d[kU] * xl + dady[kU] * yt;
    span.a[kV] = base[kV] + span.d[kV] * xl + dady[kV] * yt;
    if (BlitRectangle(ds, span, yt, yB, dady[kV])) return true;
  }
  // Every attribute set one by one: a loop over them all becomes a string store.
  for (int k : {kZ, kQ, kR, kG, kB, kA, kSR, kSG, kSB}) span.d[k] = dady[k] = base[k] = 0;
  base[kR] = double((colour >> 16) & 0xFF);
  base[kG] = double((colour >> 8) & 0xFF);
  base[kB] = double(colour & 0xFF);
  base[kA] = double(colour >> 24);
  for (int k : {kZ, kQ, kU, kV, kR, kG, kB, kA, kSR, kSG, kSB}) span.a[k] = base[k];
  if (ds.tex) {
    PickFilter(ds, span, dady, 1.0);
    if (ScaledRectangle(ds, span, base, dady, xl, xr, yt, yB)) return true;
  }
  FillRows(ds, span, base, dady, xl, xr, yt, yB, false);
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
