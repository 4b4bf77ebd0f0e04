// The software device against pixman on the same compositions, in one run: textured quads of
// 8x8 to 512x512 (opaque copy, alpha blend, additive, tinted glyph-like; unscaled, scaled
// and rotated, bilinear), and a typical 800x600 frame (an opaque background, 100 blended
// 128x128 sprites, 2,000 tinted 8x14 glyphs and a cursor). The device draws its quads as
// the renderer does, lit vertices through DrawPrimitive; pixman gets each composition in
// its own best form (premultiplied sources, glyphs as a solid colour through an a8 mask).
// Both sides read the same texels: the blend and additive quads a texture of opaque and
// half-transparent texels, and a rotated quad's pixman source is the quad's own texture
// rectangle, so neither side draws texels the other does not.
// Ratios are device time / pixman time: below 1 the device is faster.
// Then the frame with its sprites and glyphs at 1x, 10x and 100x, each side's cost per item,
// so that a cost growing faster than the count shows. `bench_render scale [SPRITES [GLYPHS]]`
// runs only that part, from other 1x counts; `bench_render quads [MODE [SHAPE]]` only the quads
// of a mode (its first word: opaque, alpha, additive, tinted) and a shape.
// Run a Release build (-DENGINE_BENCH=ON); pixman is found only when its development files
// are installed (apt-get install libpixman-1-dev). Times are the thread's CPU time, the best
// of several batches, which a busy machine disturbs less than the wall clock.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/display/Device.h"
#include "platform/display/headless/Display.h"

#if defined(ENGINE_BENCH_PIXMAN)
#include <pixman.h>
#endif

namespace pd = platform::display;

namespace {

struct LitVertex {
  float x, y, z;
  uint32_t reserved;
  uint32_t diffuse, specular;
  float u, v;
};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Seconds per call of a(i) and of b(i) for i in 0..count-1, each the best of several
// batches; the batches of the two alternate, so a busy spell on the machine falls on both.
std::pair<double, double> BestPair(long count, const std::function<void(long)>& a,
                                   const std::function<void(long)>& b, int batches = 7) {
  double best[2] = {1e30, 1e30};
  for (int k = 0; k < batches * 2; ++k) {
    const std::function<void(long)>& body = k % 2 ? b : a;
    double t0 = Now();
    for (long i = 0; i < count; ++i) body(i);
    best[k % 2] = std::min(best[k % 2], (Now() - t0) / double(count));
  }
  return {best[0], best[1]};
}

pd::Matrix4 Ortho2D(int w, int h) {
  float l = 0.5f, r = float(w) + 0.5f, t = 0.5f, b = float(h) + 0.5f;
  pd::Matrix4 m;
  m.m[0][0] = 2.0f / (r - l);
  m.m[1][1] = 2.0f / (t - b);
  m.m[2][2] = 1.0f;
  m.m[3][0] = (l + r) / (l - r);
  m.m[3][1] = (t + b) / (b - t);
  return m;
}

enum class Mode { Opaque, Alpha, Additive, Tinted };
const char* kModeNames[] = {"opaque copy", "alpha blend", "additive", "tinted"};
enum class Shape { Unscaled, Scaled, Rotated };
const char* kShapeNames[] = {"unscaled", "scaled", "rotated"};
constexpr float kScale = 1.37f;
constexpr float kAngle = 0.5236f;  // 30 degrees
constexpr uint32_t kTint = 0xC0F0E0C0u;

enum class Look { Opaque, Sprite, Translucent, Glyphs };

// Sprites: opaque middles, soft edges, clear corners. Translucent: half the texels opaque,
// half with alpha 64-192, none clear. Glyphs: white with coverage in alpha.
std::vector<uint32_t> Pixels(int w, int h, Look look, uint32_t seed) {
  std::vector<uint32_t> p(size_t(w) * size_t(h));
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t a = 255, rgb = rng() & 0xFFFFFF;
      if (look == Look::Sprite) {
        float dx = (x + 0.5f) / w - 0.5f, dy = (y + 0.5f) / h - 0.5f;
        float r = std::sqrt(dx * dx + dy * dy) * 2.0f;
        a = r < 0.7f ? 255 : r > 1.0f ? 0 : uint32_t((1.0f - r) / 0.3f * 255);
      } else if (look == Look::Translucent) {
        a = rng() % 2 ? 255 : 64 + rng() % 129;
      } else if (look == Look::Glyphs) {
        // Strokes: mostly clear or solid, antialiased at their edges.
        uint32_t v = rng() % 8;
        a = v < 4 ? 0 : v < 6 ? 255 : rng() & 0xFF;
        rgb = 0xFFFFFF;
      }
      p[size_t(y) * size_t(w) + size_t(x)] = a << 24 | rgb;
    }
  return p;
}

struct Turn {
  float c = 1.0f, s = 0.0f;
  static Turn Of(float angle) { return {std::cos(angle), std::sin(angle)}; }
};

struct Device {
  pd::headless::Display display;
  std::shared_ptr<pd::Surface> target;
  std::unique_ptr<pd::Device> device;

  Device(int w, int h) {
    pd::SurfaceDesc d;
    d.width = w;
    d.height = h;
    d.format = pd::PixelFormat::X8R8G8B8;
    d.caps = pd::kCapsOffscreenPlain | pd::kCapsRenderTarget;
    display.CreateSurface(d, target);
    display.CreateDevice(target, device);
    device->SetTransform(pd::TransformKind::Projection, Ortho2D(w, h));
    // The renderer's 2-D states.
    pd::RenderStates& s = device->States();
    s.lighting = false;
    s.cullMode = pd::CullMode::None;
    s.alphaTest = true;
    s.alphaRef = 1;
    s.alphaFunc = pd::CompareFunc::GreaterEqual;
    pd::TextureStage& t = device->Stage();
    t.magFilter = t.minFilter = pd::TextureFilter::Linear;
    t.addressU = t.addressV = pd::TextureAddress::Clamp;
    t.alphaOp = pd::TextureOp::Modulate;
    device->BeginScene();
  }

  std::shared_ptr<pd::Surface> Texture(int w, int h, const std::vector<uint32_t>& pixels) {
    pd::SurfaceDesc d;
    d.width = w;
    d.height = h;
    d.format = pd::PixelFormat::A8R8G8B8;
    d.caps = pd::kCapsTexture;
    std::shared_ptr<pd::Surface> t;
    display.CreateSurface(d, t);
    pd::LockedRect lr;
    t->Lock(nullptr, lr);
    for (int y = 0; y < h; ++y)
      std::memcpy(lr.bits + size_t(y) * size_t(lr.pitch), pixels.data() + size_t(y) * size_t(w),
                  size_t(w) * 4);
    t->Unlock();
    return t;
  }

  void SetMode(Mode m) {
    pd::RenderStates& s = device->States();
    pd::TextureStage& t = device->Stage();
    s.alphaBlend = m != Mode::Opaque;
    s.srcBlend = pd::BlendFactor::SrcAlpha;
    s.dstBlend = m == Mode::Additive ? pd::BlendFactor::One : pd::BlendFactor::InvSrcAlpha;
    t.alphaArg1 = m == Mode::Opaque ? pd::kArgFactor : pd::kArgTexture;
    t.alphaOp = m == Mode::Opaque ? pd::TextureOp::SelectArg1 : pd::TextureOp::Modulate;
  }

  // The corners turned by an angle whose cosine and sine are worked out once per composition,
  // as pixman's transform is, rather than once per quad on the device's side alone.
  void Quad(float x, float y, float w, float h, const Turn& turn, uint32_t colour, float u0,
            float v0, float u1, float v1) {
    const float c = turn.c, s = turn.s;
    float cx = x + w / 2, cy = y + h / 2;
    const float px[4] = {-w / 2, w / 2, w / 2, -w / 2}, py[4] = {-h / 2, -h / 2, h / 2, h / 2};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    LitVertex v[4];
    for (int k = 0; k < 4; ++k)
      v[k] = {cx + px[k] * c - py[k] * s,
              cy + px[k] * s + py[k] * c,
              0.1f,
              0,
              colour,
              0xFF000000u,
              us[k],
              vs[k]};
    device->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, v, 4);
  }
};

#if defined(ENGINE_BENCH_PIXMAN)

uint32_t Premultiply(uint32_t c) {
  uint32_t a = c >> 24;
  auto ch = [&](int s) { return ((c >> s & 0xFF) * a + 127) / 255 << s; };
  return a << 24 | ch(16) | ch(8) | ch(0);
}

struct Pixman {
  std::vector<uint32_t> bits;
  pixman_image_t* dst = nullptr;
  std::vector<std::vector<uint32_t>> stores;
  std::vector<pixman_image_t*> images;

  Pixman(int w, int h) : bits(size_t(w) * size_t(h)) {
    dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, bits.data(), w * 4);
  }
  ~Pixman() {
    for (pixman_image_t* i : images) pixman_image_unref(i);
    pixman_image_unref(dst);
  }
  // Opaque images as x8r8g8b8, the others premultiplied, glyph coverage as a8.
  pixman_image_t* Image(int w, int h, const std::vector<uint32_t>& pixels, Look look) {
    pixman_image_t* img;
    if (look == Look::Glyphs) {
      int stride = (w + 3) & ~3;
      stores.emplace_back(size_t(stride / 4) * size_t(h));
      auto* a8 = reinterpret_cast<uint8_t*>(stores.back().data());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          a8[size_t(y) * size_t(stride) + size_t(x)] = uint8_t(pixels[size_t(y) * w + x] >> 24);
      img = pixman_image_create_bits(PIXMAN_a8, w, h, stores.back().data(), stride);
    } else {
      stores.emplace_back(pixels.size());
      for (size_t i = 0; i < pixels.size(); ++i)
        stores.back()[i] = look == Look::Opaque ? pixels[i] : Premultiply(pixels[i]);
      img = pixman_image_create_bits(look == Look::Opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, w, h,
                                     stores.back().data(), w * 4);
    }
    pixman_image_set_filter(img, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(img, PIXMAN_REPEAT_PAD);
    images.push_back(img);
    return img;
  }
  // The top-left size x size texels of an image, sharing its pixels: nothing outside them is
  // sampled (clear past the edge).
  pixman_image_t* Corner(pixman_image_t* whole, int size) {
    pixman_image_t* img =
        pixman_image_create_bits(pixman_image_get_format(whole), size, size,
                                 pixman_image_get_data(whole), pixman_image_get_stride(whole));
    pixman_image_set_filter(img, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(img, PIXMAN_REPEAT_NONE);
    images.push_back(img);
    return img;
  }
};

// The tint as pixman's premultiplied solid colour.
pixman_image_t* TintFill() {
  const uint32_t a = kTint >> 24;
  pixman_color_t tint = {uint16_t(((kTint >> 16 & 0xFF) * a / 255) * 257),
                         uint16_t(((kTint >> 8 & 0xFF) * a / 255) * 257),
                         uint16_t(((kTint & 0xFF) * a / 255) * 257), uint16_t(a * 257)};
  return pixman_image_create_solid_fill(&tint);
}

// Maps destination pixels of a box at (bx, by) to texels: scaled by 1 / scale about the
// quad's corner, or turned by -angle about its centre.
void SetTransform(pixman_image_t* img, Shape shape, float side, float texSide) {
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  if (shape == Shape::Scaled) {
    double s = double(texSide) / side;
    t.matrix[0][0] = t.matrix[1][1] = pixman_double_to_fixed(s);
  } else if (shape == Shape::Rotated) {
    double c = std::cos(kAngle), s = std::sin(kAngle);
    double half = side * (std::fabs(c) + std::fabs(s)) / 2;  // box centre
    double tc = texSide / 2.0;
    // texel = R(-angle) * (p - half) + tc
    t.matrix[0][0] = pixman_double_to_fixed(c);
    t.matrix[0][1] = pixman_double_to_fixed(s);
    t.matrix[1][0] = pixman_double_to_fixed(-s);
    t.matrix[1][1] = pixman_double_to_fixed(c);
    t.matrix[0][2] = pixman_double_to_fixed(tc - c * half - s * half);
    t.matrix[1][2] = pixman_double_to_fixed(tc + s * half - c * half);
  }
  pixman_image_set_transform(img, &t);
  pixman_image_set_repeat(img, shape == Shape::Rotated ? PIXMAN_REPEAT_NONE : PIXMAN_REPEAT_PAD);
}

#endif

// The frame's sprites and glyphs at 1x, 10x and 100x of the given counts, each kind timed on
// its own: the cost per item and its growth over the 1x cost (1.00 when the cost is linear).
void Scaling(int sprites, int glyphs) {
  Device f(800, 600);
  auto spritePixels = Pixels(128, 128, Look::Sprite, 5);
  auto fontPixels = Pixels(256, 256, Look::Glyphs, 6);
  auto spriteTex = f.Texture(128, 128, spritePixels);
  auto font = f.Texture(256, 256, fontPixels);
  std::mt19937 rng(11);
  std::vector<std::pair<int, int>> spritePos(size_t(sprites) * 100), glyphPos(size_t(glyphs) * 100);
  for (auto& p : spritePos) p = {int(rng() % 672), int(rng() % 472)};
  for (auto& p : glyphPos) p = {int(rng() % 790), int(rng() % 586)};
#if defined(ENGINE_BENCH_PIXMAN)
  Pixman px(800, 600);
  pixman_image_t* pSprites = px.Image(128, 128, spritePixels, Look::Sprite);
  pixman_image_t* pFont = px.Image(256, 256, fontPixels, Look::Glyphs);
  pixman_image_t* pTint = TintFill();
#endif
  std::printf("\nscaling: %d sprites 128x128 and %d glyphs 8x14 at 1x (800x600)\n", sprites,
              glyphs);
  std::printf("%-8s %4s %8s %11s %9s %7s", "items", "", "count", "device ms", "ns each", "growth");
#if defined(ENGINE_BENCH_PIXMAN)
  std::printf(" %11s %9s %7s", "pixman ms", "ns each", "growth");
#endif
  std::printf("\n");
  const int scales[3] = {1, 10, 100};
  for (int kind = 0; kind < 2; ++kind) {
    // Draws the first n items on one side (0 the device, 1 pixman).
    auto draw = [&](int side, size_t n) {
      if (side == 0 && kind == 0) {
        f.SetMode(Mode::Alpha);
        f.device->SetTexture(spriteTex);
        for (size_t i = 0; i < n; ++i)
          f.Quad(float(spritePos[i].first), float(spritePos[i].second), 128, 128, Turn{},
                 0xFFFFFFFFu, 0, 0, 1, 1);
      } else if (side == 0) {
        f.SetMode(Mode::Tinted);
        f.device->SetTexture(font);
        for (size_t g = 0; g < n; ++g) {
          float u = float((g * 8) % 256) / 256, v = float(((g * 8) / 256 * 14) % 242) / 256;
          f.Quad(float(glyphPos[g].first), float(glyphPos[g].second), 8, 14, Turn{}, kTint, u, v,
                 u + 8.0f / 256, v + 14.0f / 256);
        }
      }
#if defined(ENGINE_BENCH_PIXMAN)
      else if (kind == 0) {
        for (size_t i = 0; i < n; ++i)
          pixman_image_composite32(PIXMAN_OP_OVER, pSprites, nullptr, px.dst, 0, 0, 0, 0,
                                   spritePos[i].first, spritePos[i].second, 128, 128);
      } else {
        for (size_t g = 0; g < n; ++g)
          pixman_image_composite32(PIXMAN_OP_OVER, pTint, pFont, px.dst, 0, 0, int((g * 8) % 256),
                                   int(((g * 8) / 256 * 14) % 242), glyphPos[g].first,
                                   glyphPos[g].second, 8, 14);
      }
#endif
    };
    // Rounds that take every scale and both sides in turn, each batch the same number of
    // items (the 1x frame 100 times, the 100x frame once), so a busy spell on the machine
    // falls on all of them; the best batch of each is kept.
    double best[3][2];
    for (auto& b : best) b[0] = b[1] = 1e30;
    const size_t unit = size_t(kind == 0 ? sprites : glyphs);
    for (int round = 0; round < 5; ++round)
      for (int s = 0; s < 3; ++s)
        for (int side = 0; side < 2; ++side) {
          const int frames = 100 / scales[s];
          double t0 = Now();
          for (int i = 0; i < frames; ++i) draw(side, unit * size_t(scales[s]));
          best[s][side] = std::min(best[s][side], (Now() - t0) / frames);
        }
    for (int s = 0; s < 3; ++s) {
      const size_t n = unit * size_t(scales[s]);
      std::printf("%-8s %3dx %8zu %11.3f %9.1f %7.2f", kind == 0 ? "sprites" : "glyphs", scales[s],
                  n, best[s][0] * 1e3, best[s][0] / double(n) * 1e9,
                  best[s][0] / best[0][0] / scales[s]);
#if defined(ENGINE_BENCH_PIXMAN)
      std::printf(" %11.3f %9.1f %7.2f", best[s][1] * 1e3, best[s][1] / double(n) * 1e9,
                  best[s][1] / best[0][1] / scales[s]);
#endif
      std::printf("\n");
    }
  }
#if defined(ENGINE_BENCH_PIXMAN)
  pixman_image_unref(pTint);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "scale") == 0) {
    const int sprites = argc > 2 ? std::atoi(argv[2]) : 100;
    const int glyphs = argc > 3 ? std::atoi(argv[3]) : 2000;
    if (sprites < 1 || glyphs < 1) {
      std::fprintf(stderr,
                   "usage: bench_render [scale [SPRITES [GLYPHS]] | quads [MODE [SHAPE]]]\n");
      return 2;
    }
    Scaling(sprites, glyphs);
    return 0;
  }
  const bool quadsOnly = argc > 1 && std::strcmp(argv[1], "quads") == 0;
  const char* onlyMode = quadsOnly && argc > 2 ? argv[2] : nullptr;
  const char* onlyShape = quadsOnly && argc > 3 ? argv[3] : nullptr;
  if (argc > 1 && !quadsOnly) {
    std::fprintf(stderr, "usage: bench_render [scale [SPRITES [GLYPHS]] | quads [MODE [SHAPE]]]\n");
    return 2;
  }
  const int W = 1024, H = 768;
  Device dev(W, H);
  auto opaquePixels = Pixels(512, 512, Look::Opaque, 1);
  auto spritePixels = Pixels(512, 512, Look::Translucent, 2);
  auto glyphPixels = Pixels(512, 512, Look::Glyphs, 3);
  auto opaqueTex = dev.Texture(512, 512, opaquePixels);
  auto spriteTex = dev.Texture(512, 512, spritePixels);
  auto glyphTex = dev.Texture(512, 512, glyphPixels);
#if defined(ENGINE_BENCH_PIXMAN)
  Pixman pix(W, H);
  pixman_image_t* pOpaque = pix.Image(512, 512, opaquePixels, Look::Opaque);
  pixman_image_t* pOpaqueA = pix.Image(512, 512, opaquePixels, Look::Sprite);
  pixman_image_t* pSprite = pix.Image(512, 512, spritePixels, Look::Translucent);
  pixman_image_t* pGlyph = pix.Image(512, 512, glyphPixels, Look::Glyphs);
  pixman_image_t* pTint = TintFill();
  std::printf("%-12s %-9s %5s %11s %11s %7s\n", "quads", "shape", "size", "device ns", "pixman ns",
              "ratio");
#else
  std::printf("(pixman not found at build time: device figures only)\n");
  std::printf("%-12s %-9s %5s %11s\n", "quads", "shape", "size", "device ns");
#endif
#if defined(ENGINE_BENCH_PIXMAN)
  double worst = 0;
#endif
  for (int m = 0; m < 4; ++m) {
    Mode mode = Mode(m);
    if (onlyMode && std::strncmp(kModeNames[m], onlyMode, std::strlen(onlyMode)) != 0) continue;
    dev.SetMode(mode);
    dev.device->SetTexture(mode == Mode::Opaque   ? opaqueTex
                           : mode == Mode::Tinted ? glyphTex
                                                  : spriteTex);
    uint32_t colour = mode == Mode::Tinted ? kTint : 0xFFFFFFFFu;
    for (int sh = 0; sh < 3; ++sh) {
      Shape shape = Shape(sh);
      if (onlyShape && std::strcmp(kShapeNames[sh], onlyShape) != 0) continue;
      for (int size : {8, 16, 32, 128, 512}) {
        float scale = shape == Shape::Scaled ? kScale : 1.0f;
        float angle = shape == Shape::Rotated ? kAngle : 0.0f;
        float side = float(size) * scale;
        if (size == 512 && shape == Shape::Scaled) side = 512 * 1.25f;  // still fits 1024x768
        if (size == 512 && shape == Shape::Rotated) side = 512 * 0.9f;
        float uv = float(size) / 512.0f;
        double pixels = double(side) * side;
        long quads = std::max(40L, long(3e6 / pixels));
        int step = int(std::ceil(side * 1.5f));
        int cols = std::max(1, (W - step) / step), rows = std::max(1, (H - step) / step);
        auto where = [&](long i, float& x, float& y) {
          int c = int(i % cols), r = int((i / cols) % rows);
          x = float(c * step) + (shape == Shape::Rotated ? 0.3f * side : 0.0f);
          y = float(r * step) + (shape == Shape::Rotated ? 0.3f * side : 0.0f);
          if (size == 512) x = y = shape == Shape::Rotated ? 100.0f : 0.0f;
        };
        const Turn turn = Turn::Of(angle);
        std::function<void(long)> device = [&](long i) {
          float x, y;
          where(i, x, y);
          dev.Quad(x, y, side, side, turn, colour, 0, 0, uv, uv);
        };
#if defined(ENGINE_BENCH_PIXMAN)
        pixman_image_t* src = mode == Mode::Opaque ? (shape == Shape::Rotated ? pOpaqueA : pOpaque)
                                                   : (mode == Mode::Tinted ? pTint : pSprite);
        pixman_image_t* mask = mode == Mode::Tinted ? pGlyph : nullptr;
        // A rotated quad's box reaches past its texture rectangle: pixman must not draw the
        // texels beyond it, which the device never reads.
        if (shape == Shape::Rotated) {
          if (mask)
            mask = pix.Corner(mask, size);
          else
            src = pix.Corner(src, size);
        }
        pixman_op_t op = mode == Mode::Additive                            ? PIXMAN_OP_ADD
                         : mode == Mode::Opaque && shape != Shape::Rotated ? PIXMAN_OP_SRC
                                                                           : PIXMAN_OP_OVER;
        SetTransform(mask ? mask : src, shape, side, float(size));
        int box = shape == Shape::Rotated
                      ? int(std::ceil(side * (std::cos(kAngle) + std::sin(kAngle))))
                      : int(std::ceil(side));
        auto [t, p] = BestPair(quads, device, [&](long i) {
          float x, y;
          where(i, x, y);
          int bx = int(x), by = int(y);
          if (shape == Shape::Rotated) {
            bx = int(x + side / 2 - box / 2.0f);
            by = int(y + side / 2 - box / 2.0f);
          }
          pixman_image_composite32(op, src, mask, pix.dst, 0, 0, 0, 0, bx, by, box, box);
        });
        SetTransform(mask ? mask : src, Shape::Unscaled, 1, 1);
        worst = std::max(worst, t / p);
        std::printf("%-12s %-9s %5d %11.0f %11.0f %7.2f\n", kModeNames[m], kShapeNames[sh], size,
                    t * 1e9, p * 1e9, t / p);
#else
        double t = BestPair(quads, device, [](long) {}).first;
        std::printf("%-12s %-9s %5d %11.0f\n", kModeNames[m], kShapeNames[sh], size, t * 1e9);
#endif
      }
    }
  }

  if (quadsOnly) return 0;

  // A typical frame.
  Device f(800, 600);
  auto backPixels = Pixels(1024, 1024, Look::Opaque, 4);
  auto spriteSmall = Pixels(128, 128, Look::Sprite, 5);
  auto fontPixels = Pixels(256, 256, Look::Glyphs, 6);
  auto cursorPixels = Pixels(32, 32, Look::Sprite, 7);
  auto background = f.Texture(1024, 1024, backPixels);
  auto sprites = f.Texture(128, 128, spriteSmall);
  auto font = f.Texture(256, 256, fontPixels);
  auto cursor = f.Texture(32, 32, cursorPixels);
  std::mt19937 rng(9);
  std::vector<std::pair<int, int>> spritePos(100), glyphPos(2000);
  for (auto& p : spritePos) p = {int(rng() % 672), int(rng() % 472)};
  for (auto& p : glyphPos) p = {int(rng() % 790), int(rng() % 586)};
  auto glyphAt = [](size_t g, int& gx, int& gy) {
    gx = int((g * 8) % 256);
    gy = int(((g * 8) / 256 * 14) % 242);
  };
  std::function<void(long)> parts[4] = {
      [&](long) {
        f.SetMode(Mode::Opaque);
        f.device->SetTexture(background);
        f.Quad(0, 0, 800, 600, Turn{}, 0xFFFFFFFFu, 0, 0, 800.0f / 1024, 600.0f / 1024);
      },
      [&](long) {
        f.SetMode(Mode::Alpha);
        f.device->SetTexture(sprites);
        for (auto& p : spritePos)
          f.Quad(float(p.first), float(p.second), 128, 128, Turn{}, 0xFFFFFFFFu, 0, 0, 1, 1);
      },
      [&](long) {
        f.SetMode(Mode::Tinted);
        f.device->SetTexture(font);
        for (size_t g = 0; g < glyphPos.size(); ++g) {
          int gx, gy;
          glyphAt(g, gx, gy);
          float u = float(gx) / 256, v = float(gy) / 256;
          f.Quad(float(glyphPos[g].first), float(glyphPos[g].second), 8, 14, Turn{}, kTint, u, v,
                 u + 8.0f / 256, v + 14.0f / 256);
        }
      },
      [&](long) {
        f.SetMode(Mode::Alpha);
        f.device->SetTexture(cursor);
        f.Quad(400, 300, 32, 32, Turn{}, 0xFFFFFFFFu, 0, 0, 1, 1);
      }};
  std::function<void(long)> pixmanParts[4] = {[](long) {}, [](long) {}, [](long) {}, [](long) {}};
#if defined(ENGINE_BENCH_PIXMAN)
  Pixman px(800, 600);
  pixman_image_t* pBack = px.Image(1024, 1024, backPixels, Look::Opaque);
  pixman_image_t* pSprites = px.Image(128, 128, spriteSmall, Look::Sprite);
  pixman_image_t* pFont = px.Image(256, 256, fontPixels, Look::Glyphs);
  pixman_image_t* pCursor = px.Image(32, 32, cursorPixels, Look::Sprite);
  pixmanParts[0] = [&](long) {
    pixman_image_composite32(PIXMAN_OP_SRC, pBack, nullptr, px.dst, 0, 0, 0, 0, 0, 0, 800, 600);
  };
  pixmanParts[1] = [&](long) {
    for (auto& p : spritePos)
      pixman_image_composite32(PIXMAN_OP_OVER, pSprites, nullptr, px.dst, 0, 0, 0, 0, p.first,
                               p.second, 128, 128);
  };
  pixmanParts[2] = [&](long) {
    for (size_t g = 0; g < glyphPos.size(); ++g) {
      int gx, gy;
      glyphAt(g, gx, gy);
      pixman_image_composite32(PIXMAN_OP_OVER, pTint, pFont, px.dst, 0, 0, gx, gy,
                               glyphPos[g].first, glyphPos[g].second, 8, 14);
    }
  };
  pixmanParts[3] = [&](long) {
    pixman_image_composite32(PIXMAN_OP_OVER, pCursor, nullptr, px.dst, 0, 0, 0, 0, 400, 300, 32,
                             32);
  };
#endif
  double part[4], ppart[4];
  for (int k = 0; k < 4; ++k) std::tie(part[k], ppart[k]) = BestPair(40, parts[k], pixmanParts[k]);
  double ft = part[0] + part[1] + part[2] + part[3];
  std::printf(
      "\ntypical 800x600 frame: background, 100 sprites 128x128, 2000 glyphs 8x14, cursor\n");
  std::printf("device  %.3f ms (background %.3f, sprites %.3f, glyphs %.3f, cursor %.3f)\n",
              ft * 1e3, part[0] * 1e3, part[1] * 1e3, part[2] * 1e3, part[3] * 1e3);
#if defined(ENGINE_BENCH_PIXMAN)
  double pt = ppart[0] + ppart[1] + ppart[2] + ppart[3];
  std::printf("pixman  %.3f ms (background %.3f, sprites %.3f, glyphs %.3f, cursor %.3f)\n",
              pt * 1e3, ppart[0] * 1e3, ppart[1] * 1e3, ppart[2] * 1e3, ppart[3] * 1e3);
  std::printf("frame ratio %.2f (target <= 0.80); worst quad ratio %.2f (target <= 1.20)\n",
              ft / pt, worst);
  pixman_image_unref(pTint);
#endif
  Scaling(100, 2000);
  return 0;
}
