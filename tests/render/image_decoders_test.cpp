#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
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

std::string FixtureBytes(const char* file) {
  std::ifstream in(std::string(ENGINE_FIXTURES_DIR "/images/") + file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes bytes made from a fixture into the test's temporary folder and indexes them.
str Made(const char* file, const std::string& bytes) {
  std::string path = ::testing::TempDir() + "image_decoders_" + file;
  std::ofstream(path, std::ios::binary) << bytes;
  str name = str("made/") + file;
  SetIndexedFile(name, str(path.c_str()));
  return name;
}

// The engine log of the test, written to the temporary folder.
class JpegLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    mFolder = ::testing::TempDir() + "image_decoders_log_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    OpenEngineLog(mFolder.c_str());
  }
  void TearDown() override { OpenEngineLog(nullptr); }

  std::string Log() const {
    std::ifstream in(GetLogFilePath().CStr());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string mFolder;
};

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

// The decoding library only warns when the end marker is missing and the image data is all
// there; cutting any further still fails.
TEST_F(JpegLogTest, JpegWithoutItsEndMarkerDecodesAndIsLogged) {
  for (const char* file : {"baseline.jpg", "progressive.jpg"}) {
    SCOPED_TRACE(file);
    std::string bytes = FixtureBytes(file);
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
    str name = Made((std::string("no_end_") + file).c_str(), bytes.substr(0, bytes.size() - 2));
    std::unique_ptr<uint8_t[]> buffer;
    int width = 0, height = 0, side = 0;
    ASSERT_TRUE(LoadJPEG(name, buffer, width, height, side));
    EXPECT_EQ(width, 24);
    EXPECT_EQ(height, 16);
    // The bottom-right block is white, so the last data was decoded.
    EXPECT_GE(Pixel(buffer, side, 23, 15) & 0xFF, 0xFCu);
    EXPECT_NE(Log().find(std::string("LoadJPEG: ") + name.CStr() +
                         ": Premature end of JPEG file (no end marker)"),
              std::string::npos);
  }
  std::string progressive = FixtureBytes("progressive.jpg");
  size_t lastScan = progressive.rfind("\xFF\xDA");
  ASSERT_NE(lastScan, std::string::npos);
  const struct {
    const char* file;
    std::string bytes;
  } cut[] = {
      {"cut_before_last_scan.jpg", progressive.substr(0, lastScan)},
      {"cut_in_last_scan.jpg",
       progressive.substr(0, lastScan + (progressive.size() - lastScan) / 2)},
      {"cut_in_baseline.jpg", FixtureBytes("baseline.jpg").substr(0, 250)},
  };
  for (const auto& c : cut) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<uint8_t[]> buffer;
    int width = 0, height = 0, side = 0;
    EXPECT_FALSE(LoadJPEG(Made(c.file, c.bytes), buffer, width, height, side));
    EXPECT_EQ(buffer, nullptr);
  }
}

// A progressive file of a great many scans would hold the main thread for as long as it has
// scans; past 500 the decoder gives up.
TEST_F(JpegLogTest, ProgressiveJpegWithTooManyScansFails) {
  std::string bytes = FixtureBytes("progressive.jpg");
  size_t lastScan = bytes.rfind("\xFF\xDA");
  ASSERT_NE(lastScan, std::string::npos);
  // The last scan (a refinement) sent again and again: each copy is a scan of its own.
  std::string scan = bytes.substr(lastScan, bytes.size() - 2 - lastScan);
  auto withScans = [&](int copies) {
    std::string out = bytes.substr(0, bytes.size() - 2);
    for (int i = 0; i < copies; ++i) out += scan;
    return out + "\xFF\xD9";
  };
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  // Ten scans in the fixture and 490 more: within the limit.
  EXPECT_TRUE(LoadJPEG(Made("scans_500.jpg", withScans(490)), buffer, width, height, side));
  str many = Made("scans_600.jpg", withScans(590));
  EXPECT_FALSE(LoadJPEG(many, buffer, width, height, side));
  EXPECT_EQ(buffer, nullptr);
  EXPECT_NE(Log().find(std::string("LoadJPEG: ") + many.CStr() +
                       ": more than 500 scans, decoding stopped"),
            std::string::npos);
}
