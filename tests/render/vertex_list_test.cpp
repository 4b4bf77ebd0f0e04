// Vertex lists and the quad builder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "render/TVertexList.h"

namespace {

TEST(VertexList, InitNamesTheKindAndNeverOwnsTheVertices) {
  TLitVertex lit[3];
  TTransformedVertex screen[2];
  TVertexList list;
  list.InitLit(lit, 3);
  EXPECT_EQ(list.kind, TVertexList::kLit2d);
  EXPECT_EQ(list.vertices, lit);
  EXPECT_EQ(list.count, 3);
  list.SetCount(1);
  EXPECT_EQ(list.count, 1);
  list.InitTransformed(screen, 2);
  EXPECT_EQ(list.kind, TVertexList::kTransformed);
  EXPECT_EQ(list.vertices, screen);
  EXPECT_EQ(list.count, 2);
}

struct QuadCase {
  float alpha;
  TColor tint;
  uint32_t diffuse;
};

TEST(VertexList, QuadColoursTruncateAndClampLikeTheFormat) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const QuadCase cases[] = {
      {1.2f, TColor(1, 1, 1, 1), 0xFFFFFFFFu},
      {-0.1f, TColor(1, 1, 1, 1), 0x00FFFFFFu},
      {0.999f, TColor(1, 1, 1, 1), 0xFEFFFFFFu},
      {1.0f, TColor(1, 0.5f, 0, 0.3f), 0xFFFF7F00u},  // the tint's alpha is not used
      {nan, TColor(0, 0, 0, 1), 0x00000000u},
      {1.0f, TColor(1.5f, 0, 0, 1), 0xFF7E0000u},     // 382 keeps its low 8 bits
      {1.0f, TColor(1e20f, nan, 0, 1), 0xFFFF0000u},  // out of range pinned, NaN 0
  };
  for (const QuadCase& c : cases) {
    TLitVertex out[4];
    TVec2 corners[4] = {TVec2(0, 0), TVec2(1, 0), TVec2(1, 1), TVec2(0, 1)};
    TVec2 tex[2] = {TVec2(0, 0), TVec2(1, 1)};
    FillQuadVertices(TVec2(0, 0), out, corners, tex, TMat3(), c.alpha, c.tint);
    for (const TLitVertex& v : out) {
      EXPECT_EQ(v.diffuse, c.diffuse) << c.alpha;
      EXPECT_EQ(v.specular, 0xFF000000u);
    }
  }
}

TEST(VertexList, QuadCornersComeBackTransformedAndCarryTheirTextureCorners) {
  TLitVertex out[4];
  TVec2 corners[4] = {TVec2(-1, -2), TVec2(3, -2), TVec2(3, 2), TVec2(-1, 2)};
  TVec2 tex[2] = {TVec2(0.25f, 0.125f), TVec2(0.75f, 0.5f)};
  // Rotate by 90 degrees (x, y) -> (-y, x) and move by (10, 20).
  TMat3 m(0, 1, 0, -1, 0, 0, 10, 20, 1);
  FillQuadVertices(TVec2(100, 200), out, corners, tex, m, 0.5f, TColor(0, 0, 1, 1));
  const float want[4][2] = {{12, 19}, {12, 23}, {8, 23}, {8, 19}};
  const float uv[4][2] = {{0.25f, 0.125f}, {0.75f, 0.125f}, {0.75f, 0.5f}, {0.25f, 0.5f}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(corners[k].x, want[k][0]) << k;
    EXPECT_FLOAT_EQ(corners[k].y, want[k][1]) << k;
    EXPECT_FLOAT_EQ(out[k].x, want[k][0] + 100) << k;
    EXPECT_FLOAT_EQ(out[k].y, want[k][1] + 200) << k;
    EXPECT_FLOAT_EQ(out[k].z, 0.1f);
    float reserved;
    std::memcpy(&reserved, &out[k].reserved, 4);
    EXPECT_EQ(reserved, 0.5f);
    EXPECT_EQ(out[k].diffuse, 0x7F0000FFu);
    EXPECT_EQ(out[k].u, uv[k][0]);
    EXPECT_EQ(out[k].v, uv[k][1]);
  }
}

}  // namespace
