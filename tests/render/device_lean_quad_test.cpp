// Axis-aligned quads of one colour take a lean way past the general vertex path; they must give
// the pixels the general path gives, whatever the states, sizes, positions and vertices.
#include <limits>
#include <random>

#include "tests/render/device_fixture.h"

namespace devicetest {
namespace {

class DeviceLeanQuad : public DeviceFixture {};

enum class Blend { Opaque, Alpha, Additive, Modulate, AlphaTested };

struct QuadCase {
  Blend blend;
  bool tinted, linear, scaled, transformed, indexed, fast;
  int order;  // which corner the fan starts at, and which way round it goes
  pd::PixelFormat target;
  float x0, y0, w, h, u0, v0, u1, v1;
  uint32_t colour;
};

QuadCase RandomCase(std::mt19937& rng) {
  auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
  QuadCase c;
  c.blend = Blend(pick(5));
  c.tinted = pick(2);
  c.linear = pick(2);
  c.scaled = pick(2);
  c.transformed = pick(4) == 0;
  c.indexed = pick(4) == 0;
  c.fast = pick(5) != 0;
  c.order = pick(8);
  const pd::PixelFormat formats[] = {pd::PixelFormat::A8R8G8B8, pd::PixelFormat::X8R8G8B8,
                                     pd::PixelFormat::R5G6B5};
  c.target = formats[pick(6) / 4 + pick(2) * (pick(3) == 0)];
  c.w = float(1 + pick(64));
  c.h = float(1 + pick(64));
  // Whole pixels mostly, so unscaled quads land on texel centres; now and then a fraction. The
  // target is 64 x 48: some quads hang over every edge, some lie wholly outside.
  c.x0 = float(pick(120) - 50) + (pick(4) == 0 ? float(pick(16)) / 16.0f : 0.0f);
  c.y0 = float(pick(100) - 50) + (pick(4) == 0 ? float(pick(16)) / 16.0f : 0.0f);
  float tx = float(pick(32)), ty = float(pick(32));
  float su = c.scaled ? 0.25f + float(pick(16)) / 8.0f : 1.0f;
  float sv = c.scaled ? (pick(2) ? su : 0.25f + float(pick(16)) / 8.0f) : 1.0f;
  c.u0 = tx / 64.0f;
  c.v0 = ty / 64.0f;
  c.u1 = (tx + c.w * su) / 64.0f;
  c.v1 = (ty + c.h * sv) / 64.0f;
  if (pick(3) == 0) std::swap(c.u0, c.u1);  // mirrored
  c.colour = c.tinted ? (rng() | 0x20000000u) : 0xFFFFFFFFu;
  return c;
}

TEST_F(DeviceLeanQuad, AlignedQuadsMatchTheGeneralPathPixelForPixel) {
  std::mt19937 rng(20261210);
  std::vector<uint32_t> texels(64 * 64);
  for (uint32_t& t : texels) {
    uint32_t a = rng() % 4;
    t = (rng() & 0xFFFFFF) | (a == 0 ? 0u : a == 1 ? 0xFF000000u : rng() << 24);
  }
  std::vector<uint32_t> background(64 * 48);
  for (uint32_t& b : background) b = rng();
  int changed = 0;
  constexpr int kCases = 1500;
  for (int i = 0; i < kCases; ++i) {
    QuadCase c = RandomCase(rng);
    SCOPED_TRACE(testing::Message()
                 << "case " << i << ": blend " << int(c.blend) << " tinted " << c.tinted
                 << " linear " << c.linear << " scaled " << c.scaled << " transformed "
                 << c.transformed << " indexed " << c.indexed << " fast " << c.fast << " order "
                 << c.order << " quad " << c.x0 << "," << c.y0 << " " << c.w << "x" << c.h);
    MakeTarget(64, 48, c.target);
    auto tex = MakeTexture(64, 64, texels);
    ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
    mDevice->SetFastPaths(c.fast);
    pd::RenderStates& s = mDevice->States();
    pd::TextureStage& t = mDevice->Stage();
    t.magFilter = t.minFilter = c.linear ? pd::TextureFilter::Linear : pd::TextureFilter::Point;
    s.alphaBlend = c.blend != Blend::Opaque;
    s.dstBlend = c.blend == Blend::Additive   ? pd::BlendFactor::One
                 : c.blend == Blend::Modulate ? pd::BlendFactor::SrcColor
                                              : pd::BlendFactor::InvSrcAlpha;
    if (c.blend == Blend::Modulate) s.srcBlend = pd::BlendFactor::Zero;
    if (c.blend == Blend::AlphaTested) s.alphaRef = 0x80;
    if (c.blend == Blend::Opaque) {
      t.alphaArg1 = pd::kArgFactor;
      t.alphaOp = pd::TextureOp::SelectArg1;
    }

    float xs[4] = {c.x0, c.x0 + c.w, c.x0 + c.w, c.x0};
    float ys[4] = {c.y0, c.y0, c.y0 + c.h, c.y0 + c.h};
    float us[4] = {c.u0, c.u1, c.u1, c.u0};
    float vs[4] = {c.v0, c.v0, c.v1, c.v1};
    LitVertex lit[4];
    ScreenVertex screen[4];
    for (int k = 0; k < 4; ++k) {
      int j = c.order < 4 ? (c.order + k) % 4 : (c.order - k + 4) % 4;
      lit[k] = {xs[j], ys[j], 0.1f, 0, c.colour, 0xFF000000u, us[j], vs[j]};
      // Screen vertices sit half a pixel up and left of the engine's coordinates.
      screen[k] = {xs[j] - 0.5f, ys[j] - 0.5f, 0.1f, 1.0f, c.colour, 0xFF000000u, us[j], vs[j]};
    }
    const uint16_t indices[4] = {0, 1, 2, 3};
    auto draw = [&] {
      const void* v = c.transformed ? static_cast<const void*>(screen) : lit;
      uint32_t format = c.transformed ? pd::kTransformedVertex : pd::kLitVertex;
      return c.indexed ? mDevice->DrawIndexedPrimitive(pd::PrimitiveType::TriangleFan, format, v, 4,
                                                       indices, 4)
                       : mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, format, v, 4);
    };
    pd::Image frames[2];
    for (int run = 0; run < 2; ++run) {
      pd::LockedRect lr;
      ASSERT_EQ(mTarget->Lock(nullptr, lr), pd::kOk);
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
          pd::FromArgb(c.target, background[size_t(y * 64 + x)],
                       lr.bits + y * lr.pitch + x * pd::BytesPerPixel(c.target));
      ASSERT_EQ(mTarget->Unlock(), pd::kOk);
      mDevice->SetLeanQuads(run == 0);
      ASSERT_EQ(draw(), pd::kOk);
      frames[run] = Frame();
    }
    int differing = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        differing += frames[0].At(x, y) != frames[1].At(x, y);
        if (frames[0].At(x, y) != frames[1].At(x, y) && differing <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << ": lean " << std::hex << frames[0].At(x, y)
                        << ", general " << frames[1].At(x, y);
      }
    ASSERT_EQ(differing, 0);
    pd::Image before = pd::Image::FromSurface(*mTarget);
    bool drewSomething = false;
    for (int y = 0; y < 48 && !drewSomething; ++y)
      for (int x = 0; x < 64 && !drewSomething; ++x) {
        uint32_t b = background[size_t(y * 64 + x)];
        uint8_t px[4] = {};
        pd::FromArgb(c.target, b, px);
        drewSomething = frames[0].At(x, y) != pd::ToArgb(c.target, px);
      }
    changed += drewSomething;
  }
  // Most quads touch the target at all, so the comparison is not between two empty draws.
  EXPECT_GT(changed, kCases / 2);
}

// Quads the lean way must leave alone still come out as the general path draws them: colours
// that differ by corner, turned quads, perspective and a depth test.
TEST_F(DeviceLeanQuad, QuadsOutsideTheLeanCaseFallBackToTheGeneralPath) {
  std::mt19937 rng(5);
  std::vector<uint32_t> texels(64 * 64);
  for (uint32_t& t : texels) t = rng();
  for (int variant = 0; variant < 4; ++variant) {
    pd::Image frames[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(64, 48);
      auto tex = MakeTexture(64, 64, texels);
      ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
      mDevice->SetLeanQuads(run == 0);
      ScreenVertex v[4] = {{4.5f, 3.5f, 0.2f, 1.0f, 0xFF102030u, 0, 0, 0},
                           {40.5f, 3.5f, 0.2f, 1.0f, 0xFF102030u, 0, 1, 0},
                           {40.5f, 30.5f, 0.2f, 1.0f, 0xFF102030u, 0, 1, 1},
                           {4.5f, 30.5f, 0.2f, 1.0f, 0xFF102030u, 0, 0, 1}};
      if (variant == 0) v[2].diffuse = 0xFFF0E0D0u;
      if (variant == 1) v[1].x += 5.0f;
      if (variant == 2) v[2].rhw = 0.5f;
      if (variant == 3) {
        pd::SurfaceDesc desc;
        desc.width = 64;
        desc.height = 48;
        desc.format = pd::PixelFormat::D16;
        desc.caps = pd::kCapsZBuffer;
        std::shared_ptr<pd::Surface> z;
        ASSERT_EQ(mDisplay.CreateSurface(desc, z), pd::kOk);
        ASSERT_EQ(mTarget->AttachZBuffer(z), pd::kOk);
        mDevice->States().zEnable = true;
        ASSERT_EQ(mDevice->Clear(pd::kClearZBuffer, 0, 0.1f), pd::kOk);
      }
      ASSERT_EQ(
          mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, v, 4),
          pd::kOk);
      frames[run] = Frame();
    }
    EXPECT_TRUE(frames[0].pixels == frames[1].pixels) << "variant " << variant;
  }
}

// Untextured quads of one colour (a frame's clear, a panel) whose pixels do not hang on the
// target's fill their rows straight; every other one keeps the span loops. Either way the
// pixels are the general path's, cut by the target and the viewport, on every target format.
TEST_F(DeviceLeanQuad, FlatColourFillsMatchTheGeneralPath) {
  struct Corners {
    float x0, y0, x1, y1;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN(), huge = 1e30f;
  const Corners rects[] = {
      {0, 0, 64, 48},                // the whole target
      {-20, -10, 100, 90},           // over every edge
      {3.5f, 2.25f, 40.75f, 30.5f},  // edges between pixel centres
      {10, 10, 10, 30},              // empty
      {40, 30, 5, 4},                // corners the other way round
      {-huge, -huge, huge, huge},    // far outside
      {nan, 0, 30, 30},              // not a number
      {70, 50, 90, 60},              // wholly off the target
  };
  const uint32_t colours[] = {0xFFFFFFFFu, 0xFF336699u, 0x80336699u, 0x00FFFFFFu};
  const pd::PixelFormat formats[] = {pd::PixelFormat::A8R8G8B8, pd::PixelFormat::X8R8G8B8,
                                     pd::PixelFormat::R5G6B5};
  const pd::Viewport viewports[] = {{0, 0, 64, 48, 0.0f, 1.0f}, {8, 6, 40, 30, 0.0f, 1.0f}};
  // The engine's blend (tested), a plain copy, a bound texture the stage does not read, and
  // the texture's alpha read as opaque white.
  enum State { Blended, Copied, TextureUnread, AlphaFromTexture, kStates };
  std::mt19937 rng(11);
  std::vector<uint32_t> texels(16 * 16, 0x40FF0000u), background(64 * 48);
  for (uint32_t& b : background) b = rng();
  for (pd::PixelFormat format : formats)
    for (const pd::Viewport& vp : viewports)
      for (int state = 0; state < kStates; ++state)
        for (uint32_t colour : colours)
          for (const Corners& r : rects) {
            SCOPED_TRACE(testing::Message()
                         << "format " << int(format) << " viewport " << vp.x << " state " << state
                         << " colour " << std::hex << colour << std::dec << " quad " << r.x0 << ","
                         << r.y0 << " " << r.x1 << "," << r.y1);
            pd::Image frames[2];
            for (int run = 0; run < 2; ++run) {
              MakeTarget(64, 48, format);
              pd::LockedRect lr;
              ASSERT_EQ(mTarget->Lock(nullptr, lr), pd::kOk);
              for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                  pd::FromArgb(format, background[size_t(y * 64 + x)],
                               lr.bits + y * lr.pitch + x * pd::BytesPerPixel(format));
              ASSERT_EQ(mTarget->Unlock(), pd::kOk);
              ASSERT_EQ(mDevice->SetViewport(vp), pd::kOk);
              mDevice->SetTransform(pd::TransformKind::Projection, Ortho2D(vp.width, vp.height));
              pd::TextureStage& t = mDevice->Stage();
              if (state == Copied) mDevice->States().alphaBlend = false;
              if (state == TextureUnread) {
                ASSERT_EQ(mDevice->SetTexture(MakeTexture(16, 16, texels)), pd::kOk);
                t.colourOp = t.alphaOp = pd::TextureOp::SelectArg1;
                t.colourArg1 = t.alphaArg1 = pd::kArgDiffuse;
              }
              if (state == AlphaFromTexture) t.alphaOp = pd::TextureOp::SelectArg1;
              mDevice->SetLeanQuads(run == 0);
              LitVertex v[4] = {{r.x0, r.y0, 0.1f, 0, colour, 0xFF000000u, 0, 0},
                                {r.x1, r.y0, 0.1f, 0, colour, 0xFF000000u, 0, 0},
                                {r.x1, r.y1, 0.1f, 0, colour, 0xFF000000u, 0, 0},
                                {r.x0, r.y1, 0.1f, 0, colour, 0xFF000000u, 0, 0}};
              ASSERT_EQ(
                  mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, v, 4),
                  pd::kOk);
              frames[run] = Frame();
            }
            ASSERT_TRUE(frames[0].pixels == frames[1].pixels);
          }
}

// Scaled quads wider than the span loops' chunks filter their rows chunk by chunk, each
// starting where the span loops would start it, whatever the addressing; unscaled ones copy
// or blend their rows straight from the texture, chunk by chunk when tinted.
TEST_F(DeviceLeanQuad, WideScaledQuadsMatchTheGeneralPath) {
  std::mt19937 rng(3);
  std::vector<uint32_t> texels(64 * 64);
  for (uint32_t& t : texels) t = rng();
  const pd::TextureAddress modes[] = {pd::TextureAddress::Clamp, pd::TextureAddress::Wrap,
                                      pd::TextureAddress::Mirror};
  // Unscaled ones come from a texture as wide as they are, so that their texels copy straight
  // across: cut at the target's edges, or reaching past the texture's.
  std::vector<uint32_t> wideTexels(768 * 48);
  for (uint32_t& t : wideTexels) t = rng();
  for (int trial = 0; trial < 36; ++trial) {
    const bool unscaled = trial >= 24;
    const float tw = unscaled ? 768.0f : 64.0f, th = unscaled ? 48.0f : 64.0f;
    float x0 = float(int(rng() % 40) - 20), w = float(260 + rng() % 440);
    float y0 = float(int(rng() % 20) - 5), h = float(4 + rng() % 30);
    float u0 = float(int(rng() % 64) - 16) / tw, v0 = float(rng() % 16) / th;
    float u1 = u0 + w / tw * (unscaled ? 1.0f : 0.3f + float(rng() % 8) / 4.0f);
    float v1 = v0 + h / th * (unscaled ? 1.0f : 0.75f);
    if (trial % 4 == 3) std::swap(u0, u1);
    uint32_t colour = trial % 3 ? 0xFFFFFFFFu : 0xC0F0E0C0u;
    pd::Image frames[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(700, 40);
      auto tex = unscaled ? MakeTexture(768, 48, wideTexels) : MakeTexture(64, 64, texels);
      ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
      mDevice->Stage().addressU = mDevice->Stage().addressV = modes[trial % 3];
      mDevice->States().alphaBlend = trial % 2 == 0;
      mDevice->SetLeanQuads(run == 0);
      ASSERT_EQ(Quad(x0, y0, x0 + w, y0 + h, colour, u0, v0, u1, v1), pd::kOk);
      frames[run] = Frame();
    }
    EXPECT_TRUE(frames[0].pixels == frames[1].pixels) << "trial " << trial;
  }
}

// The lean quads keep their plan from one draw to the next: every change of states, texture
// stage, texture (its pixels too), target, viewport or fast paths between two draws must show
// in the second, as a device that works everything out afresh for each draw shows it. Most
// draws are sprites, which go from their corners straight to the texels.
TEST_F(DeviceLeanQuad, ChangesBetweenDrawsShowInTheNextQuad) {
  std::mt19937 rng(7);
  std::vector<uint32_t> texels(64 * 64);
  for (uint32_t& t : texels) {
    uint32_t a = rng() % 4;
    t = (rng() & 0xFFFFFF) | (a == 0 ? 0u : a == 1 ? 0xFF000000u : rng() << 24);
  }
  // Two devices with two targets each: the first draws lean quads, the second only the
  // general way.
  struct Side {
    std::unique_ptr<pd::Device> device;
    std::shared_ptr<pd::Surface> targets[2];
  } sides[2];
  for (Side& side : sides) {
    MakeTarget(64, 48, pd::PixelFormat::R5G6B5);
    side.targets[1] = mTarget;
    MakeTarget(64, 48);
    side.targets[0] = mTarget;
    side.device = std::move(mDevice);
  }
  sides[1].device->SetLeanQuads(false);
  std::shared_ptr<pd::Surface> textures[3] = {MakeTexture(64, 64, texels),
                                              MakeTexture(32, 32, texels),
                                              MakeTexture(64, 64, texels, pd::PixelFormat::R5G6B5)};
  for (Side& side : sides) ASSERT_EQ(side.device->SetTexture(textures[0]), pd::kOk);
  struct {
    pd::RenderStates states;
    pd::TextureStage stage;
  } const start = {sides[0].device->States(), sides[0].device->Stage()};
  int current = 0;
  constexpr int kDraws = 1500;
  for (int i = 0; i < kDraws; ++i) {
    int change = int(rng() % 24);
    uint32_t value = rng();
    for (Side& side : sides) {
      pd::RenderStates& s = side.device->States();
      pd::TextureStage& t = side.device->Stage();
      switch (change) {
        case 0: s.alphaBlend = !s.alphaBlend; break;
        case 1: s.dstBlend = value % 2 ? pd::BlendFactor::One : pd::BlendFactor::InvSrcAlpha; break;
        case 2: s.srcBlend = value % 2 ? pd::BlendFactor::SrcAlpha : pd::BlendFactor::One; break;
        case 3:
          s.alphaRef = uint8_t(value % 3 == 0 ? 1 : value);
          s.alphaFunc = value % 2 ? pd::CompareFunc::GreaterEqual : pd::CompareFunc::Less;
          break;
        case 4: s.textureFactor = value; break;
        case 5:
          t.alphaArg1 = value % 2 ? pd::kArgFactor : pd::kArgTexture;
          t.alphaOp = value % 4 < 2 ? pd::TextureOp::SelectArg1 : pd::TextureOp::Modulate;
          break;
        case 6: t.colourOp = value % 2 ? pd::TextureOp::SelectArg1 : pd::TextureOp::Modulate; break;
        case 7:
          t.magFilter = t.minFilter =
              value % 2 ? pd::TextureFilter::Point : pd::TextureFilter::Linear;
          break;
        case 8:
          t.addressU = value % 2 ? pd::TextureAddress::Wrap : pd::TextureAddress::Clamp;
          break;
        case 9: ASSERT_EQ(side.device->SetTexture(textures[value % 3]), pd::kOk); break;
        case 10:
          ASSERT_EQ(side.device->SetTexture(value % 2 ? textures[0] : nullptr), pd::kOk);
          break;
        case 11: {
          pd::Viewport vp{int32_t(value % 16), int32_t(value / 16 % 16), 40, 30, 0.0f, 1.0f};
          ASSERT_EQ(side.device->SetViewport(value % 3 ? vp : pd::Viewport{0, 0, 64, 48}), pd::kOk);
          break;
        }
        case 12: side.device->SetFastPaths(value % 4 != 0); break;
        case 13: ASSERT_EQ(side.device->SetRenderTarget(side.targets[value % 2]), pd::kOk); break;
        case 14: s.shadeMode = value % 2 ? pd::ShadeMode::Flat : pd::ShadeMode::Gouraud; break;
        case 15:
        case 16: break;
        default:
          // Back to the states the engine draws sprites with, now and then with a texture in
          // the target's format or opaque copies, which the sprites copy straight across.
          s = start.states;
          t = start.stage;
          side.device->SetFastPaths(true);
          if (value % 3 == 0) {
            ASSERT_EQ(side.device->SetTexture(textures[value % 2]), pd::kOk);
          }
          if (value % 4 == 0) {
            s.alphaBlend = false;
            t.alphaArg1 = pd::kArgFactor;
            t.alphaOp = pd::TextureOp::SelectArg1;
          }
          break;
      }
    }
    if (change == 13) current = int(value % 2);
    if (change == 15) {
      // New pixels in the texture kept in another format, which the device converts.
      pd::LockedRect lr;
      ASSERT_EQ(textures[2]->Lock(nullptr, lr), pd::kOk);
      for (int y = 0; y < 64; ++y) lr.bits[y * lr.pitch + int(value % 128)] ^= 0x5A;
      ASSERT_EQ(textures[2]->Unlock(), pd::kOk);
    }
    if (change == 16) {
      // The same states written back whole.
      pd::RenderStates copy = sides[0].device->States();
      for (Side& side : sides) side.device->States() = copy;
    }
    // Mostly sprites: one texel a pixel, pixel centres on texel centres (on the 64-texel
    // textures), hanging over the target's and the viewport's edges; now and then half a
    // texel or a fraction of a pixel off, scaled, mirrored, or with its corners in another
    // order. Screen-space vertices are cut by the viewport without being scaled to it.
    float x0 = float(int(rng() % 70) - 10), y0 = float(int(rng() % 56) - 10);
    float w = float(1 + rng() % 24), h = float(1 + rng() % 24);
    float u0 = float(rng() % 32) / 64.0f, v0 = float(rng() % 32) / 64.0f;
    float scale = rng() % 3 ? 1.0f : 1.5f;
    const int variant = int(rng() % 12);
    if (variant == 0) x0 += 0.5f;
    if (variant == 1) y0 += float(1 + rng() % 15) / 16.0f;
    if (variant == 2) u0 += 0.5f / 64.0f;
    if (variant == 3) v0 -= 0.5f / 64.0f;
    float u1 = u0 + w * scale / 64.0f, v1 = v0 + h * scale / 64.0f;
    if (variant == 4) std::swap(u0, u1);
    const int order = variant == 5 ? int(rng() % 8) : 0;
    const bool screen = rng() % 3 == 0;
    uint32_t colour = rng() % 2 ? 0xFFFFFFFFu : (rng() | 0x40000000u);
    const float xs[4] = {x0, x0 + w, x0 + w, x0}, ys[4] = {y0, y0, y0 + h, y0 + h};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    LitVertex lit[4];
    ScreenVertex onScreen[4];
    for (int k = 0; k < 4; ++k) {
      int j = order < 4 ? (order + k) % 4 : (order - k + 4) % 4;
      lit[k] = {xs[j], ys[j], 0.1f, 0, colour, 0xFF000000u, us[j], vs[j]};
      onScreen[k] = {xs[j] - 0.5f, ys[j] - 0.5f, 0.1f, 1.0f, colour, 0xFF000000u, us[j], vs[j]};
    }
    pd::Image frames[2];
    for (int k = 0; k < 2; ++k) {
      mDevice = std::move(sides[k].device);
      mTarget = sides[k].targets[current];
      ASSERT_EQ(
          screen ? mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex,
                                          onScreen, 4)
                 : mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, lit, 4),
          pd::kOk);
      frames[k] = Frame();
      sides[k].device = std::move(mDevice);
    }
    ASSERT_TRUE(frames[0].pixels == frames[1].pixels)
        << "draw " << i << " after change " << change << ", variant " << variant << ", order "
        << order << (screen ? ", on screen" : "");
  }
}

}  // namespace
}  // namespace devicetest
