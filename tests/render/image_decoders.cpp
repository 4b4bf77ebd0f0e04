#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "assets/FileLayer.h"
#include "render/ImageDecoders.h"

namespace {

// Indexes a fixture under a plain name, the way the folder scan would.
str Fixture(const char* file) {
  str name = str("images/") + file;
  SetIndexedFile(name, str(ENGINE_FIXTURES_DIR "/images/") + file);
  return name;
}

uint32_t Pixel(const std::unique_ptr<uint8_t[]>& buffer, int side, int x, int y) {
  const uint8_t* p = buffer.get() + (size_t(y) * size_t(side) + size_t(x)) * 4;
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void ExpectBlankOutside(const std::unique_ptr<uint8_t[]>& buffer, int side, int width, int height) {
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      if (x >= width || y >= height) {
        ASSERT_EQ(Pixel(buffer, side, x, y), 0u) << x << "," << y;
      }
    }
  }
}

}  // namespace

TEST(ImageDecodersTest, SideIsTheNextPowerOfTwoWithinTheCap) {
  struct Case {
    int width, height, side;
  } cases[] = {{1, 1, 1},  {300, 200, 512},    {512, 512, 512}, {513, 10, 1024},
               {3, 2, 4},  {4096, 1, 4096},    {1, 4097, 0},    {0, 5, 0},
               {-1, 5, 0}, {100000, 100000, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(ImageSide(c.width, c.height), c.side) << c.width << "x" << c.height;
}

TEST(ImageDecodersTest, PngDecodesEveryColourTypeToArgb) {
  struct Expected {
    int x, y;
    uint32_t argb;
  };
  struct Case {
    const char* file;
    int width, height, side;
    bool hasAlpha;
    std::vector<Expected> pixels;
  } cases[] = {
      // Palette transparency becomes alpha and is reported.
      {"palette_trns.png",
       3,
       2,
       4,
       true,
       {{0, 0, 0x00FF0000},
        {1, 0, 0x8000FF00},
        {2, 0, 0xFF0000FF},
        {0, 1, 0xFFFFFFFF},
        {2, 1, 0x8000FF00}}},
      // Grey transparency makes alpha 0 but the colour type has no alpha channel.
      {"grey_trns.png",
       3,
       1,
       4,
       false,
       {{0, 0, 0xFF000000}, {1, 0, 0x00808080}, {2, 0, 0xFFFFFFFF}}},
      {"grey_2bit.png",
       4,
       1,
       4,
       false,
       {{0, 0, 0xFF000000}, {1, 0, 0xFF555555}, {2, 0, 0xFFAAAAAA}, {3, 0, 0xFFFFFFFF}}},
      {"rgb16.png", 2, 1, 2, false, {{0, 0, 0xFF12ABFF}, {1, 0, 0xFF00807F}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<uint8_t[]> buffer;
    int width = 0, height = 0, side = 0;
    bool hasAlpha = !c.hasAlpha;
    ASSERT_TRUE(LoadPNG(Fixture(c.file), buffer, width, height, side, hasAlpha));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(side, c.side);
    EXPECT_EQ(hasAlpha, c.hasAlpha);
    for (const Expected& e : c.pixels)
      EXPECT_EQ(Pixel(buffer, side, e.x, e.y), e.argb) << std::hex << e.x << "," << e.y;
    ExpectBlankOutside(buffer, side, width, height);
  }
}

TEST(ImageDecodersTest, InterlacedPngReplacesTheHeldBuffer) {
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[4]);
  int width = 0, height = 0, side = 0;
  bool hasAlpha = false;
  ASSERT_TRUE(LoadPNG(Fixture("rgba_interlaced.png"), buffer, width, height, side, hasAlpha));
  EXPECT_EQ(width, 9);
  EXPECT_EQ(height, 9);
  EXPECT_EQ(side, 16);
  EXPECT_TRUE(hasAlpha);
  // The fixture's pixel (x, y) is red x*20, green y*20, blue x+y*10, alpha 255-x.
  for (uint32_t y = 0; y < 9; ++y)
    for (uint32_t x = 0; x < 9; ++x)
      ASSERT_EQ(Pixel(buffer, side, int(x), int(y)),
                ((255 - x) << 24) | (x * 20 << 16) | (y * 20 << 8) | (x + y * 10))
          << x << "," << y;
  ExpectBlankOutside(buffer, side, width, height);
}

TEST(ImageDecodersTest, BadPngFailsWithoutABuffer) {
  // huge.png claims 100000 x 100000 pixels and too_wide.png is a whole 5000 x 1 image: both
  // are refused before any pixel memory is asked for.
  for (const char* file :
       {"truncated.png", "huge.png", "too_wide.png", "not_a_png.png", "missing.png"}) {
    SCOPED_TRACE(file);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[4]);
    int width = 0, height = 0, side = 0;
    bool hasAlpha = false;
    EXPECT_FALSE(LoadPNG(Fixture(file), buffer, width, height, side, hasAlpha));
    EXPECT_EQ(buffer, nullptr);
  }
  // A name the file layer does not know at all.
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  bool hasAlpha = false;
  EXPECT_FALSE(LoadPNG("images/never_indexed.png", buffer, width, height, side, hasAlpha));
}

TEST(ImageDecodersTest, JpegDecodesToArgbPixels) {
  // Six solid 8x8 blocks: red, green, blue over yellow, black, white.
  const uint32_t blocks[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x000000, 0xFFFFFF};
  for (const char* file : {"baseline.jpg", "progressive.jpg"}) {
    SCOPED_TRACE(file);
    std::unique_ptr<uint8_t[]> buffer;
    int width = 0, height = 0, side = 0;
    ASSERT_TRUE(LoadJPEG(Fixture(file), buffer, width, height, side));
    EXPECT_EQ(width, 24);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(side, 32);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 24; ++x) {
        uint32_t got = Pixel(buffer, side, x, y);
        uint32_t want = blocks[(y / 8) * 3 + x / 8];
        ASSERT_EQ(got >> 24, 0xFFu) << x << "," << y;
        for (int shift : {0, 8, 16})
          ASSERT_LE(std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)), 3)
              << x << "," << y << std::hex << " got " << got;
      }
    }
    ExpectBlankOutside(buffer, side, width, height);
  }
}

TEST(ImageDecodersTest, LargeProgressiveJpegFitsTheDecoderMemory) {
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  ASSERT_TRUE(LoadJPEG(Fixture("large_progressive.jpg"), buffer, width, height, side));
  EXPECT_EQ(side, 2048);
  for (int at : {0, 1000, 2047}) {
    uint32_t got = Pixel(buffer, side, at, at);
    EXPECT_EQ(got >> 24, 0xFFu);
    for (int shift : {0, 8, 16})
      EXPECT_LE(std::abs(int((got >> shift) & 0xFF) - int((0x336699u >> shift) & 0xFF)), 2)
          << std::hex << got;
  }
}

TEST(ImageDecodersTest, BadJpegFailsWithoutEndingTheProcess) {
  for (const char* file : {"truncated.jpg", "cmyk.jpg", "too_wide.jpg", "not_a_png.png",
                           "palette_trns.png", "missing.jpg"}) {
    SCOPED_TRACE(file);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[4]);
    int width = 0, height = 0, side = 0;
    EXPECT_FALSE(LoadJPEG(Fixture(file), buffer, width, height, side));
    EXPECT_EQ(buffer, nullptr);
  }
  // The decoder is still usable afterwards.
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  EXPECT_TRUE(LoadJPEG(Fixture("baseline.jpg"), buffer, width, height, side));
}
