#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/TColor.h"
#include "core/TMat3.h"
#include "core/TMat4.h"
#include "core/TRect.h"
#include "core/TVec.h"

TEST(Geometry, RectEdgesAndCombinations) {
  const TRect r(10, 20, 30, 40);
  EXPECT_TRUE(r.Contains(TPoint(10, 20)));
  EXPECT_TRUE(r.Contains(TPoint(29, 39)));
  EXPECT_FALSE(r.Contains(TPoint(30, 25)));
  EXPECT_FALSE(r.Contains(TPoint(15, 40)));
  EXPECT_EQ(r.Width(), 20);

  TRect u, i;
  u.SetUnion(r, TRect(0, 25, 15, 50));
  EXPECT_FALSE(u != TRect(0, 20, 30, 50));
  i.SetIntersection(r, TRect(50, 0, 60, 10));  // disjoint: comes out inverted
  EXPECT_GT(i.left, i.right);
  EXPECT_TRUE(TRect(0, 0, 1, 1) != TRect(0, 0, 1, 2));
}

TEST(Geometry, VectorArithmetic) {
  TVec2 v(3, 4);
  EXPECT_FLOAT_EQ(v.Length(), 5.0f);
  EXPECT_TRUE(v * 2.0f == TVec2(6, 8));
  EXPECT_TRUE(0.5f * v - TVec2(1.5f, 2) == TVec2());
  v += TVec2(1, 1);
  v /= 2.0f;
  EXPECT_TRUE(-v == TVec2(-2, -2.5f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(TVec2(nan, 0) != TVec2(nan, 0));
  EXPECT_TRUE(TVec2(TVec3(7, 8, 1)) == TVec2(7, 8));
}

TEST(Geometry, ColourPackingAndComparison) {
  EXPECT_EQ(TColor32::FromColor(TColor(1, 0.5f, 0, 1)).GetPacked(), 0xFFFF7F00u);
  TColor32 c = TColor32::FromBytes(0x11, 0x22, 0x33, 0x44);
  EXPECT_EQ(c.GetPacked(), 0x44112233u);
  c.SetGreen(0xAB);
  EXPECT_EQ(c.GetPacked(), 0x4411AB33u);
  EXPECT_EQ(c.GetRed(), 0x11);
  // Out-of-range channels stay within their own byte.
  EXPECT_EQ(TColor32::FromColor(TColor(2.0f, -1.0f, NAN, 1)).GetPacked(), 0xFFFF0000u);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(TColor(1, 1, 1, nan) != TColor(1, 1, 1, nan));
  EXPECT_FALSE(TColor(1, 0.5f, 0, 1) != TColor(1, 0.5f, 0, 1));
  EXPECT_TRUE(TColor::FromBytes(255, 0, 0, 255) != TColor(1, 0, 0, 0.5f));
}

TEST(Geometry, Mat3TransformsRowVectors) {
  TMat3 m;
  m(2, 0) = 10;
  m(2, 1) = 20;
  m.Rotate(static_cast<float>(M_PI / 2));
  EXPECT_FLOAT_EQ(m(2, 0), 10);  // translation kept: turns about its own position
  EXPECT_FLOAT_EQ(m(2, 1), 20);
  const TVec2 p = TVec2(1, 0) * m;
  EXPECT_NEAR(p.x, 10, 1e-5);
  EXPECT_NEAR(p.y, 21, 1e-5);

  // a * b applies a first, then b.
  TMat3 scale;
  scale.Scale(2, 3);
  const TMat3 move(1, 0, 0, 0, 1, 0, 5, 6, 1);
  const TVec2 q = TVec2(1, 1) * (scale * move);
  EXPECT_FLOAT_EQ(q.x, 7);
  EXPECT_FLOAT_EQ(q.y, 9);
  const TVec2 r = TVec2(1, 1) * (move * scale);
  EXPECT_FLOAT_EQ(r.x, 12);
  EXPECT_FLOAT_EQ(r.y, 21);

  const TMat3 lin = MulLinear(move, scale);
  EXPECT_FLOAT_EQ(lin(0, 0), 2);
  EXPECT_FLOAT_EQ(lin(2, 0), 5);  // a's translation, not scaled
}

TEST(Geometry, PerspectiveWithLensShift) {
  TMat4 m;
  m.SetPerspective(1, 101, static_cast<float>(M_PI / 2), 0.75f, TVec2(0.5f, -0.5f));
  EXPECT_FLOAT_EQ(m(0, 0), 0.75f);
  EXPECT_FLOAT_EQ(m(1, 1), 1.0f);
  EXPECT_FLOAT_EQ(m(2, 0), -1.0f);
  EXPECT_FLOAT_EQ(m(2, 1), -1.0f);
  EXPECT_FLOAT_EQ(m(2, 2), 101.0f / 100.0f);
  EXPECT_FLOAT_EQ(m(2, 3), 1.0f);
  EXPECT_FLOAT_EQ(m(3, 2), -101.0f / 100.0f);
  EXPECT_FLOAT_EQ(m(3, 3), 0.0f);
  m.SetPerspective(1, 2, 1, 1, TVec2(1, 0));
  EXPECT_FLOAT_EQ(m(2, 0), -10000.0f);
  EXPECT_FLOAT_EQ(m(2, 1), 0.0f);
}
