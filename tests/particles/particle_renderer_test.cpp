// The 2-D particle renderer: quads built from the particle members, the shared buffers, and
// what reaches the renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <list>
#include <vector>

#include "core/TSettings.h"
#include "particles/TParticleCollection.h"
#include "particles/TParticleRenderer.h"
#include "render/TVertexList.h"

namespace {

// Keeps what a draw hands over instead of drawing it.
class CapturingRenderer : public T2dParticleRenderer {
public:
  std::vector<TLitVertex> vertices;
  std::vector<uint16_t> indices;
  bool indexed = false;
  int submits = 0;

protected:
  void Submit(const TLitVertex* v, int count, const uint16_t* i, int indexCount) override {
    ++submits;
    vertices.assign(v, v + count);
    indexed = i != nullptr;
    indices.assign(i, i ? i + indexCount : i);
  }
};

// One particle record: position, up, scale, colour, frame.
std::vector<float> Particle(float x, float y, float ux, float uy, float scale, float alpha = 1) {
  return {x, y, ux, uy, scale, 1, 0.5f, 0.25f, alpha, 0};
}

}  // namespace

TEST(ParticleRenderer, QuadCornersFollowPositionUpAndScale) {
  CapturingRenderer r;
  std::vector<float> upright = Particle(10, 20, 0, -1, 2);
  std::vector<float> turned = Particle(0, 0, 1, 0, 1);
  std::list<float*> live{upright.data(), turned.data()};
  r.Draw(TVec3{0, 0, 0.25f}, 1.0f, live, 4);
  ASSERT_EQ(r.submits, 1);
  ASSERT_TRUE(r.indexed);
  ASSERT_EQ(r.vertices.size(), 8u);
  ASSERT_EQ(r.indices.size(), 12u);
  // No texture: the quad is the scale in pixels, centred on the position less half a pixel.
  struct Corner {
    float x, y, u, v;
  };
  const Corner upright4[4] = {
      {8.5f, 18.5f, 0, 0}, {10.5f, 18.5f, 1, 0}, {8.5f, 20.5f, 0, 1}, {10.5f, 20.5f, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(r.vertices[i].x, upright4[i].x) << i;
    EXPECT_FLOAT_EQ(r.vertices[i].y, upright4[i].y) << i;
    EXPECT_EQ(r.vertices[i].u, upright4[i].u);
    EXPECT_EQ(r.vertices[i].v, upright4[i].v);
    EXPECT_EQ(r.vertices[i].z, 0.25f);
    EXPECT_EQ(r.vertices[i].diffuse, 0xFFFF7F3Fu);
  }
  // Up (1, 0) turns the quad a quarter: corner 0 lands at (x + 0.5, y - 0.5) of the centre.
  EXPECT_FLOAT_EQ(r.vertices[4].x, -0.5f + 0.5f);
  EXPECT_FLOAT_EQ(r.vertices[4].y, -0.5f - 0.5f);
  EXPECT_EQ(r.indices, (std::vector<uint16_t>{0, 1, 2, 1, 3, 2, 4, 5, 6, 5, 7, 6}));
}

TEST(ParticleRenderer, AlphaIsScaledByTheDrawFactor) {
  CapturingRenderer r;
  std::vector<float> p = Particle(0, 0, 0, -1, 1, 0.5f);
  std::list<float*> live{p.data()};
  r.Draw(TVec3{}, 1.0f, live, 1);
  EXPECT_EQ(r.vertices[0].diffuse >> 24, 127u);
  r.Draw(TVec3{}, 0.5f, live, 1);
  EXPECT_EQ(r.vertices[0].diffuse >> 24, 63u);
  r.Draw(TVec3{}, 4.0f, live, 1);
  EXPECT_EQ(r.vertices[0].diffuse >> 24, 255u);
}

TEST(ParticleRenderer, SharedBuffersGrowOnlyAndFollowTheIndexSetting) {
  {
    CapturingRenderer first;
    CapturingRenderer second;
    std::vector<float> p = Particle(0, 0, 0, -1, 1);
    std::list<float*> live{p.data()};
    first.Draw(TVec3{}, 1, live, 50);
    EXPECT_EQ(T2dParticleRenderer::SharedVertexCapacity(), 400);
    second.Draw(TVec3{}, 1, live, 10);
    EXPECT_EQ(T2dParticleRenderer::SharedVertexCapacity(), 400);
    // Capacity 0 draws nothing.
    second.Draw(TVec3{}, 1, live, 0);
    EXPECT_EQ(second.submits, 1);
  }
  // The last renderer gone, the arrays go too.
  EXPECT_EQ(T2dParticleRenderer::SharedVertexCapacity(), 0);

  SetConfig("brokenindexedverts", "1");
  CapturingRenderer broken;
  SetConfig("brokenindexedverts", "");
  std::vector<float> a = Particle(0, 0, 0, -1, 1), b = Particle(5, 5, 0, -1, 1);
  std::list<float*> live{a.data(), b.data()};
  broken.Draw(TVec3{}, 1, live, 2);
  EXPECT_FALSE(broken.indexed);
  EXPECT_EQ(T2dParticleRenderer::SharedIndices(), nullptr);
  ASSERT_EQ(broken.vertices.size(), 12u);
  // Two triangles a quad: corners 0, 1, 2, then 1, 3, 2.
  EXPECT_EQ(broken.vertices[3].x, broken.vertices[1].x);
  EXPECT_EQ(broken.vertices[5].y, broken.vertices[2].y);
  EXPECT_EQ(broken.vertices[4].u, 1.0f);
  EXPECT_EQ(broken.vertices[4].v, 1.0f);
}

TEST(ParticleRenderer, AnIndexedDrawAfterAnUnindexedOneStillHasItsIndices) {
  SetConfig("brokenindexedverts", "1");
  CapturingRenderer broken;
  SetConfig("brokenindexedverts", "");
  CapturingRenderer indexed;
  std::vector<float> a = Particle(0, 0, 0, -1, 1), b = Particle(5, 5, 0, -1, 1);
  std::list<float*> live{a.data(), b.data()};
  // The unindexed draw grows the shared vertices past what the indexed one needs.
  broken.Draw(TVec3{}, 1, live, 10);
  indexed.Draw(TVec3{}, 1, live, 5);
  ASSERT_TRUE(indexed.indexed);
  ASSERT_EQ(indexed.indices.size(), 12u);
  EXPECT_EQ(indexed.indices[6], 4);
  EXPECT_EQ(indexed.indices[10], 7);
  // The vertices only grow.
  EXPECT_EQ(T2dParticleRenderer::SharedVertexCapacity(), 120);
}

TEST(ParticleRenderer, OptionsAndDefaults) {
  CapturingRenderer r;
  r.SetOption("blendmode", TVec4{2.6f, 0, 0, 0});
  EXPECT_EQ(r.GetBlendMode(), 2);
  r.SetOption("something", TVec4{4, 0, 0, 0});
  EXPECT_EQ(r.GetBlendMode(), 2);
  r.SetOption("blendmode", TVec4{NAN, 0, 0, 0});
  EXPECT_EQ(r.GetBlendMode(), 0);
  EXPECT_EQ(r.GetDefaultCount(), 10);
  const float expected[10] = {0, 0, 0, -1, 1, 1, 1, 1, 1, 0};
  EXPECT_EQ(std::memcmp(r.GetDefaults(), expected, sizeof expected), 0);
  EXPECT_EQ(r.GetTextureSize().x, 1.0f);
}

TEST(ParticleCollection, HandsOutTheLastRecordFirst) {
  TParticleCollection c;
  c.Init(3, 2, nullptr);
  EXPECT_FALSE(c.mBorrowed);
  EXPECT_EQ(c.mFreeList, (std::list<float*>{c.mRecords + 4, c.mRecords + 2, c.mRecords}));
  float block[6];
  c.Init(3, 2, block);
  EXPECT_TRUE(c.mBorrowed);
  EXPECT_EQ(c.mFreeList.front(), block + 4);
  c.Reset();
  EXPECT_EQ(c.mCapacity, 0);
  EXPECT_TRUE(c.mFreeList.empty());
}
