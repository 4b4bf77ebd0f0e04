// The scanline rasteriser of the vector-font renderer, its glyph span cache and the span
// output through the renderer or into a locked texture.
#include "window/text/THwMiniVecDraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "window/text/TLayoutTextBlock.h"

namespace {

constexpr int kCellOrigin = 1600;  // cell of the glyph's pixel origin
constexpr int kQuarterOrigin = kCellOrigin * 4;
constexpr int kSpansPerBlock = 8192;
constexpr uint8_t kEndOfGlyph = 255;
// Pens and glyph offsets (pixels) at or past this are off every display.
constexpr float kFarOut = 1 << 28;

int FloorDiv4(int v) { return v >= 0 ? v / 4 : -((-v + 3) / 4); }

int SlotOf(int style) {
  if (style == 255) return 0;
  if (style == 254) return 1;
  if (style == 1) return 3;
  return 2;
}

uint32_t Pack(const TColor& c, unsigned alpha) {
  auto ch = [](float v) { return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
  return uint32_t(alpha) << 24 | ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}

uint32_t Hash(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

// Reads a glyph's commands without ever stepping past their end.
struct Reader {
  const uint8_t* p;
  const uint8_t* end;
  bool Has(size_t n) const { return size_t(end - p) >= n; }
  uint8_t Byte() { return *p++; }
  float Coord() {
    int16_t v = static_cast<int16_t>(uint16_t(p[0] | p[1] << 8));
    p += 2;
    return float(v) / 128.0f;
  }
};

}  // namespace

THwMiniVecDraw::THwMiniVecDraw() : mHeads(4096, -1), mBuckets(kBuckets, -1) {
  for (auto& c : mCells) c.assign(kCells, 0);
  mEdges.reserve(512);
  for (auto& c : mStyleColours) c = TColor(0, 0, 0, 1);
  // Text can be drawn from now on, so the renderer's overlay gets its text.
  if (TRenderer* r = TRenderer::Existing()) r->SetTextFactory(&MakeLayoutTextBlock);
}

THwMiniVecDraw::~THwMiniVecDraw() {
  EndText();
  if (TRenderer* r = TRenderer::Existing()) r->SetTextFactory(nullptr);
}

THwMiniVecDraw* THwMiniVecDraw::Instance() {
  TPlatform* p = TPlatform::Instance();
  return p ? p->GetData()->mMiniVecDraw.get() : nullptr;
}

void THwMiniVecDraw::SetStrokes(float outline, float bold) {
  // The first stroke is the outer one; with an outline it also covers the bold stroke.
  if (outline > 0.0f) {
    mStrokes[0] = outline + std::max(bold, 0.0f);
    mStrokes[1] = std::max(bold, 0.0f);
  } else {
    mStrokes[0] = std::max(bold, 0.0f);
    mStrokes[1] = 0.0f;
  }
}

void THwMiniVecDraw::SetStyleColor(int style, const TColor& colour, float alpha) {
  if (style < 0 || style > 255) return;
  mStyleColours[style] = colour;
  mAlpha = alpha;
  unsigned a = unsigned(std::lround(std::clamp(colour.a * 255.0f * alpha, 0.0f, 255.0f)));
  uint32_t* table = mCoverage[SlotOf(style)];
  for (int c = 1; c <= 32; ++c)
    table[c - 1] = Pack(colour, c <= 16 ? a * 16 * c / 256 : a * 255 / 256);
}

bool THwMiniVecDraw::BeginRun(float x, float y, boost::shared_ptr<TTexture> target) {
  // A pen that is not a number, or so far out that pixel positions would not fit, draws
  // nothing.
  mOffside = !(std::fabs(x) < kFarOut && std::fabs(y) < kFarOut);
  float fx = mOffside ? 0.0f : std::floor(x), fy = mOffside ? 0.0f : std::floor(y);
  mOriginX = int(fx);
  mOriginY = int(fy);
  mRunPhaseX = mOffside ? 0 : int((x - fx) * 4.0f);
  mRunPhaseY = mOffside ? 0 : int((y - fy) * 4.0f);
  if (target != mTarget) {
    EndText();
    if (target) {
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      if (target->Lock(px, pitch)) {
        mTarget = target;
        mPixels = px;
        mPitch = pitch;
        mTargetWidth = target->GetWidth();
        mTargetHeight = target->GetHeight();
      }
    }
  }
  return true;
}

void THwMiniVecDraw::EndText() {
  Flush();
  if (mTarget) {
    mTarget->Unlock();
    mTarget.reset();
    mPixels = nullptr;
  }
}

bool THwMiniVecDraw::SameKey(const Entry& e, const Key& k, const uint8_t* commands,
                             size_t length) const {
  const Key& o = e.key;
  if (o.id != k.id || o.hash != k.hash || o.xPhase != k.xPhase || o.yPhase != k.yPhase ||
      o.italic != k.italic)
    return false;
  auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  if (!same(o.xScale, k.xScale) || !same(o.yScale, k.yScale) || !same(o.stroke0, k.stroke0) ||
      !same(o.stroke1, k.stroke1) || !same(o.cosine, k.cosine) || !same(o.sine, k.sine))
    return false;
  return k.id ||
         (e.content.size() == length && std::memcmp(e.content.data(), commands, length) == 0);
}

void THwMiniVecDraw::DrawGlyph(const uint8_t* commands, size_t length, int x, int y,
                               bool byContent) {
  if (!commands || length == 0 || mOffside) return;
  if (std::abs(int64_t(x)) >= int64_t(kFarOut) * 4 || std::abs(int64_t(y)) >= int64_t(kFarOut) * 4)
    return;
  int qx = mRunPhaseX + x, qy = mRunPhaseY + y;
  mGlyphX = mOriginX + FloorDiv4(qx);
  mGlyphY = mOriginY + FloorDiv4(qy);
  int xPhase = qx - FloorDiv4(qx) * 4, yPhase = qy - FloorDiv4(qy) * 4;

  // Only the bytes up to the first end command belong to the glyph.
  size_t used = 0;
  if (byContent) {
    const uint8_t* e = static_cast<const uint8_t*>(std::memchr(commands, 8, length));
    used = e ? size_t(e - commands) + 1 : length;
  }
  Key key{byContent ? nullptr : commands,
          byContent ? Hash(commands, used) : 0u,
          uint8_t(xPhase),
          uint8_t(yPhase),
          mItalic,
          mXScale,
          mYScale,
          mStrokes[0],
          mStrokes[1],
          mCos,
          mSin};
  // The phases and scales take part in the bucket too, so that one glyph drawn at many sizes
  // does not make one long chain.
  uint32_t mix[3] = {byContent ? key.hash : uint32_t(reinterpret_cast<uintptr_t>(commands) >> 2),
                     uint32_t(xPhase | yPhase << 2 | mItalic << 4), 0};
  std::memcpy(&mix[2], &mXScale, sizeof(float));
  size_t bucket = Hash(reinterpret_cast<const uint8_t*>(mix), sizeof mix) % kBuckets;
  for (int i = mBuckets[bucket]; i >= 0; i = mEntries[size_t(i)].next) {
    const Entry& e = mEntries[size_t(i)];
    if (!SameKey(e, key, commands, used)) continue;
    for (size_t s = e.firstSpan; s < e.firstSpan + e.spanCount; ++s) {
      const Span& sp = SpanAt(s);
      if (sp.coverage == kEndOfGlyph) break;
      Output(sp);
    }
    return;
  }

  // An animated scale makes a new entry every frame: the store is emptied when full rather
  // than grown without end.
  if (mSpanCount >= mSpanLimit) FlushCache();
  Entry entry{key, {}, mSpanCount, 0, mBuckets[bucket]};
  if (byContent) entry.content.assign(commands, commands + used);
  mRecording = true;
  Rasterise(commands, length, xPhase, yPhase);
  EmitSpan(Span{0, 0, 0, kEndOfGlyph, 0});
  mRecording = false;
  entry.spanCount = mSpanCount - entry.firstSpan;
  mBuckets[bucket] = int(mEntries.size());
  mEntries.push_back(std::move(entry));
  ++mRasterised;
}

void THwMiniVecDraw::FlushCache() {
  mEntries.clear();
  std::fill(mBuckets.begin(), mBuckets.end(), -1);
  mSpanCount = 0;
  mBlocks.clear();
}

void THwMiniVecDraw::EmitSpan(const Span& s) {
  if (mRecording) {
    if ((mSpanCount >> 13) >= mBlocks.size())
      mBlocks.push_back(std::make_unique<Span[]>(kSpansPerBlock));
    SpanAt(mSpanCount++) = s;
  }
  if (s.coverage != kEndOfGlyph) Output(s);
}

void THwMiniVecDraw::Output(const Span& s) {
  uint32_t colour = mCoverage[s.slot & 3][std::clamp(int(s.coverage), 1, 32) - 1];
  mBatch[mBatchCount] = {mGlyphX + s.start, mGlyphX + s.end, mGlyphY + s.row, colour};
  if (mRecord) mRecord->push_back(mBatch[mBatchCount]);
  ++mBatchCount;
  if (mBatchCount * 2 >= mBatchSize || mDirect) Flush();
}

void THwMiniVecDraw::Flush() {
  if (mBatchCount == 0) return;
  if (mPixels) {
    WriteSpans();
  } else if (TRenderer* r = TRenderer::Existing()) {
    r->SetTexture(boost::shared_ptr<TTexture>());
    // The calibration measures the lines themselves.
    if (mSpanWriter && !mDirect && r->IsIn2d())
      r->DrawSpans(mBatch, mBatchCount);
    else
      DrawLines(r);
  }
  mBatchCount = 0;
}

bool THwMiniVecDraw::CanReplay() const {
  TRenderer* r = TRenderer::Existing();
  return mSpanWriter && r && r->IsIn2d();
}

void THwMiniVecDraw::Record(std::vector<platform::display::FlatSpan>* into) {
  Flush();
  mRecord = into;
}

void THwMiniVecDraw::Replay(const TKeptSpans& kept) {
  Flush();
  TRenderer* r = TRenderer::Existing();
  if (!r) return;
  r->SetTexture(boost::shared_ptr<TTexture>());
  if (!kept.masks.empty()) r->DrawMasks(kept.masks.data(), int(kept.masks.size()));
  if (!kept.after.empty()) r->DrawSpans(kept.after.data(), int(kept.after.size()));
}

void TKeptSpans::Keep(const std::vector<platform::display::FlatSpan>& spans,
                      TKeepScratch& scratch) {
  masks.clear();
  alphas.clear();
  after.clear();
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN, pixels = 0;
  for (const platform::display::FlatSpan& s : spans) {
    if (s.x1 <= s.x0) continue;
    left = std::min<int64_t>(left, s.x0), right = std::max<int64_t>(right, s.x1);
    top = std::min<int64_t>(top, s.y), bottom = std::max<int64_t>(bottom, int64_t(s.y) + 1);
    pixels += int64_t(s.x1) - s.x0;
  }
  if (pixels == 0) return;
  // Spans scattered far apart (or a huge text) stay spans: masks would be mostly empty.
  const int64_t width = right - left, area = width * (bottom - top);
  if (width > (1 << 16) || area > 8 * pixels + 4096 || area > (int64_t(1) << 24)) {
    for (const platform::display::FlatSpan& s : spans)
      if (s.x1 > s.x0) after.push_back(s);
    return;
  }
  // Each pixel holds the layer of the last span over it, plus one (0: none yet). A span goes
  // one layer above the highest under it, so the spans over a pixel keep their order when the
  // layers are drawn one after another, and the spans of a layer never meet. Spans of alpha 0
  // (which a copy still writes) and spans past the last layer are drawn after the masks, and
  // so is every span that meets one of them.
  constexpr uint8_t kLayers = 8, kAfter = 255;
  std::vector<uint8_t>& covered = scratch.covered;
  std::vector<uint32_t>& keys = scratch.keys;
  std::vector<std::pair<uint32_t, uint32_t>>& members = scratch.members;
  covered.assign(size_t(area), 0);
  keys.clear();
  members.clear();
  for (size_t i = 0; i < spans.size(); ++i) {
    const platform::display::FlatSpan& s = spans[i];
    if (s.x1 <= s.x0) continue;
    uint8_t* row = covered.data() + size_t((s.y - top) * width + (s.x0 - left));
    const size_t n = size_t(int64_t(s.x1) - s.x0);
    const uint8_t layer = *std::max_element(row, row + n);
    if (layer >= kLayers || (s.colour >> 24) == 0) {
      after.push_back(s);
      std::memset(row, kAfter, n);
      continue;
    }
    const uint32_t key = uint32_t(layer) << 24 | (s.colour & 0xFFFFFFu);
    const uint32_t k = uint32_t(std::find(keys.begin(), keys.end(), key) - keys.begin());
    if (k == keys.size()) keys.push_back(key);
    members.push_back({k, uint32_t(i)});
    std::memset(row, layer + 1, n);
  }
  // The groups of a colour and layer, layer by layer, each layer's in the order of first use.
  std::vector<uint32_t>& order = scratch.order;
  order.resize(keys.size());
  for (uint32_t k = 0; k < keys.size(); ++k) order[k] = k;
  // (A plain sort with the first use breaking ties: a stable sort would take a buffer.)
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return (keys[a] >> 24) != (keys[b] >> 24) ? (keys[a] >> 24) < (keys[b] >> 24) : a < b;
  });
  for (uint32_t k : order) {
    const uint32_t key = keys[k];
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (const auto& [group, i] : members) {
      if (group != k) continue;
      x0 = std::min(x0, spans[i].x0), x1 = std::max(x1, spans[i].x1);
      y0 = std::min(y0, spans[i].y), y1 = std::max(y1, spans[i].y + 1);
    }
    const size_t at = alphas.size();
    const int w = x1 - x0;
    alphas.resize(at + size_t(w) * size_t(y1 - y0), 0);
    for (const auto& [group, i] : members) {
      if (group != k) continue;
      const platform::display::FlatSpan& s = spans[i];
      std::memset(alphas.data() + at + size_t(s.y - y0) * size_t(w) + size_t(s.x0 - x0),
                  int(s.colour >> 24), size_t(s.x1 - s.x0));
    }
    // The offset for now: the alphas move while they grow.
    masks.push_back({reinterpret_cast<const uint8_t*>(at), w, w, y1 - y0, x0, y0, key & 0xFFFFFFu});
  }
  for (platform::display::AlphaMask& m : masks)
    m.alphas = alphas.data() + reinterpret_cast<size_t>(m.alphas);
}

std::vector<platform::display::FlatSpan> TKeptSpans::Spans() const {
  std::vector<platform::display::FlatSpan> out;
  for (const platform::display::AlphaMask& m : masks)
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x)
        if (uint32_t a = m.alphas[size_t(y) * size_t(m.pitch) + size_t(x)])
          out.push_back({m.x + x, m.x + x + 1, m.y + y, m.rgb | a << 24});
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

void THwMiniVecDraw::DrawLines(TRenderer* r) {
  // The biases put the ends where the display lights exactly the span's pixels.
  TLitVertex v[kBatchCapacity * 2];
  for (int i = 0; i < mBatchCount; ++i) {
    const platform::display::FlatSpan& s = mBatch[i];
    float y = float(s.y) + mYBias;
    v[2 * i].x = float(s.x0) + mXStartBias;
    v[2 * i + 1].x = float(s.x1) + mXEndBias;
    v[2 * i].y = v[2 * i + 1].y = y;
    v[2 * i].diffuse = v[2 * i + 1].diffuse = s.colour;
  }
  TVertexList list;
  list.InitLit(v, mBatchCount * 2);
  r->DrawVertices(2, list);
}

void THwMiniVecDraw::WriteSpans() {
  for (int i = 0; i < mBatchCount; ++i) {
    const platform::display::FlatSpan& s = mBatch[i];
    int y = s.y;
    if (y < 0 || y >= mTargetHeight) continue;
    int x0 = std::max(0, s.x0);
    int x1 = std::min(mTargetWidth, s.x1);
    uint32_t c = s.colour;
    uint32_t sa = c >> 24, sr = (c >> 16) & 0xFF, sg = (c >> 8) & 0xFF, sb = c & 0xFF;
    uint32_t* row = mPixels + size_t(y) * size_t(mPitch);
    for (int x = x0; x < x1; ++x) {
      uint32_t p = row[x];
      uint32_t da = p >> 24, dr = (p >> 16) & 0xFF, dg = (p >> 8) & 0xFF, db = p & 0xFF;
      if (mAccumulate) {
        if (sa == 0) continue;
        uint32_t t = da + sa;
        dr = (dr * da + sr * sa) / t;
        dg = (dg * da + sg * sa) / t;
        db = (db * da + sb * sa) / t;
        da = std::min<uint32_t>(t, 255);
      } else if (mReplace) {
        da = sa;
        dr = sr;
        dg = sg;
        db = sb;
      } else {
        dr = (dr * (255 - sa) + sr * sa) / 255;
        dg = (dg * (255 - sa) + sg * sa) / 255;
        db = (db * (255 - sa) + sb * sa) / 255;
      }
      row[x] = da << 24 | dr << 16 | dg << 8 | db;
    }
  }
}

void THwMiniVecDraw::AddEdge(float x0, float y0, float x1, float y1, uint8_t style, uint8_t layer,
                             bool stroke) {
  if (mItalic) {
    x0 -= y0 / 3.0f;
    x1 -= y1 / 3.0f;
  }
  x0 *= mXScale;
  x1 *= mXScale;
  y0 *= mYScale;
  y1 *= mYScale;
  if (mSin != 0.0f || mCos != 1.0f) {
    float rx0 = x0 * mCos - y0 * mSin, ry0 = x0 * mSin + y0 * mCos;
    float rx1 = x1 * mCos - y1 * mSin, ry1 = x1 * mSin + y1 * mCos;
    x0 = rx0, y0 = ry0, x1 = rx1, y1 = ry1;
  }
  x0 += float(mXPhase);
  x1 += float(mXPhase);
  y0 += float(mYPhase);
  y1 += float(mYPhase);
  bool swapped = y0 > y1;
  if (swapped) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1)) return;
  // Sub-scanline s samples y = s + 0.5.
  float first = std::ceil(y0 - 0.5f), last = std::ceil(y1 - 0.5f) - 1.0f;
  if (first > last || first < -1e6f || last > 1e6f) return;
  Edge e;
  e.x0 = x0, e.y0 = y0, e.x1 = x1, e.y1 = y1;
  e.slope = (x1 - x0) / (y1 - y0);
  e.x = x0;
  e.first = int(first);
  e.last = int(last);
  e.style = stroke ? (swapped ? 1 : 0) : style;
  e.layer = layer;
  if (mEdges.empty()) {
    mLowSub = e.first;
    mHighSub = e.last;
  } else {
    mLowSub = std::min(mLowSub, e.first);
    mHighSub = std::max(mHighSub, e.last);
  }
  mEdges.push_back(e);
}

void THwMiniVecDraw::StrokeSegment(float x0, float y0, float x1, float y1, uint8_t layer) {
  int index = layer;
  float w = mStrokes[index];
  float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0.0f || mXScale == 0.0f || mYScale == 0.0f) return;
  float ux = dx / len, uy = dy / len;
  float ddx = w * 4.0f / mXScale * ux, ddy = w * 4.0f / mYScale * uy;
  float nx = ddy, ny = -ddx;
  float c[6][2] = {{x0 + nx, y0 + ny}, {x0 - ddx, y0 - ddy}, {x0 - nx, y0 - ny},
                   {x1 - nx, y1 - ny}, {x1 + ddx, y1 + ddy}, {x1 + nx, y1 + ny}};
  for (int i = 0; i < 6; ++i) {
    int j = (i + 1) % 6;
    AddEdge(c[i][0], c[i][1], c[j][0], c[j][1], 0, layer, true);
  }
}

void THwMiniVecDraw::Piece(float x0, float y0, float x1, float y1, uint8_t fill, uint8_t layer) {
  for (uint8_t s = 0; s < 2 && mStrokes[s] > 0.0f; ++s) StrokeSegment(x0, y0, x1, y1, s);
  AddEdge(x0, y0, x1, y1, fill, layer, false);
}

void THwMiniVecDraw::Rasterise(const uint8_t* commands, size_t length, int xPhase, int yPhase) {
  mXPhase = xPhase;
  mYPhase = yPhase;
  mEdges.clear();
  int layer = 2, styleBase = 0, defined = 0, left = 0, right = 0;
  float px = 0, py = 0;
  Reader r{commands, commands + length};
  bool done = false;
  while (!done && r.Has(1)) {
    switch (r.Byte()) {
      case 1:
        layer = std::min(layer + 1, 255);
        styleBase = defined;
        left = right = 0;
        break;
      case 2:
      case 3: {
        if (!r.Has(1)) {
          done = true;
          break;
        }
        bool isLeft = r.p[-1] == 2;
        int s = r.Byte();
        int v = s ? std::min(s + styleBase, 255) : 0;
        (isLeft ? left : right) = v;
        break;
      }
      case 4:
        if (!r.Has(4)) {
          done = true;
          break;
        }
        px = r.Coord();
        py = r.Coord();
        break;
      case 5: {
        if (!r.Has(4)) {
          done = true;
          break;
        }
        float x = r.Coord(), y = r.Coord();
        Piece(px, py, x, y, uint8_t(left ? left : right), uint8_t(layer));
        px = x, py = y;
        break;
      }
      case 6: {
        if (!r.Has(8)) {
          done = true;
          break;
        }
        float cx = r.Coord(), cy = r.Coord(), x = r.Coord(), y = r.Coord();
        float qx = px, qy = py;
        for (int i = 1; i <= 3; ++i) {
          float t = float(i) / 3.0f;
          float nx = px + 2 * t * (cx - px) + t * t * (x - 2 * cx + px);
          float ny = py + 2 * t * (cy - py) + t * t * (y - 2 * cy + py);
          if (i == 3) nx = x, ny = y;
          Piece(qx, qy, nx, ny, uint8_t(left ? left : right), uint8_t(layer));
          qx = nx, qy = ny;
        }
        px = x, py = y;
        break;
      }
      case 7:
        if (!r.Has(3)) {
          done = true;
          break;
        }
        if (defined < 253) {
          ++defined;
          uint8_t cr = r.Byte(), cg = r.Byte(), cb = r.Byte();
          SetStyleColor(defined, TColor::FromBytes(cr, cg, cb, 255), mAlpha);
        } else {
          r.p += 3;
        }
        break;
      default:  // 8 ends the glyph; anything else is damage and ends it too
        done = true;
        break;
    }
  }
  if (mEdges.empty()) return;

  // Bucket the edges by their first sub-scanline.
  size_t needed = size_t(mHighSub - mLowSub + 1);
  if (mHeads.size() < needed) {
    size_t n = mHeads.size();
    while (n < needed) n *= 2;
    mHeads.assign(n, -1);
  }
  std::vector<int> next(mEdges.size(), -1);
  for (size_t i = mEdges.size(); i-- > 0;) {
    int h = mEdges[i].first - mLowSub;
    next[i] = mHeads[size_t(h)];
    mHeads[size_t(h)] = int(i);
  }

  mActive.clear();
  int layerState[256];
  int row = FloorDiv4(mLowSub);
  for (int s = mLowSub; s <= mHighSub; ++s) {
    if (FloorDiv4(s) != row) {
      FlushRow(row);
      row = FloorDiv4(s);
    }
    int& head = mHeads[size_t(s - mLowSub)];
    for (int i = head; i >= 0; i = next[size_t(i)]) mActive.push_back(i);
    head = -1;
    float ys = float(s) + 0.5f;
    size_t kept = 0;
    for (int i : mActive) {
      Edge& e = mEdges[size_t(i)];
      if (e.last < s) continue;
      e.x = e.x0 + (ys - e.y0) * e.slope;
      mActive[kept++] = i;
    }
    mActive.resize(kept);
    for (size_t i = 1; i < mActive.size(); ++i)
      for (size_t j = i; j > 0 && mEdges[size_t(mActive[j])].x < mEdges[size_t(mActive[j - 1])].x;
           --j)
        std::swap(mActive[j], mActive[j - 1]);

    int topLayer = -1;
    for (int i : mActive) topLayer = std::max(topLayer, int(mEdges[size_t(i)].layer));
    std::fill_n(layerState, topLayer + 1, 0);  // none when no edge is active (topLayer -1)
    for (size_t k = 0; k < mActive.size(); ++k) {
      const Edge& e = mEdges[size_t(mActive[k])];
      int& st = layerState[e.layer];
      if (e.layer < 2)
        st += e.style ? 1 : -1;
      else
        st = st ? 0 : e.style;
      if (k + 1 == mActive.size()) break;
      int style = 0;
      for (int l = topLayer; l >= 0; --l) {
        if (!layerState[l]) continue;
        style = l < 2 ? 255 - l : layerState[l];
        break;
      }
      if (style) AddStretch(SlotOf(style), e.x, mEdges[size_t(mActive[k + 1])].x);
    }
  }
  FlushRow(row);
}

void THwMiniVecDraw::AddStretch(int slot, float xa, float xb) {
  float fa = std::ceil(xa - 0.5f), fb = std::ceil(xb - 0.5f);
  int i0 = int(std::clamp(fa, float(-kQuarterOrigin), float(kCells * 4 - kQuarterOrigin)));
  int i1 = int(std::clamp(fb, float(-kQuarterOrigin), float(kCells * 4 - kQuarterOrigin)));
  if (i0 >= i1) return;
  std::vector<uint8_t>& cells = mCells[slot];
  int a = i0 + kQuarterOrigin, b = i1 + kQuarterOrigin;  // quarter samples [a, b)
  int p0 = a >> 2, p1 = (b - 1) >> 2;
  if (p0 == p1) {
    cells[size_t(p0)] = uint8_t(cells[size_t(p0)] + (b - a));
  } else {
    cells[size_t(p0)] = uint8_t(cells[size_t(p0)] + 4 - (a & 3));
    for (int p = p0 + 1; p < p1; ++p) cells[size_t(p)] = uint8_t(cells[size_t(p)] + 4);
    cells[size_t(p1)] = uint8_t(cells[size_t(p1)] + ((b - 1) & 3) + 1);
  }
  if (!mDirty[slot]) {
    mDirty[slot] = true;
    mLow[slot] = p0;
    mHigh[slot] = p1;
  } else {
    mLow[slot] = std::min(mLow[slot], p0);
    mHigh[slot] = std::max(mHigh[slot], p1);
  }
}

void THwMiniVecDraw::FlushRow(int row) {
  for (int slot = 0; slot < 4; ++slot) {
    if (!mDirty[slot]) continue;
    std::vector<uint8_t>& cells = mCells[slot];
    int p = mLow[slot];
    while (p <= mHigh[slot]) {
      uint8_t c = cells[size_t(p)];
      int q = p + 1;
      while (q <= mHigh[slot] && cells[size_t(q)] == c) ++q;
      if (c)
        EmitSpan(Span{int16_t(p - kCellOrigin), int16_t(q - kCellOrigin), int16_t(row),
                      uint8_t(std::min<int>(c, 32)), uint8_t(slot)});
      p = q;
    }
    std::fill(cells.begin() + mLow[slot], cells.begin() + mHigh[slot] + 1, uint8_t(0));
    mDirty[slot] = false;
  }
}
