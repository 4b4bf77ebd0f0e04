// Particles over an animated texture: a ".xml" texture name loads the described frames, and
// each particle's quad shows the frame its frame member names.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <list>
#include <vector>

#include "particles/TLuaParticleSystem.h"
#include "particles/TParticleRenderer.h"
#include "engine/render/RenderFixture.h"
#include "render/TAnimatedTexture.h"
#include "render/TVertexList.h"
#include "render/sprites/SpriteTestSupport.h"

namespace {

class CapturingRenderer : public T2dParticleRenderer {
public:
  std::vector<TLitVertex> vertices;

protected:
  void Submit(const TLitVertex* v, int count, const uint16_t*, int) override {
    vertices.assign(v, v + count);
  }
};

std::vector<float> ParticleOnFrame(float frame) { return {0, 0, 0, -1, 1, 1, 1, 1, 1, frame}; }

struct UV {
  float uMin, vMin, uMax, vMax;
};

// The texture corners of quad q: corner 0 holds the minimum, corner 3 the maximum.
UV QuadUV(const CapturingRenderer& r, size_t q) {
  const TLitVertex& lo = r.vertices[q * 4];
  const TLitVertex& hi = r.vertices[q * 4 + 3];
  return {lo.u, lo.v, hi.u, hi.v};
}

class ParticleAnimatedTextureTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    CopyAnimFixtures(mWork + "/assets");
    WritePng("spark.png", 4, 4, [](int, int) { return kWhite; });
  }
};

}  // namespace

TEST_F(ParticleAnimatedTextureTest, EachParticleShowsTheFrameOfItsFrameMember) {
  RunScreen([&](TPlatform*) {
    CapturingRenderer renderer;
    TLuaParticleSystem system(&renderer);
    system.SetTextureName("anim/walk.xml");
    // The walk sheet is 32 x 8 with four frames of 8 x 8 side by side.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
      float frame;
      UV uv;
    } cases[] = {
        {0.0f, {0, 0, 0.25f, 1}},  {1.7f, {0.25f, 0, 0.5f, 1}}, {3.0f, {0.75f, 0, 1, 1}},
        {-0.5f, {0, 0, 0.25f, 1}},  // truncated toward zero
        {4.0f, {0, 0, 0, 0}},       // past the frame table
        {-1.0f, {0, 0, 0, 0}},     {nan, {0, 0, 0, 0}},         {1e20f, {0, 0, 0, 0}},
    };
    std::vector<std::vector<float>> records;
    std::list<float*> live;
    for (const auto& c : cases) records.push_back(ParticleOnFrame(c.frame));
    for (auto& rec : records) live.push_back(rec.data());
    renderer.Draw(TVec3{}, 1.0f, live, static_cast<int>(records.size()));
    ASSERT_EQ(renderer.vertices.size(), records.size() * 4);
    for (size_t i = 0; i < records.size(); ++i) {
      const UV got = QuadUV(renderer, i);
      EXPECT_FLOAT_EQ(got.uMin, cases[i].uv.uMin) << "frame " << cases[i].frame;
      EXPECT_FLOAT_EQ(got.vMin, cases[i].uv.vMin) << "frame " << cases[i].frame;
      EXPECT_FLOAT_EQ(got.uMax, cases[i].uv.uMax) << "frame " << cases[i].frame;
      EXPECT_FLOAT_EQ(got.vMax, cases[i].uv.vMax) << "frame " << cases[i].frame;
    }
    // The quad's size is the frame's, not the sheet's.
    EXPECT_FLOAT_EQ(renderer.vertices[1].x - renderer.vertices[0].x, 8.0f);
  });
}

TEST_F(ParticleAnimatedTextureTest, APlainTextureAfterAnAnimatedOneUsesTheWholeImageAgain) {
  RunScreen([&](TPlatform*) {
    CapturingRenderer renderer;
    TLuaParticleSystem system(&renderer);
    std::vector<float> a = ParticleOnFrame(2), b = ParticleOnFrame(9);
    std::list<float*> live{a.data(), b.data()};
    system.SetTextureName("anim/walk.xml");
    renderer.Draw(TVec3{}, 1.0f, live, 2);
    EXPECT_FLOAT_EQ(QuadUV(renderer, 0).uMin, 0.5f);
    EXPECT_FLOAT_EQ(QuadUV(renderer, 1).uMax, 0.0f);

    system.SetTextureName("spark.png");
    renderer.Draw(TVec3{}, 1.0f, live, 2);
    for (size_t q = 0; q < 2; ++q) {
      const UV got = QuadUV(renderer, q);
      EXPECT_EQ(got.uMin, 0.0f);
      EXPECT_EQ(got.vMin, 0.0f);
      EXPECT_EQ(got.uMax, 1.0f);
      EXPECT_EQ(got.vMax, 1.0f);
    }
    // Corners 1 and 2 carry the mixed coordinates.
    EXPECT_EQ(renderer.vertices[1].u, 1.0f);
    EXPECT_EQ(renderer.vertices[1].v, 0.0f);
    EXPECT_EQ(renderer.vertices[2].u, 0.0f);
    EXPECT_EQ(renderer.vertices[2].v, 1.0f);
  });
}

TEST_F(ParticleAnimatedTextureTest, OnlyNamesEndingInXmlLoadAsAnimatedTextures) {
  RunScreen([&](TPlatform*) {
    CapturingRenderer renderer;
    TLuaParticleSystem system(&renderer);
    system.SetTextureName("anim/walk.xml");
    EXPECT_EQ(renderer.GetTextureSize().x, 8.0f);  // frame 0 of the sheet
    system.SetTextureName("spark.png");
    EXPECT_EQ(renderer.GetTextureSize().x, 4.0f);
    // A description that does not load leaves the particles untextured, and says so.
    system.SetTextureName("anim/no_frames.xml");
    EXPECT_TRUE(Logged("Particle texture not found: anim/no_frames.xml"));
  });
}
