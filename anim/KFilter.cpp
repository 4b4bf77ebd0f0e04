#include "anim/KFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/TRenderer.h"
#include "render/TTexture.h"

void KFilter::Filter(const uint32_t*, int32_t, int32_t, int32_t, int32_t, uint32_t*) {}

bool KFilter::Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target) {
  if (!source || !target) return false;
  // Filters write where they read: a target of another size gets the part both share.
  return FilterTextures(source, target, std::min(source->GetWidth(), target->GetWidth()),
                        std::min(source->GetHeight(), target->GetHeight()));
}

bool KFilter::FilterTextures(const boost::shared_ptr<TTexture>& source,
                             const boost::shared_ptr<TTexture>& target, int32_t w, int32_t h) {
  uint32_t* src = nullptr;
  int32_t srcStride = 0;
  TextureLock sourceLock;
  if (!sourceLock.Lock(src, srcStride, source.get())) return false;
  if (target == source) {
    Filter(src, srcStride, srcStride, w, h, src);
    return true;
  }
  uint32_t* dst = nullptr;
  int32_t dstStride = 0;
  TextureLock targetLock;
  if (!targetLock.Lock(dst, dstStride, target.get())) return false;
  Filter(src, srcStride, dstStride, w, h, dst);
  return true;
}

boost::shared_ptr<TTexture> FilteredCopy(KFilter* filter, boost::shared_ptr<TTexture> source) {
  if (!source) return boost::shared_ptr<TTexture>();
  boost::shared_ptr<TTexture> copy =
      TTexture::Create(source->GetWidth(), source->GetHeight(), source->HasAlpha());
  if (!copy) return copy;
  source->CopyRect(0, 0, nullptr, copy);
  if (filter) filter->Apply(source, copy);
  return copy;
}

namespace {

// Exact floor(n / d) for n < 2^24 and d < 2^16 by one multiplication: the error of the
// rounded-up reciprocal stays below one step of the quotient.
struct Divider {
  explicit Divider(uint32_t d) : mul(((uint64_t{1} << 40) + d - 1) / d) {}
  uint32_t operator()(uint32_t n) const { return static_cast<uint32_t>((n * mul) >> 40); }
  uint64_t mul;
};

// The four channel sums in two 64-bit words, two 32-bit lanes each (alpha and green, red and
// blue); a weighted sum stays below 255 x 255^2, so lanes never carry into each other.
struct Sum4 {
  uint64_t ag = 0, rb = 0;
  static uint64_t AG(uint32_t p) { return (uint64_t{p >> 24} << 32) | ((p >> 8) & 0xFF); }
  static uint64_t RB(uint32_t p) { return (uint64_t{(p >> 16) & 0xFF} << 32) | (p & 0xFF); }
  void Add(uint32_t p) {
    ag += AG(p);
    rb += RB(p);
  }
  void Sub(uint32_t p) {
    ag -= AG(p);
    rb -= RB(p);
  }
  void AddWeighted(uint32_t p, uint32_t w) {
    ag += AG(p) * w;
    rb += RB(p) * w;
  }
  void Add(const Sum4& o) {
    ag += o.ag;
    rb += o.rb;
  }
  void Sub(const Sum4& o) {
    ag -= o.ag;
    rb -= o.rb;
  }
  uint32_t Pack(const Divider& dv) const {
    const uint32_t a = static_cast<uint32_t>(ag >> 32), g = static_cast<uint32_t>(ag);
    const uint32_t r = static_cast<uint32_t>(rb >> 32), b = static_cast<uint32_t>(rb);
    return (dv(a) << 24) | (dv(r) << 16) | (dv(g) << 8) | dv(b);
  }
};

// One pass of the stack blur along a line of n pixels read at in[k * inStep] and written at
// out[k * outStep].
void BlurLine(const uint32_t* in, int32_t inStep, uint32_t* out, int32_t outStep, int32_t n,
              int32_t r, const Divider& dv, uint32_t* stack) {
  const int32_t div = 2 * r + 1;
  Sum4 sum, inSum, outSum;
  for (int32_t i = -r; i <= r; ++i) {
    const uint32_t p = in[static_cast<ptrdiff_t>(std::clamp(i, 0, n - 1)) * inStep];
    stack[i + r] = p;
    sum.AddWeighted(p, static_cast<uint32_t>(r + 1 - std::abs(i)));
    if (i > 0)
      inSum.Add(p);
    else
      outSum.Add(p);
  }
  // sp is the stack pointer; the entry leaving the window sits at (sp - r + div) mod div,
  // which is the entry after the one the pointer moves to.
  int32_t sp = r;
  int32_t leave = (sp + r + 1) % div;
  for (int32_t x = 0; x < n; ++x) {
    out[static_cast<ptrdiff_t>(x) * outStep] = sum.Pack(dv);
    sum.Sub(outSum);
    uint32_t& leaving = stack[leave];
    outSum.Sub(leaving);
    const uint32_t p = in[static_cast<ptrdiff_t>(std::min(x + r + 1, n - 1)) * inStep];
    leaving = p;
    inSum.Add(p);
    sum.Add(inSum);
    if (++sp == div) sp = 0;
    if (++leave == div) leave = 0;
    const uint32_t top = stack[sp];
    outSum.Add(top);
    inSum.Sub(top);
  }
}

}  // namespace

void KBlur::Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
                   int32_t height, uint32_t* dst) {
  if (width <= 0 || height <= 0) return;
  // Past the larger side every pixel already sees the whole image; past 254 the sums would
  // overflow.
  const int32_t r = std::min({mRadius, kMaxRadius, std::max(width, height)});
  if (r < 1) return;
  const uint32_t divsum = static_cast<uint32_t>((r + 1) * (r + 1));
  const Divider dv(divsum);
  std::vector<uint32_t> plane(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::vector<uint32_t> stack(static_cast<size_t>(2 * r + 1));
  for (int32_t y = 0; y < height; ++y)
    BlurLine(src + static_cast<ptrdiff_t>(y) * srcStride, 1,
             plane.data() + static_cast<ptrdiff_t>(y) * width, 1, width, r, dv, stack.data());
  // Columns go in blocks gathered into contiguous lines, so every cache line read or written
  // serves a whole block instead of one pixel.
  constexpr int32_t kBlock = 16;
  std::vector<uint32_t> lines(static_cast<size_t>(kBlock) * static_cast<size_t>(height));
  std::vector<uint32_t> blurred(static_cast<size_t>(height));
  for (int32_t x0 = 0; x0 < width; x0 += kBlock) {
    const int32_t n = std::min(kBlock, width - x0);
    for (int32_t y = 0; y < height; ++y) {
      const uint32_t* row = plane.data() + static_cast<ptrdiff_t>(y) * width + x0;
      for (int32_t k = 0; k < n; ++k) lines[static_cast<size_t>(k) * height + y] = row[k];
    }
    for (int32_t k = 0; k < n; ++k) {
      uint32_t* line = lines.data() + static_cast<ptrdiff_t>(k) * height;
      BlurLine(line, 1, blurred.data(), 1, height, r, dv, stack.data());
      std::copy(blurred.begin(), blurred.end(), line);
    }
    for (int32_t y = 0; y < height; ++y) {
      uint32_t* row = dst + static_cast<ptrdiff_t>(y) * dstStride + x0;
      for (int32_t k = 0; k < n; ++k) row[k] = lines[static_cast<size_t>(k) * height + y];
    }
  }
}

void KSimpleFilter::Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
                           int32_t height, uint32_t* dst) {
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* s = src + static_cast<ptrdiff_t>(y) * srcStride;
    uint32_t* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
    for (int32_t x = 0; x < width; ++x) PerPixel(s + x, d + x);
  }
}

namespace {

uint32_t DarkenChannel(uint32_t c, float factor) {
  const float v = static_cast<float>(c) * factor;
  // A factor above one brightens up to white; keeping only the low bits would wrap bright
  // channels round to dark ones.
  if (!(v > 0.0f)) return 0;
  return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

inline void DarkenPixel(const uint32_t* src, uint32_t* dst, float factor) {
  const uint32_t p = *src;
  if ((p >> 24) == 0) return;
  *dst = (*dst & 0xFF000000u) | (DarkenChannel((p >> 16) & 0xFF, factor) << 16) |
         (DarkenChannel((p >> 8) & 0xFF, factor) << 8) | DarkenChannel(p & 0xFF, factor);
}

}  // namespace

void KDarken::PerPixel(const uint32_t* src, uint32_t* dst) { DarkenPixel(src, dst, mFactor); }

// The same work as the base loop, with the 256 possible channel results computed once.
void KDarken::Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
                     int32_t height, uint32_t* dst) {
  uint32_t table[256];
  for (uint32_t c = 0; c < 256; ++c) table[c] = DarkenChannel(c, mFactor);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* s = src + static_cast<ptrdiff_t>(y) * srcStride;
    uint32_t* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = s[x];
      if ((p >> 24) == 0) continue;
      d[x] = (d[x] & 0xFF000000u) | (table[(p >> 16) & 0xFF] << 16) |
             (table[(p >> 8) & 0xFF] << 8) | table[p & 0xFF];
    }
  }
}

bool KMask::Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target) {
  if (!target) return false;
  boost::shared_ptr<TTexture> mask = TTexture::Get(mMaskName);
  TRenderer* r = TRenderer::Instance();
  if (!r) return false;
  // The image in the plain mode, then the mask in the mode that turns what is drawn into the
  // target's alpha.
  auto pass = [&](const boost::shared_ptr<TTexture>& texture, int mode, float x, float y) {
    if (!texture || !r->BeginRenderTarget(target, mode)) return;
    const bool began = r->Begin2d();
    texture->Draw(x, y, 1.0f, 1.0f, 0.0f, 0);
    if (began) r->End2d();
    r->EndRenderTarget();
  };
  pass(source, 0, target->GetWidth() * 0.5f, target->GetHeight() * 0.5f);
  if (mask) pass(mask, 4, mask->GetWidth() * 0.5f, mask->GetHeight() * 0.5f);
  return true;
}

void KScale::ScaledSize(int32_t width, int32_t height, int32_t& outWidth,
                        int32_t& outHeight) const {
  auto scaled = [](int32_t n, float s) -> int32_t {
    const double v = static_cast<double>(n) * static_cast<double>(s);
    if (!(v >= 1.0)) return 0;
    return v >= 65536.0 ? 65536 : static_cast<int32_t>(v);
  };
  outWidth = scaled(width, mScale.x);
  outHeight = scaled(height, mScale.y);
}

bool KScale::Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target) {
  if (!source || !target) return false;
  mClipWidth = target->GetWidth();
  mClipHeight = target->GetHeight();
  // Resampling reads the whole source and clips what it writes to the target itself.
  const bool done = FilterTextures(source, target, source->GetWidth(), source->GetHeight());
  mClipWidth = mClipHeight = INT32_MAX;
  return done;
}

boost::shared_ptr<TTexture> KScale::ScaleTexture(boost::shared_ptr<TTexture> source) {
  if (!source || (mScale.x == 1.0f && mScale.y == 1.0f)) return source;
  int32_t w = 0, h = 0;
  ScaledSize(source->GetWidth(), source->GetHeight(), w, h);
  if (w <= 0 || h <= 0) return boost::shared_ptr<TTexture>();
  boost::shared_ptr<TTexture> scaled = TTexture::Create(w, h, source->HasAlpha());
  if (scaled) Apply(source, scaled);
  return scaled;
}

namespace {

float Cube(float t) { return t > 0.0f ? t * t * t : 0.0f; }

// The cubic B-spline weight.
float BSpline(float x) {
  return (Cube(x + 2.0f) - 4.0f * Cube(x + 1.0f) + 6.0f * Cube(x) - 4.0f * Cube(x - 1.0f)) *
         0.1666666716337204f;
}

// Source indices and weights of the four taps of each destination coordinate.
struct Taps {
  int32_t index[4];
  float weight[4];
};

std::vector<Taps> MakeTaps(int32_t count, float ratio, int32_t size, bool mirrored) {
  std::vector<Taps> taps(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const float p = static_cast<float>(i) * ratio - 0.5f;
    const float base = std::floor(p);
    const float frac = p - base;
    for (int m = -1; m <= 2; ++m) {
      taps[i].index[m + 1] = std::clamp(static_cast<int32_t>(base) + m, 0, size - 1);
      // Columns weigh R(m - dx), rows R(dy - n).
      taps[i].weight[m + 1] =
          mirrored ? BSpline(frac - static_cast<float>(m)) : BSpline(static_cast<float>(m) - frac);
    }
  }
  return taps;
}

}  // namespace

void KScale::Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
                    int32_t height, uint32_t* dst) {
  if (mMode < 0 || mMode > 2 || width <= 0 || height <= 0) return;
  int32_t dw = 0, dh = 0;
  ScaledSize(width, height, dw, dh);
  if (dw <= 0 || dh <= 0) return;
  const float rx = static_cast<float>(width) / static_cast<float>(dw);
  const float ry = static_cast<float>(height) / static_cast<float>(dh);
  // In place the source would be overwritten while still being read.
  std::vector<uint32_t> copy;
  int32_t clipWidth = mClipWidth, clipHeight = mClipHeight;
  if (src == dst) {
    copy.resize(static_cast<size_t>(srcStride) * static_cast<size_t>(height));
    std::memcpy(copy.data(), src, copy.size() * sizeof(uint32_t));
    src = copy.data();
    clipWidth = std::min(clipWidth, width);
    clipHeight = std::min(clipHeight, height);
  }
  const int32_t cw = std::min(dw, clipWidth);
  const int32_t ch = std::min(dh, clipHeight);
  if (mMode != 2) {
    for (int32_t j = 0; j < ch; ++j) {
      const int32_t sy = std::min(static_cast<int32_t>(static_cast<float>(j) * ry), height - 1);
      const uint32_t* row = src + static_cast<ptrdiff_t>(sy) * srcStride;
      uint32_t* out = dst + static_cast<ptrdiff_t>(j) * dstStride;
      for (int32_t i = 0; i < cw; ++i)
        out[i] = row[std::min(static_cast<int32_t>(static_cast<float>(i) * rx), width - 1)];
    }
    return;
  }
  const std::vector<Taps> columns = MakeTaps(cw, rx, width, false);
  const std::vector<Taps> rows = MakeTaps(ch, ry, height, true);
  for (int32_t j = 0; j < ch; ++j) {
    const Taps& ty = rows[static_cast<size_t>(j)];
    uint32_t* out = dst + static_cast<ptrdiff_t>(j) * dstStride;
    for (int32_t i = 0; i < cw; ++i) {
      const Taps& tx = columns[static_cast<size_t>(i)];
      float a = 0, r = 0, g = 0, b = 0;
      for (int n = 0; n < 4; ++n) {
        const uint32_t* row = src + static_cast<ptrdiff_t>(ty.index[n]) * srcStride;
        float ra = 0, rr = 0, rg = 0, rb = 0;
        for (int m = 0; m < 4; ++m) {
          const uint32_t p = row[tx.index[m]];
          const float w = tx.weight[m];
          ra += static_cast<float>(p >> 24) * w;
          rr += static_cast<float>((p >> 16) & 0xFF) * w;
          rg += static_cast<float>((p >> 8) & 0xFF) * w;
          rb += static_cast<float>(p & 0xFF) * w;
        }
        const float w = ty.weight[n];
        a += ra * w;
        r += rr * w;
        g += rg * w;
        b += rb * w;
      }
      auto channel = [](float v) { return static_cast<uint32_t>(std::lround(v)) & 0xFF; };
      out[i] = (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
    }
  }
}
