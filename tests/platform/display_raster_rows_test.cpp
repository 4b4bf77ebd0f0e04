// Rows of every length through the device's blending loops, which work four and eight pixels a
// step and finish a row's last few pixels their own way.
#include <cstring>
#include <random>
#include <vector>

#include "render/device_fixture.h"

namespace devicetest {
namespace {

class RasterRows : public DeviceFixture {};

// Texels on pixel centres, one a pixel: the fast loops then read exactly the reference
// pipeline's texels whatever a row's length, so a pixel that differs is the row's blending at
// fault.
TEST_F(RasterRows, BlendedRowsOfEveryLengthMatchTheReferencePipelineExactly) {
  std::mt19937 rng(41);
  std::vector<uint32_t> texels(64 * 64), background(128 * 96);
  for (uint32_t& t : texels) {
    // Clear, opaque and part-covered texels side by side, as in sprites and glyphs.
    uint32_t kind = rng() % 4, alpha = kind == 0 ? 0 : kind == 1 ? 255 : rng() & 0xFF;
    t = alpha << 24 | (rng() & 0xFFFFFF);
  }
  for (uint32_t& p : background) p = 0xFF000000u | rng();
  struct Case {
    pd::BlendFactor dst;
    uint32_t tint;
  };
  const Case cases[] = {{pd::BlendFactor::InvSrcAlpha, 0xFFFFFFFFu},
                        {pd::BlendFactor::InvSrcAlpha, 0xC0F0E0C0u},
                        {pd::BlendFactor::One, 0xFFFFFFFFu},
                        {pd::BlendFactor::One, 0x9F40C0FFu}};
  for (const Case& c : cases) {
    pd::Image images[2];
    for (int run = 0; run < 2; ++run) {
      MakeTarget(128, 96, pd::PixelFormat::X8R8G8B8);
      pd::LockedRect lr;
      ASSERT_EQ(mTarget->Lock(nullptr, lr), pd::kOk);
      for (int y = 0; y < 96; ++y)
        std::memcpy(lr.bits + y * lr.pitch, background.data() + y * 128, 128 * 4);
      ASSERT_EQ(mTarget->Unlock(), pd::kOk);
      mDevice->SetFastPaths(run == 0);
      ASSERT_EQ(mDevice->SetTexture(MakeTexture(64, 64, texels)), pd::kOk);
      mDevice->States().dstBlend = c.dst;
      // Rectangles 1 to 24 pixels wide, straight from the texture.
      for (int w = 1; w <= 24; ++w) {
        float x = float((w - 1) % 4 * 30), y = float((w - 1) / 4 * 4);
        float tx = float(w) / 64, ty = float(w * 2) / 64;
        ASSERT_EQ(
            Quad(x, y, x + float(w), y + 3, c.tint, tx, ty, tx + float(w) / 64, ty + 3.0f / 64),
            pd::kOk);
      }
      // A triangle whose rows run through every length from 1 to 40 (the span loops).
      const float x0 = 4, y0 = 30, side = 40, t0 = 3.0f / 64;
      LitVertex tri[3] = {{x0, y0, 0.1f, 0, c.tint, 0xFF000000u, t0, t0},
                          {x0 + side, y0, 0.1f, 0, c.tint, 0xFF000000u, t0 + side / 64, t0},
                          {x0, y0 + side, 0.1f, 0, c.tint, 0xFF000000u, t0, t0 + side / 64}};
      ASSERT_EQ(mDevice->DrawPrimitive(pd::PrimitiveType::TriangleList, pd::kLitVertex, tri, 3),
                pd::kOk);
      images[run] = Frame();
    }
    int off = 0;
    for (size_t i = 0; i < images[0].pixels.size(); ++i)
      off += images[0].pixels[i] != images[1].pixels[i];
    EXPECT_EQ(off, 0) << "blend to " << int(c.dst) << ", tint 0x" << std::hex << c.tint;
    // The draws reached the target: the rows are not both left as they were.
    int drawn = 0;
    for (size_t i = 0; i < images[0].pixels.size(); ++i)
      drawn += (images[0].pixels[i] & 0xFFFFFF) != (background[i] & 0xFFFFFF);
    EXPECT_GT(drawn, 500);
  }
}

}  // namespace
}  // namespace devicetest
