// The software device: coverage rules, texel-exact copies, blending, tests, addressing,
// filtering, viewports and 16-bit targets.
#include <cmath>
#include <limits>
#include <iterator>
#include <random>
#include <set>

#include "device_fixture.h"
#include "support/Golden.h"

namespace devicetest {
namespace {

uint32_t Ch(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

class DeviceRaster : public DeviceFixture {};

// Draws every primitive kind with gouraud colours: a triangle list, a fan, indexed triangles
// and a line list at several slopes.
void DrawPrimitiveScene(DeviceFixture& f, pd::Device& mDevice) {
  LitVertex tri[3] = {{2, 2, 0.1f, 0, 0xFFFF0000u, 0, 0, 0},
                      {30, 6, 0.1f, 0, 0xFF00FF00u, 0, 0, 0},
                      {8, 28, 0.1f, 0, 0xFF0000FFu, 0, 0, 0}};
  EXPECT_EQ(mDevice.DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, tri, 3),
            pd::kOk);
  LitVertex fan[8];
  fan[0] = {48, 16, 0.1f, 0, 0xFFFFFFFFu, 0, 0, 0};
  for (int i = 0; i < 7; ++i) {
    float a = float(i) * 6.2831853f / 6.0f;
    fan[i + 1] = {48 + 13 * std::cos(a),
                  16 + 13 * std::sin(a),
                  0.1f,
                  0,
                  i % 2 ? 0x80FF00FFu : 0xFF00FFFFu,
                  0,
                  0,
                  0};
  }
  EXPECT_EQ(mDevice.DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, fan, 8), pd::kOk);
  LitVertex quad[4] = {{4, 36, 0.1f, 0, 0xFFFFFF00u, 0, 0, 0},
                       {28, 34, 0.1f, 0, 0xFF00FFFFu, 0, 0, 0},
                       {30, 60, 0.1f, 0, 0xFFFF00FFu, 0, 0, 0},
                       {2, 58, 0.1f, 0, 0x40FFFFFFu, 0, 0, 0}};
  uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
  EXPECT_EQ(mDevice.DrawIndexedPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, quad, 4,
                                         idx, 6),
            pd::kOk);
  LitVertex lines[12];
  for (int i = 0; i < 6; ++i) {
    float a = float(i) * 0.55f;
    lines[2 * i] = {46, 46, 0.1f, 0, 0xFFFFFFFFu, 0, 0, 0};
    lines[2 * i + 1] = {
        46 + 16 * std::cos(a), 46 + 16 * std::sin(a) - 8, 0.1f, 0, 0xFFFF8000u, 0, 0, 0};
  }
  EXPECT_EQ(mDevice.DrawPrimitive(pd::PrimitiveType::LineList, pd::kLitVertex, lines, 12), pd::kOk);
  (void)f;
}

TEST_F(DeviceRaster, PrimitivesMatchTheirGoldenFrames) {
  for (auto [format, name] : {std::pair{pd::PixelFormat::X8R8G8B8, "display/primitives.png"},
                              std::pair{pd::PixelFormat::R5G6B5, "display/primitives16.png"}}) {
    MakeTarget(64, 64, format);
    DrawPrimitiveScene(*this, *mDevice);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), name)) << name;
  }
}

TEST_F(DeviceRaster, SharedEdgesAreDrawnOnceAndCoverageFollowsTheTopLeftRule) {
  MakeTarget();
  mDevice->States().srcBlend = pd::BlendFactor::One;
  mDevice->States().dstBlend = pd::BlendFactor::One;
  ASSERT_EQ(mTarget->Fill(nullptr, 0), pd::kOk);
  // A fractional quad (two triangles) and a fan of thin slices around a centre.
  ScreenVertex q[4] = {{3.3f, 2.7f, 0, 1, 0xFF202020u, 0, 0, 0},
                       {20.6f, 2.7f, 0, 1, 0xFF202020u, 0, 0, 0},
                       {20.6f, 15.2f, 0, 1, 0xFF202020u, 0, 0, 0},
                       {3.3f, 15.2f, 0, 1, 0xFF202020u, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, q, 4),
            pd::kOk);
  ScreenVertex fan[26];
  fan[0] = {40.0f, 40.0f, 0, 1, 0xFF202020u, 0, 0, 0};
  for (int i = 0; i <= 24; ++i) {
    float a = float(i) * 6.2831853f / 24.0f;
    fan[i + 1] = {
        40.0f + 17.3f * std::cos(a), 40.0f + 17.3f * std::sin(a), 0, 1, 0xFF202020u, 0, 0, 0};
  }
  fan[25] = fan[1];
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, fan, 26),
            pd::kOk);
  pd::Image img = Frame();
  int twice = 0, quad = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint32_t g = Ch(img.At(x, y), 8);
      if (g > 0x20) ++twice;
      bool inQuad = x >= 4 && x <= 20 && y >= 3 && y <= 15;
      if (inQuad) {
        EXPECT_EQ(g, 0x20u) << x << "," << y;
        ++quad;
      } else if (x < 24 && y < 24) {
        EXPECT_EQ(g, 0u) << x << "," << y;
      }
    }
  EXPECT_EQ(twice, 0);
  EXPECT_EQ(quad, 17 * 13);
  // Pixel centres on a vertical left edge are in, on a right edge out.
  ASSERT_EQ(mTarget->Fill(nullptr, 0), pd::kOk);
  ScreenVertex e[4] = {{2, 2, 0, 1, 0xFF202020u, 0, 0, 0},
                       {6, 2, 0, 1, 0xFF202020u, 0, 0, 0},
                       {6, 4, 0, 1, 0xFF202020u, 0, 0, 0},
                       {2, 4, 0, 1, 0xFF202020u, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, e, 4),
            pd::kOk);
  img = Frame();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Ch(img.At(x, y), 8), (x >= 2 && x < 6 && y >= 2 && y < 4) ? 0x20u : 0u)
          << x << "," << y;
}

TEST_F(DeviceRaster, LinesCoverOnePixelPerMajorStepAndLeaveOutTheFarEnd) {
  MakeTarget(16, 16);
  mDevice->States().srcBlend = pd::BlendFactor::One;
  mDevice->States().dstBlend = pd::BlendFactor::One;
  ASSERT_EQ(mTarget->Fill(nullptr, 0), pd::kOk);
  const uint32_t c = 0xFF202020u;
  // Two joined segments (the corner is drawn once) and a shallow diagonal.
  ScreenVertex v[6] = {{2, 2, 0, 1, c, 0, 0, 0},  {10, 2, 0, 1, c, 0, 0, 0},
                       {10, 2, 0, 1, c, 0, 0, 0}, {10, 8, 0, 1, c, 0, 0, 0},
                       {0, 10, 0, 1, c, 0, 0, 0}, {4, 12, 0, 1, c, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::LineList, pd::kTransformedVertex, v, 6),
            pd::kOk);
  std::set<std::pair<int, int>> want;
  for (int x = 2; x < 10; ++x) want.insert({x, 2});
  for (int y = 2; y < 8; ++y) want.insert({10, y});
  for (auto p : {std::pair{0, 10}, std::pair{1, 11}, std::pair{2, 11}, std::pair{3, 12}})
    want.insert(p);
  pd::Image img = Frame();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(Ch(img.At(x, y), 8), want.count({x, y}) ? 0x20u : 0u) << x << "," << y;
}

TEST_F(DeviceRaster, UnscaledQuadAtHalfPixelOffsetCopiesTexelsExactly) {
  std::mt19937 rng(7);
  std::vector<uint32_t> texels(16 * 16);
  for (uint32_t& t : texels) t = rng() | 0xFF000000u;
  // Blended, opaque and additive (over black) draws of opaque texels all copy them.
  const pd::BlendFactor dsts[] = {pd::BlendFactor::InvSrcAlpha, pd::BlendFactor::Zero,
                                  pd::BlendFactor::One};
  struct Run {
    int mode;
    pd::TextureFilter filter;
    bool fast;
  };
  std::vector<Run> runs;
  for (int mode = 0; mode < 3; ++mode)
    for (auto filter : {pd::TextureFilter::Point, pd::TextureFilter::Linear})
      for (bool fast : {true, false}) runs.push_back({mode, filter, fast});
  for (const Run& run : runs) {
    MakeTarget();
    auto tex = MakeTexture(16, 16, texels);
    mDevice->SetFastPaths(run.fast);
    mDevice->States().dstBlend = dsts[run.mode];
    mDevice->States().alphaBlend = run.mode != 1;
    if (run.mode == 1) {
      mDevice->Stage().alphaArg1 = pd::kArgFactor;
      mDevice->Stage().alphaOp = pd::TextureOp::SelectArg1;
    }
    mDevice->Stage().magFilter = mDevice->Stage().minFilter = run.filter;
    ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
    ASSERT_EQ(Quad(8, 8, 24, 24), pd::kOk);
    pd::Image img = Frame();
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        bool in = x >= 8 && x < 24 && y >= 8 && y < 24;
        ASSERT_EQ(img.At(x, y), in ? texels[size_t((y - 8) * 16 + x - 8)] : 0xFF000000u)
            << x << "," << y << " filter " << int(run.filter) << " fast " << run.fast << " mode "
            << run.mode;
      }
  }
}

TEST_F(DeviceRaster, RenderingSelfTestMatchesAtTheFirstCandidateOffset) {
  // The calibration draws a white 16x16 texture with black corners at ten offsets, point
  // sampled; the default offset must land the corners exactly.
  std::vector<uint32_t> texels(16 * 16, 0xFFFFFFFFu);
  texels[0] = texels[255] = 0xFF000000u;
  MakeTarget(128, 64);
  auto tex = MakeTexture(16, 16, texels);
  ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
  mDevice->Stage().magFilter = mDevice->Stage().minFilter = pd::TextureFilter::Point;
  ASSERT_EQ(mTarget->Fill(nullptr, 0xFFFF0000u), pd::kOk);
  mDevice->SetTransform(pd::TransformKind::Projection, Ortho2D(128, 64, -0.5f));
  ASSERT_EQ(Quad(32, 16, 48, 32), pd::kOk);
  pd::Image img = Frame();
  EXPECT_EQ(img.At(32, 16) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.At(47, 31) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.At(33, 16), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(31, 16), 0xFFFF0000u);
  EXPECT_EQ(img.At(48, 31), 0xFFFF0000u);
}

// Reference result of blending one channel: round((s * sf + d * df) / 255), saturated.
uint32_t BlendRef(uint32_t s, uint32_t d, int sf, int df) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    auto factor = [&](int f) -> double {
      switch (f) {
        case 0: return 0;
        case 1: return 255;
        case 2: return Ch(s, shift);
        case 3: return 255 - Ch(s, shift);
        case 4: return Ch(s, 24);
        default: return 255 - Ch(s, 24);
      }
    };
    double v = (Ch(s, shift) * factor(sf) + Ch(d, shift) * factor(df)) / 255.0;
    out |= uint32_t(std::min(255.0, std::floor(v + 0.5))) << shift;
  }
  return out;
}

uint32_t ModRef(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= uint32_t(std::floor(Ch(a, shift) * Ch(b, shift) / 255.0 + 0.5)) << shift;
  return out;
}

TEST_F(DeviceRaster, BlendModesProduceTheirFormulasOnKnownDestinations) {
  const uint32_t texel = 0x80C86432u;
  const uint32_t diffuse = 0xC0FF8040u;
  const uint32_t dsts[] = {0xFF4080C0u, 0x00000000u, 0xFFFFFFFFu, 0x7F102030u};
  const uint32_t grey = 0x80808080u;          // texel alpha replicated
  const uint32_t m = ModRef(texel, diffuse);  // texture x diffuse
  using F = pd::BlendFactor;
  struct Mode {
    const char* name;
    bool blend;
    F src, dst;
    uint32_t colourArg1;
    pd::TextureOp colourOp;
    uint32_t alphaArg1;
    pd::TextureOp alphaOp;
    uint32_t drawn;  // colour leaving the texture stage
    int sf,
        df;  // reference factors: 0 zero 1 one 2 srccolour 3 invsrccolour 4 srcalpha 5 invsrcalpha
  };
  const Mode modes[] = {
      {"normal", true, F::SrcAlpha, F::InvSrcAlpha, pd::kArgTexture, pd::TextureOp::Modulate,
       pd::kArgTexture, pd::TextureOp::Modulate, m, 4, 5},
      {"opaque", false, F::One, F::Zero, pd::kArgTexture, pd::TextureOp::Modulate, pd::kArgFactor,
       pd::TextureOp::SelectArg1, m | 0xFF000000u, 1, 0},
      {"additive", true, F::SrcAlpha, F::One, pd::kArgTexture, pd::TextureOp::Modulate,
       pd::kArgTexture, pd::TextureOp::Modulate, m, 4, 1},
      {"subtractive", true, F::Zero, F::InvSrcColor, pd::kArgTexture, pd::TextureOp::Modulate,
       pd::kArgTexture, pd::TextureOp::Modulate, m, 0, 3},
      {"multiply", true, F::Zero, F::SrcColor, pd::kArgTexture, pd::TextureOp::Modulate,
       pd::kArgTexture, pd::TextureOp::Modulate, m, 0, 2},
      // Drawing alpha into a texture: the texel's alpha as grey, added with alpha 1.
      {"target alpha", true, F::SrcAlpha, F::One, pd::kArgTexture | pd::kArgAlphaReplicate,
       pd::TextureOp::SelectArg1, pd::kArgFactor, pd::TextureOp::SelectArg1, grey | 0xFF000000u, 4,
       1},
      {"target subtractive", true, F::SrcAlpha, F::InvSrcAlpha,
       pd::kArgTexture | pd::kArgAlphaReplicate, pd::TextureOp::SelectArg1, pd::kArgFactor,
       pd::TextureOp::SelectArg1, grey | 0xFF000000u, 4, 5},
      {"target new subtractive", true, F::One, F::One, pd::kArgFactor, pd::TextureOp::SelectArg1,
       pd::kArgFactor, pd::TextureOp::SelectArg1, 0xFFFFFFFFu, 1, 1},
  };
  for (const Mode& mode : modes) {
    for (bool fast : {true, false}) {
      MakeTarget(8, 8);
      mDevice->SetFastPaths(fast);
      auto tex = MakeTexture(2, 2, std::vector<uint32_t>(4, texel));
      ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
      pd::RenderStates& s = mDevice->States();
      s.alphaBlend = mode.blend;
      s.srcBlend = mode.src;
      s.dstBlend = mode.dst;
      s.textureFactor = 0xFFFFFFFFu;
      pd::TextureStage& t = mDevice->Stage();
      t.colourArg1 = mode.colourArg1;
      t.colourOp = mode.colourOp;
      t.alphaArg1 = mode.alphaArg1;
      t.alphaOp = mode.alphaOp;
      for (int i = 0; i < 4; ++i) {
        pd::Rect r{i * 2, 0, i * 2 + 2, 8};
        ASSERT_EQ(mTarget->Fill(&r, dsts[i]), pd::kOk);
      }
      ASSERT_EQ(Quad(0, 0, 8, 8, diffuse), pd::kOk);
      pd::Image img = Frame();
      for (int i = 0; i < 4; ++i) {
        uint32_t want = mode.blend ? BlendRef(mode.drawn, dsts[i], mode.sf, mode.df) : mode.drawn;
        EXPECT_EQ(img.At(i * 2, 3), want)
            << mode.name << " on 0x" << std::hex << dsts[i] << " fast " << fast;
      }
    }
  }
}

TEST_F(DeviceRaster, AlphaTestKeepsOnlyPassingTexels) {
  for (bool blend : {false, true}) {
    MakeTarget(8, 8);
    mDevice->States().alphaBlend = blend;
    mDevice->States().alphaRef = 128;
    mDevice->Stage().magFilter = pd::TextureFilter::Point;
    auto tex = MakeTexture(4, 1, {0x7FFF0000u, 0x80FF0000u, 0x00FF0000u, 0xFFFF0000u});
    ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
    ASSERT_EQ(mTarget->Fill(nullptr, 0xFF0000FFu), pd::kOk);
    ASSERT_EQ(Quad(0, 0, 8, 1), pd::kOk);
    pd::Image img = Frame();
    EXPECT_EQ(img.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(img.At(4, 0), 0xFF0000FFu) << "alpha 0 never drawn";
    EXPECT_EQ(img.At(6, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(2, 0), blend ? BlendRef(0x80FF0000u, 0xFF0000FFu, 4, 5) : 0x80FF0000u);
  }
}

TEST_F(DeviceRaster, AddressingAndFilteringMatchTheirGoldenFrame) {
  MakeTarget(64, 64, pd::PixelFormat::X8R8G8B8);
  auto tex =
      MakeTexture(4, 4,
                  {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFFFFFF00u,
                   0xFF00FFFFu, 0xFFFF00FFu, 0xFF808080u, 0xFF400000u, 0xFF004000u, 0xFF000040u,
                   0xFFFFFFFFu, 0xFF000000u, 0xFFFFFFFFu, 0xFF000000u});
  ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
  const pd::TextureAddress modes[] = {pd::TextureAddress::Wrap, pd::TextureAddress::Mirror,
                                      pd::TextureAddress::Clamp};
  for (int f = 0; f < 2; ++f)
    for (int a = 0; a < 3; ++a) {
      mDevice->Stage().magFilter = mDevice->Stage().minFilter =
          f ? pd::TextureFilter::Linear : pd::TextureFilter::Point;
      mDevice->Stage().addressU = mDevice->Stage().addressV = modes[a];
      float x = 1.0f + 21.0f * float(a), y = 2.0f + 31.0f * float(f);
      ASSERT_EQ(Quad(x, y, x + 20, y + 28, 0xFFFFFFFFu, -0.75f, -1.0f, 1.75f, 2.0f), pd::kOk);
    }
  EXPECT_TRUE(golden::MatchesGolden(Frame(), "display/addressing.png"));
}

TEST_F(DeviceRaster, NoTextureReadsOpaqueWhiteAndSelectArg1TakesTheFactor) {
  MakeTarget(8, 8);
  ASSERT_EQ(mDevice->SetTexture(nullptr), pd::kOk);
  ASSERT_EQ(Quad(0, 0, 4, 8, 0xFF336699u), pd::kOk);
  mDevice->States().textureFactor = 0xFF123456u;
  mDevice->Stage().colourArg1 = pd::kArgFactor;
  mDevice->Stage().colourOp = pd::TextureOp::SelectArg1;
  ASSERT_EQ(Quad(4, 0, 8, 8, 0xFF336699u), pd::kOk);
  pd::Image img = Frame();
  EXPECT_EQ(img.At(1, 1), 0xFF336699u);
  EXPECT_EQ(img.At(5, 1), 0xFF123456u);
}

TEST_F(DeviceRaster, ViewportCutsEveryPrimitive) {
  MakeTarget();
  ASSERT_EQ(mTarget->Fill(nullptr, 0), pd::kOk);
  pd::Viewport vp{10, 20, 30, 15, 0, 1};
  ASSERT_EQ(mDevice->SetViewport(vp), pd::kOk);
  ScreenVertex big[3] = {{-500, -500, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                         {900, -40, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                         {-40, 900, 0, 1, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kTransformedVertex, big, 3),
            pd::kOk);
  ScreenVertex line[2] = {{-100, 27.5f, 0, 1, 0xFFFF0000u, 0, 0, 0},
                          {200, 27.5f, 0, 1, 0xFFFF0000u, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::LineList, pd::kTransformedVertex, line, 2),
            pd::kOk);
  pd::Image img = Frame();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      bool in = x >= 10 && x < 40 && y >= 20 && y < 35;
      EXPECT_EQ(img.At(x, y) != 0, in) << x << "," << y;
    }
  EXPECT_EQ(img.At(10, 28), 0xFFFF0000u);
  EXPECT_EQ(img.At(39, 28), 0xFFFF0000u);
  // Refused viewports leave the old one.
  for (pd::Viewport bad : {pd::Viewport{70, 0, 10, 10, 0, 1}, pd::Viewport{0, 0, 0, 5, 0, 1},
                           pd::Viewport{60, 60, 10, 10, 0, 1}, pd::Viewport{-1, 0, 5, 5, 0, 1}})
    EXPECT_EQ(mDevice->SetViewport(bad), pd::kInvalidArgument);
  EXPECT_EQ(mDevice->GetViewport().x, 10);
}

TEST_F(DeviceRaster, DepthTestKeepsNearerOrEqualPixels) {
  MakeTarget(16, 16);
  pd::SurfaceDesc zd;
  zd.width = zd.height = 16;
  zd.format = pd::PixelFormat::D16;
  zd.caps = pd::kCapsZBuffer;
  std::shared_ptr<pd::Surface> z;
  ASSERT_EQ(mDisplay.CreateSurface(zd, z), pd::kOk);
  ASSERT_EQ(mTarget->AttachZBuffer(z), pd::kOk);
  mDevice->States().zEnable = true;
  mDevice->States().zWrite = true;
  mDevice->States().alphaBlend = false;
  ASSERT_EQ(mDevice->Clear(pd::kClearTarget | pd::kClearZBuffer, 0xFF000000u, 1.0f), pd::kOk);
  auto rect = [&](float x0, float x1, float depth, uint32_t c) {
    ScreenVertex v[4] = {{x0, 0, depth, 1, c, 0, 0, 0},
                         {x1, 0, depth, 1, c, 0, 0, 0},
                         {x1, 16, depth, 1, c, 0, 0, 0},
                         {x0, 16, depth, 1, c, 0, 0, 0}};
    ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, v, 4),
              pd::kOk);
  };
  rect(0, 10, 0.5f, 0xFFFF0000u);
  rect(5, 16, 0.7f, 0xFF00FF00u);  // behind the red where they overlap
  rect(8, 12, 0.5f, 0xFF0000FFu);  // equal depth passes LESSEQUAL
  pd::Image img = Frame();
  EXPECT_EQ(img.At(2, 5), 0xFFFF0000u);
  EXPECT_EQ(img.At(6, 5), 0xFFFF0000u);
  EXPECT_EQ(img.At(9, 5), 0xFF0000FFu);
  EXPECT_EQ(img.At(11, 5), 0xFF0000FFu);
  EXPECT_EQ(img.At(14, 5), 0xFF00FF00u);
}

TEST_F(DeviceRaster, SixteenBitTexturesAndTargetsConvert) {
  MakeTarget(8, 8, pd::PixelFormat::R5G6B5);
  auto tex = MakeTexture(2, 1, {0xFFFFFFFFu, 0x80F08010u}, pd::PixelFormat::A4R4G4B4);
  mDevice->Stage().magFilter = pd::TextureFilter::Point;
  ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
  ASSERT_EQ(mTarget->Fill(nullptr, 0xFF000000u), pd::kOk);
  ASSERT_EQ(Quad(0, 0, 8, 1), pd::kOk);
  pd::Image img = Frame();
  EXPECT_EQ(img.At(0, 0), 0xFFFFFFFFu);  // white stays white through 4 and 5/6 bits
  // 0x80F08010 as A4R4G4B4 is 0x88FF8811; blended over black and narrowed to 5:6:5.
  uint32_t b = BlendRef(0x88FF8811u, 0xFF000000u, 4, 5);
  uint32_t r5 = Ch(b, 16) >> 3, g6 = Ch(b, 8) >> 2, b5 = Ch(b, 0) >> 3;
  uint32_t want = 0xFF000000u | ((r5 << 3) | (r5 >> 2)) << 16 | ((g6 << 2) | (g6 >> 4)) << 8 |
                  ((b5 << 3) | (b5 >> 2));
  EXPECT_EQ(img.At(6, 0), want);
}

TEST_F(DeviceRaster, FastLoopsAgreeWithTheReferencePipeline) {
  std::mt19937 rng(11);
  std::vector<uint32_t> texels(32 * 32);
  for (uint32_t& t : texels) t = rng();
  for (int trial = 0; trial < 24; ++trial) {
    pd::Image images[2];
    std::mt19937 scene{uint32_t(trial)};
    for (int run = 0; run < 2; ++run) {
      MakeTarget(64, 64);
      scene.seed(uint32_t(trial));
      auto tex = MakeTexture(32, 32, texels);
      mDevice->SetFastPaths(run == 0);
      ASSERT_EQ(mDevice->SetTexture(trial % 5 == 4 ? nullptr : tex), pd::kOk);
      const pd::BlendFactor pairs[][2] = {{pd::BlendFactor::SrcAlpha, pd::BlendFactor::InvSrcAlpha},
                                          {pd::BlendFactor::SrcAlpha, pd::BlendFactor::One},
                                          {pd::BlendFactor::Zero, pd::BlendFactor::SrcColor}};
      mDevice->States().srcBlend = pairs[trial % 3][0];
      mDevice->States().dstBlend = pairs[trial % 3][1];
      mDevice->States().alphaBlend = trial % 4 != 3;
      mDevice->Stage().magFilter = mDevice->Stage().minFilter =
          trial % 2 ? pd::TextureFilter::Linear : pd::TextureFilter::Point;
      mDevice->Stage().addressU = mDevice->Stage().addressV =
          trial % 3 == 0 ? pd::TextureAddress::Wrap : pd::TextureAddress::Clamp;
      std::uniform_real_distribution<float> pos(-8, 72), uv(-0.5f, 1.5f);
      for (int i = 0; i < 6; ++i) {
        LitVertex v[3];
        for (LitVertex& p : v)
          p = {pos(scene),        pos(scene),  0.1f,      0,
               uint32_t(scene()), 0xFF000000u, uv(scene), uv(scene)};
        ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, v, 3),
                  pd::kOk);
      }
      images[run] = Frame();
    }
    // Fixed-point stepping may round a texel boundary or a colour step differently.
    int off = 0;
    for (size_t i = 0; i < images[0].pixels.size(); ++i) {
      uint32_t a = images[0].pixels[i], b = images[1].pixels[i];
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int(Ch(a, shift)) - int(Ch(b, shift))) > 2) {
          ++off;
          break;
        }
    }
    EXPECT_LE(off, 4) << "trial " << trial;
  }
}

TEST_F(DeviceRaster, PerspectiveFlatShadingAndLightingFollowTheVertices) {
  MakeTarget(64, 64);
  // Columns of distinct colours; the right edge is four times as far away as the left.
  std::vector<uint32_t> cols(10);
  for (int i = 0; i < 10; ++i) cols[size_t(i)] = 0xFF000000u | uint32_t(i * 20) << 16;
  auto tex = MakeTexture(10, 1, cols);
  mDevice->Stage().magFilter = mDevice->Stage().minFilter = pd::TextureFilter::Point;
  ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
  ScreenVertex q[4] = {{0, 0, 0, 1.0f, 0xFFFFFFFFu, 0, 0, 0},
                       {40, 0, 0, 0.25f, 0xFFFFFFFFu, 0, 1, 0},
                       {40, 4, 0, 0.25f, 0xFFFFFFFFu, 0, 1, 1},
                       {0, 4, 0, 1.0f, 0xFFFFFFFFu, 0, 0, 1}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, q, 4),
            pd::kOk);
  // At x = 20 (halfway on screen) u = 0.2 with perspective, not 0.5.
  EXPECT_EQ(Frame().At(20, 1), cols[2]);
  ASSERT_EQ(mDevice->SetTexture(nullptr), pd::kOk);

  // Flat shading takes the first vertex's colour for the whole triangle.
  mDevice->States().shadeMode = pd::ShadeMode::Flat;
  ScreenVertex t[3] = {{0, 10, 0, 1, 0xFF00FF00u, 0, 0, 0},
                       {30, 10, 0, 1, 0xFFFF0000u, 0, 0, 0},
                       {0, 30, 0, 1, 0xFF0000FFu, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kTransformedVertex, t, 3),
            pd::kOk);
  EXPECT_EQ(Frame().At(20, 12), 0xFF00FF00u);
  EXPECT_EQ(Frame().At(2, 26), 0xFF00FF00u);
  mDevice->States().shadeMode = pd::ShadeMode::Gouraud;

  // Lit mesh vertices take ambient light times the material's ambient, plus its emissive.
  struct MeshVertex {
    float x, y, z, nx, ny, nz, u, v;
  } mesh[3] = {{40, 40, 0.1f, 0, 0, -1, 0, 0},
               {60, 40, 0.1f, 0, 0, -1, 0, 0},
               {40, 60, 0.1f, 0, 0, -1, 0, 0}};
  mDevice->States().lighting = true;
  mDevice->States().ambient = 0xFF808080u;
  pd::Material mat;
  mat.ambient = {1, 0, 0, 1};
  mat.emissive = {0, 0, 0.25f, 1};
  mat.diffuse = {1, 1, 1, 1};
  mDevice->SetMaterial(mat);
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kMeshVertex, mesh, 3),
            pd::kOk);
  EXPECT_EQ(Frame().At(44, 44), 0xFF800040u);

  // A triangle reaching behind the eye is cut at the near side instead of wrapping round.
  pd::Matrix4 persp;
  persp.m[2][3] = 1.0f;  // w = z
  persp.m[3][3] = 0.0f;
  mDevice->SetTransform(pd::TransformKind::Projection, persp);
  mDevice->States().lighting = false;
  ASSERT_EQ(mTarget->Fill(nullptr, 0xFF000000u), pd::kOk);
  LitVertex behind[3] = {{-1, -1, 2, 0, 0xFFFFFFFFu, 0, 0, 0},
                         {1, -1, 2, 0, 0xFFFFFFFFu, 0, 0, 0},
                         {0, 1, -1, 0, 0xFFFFFFFFu, 0, 0, 0}};
  ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, behind, 3),
            pd::kOk);
  pd::Image img = Frame();
  // The visible part runs from the near edge at y = 48 up past the top of the target; drawn
  // without the cut, the vertex behind the eye would fold the triangle below that edge.
  EXPECT_EQ(img.At(32, 40), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(32, 2), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(32, 60), 0xFF000000u);
}

TEST_F(DeviceRaster, TintedTexelAlignedQuadsMatchTheReferencePipelineExactly) {
  // Sprites and glyphs at their texels' size, tinted: the fast path copies rows of texels
  // times the tint, which must give the reference pipeline's pixels bit for bit.
  std::mt19937 rng(23);
  std::vector<uint32_t> texels(320 * 64);
  for (uint32_t& t : texels) t = rng() % 3 == 0 ? rng() & 0x00FFFFFFu : rng();
  struct Case {
    pd::BlendFactor src, dst;
    bool blend;
    uint32_t tint;
  };
  const Case cases[] = {
      {pd::BlendFactor::SrcAlpha, pd::BlendFactor::InvSrcAlpha, true, 0xC0F0E0C0u},
      {pd::BlendFactor::SrcAlpha, pd::BlendFactor::InvSrcAlpha, true, 0xFF808080u},
      {pd::BlendFactor::SrcAlpha, pd::BlendFactor::One, true, 0x7F20FF40u},
      {pd::BlendFactor::One, pd::BlendFactor::Zero, false, 0xFF336699u},
  };
  for (const Case& c : cases) {
    pd::Image images[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(300, 40, pd::PixelFormat::X8R8G8B8);
      ASSERT_EQ(mTarget->Fill(nullptr, 0xFF405060u), pd::kOk);
      mDevice->SetFastPaths(run == 0);
      ASSERT_EQ(mDevice->SetTexture(MakeTexture(320, 64, texels)), pd::kOk);
      mDevice->States().alphaBlend = c.blend;
      mDevice->States().srcBlend = c.src;
      mDevice->States().dstBlend = c.dst;
      // Glyph-sized quads from all over the texture, and one wider than a span chunk.
      for (int i = 0; i < 12; ++i) {
        float x = float(i * 10), tx = float((i * 5) % 56) / 64, ty = float((i * 7) % 50) / 64;
        ASSERT_EQ(Quad(x, 2, x + 8, 16, c.tint, tx, ty, tx + 8.0f / 64, ty + 14.0f / 64), pd::kOk);
      }
      ASSERT_EQ(Quad(0, 20, 290, 36, c.tint, 0, 0, 290.0f / 64, 16.0f / 64), pd::kOk);
      images[run] = Frame();
    }
    EXPECT_EQ(images[0].pixels, images[1].pixels) << "tint 0x" << std::hex << c.tint;
  }
}

// Untinted quads at their texels' size are copied or blended row by row straight from the
// texture, in loops whose steps depend on the row's length: every length and offset must give
// the reference pipeline's pixels bit for bit.
TEST_F(DeviceRaster, TexelAlignedRowsOfEveryLengthMatchTheReferencePipelineExactly) {
  std::mt19937 rng(37);
  std::vector<uint32_t> texels(600 * 24);
  for (uint32_t& t : texels) t = rng() % 3 == 0 ? rng() & 0x00FFFFFFu : rng();
  enum class Write { Copy, Alpha, Additive };
  for (Write write : {Write::Copy, Write::Alpha, Write::Additive}) {
    pd::Image images[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(620, 160, pd::PixelFormat::X8R8G8B8);
      ASSERT_EQ(mTarget->Fill(nullptr, 0xFF405060u), pd::kOk);
      mDevice->SetFastPaths(run == 0);
      ASSERT_EQ(mDevice->SetTexture(MakeTexture(600, 24, texels)), pd::kOk);
      mDevice->States().alphaBlend = write != Write::Copy;
      mDevice->States().dstBlend =
          write == Write::Additive ? pd::BlendFactor::One : pd::BlendFactor::InvSrcAlpha;
      if (write == Write::Copy) {
        mDevice->Stage().alphaArg1 = pd::kArgFactor;
        mDevice->Stage().alphaOp = pd::TextureOp::SelectArg1;
      }
      const int lengths[] = {1,  3,  4,  7,  8,   9,   15,  16,  17,  31, 32,
                             33, 63, 64, 65, 100, 255, 256, 257, 513, 600};
      int y = 0;
      for (size_t i = 0; i < std::size(lengths); ++i) {
        const int w = lengths[i], x = int(i % 5) * 3, tx = w < 600 ? int(i) % 7 : 0;
        const float u = float(tx) / 600, v = float(i % 9) / 24;
        ASSERT_EQ(Quad(float(x), float(y), float(x + w), float(y + 5), 0xFFFFFFFFu, u, v,
                       u + float(w) / 600, v + 5.0f / 24),
                  pd::kOk);
        y += 7;
      }
      images[run] = Frame();
    }
    EXPECT_EQ(images[0].pixels, images[1].pixels) << "write " << int(write);
  }
}

// An axis-aligned quad whose texel coordinates also step along its rows (one texel a pixel
// across, and one more each row down) is not a straight copy of a rectangle of texels, even
// though its first pixel sits on a texel's centre.
TEST_F(DeviceRaster, TexelsShearedDownTheRowsAreNotCopiedStraightAcross) {
  std::mt19937 rng(31);
  std::vector<uint32_t> texels(64 * 64);
  for (uint32_t& t : texels) t = rng() | 0xFF000000u;
  // Pixels 8..23 across, 8..19 down; at pixel (x, y) the texel (x - 4 + y - 8, y + 2).
  const float u[4] = {3.5f, 19.5f, 31.5f, 15.5f}, v[4] = {10, 10, 22, 22};
  const float xs[4] = {7.5f, 23.5f, 23.5f, 7.5f}, ys[4] = {7.5f, 7.5f, 19.5f, 19.5f};
  for (int run = 0; run < 8; ++run) {
    const bool fast = run & 1, lean = run & 2, blend = run & 4;
    MakeTarget(32, 32, pd::PixelFormat::X8R8G8B8);
    mDevice->SetFastPaths(fast);
    mDevice->SetLeanQuads(lean);
    mDevice->States().alphaBlend = blend;
    mDevice->Stage().magFilter = mDevice->Stage().minFilter = pd::TextureFilter::Point;
    ASSERT_EQ(mDevice->SetTexture(MakeTexture(64, 64, texels)), pd::kOk);
    ScreenVertex quad[4];
    for (int k = 0; k < 4; ++k)
      quad[k] = {xs[k], ys[k], 0.1f, 1.0f, 0xFFFFFFFFu, 0, u[k] / 64, v[k] / 64};
    ASSERT_EQ(
        mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kTransformedVertex, quad, 4),
        pd::kOk);
    pd::Image img = Frame();
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        bool in = x >= 8 && x < 24 && y >= 8 && y < 20;
        uint32_t want = in ? texels[size_t((y + 2) * 64 + x - 4 + y - 8)] : 0xFF000000u;
        ASSERT_EQ(img.At(x, y), want)
            << x << "," << y << " fast " << fast << " lean " << lean << " blend " << blend;
      }
  }
}

TEST_F(DeviceRaster, WildVerticesNeverReachOutsideTheTarget) {
  // NaN, infinities, huge and tiny values in every field; the sanitizers watch the memory.
  const float wild[] = {0.0f,
                        1.5f,
                        -3.0f,
                        63.9f,
                        1e30f,
                        -1e30f,
                        1e-30f,
                        3e9f,
                        std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN(),
                        17.25f};
  std::mt19937 rng(5);
  auto pick = [&] { return wild[rng() % (sizeof wild / sizeof wild[0])]; };
  for (int round = 0; round < 40; ++round) {
    MakeTarget(32, 32, round % 2 ? pd::PixelFormat::R5G6B5 : pd::PixelFormat::A8R8G8B8);
    auto tex = MakeTexture(4, 4, std::vector<uint32_t>(16, 0x80FFFFFFu));
    ASSERT_EQ(mDevice->SetTexture(tex), pd::kOk);
    mDevice->SetFastPaths(round % 3 != 0);
    mDevice->Stage().addressU = mDevice->Stage().addressV = pd::TextureAddress(round % 3);
    mDevice->Stage().magFilter = mDevice->Stage().minFilter = pd::TextureFilter(round % 2);
    if (round % 4 == 0)
      mDevice->SetTransform(pd::TransformKind::World, [&] {
        pd::Matrix4 m;
        m.m[0][3] = pick();
        m.m[3][3] = pick();
        return m;
      }());
    ScreenVertex s[6];
    LitVertex l[6];
    for (int i = 0; i < 6; ++i) {
      s[i] = {pick(), pick(), pick(), pick(), uint32_t(rng()), uint32_t(rng()), pick(), pick()};
      l[i] = {pick(), pick(), pick(), 0, uint32_t(rng()), uint32_t(rng()), pick(), pick()};
    }
    for (auto type : {pd::PrimitiveType::TriangleList, pd::PrimitiveType::TriangleFan,
                      pd::PrimitiveType::LineList}) {
      EXPECT_EQ(mDevice->DrawPrimitive(type, pd::kTransformedVertex, s, 6), pd::kOk);
      EXPECT_EQ(mDevice->DrawPrimitive(type, pd::kLitVertex, l, 6), pd::kOk);
      EXPECT_EQ(mDevice->DrawPrimitive(type, pd::kLitVertex, l, 4), pd::kOk);
    }
  }
}

// The corners of a w x h frame registered at (4, 4), under the frame transform (a b / c d) and
// drawn at (20, 20), as a texture draw sends them; a blended 8x8 texture.
void DrawTransformedFrame(pd::Device& device, float w, float h, const float m[4]) {
  const float cx[4] = {0, w, w, 0}, cy[4] = {0, 0, h, h};
  LitVertex v[4];
  for (int i = 0; i < 4; ++i) {
    float x = cx[i] - 4, y = cy[i] - 4;
    v[i] = {m[0] * x + m[2] * y + 20,
            m[1] * x + m[3] * y + 20,
            0.1f,
            0,
            0xFFFFFFFFu,
            0xFF000000u,
            cx[i] / 8,
            cy[i] / 8};
  }
  EXPECT_EQ(device.DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, v, 4), pd::kOk);
}

TEST_F(DeviceRaster, ExtremeTransformsNeverWriteOutsideTheTargetOrItsViewport) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // (a, b, c, d): first the transform of a shipped description that wrote past the frame
  // buffer, then scales whose set-up area passes 64 bits, tiny, huge and not finite ones.
  const float transforms[][4] = {{2.1703e-41f, 3.7026265e22f, 2.8194409e20f, 1.0010449f},
                                 {-1e7f, 0, 0, 1},
                                 {-1e7f, 0, 0, -1e7f},
                                 {1e7f, 1e7f, -1e7f, 1e7f},
                                 {3e38f, -3e38f, 3e38f, 3e38f},
                                 {1e30f, 1, 1, -1e30f},
                                 {1e-41f, 0, 0, 1e-41f},
                                 {0.5f, 1e-30f, -1e-30f, 0.5f},
                                 {1, 0, 0, 1e9f},
                                 {0.7071f, 0.7071f, -0.7071f, 0.7071f},
                                 {inf, 0, 0, 1},
                                 {1, nan, 0, 1},
                                 {-inf, inf, inf, -inf}};
  const float sizes[][2] = {{2303, 65280}, {8, 8}, {1, 70000}};
  std::vector<uint32_t> texels(64);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint32_t(0x80 + i) << 24 | 0x40C0E0;
  // The whole screen (the sanitizers watch its ends), then a viewport inside it whose
  // surroundings must stay as they were.
  for (bool inset : {false, true}) {
    for (bool fast : {true, false}) {
      MakeTarget(160, 120, pd::PixelFormat::X8R8G8B8);
      ASSERT_EQ(mTarget->Fill(nullptr, 0xFF123456u), pd::kOk);
      if (inset) {
        ASSERT_EQ(mDevice->SetViewport(pd::Viewport{10, 10, 140, 100, 0, 1}), pd::kOk);
      }
      ASSERT_EQ(mDevice->SetTexture(MakeTexture(8, 8, texels)), pd::kOk);
      mDevice->SetFastPaths(fast);
      for (const float* m : transforms)
        for (const float* size : sizes) DrawTransformedFrame(*mDevice, size[0], size[1], m);
      if (!inset) continue;
      pd::Image img = Frame();
      int outside = 0, inside = 0;
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
          bool in = x >= 10 && x < 150 && y >= 10 && y < 110;
          (in ? inside : outside) += img.At(x, y) != 0xFF123456u;
        }
      EXPECT_EQ(outside, 0) << "fast " << fast;
      EXPECT_GT(inside, 0) << "fast " << fast;  // the plain frames were drawn
    }
  }
}

TEST_F(DeviceRaster, HalvedFramesStartingOutsideTheTextureSampleItsEdgeTexels) {
  // A 64x64 frame taken from (-1, -1) and (1, 1), halved: the first rows and columns of the
  // bilinear row loops lie a texel outside and are clamped onto the edge.
  MakeTarget(64, 64, pd::PixelFormat::X8R8G8B8);
  ASSERT_EQ(mDevice->SetTexture(MakeTexture(64, 64, std::vector<uint32_t>(64 * 64, 0xFF30A0F0u))),
            pd::kOk);
  for (float from : {-1.0f, 1.0f}) {
    ASSERT_EQ(mTarget->Fill(nullptr, 0xFF000000u), pd::kOk);
    const float t0 = from / 64, t1 = (from + 64) / 64, a = 10, b = 42;
    LitVertex q[6] = {{a, a, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t0, t0},
                      {b, a, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t1, t0},
                      {b, b, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t1, t1},
                      {a, a, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t0, t0},
                      {b, b, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t1, t1},
                      {a, b, 0.1f, 0, 0xFFFFFFFFu, 0xFF000000u, t0, t1}};
    ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, q, 6),
              pd::kOk);
    pd::Image img = Frame();
    int off = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        bool in = x >= 10 && x < 42 && y >= 10 && y < 42;
        off += img.At(x, y) != (in ? 0xFF30A0F0u : 0xFF000000u);
      }
    EXPECT_EQ(off, 0) << from;
  }
}

TEST_F(DeviceRaster, DrawingNeedsASceneAndALiveTarget) {
  MakeTarget(8, 8);
  EXPECT_EQ(mDevice->BeginScene(), pd::kSceneInScene);
  EXPECT_EQ(mDevice->EndScene(), pd::kOk);
  EXPECT_EQ(mDevice->EndScene(), pd::kSceneNotInScene);
  EXPECT_EQ(Quad(0, 0, 4, 4), pd::kSceneNotInScene);
  mDisplay.LoseAllSurfaces();
  EXPECT_EQ(mDevice->BeginScene(), pd::kSurfaceLost);
  EXPECT_EQ(mTarget->Restore(), pd::kOk);
  ASSERT_EQ(mDevice->BeginScene(), pd::kOk);
  uint16_t bad[3] = {0, 1, 9};
  LitVertex v[3] = {};
  EXPECT_EQ(
      mDevice->DrawIndexedPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, v, 3, bad, 3),
      pd::kInvalidArgument);
  EXPECT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, 0x1234, v, 3),
            pd::kInvalidArgument);
  EXPECT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType(5), pd::kLitVertex, v, 3),
            pd::kInvalidArgument);
}

// Spans draw the pixels that level lines of their colour over the same pixels draw, in every
// state: blends, tests, a bound texture, the reference pipeline, a 16-bit target; cut to the
// viewport; spans of no width or a negative one draw nothing.
TEST_F(DeviceRaster, SpansDrawWhatLevelLinesOfTheirColourDraw) {
  std::mt19937 rng(5);
  std::vector<pd::FlatSpan> spans;
  for (int i = 0; i < 300; ++i) {
    int x0 = int(rng() % 110) - 30, w = int(rng() % 16) - 3, y = int(rng() % 80) - 8;
    uint32_t c = rng();
    if (i % 5 == 0) c |= 0xFF000000u;
    if (i % 7 == 0) c &= 0x00FFFFFFu;
    spans.push_back({x0, x0 + w, y, c});
  }
  spans.push_back({std::numeric_limits<int32_t>::min() + 2, std::numeric_limits<int32_t>::max() - 2,
                   30, 0x80FF8040u});
  spans.push_back({std::numeric_limits<int32_t>::max() - 2, std::numeric_limits<int32_t>::max(),
                   std::numeric_limits<int32_t>::max(), 0xFFFFFFFFu});
  const int dx = 3, dy = -2;
  std::vector<uint32_t> texels = {0x80FF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x40FFFFFFu};
  for (int state = 0; state < 8; ++state) {
    pd::Image images[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(64, 64, state == 7 ? pd::PixelFormat::R5G6B5 : pd::PixelFormat::A8R8G8B8);
      pd::LockedRect lr;
      ASSERT_EQ(mTarget->Lock(nullptr, lr), pd::kOk);
      std::mt19937 paint(9);
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
          pd::FromArgb(mTarget->Format(), paint(),
                       lr.bits + y * lr.pitch + x * pd::BytesPerPixel(mTarget->Format()));
      ASSERT_EQ(mTarget->Unlock(), pd::kOk);
      ASSERT_EQ(mDevice->SetViewport(pd::Viewport{5, 4, 50, 52, 0, 1}), pd::kOk);
      pd::RenderStates& st = mDevice->States();
      if (state == 1) st.alphaBlend = false, st.alphaTest = false;
      if (state == 2) st.dstBlend = pd::BlendFactor::One;
      if (state == 3) st.srcBlend = pd::BlendFactor::Zero, st.dstBlend = pd::BlendFactor::SrcColor;
      if (state == 4) st.alphaRef = 128;
      if (state == 5) {
        ASSERT_EQ(mDevice->SetTexture(MakeTexture(2, 2, texels)), pd::kOk);
      }
      if (state == 6) mDevice->SetFastPaths(false);
      if (run == 0) {
        ASSERT_EQ(mDevice->DrawSpans(spans.data(), uint32_t(spans.size()), dx, dy), pd::kOk);
      } else {
        for (const pd::FlatSpan& sp : spans) {
          if (sp.x1 <= sp.x0) continue;
          float y = float(int64_t(sp.y) + dy);
          ScreenVertex v[2] = {{float(int64_t(sp.x0) + dx) - 0.5f, y, 0, 1, sp.colour, 0, 0, 0},
                               {float(int64_t(sp.x1) + dx) - 0.5f, y, 0, 1, sp.colour, 0, 0, 0}};
          ASSERT_EQ(
              mDevice->DrawPrimitive(pd::PrimitiveType::LineList, pd::kTransformedVertex, v, 2),
              pd::kOk);
        }
      }
      images[run] = Frame();
    }
    EXPECT_EQ(images[0].pixels, images[1].pixels) << "state " << state;
  }
  MakeTarget();
  ASSERT_EQ(mDevice->EndScene(), pd::kOk);
  EXPECT_EQ(mDevice->DrawSpans(spans.data(), 1, 0, 0), pd::kSceneNotInScene);
}

// A mask draws what spans of one pixel in its colour and each pixel's alpha draw, in every
// state, at every width the loops step by, cut to the viewport; alpha 0 draws nothing.
TEST_F(DeviceRaster, MasksDrawWhatSpansOfTheirPixelsDraw) {
  std::mt19937 rng(3);
  const int w = 53, h = 9, pitch = 61;
  std::vector<uint8_t> alphas(size_t(pitch) * h);
  for (size_t i = 0; i < alphas.size(); ++i) {
    uint32_t r = rng() % 8;
    alphas[i] = r < 3 ? 0 : r == 3 ? 255 : uint8_t(rng());
  }
  std::fill_n(alphas.begin() + pitch * 2, 40, uint8_t(0));  // a gap wider than the steps
  for (int state = 0; state < 4; ++state)
    for (int place = 0; place < 3; ++place) {
      const int x = place == 0 ? 4 : place == 1 ? -20 : 30, y = place == 2 ? 58 : 3 + place * 20;
      const uint32_t rgb = 0x00C08040u;
      pd::Image images[2];
      for (int run = 0; run < 2; ++run) {
        MakeTarget(64, 64);
        std::mt19937 paint(4);
        pd::LockedRect lr;
        ASSERT_EQ(mTarget->Lock(nullptr, lr), pd::kOk);
        for (int py = 0; py < 64; ++py)
          for (int px = 0; px < 64; ++px)
            reinterpret_cast<uint32_t*>(lr.bits + py * lr.pitch)[px] = paint();
        ASSERT_EQ(mTarget->Unlock(), pd::kOk);
        ASSERT_EQ(mDevice->SetViewport(pd::Viewport{0, 0, 60, 62, 0, 1}), pd::kOk);
        pd::RenderStates& st = mDevice->States();
        if (state == 1) st.alphaBlend = false, st.alphaTest = false;
        if (state == 2) st.dstBlend = pd::BlendFactor::One;
        if (state == 3) mDevice->SetFastPaths(false);
        if (run == 0) {
          const pd::AlphaMask mask{alphas.data(), pitch, w, h, x - 3, y + 2, rgb};
          ASSERT_EQ(mDevice->DrawMasks(&mask, 1, 3, -2), pd::kOk);
        } else {
          std::vector<pd::FlatSpan> spans;
          for (int row = 0; row < h; ++row)
            for (int i = 0; i < w; ++i)
              if (uint32_t a = alphas[size_t(row * pitch + i)])
                spans.push_back({x + i, x + i + 1, y + row, rgb | a << 24});
          ASSERT_EQ(mDevice->DrawSpans(spans.data(), uint32_t(spans.size()), 0, 0), pd::kOk);
        }
        images[run] = Frame();
      }
      EXPECT_EQ(images[0].pixels, images[1].pixels) << "state " << state << " place " << place;
    }
  const pd::AlphaMask narrow{alphas.data(), 10, 20, 2, 0, 0, 0};
  EXPECT_EQ(mDevice->DrawMasks(&narrow, 1, 0, 0), pd::kInvalidArgument);
}

}  // namespace
}  // namespace devicetest
