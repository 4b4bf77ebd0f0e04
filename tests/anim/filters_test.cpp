// Blur, darken, mask and scale on real textures, golden frames of each, and the two filter
// stacks.
#include "FilterTestSupport.h"
#include "anim/KAnimFilterStack.h"
#include "anim/KFilter.h"
#include "render/TSprite.h"
#include "support/Golden.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

boost::shared_ptr<TTexture> Filtered(KFilter* f, const boost::shared_ptr<TTexture>& src) {
  auto out = FilteredCopy(f, src);
  KReleaseRef(f);
  return out;
}

}  // namespace

TEST_F(RenderTest, FilterGoldenFrames) {
  WritePng("mask.png", 48, 32, [](int x, int) { return x < 24 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
  RunScreen([&](TPlatform*) {
    auto fixture = MakeTexture(48, 32, FixturePixel);
    ASSERT_TRUE(fixture);
    EXPECT_TRUE(
        golden::MatchesGolden(ReadBack(Filtered(new KBlur(3.7f), fixture)), "anim/blur_r3.png"));
    EXPECT_TRUE(golden::MatchesGolden(ReadBack(Filtered(new KDarken(0.5f), fixture)),
                                      "anim/darken_half.png"));
    auto* bicubic = new KScale(0.5f, 2);
    EXPECT_TRUE(golden::MatchesGolden(ReadBack(bicubic->ScaleTexture(fixture)),
                                      "anim/scale_bicubic_half.png", 1));
    KReleaseRef(bicubic);
    auto* nearest = new KScale(1.5f, 0);
    EXPECT_TRUE(golden::MatchesGolden(ReadBack(nearest->ScaleTexture(fixture)),
                                      "anim/scale_nearest_1_5.png"));
    KReleaseRef(nearest);

    // The mask: the image is drawn into the target, then the mask's alpha becomes its alpha.
    auto target = TTexture::Create(48, 32, true);
    auto* mask = new KMask("mask.png");
    EXPECT_TRUE(mask->Apply(fixture, target));
    KReleaseRef(mask);
    const auto masked = ReadBack(target);
    EXPECT_EQ(masked.At(10, 2) >> 24, 0xFFu);
    EXPECT_EQ(masked.At(30, 2) >> 24, 0u);
    EXPECT_TRUE(golden::MatchesGolden(masked, "anim/mask_left_half.png", 2));
  });
}

TEST_F(RenderTest, FilterEdgeCases) {
  RunScreen([&](TPlatform*) {
    auto fixture = MakeTexture(48, 32, FixturePixel);
    ASSERT_TRUE(fixture);
    const auto before = ReadBack(fixture);

    // A radius below one writes nothing into the target.
    auto blank = MakeTexture(48, 32, [](int, int) { return 0x12345678u; });
    auto* tiny = new KBlur(0.9f);
    EXPECT_EQ(tiny->GetRadius(), 0);
    EXPECT_TRUE(tiny->Apply(fixture, blank));
    KReleaseRef(tiny);
    EXPECT_EQ(ReadBack(blank).At(3, 3), 0x12345678u);

    // A radius from a script far past the image is the same as the image's larger side.
    const auto huge = ReadBack(Filtered(new KBlur(1e9f), fixture));
    const auto side = ReadBack(Filtered(new KBlur(48.0f), fixture));
    EXPECT_EQ(huge.pixels, side.pixels);

    // Darken halves opaque colour and leaves transparent pixels alone.
    auto two = MakeTexture(2, 1, [](int x, int) { return x == 0 ? 0xFFC86432u : 0x00C86432u; });
    auto* darken = new KDarken(0.5f);
    EXPECT_TRUE(darken->Apply(two, two));
    KReleaseRef(darken);
    EXPECT_EQ(ReadBack(two).At(0, 0), 0xFF643219u);
    EXPECT_EQ(ReadBack(two).At(1, 0), 0x00C86432u);
    // Above one it brightens, up to white and no further; the table and the per-pixel path
    // agree.
    auto bright = MakeTexture(1, 1, [](int, int) { return 0xFFC86432u; });
    auto* brighten = new KDarken(1.5f);
    EXPECT_TRUE(brighten->Apply(bright, bright));
    uint32_t pixel = 0xFFC86432u, out = 0xFF000000u;
    brighten->PerPixel(&pixel, &out);
    KReleaseRef(brighten);
    EXPECT_EQ(ReadBack(bright).At(0, 0), 0xFFFF964Bu);
    EXPECT_EQ(out, 0xFFFF964Bu);

    // Scale by one is the very same texture; by too little, nothing at all.
    auto* same = new KScale(1.0f, 2);
    EXPECT_EQ(same->ScaleTexture(fixture), fixture);
    KReleaseRef(same);
    auto* none = new KScale(0.01f, 2);
    EXPECT_EQ(none->ScaleTexture(fixture), nullptr);
    EXPECT_TRUE(none->Apply(fixture, blank));
    KReleaseRef(none);
    EXPECT_EQ(ReadBack(blank).At(0, 0), 0x12345678u);

    // Nearest at one half keeps the pixels at even coordinates.
    auto grid = MakeTexture(4, 4, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    auto* half = new KScale(0.5f, 0);
    auto small = ReadBack(half->ScaleTexture(grid));
    KReleaseRef(half);
    ASSERT_EQ(small.width, 2);
    EXPECT_EQ(small.At(1, 1), 0xFF000202u);

    // Growing into a target smaller than the result stays inside the target.
    auto little = MakeTexture(8, 8, [](int, int) { return 0u; });
    auto* grow = new KScale(4.0f, 2);
    EXPECT_TRUE(grow->Apply(fixture, little));
    KReleaseRef(grow);
    EXPECT_NE(ReadBack(little).At(7, 7), 0u);

    EXPECT_EQ(ReadBack(fixture).pixels, before.pixels) << "sources are never changed";
  });
}

TEST_F(RenderTest, FiltersBetweenTexturesOfDifferentSizesKeepToTheSharedPart) {
  struct Invert : KSimpleFilter {
    void PerPixel(const uint32_t* src, uint32_t* dst) override { *dst = *src ^ 0x00FFFFFFu; }
  };
  RunScreen([&](TPlatform*) {
    const auto plain = [](int, int) { return 0xFFC86432u; };
    const auto black = [](int, int) { return 0xFF000000u; };
    const std::pair<KFilter*, uint32_t> cases[] = {{new KDarken(0.5f), 0xFF643219u},
                                                   {new KBlur(3.0f), 0xFFC86432u},
                                                   {new Invert(), 0xFF379BCDu}};
    for (const auto& [filter, expected] : cases) {
      auto big = MakeTexture(64, 64, plain);
      auto small = MakeTexture(8, 8, black);
      EXPECT_TRUE(filter->Apply(big, small));
      EXPECT_EQ(ReadBack(small).At(7, 7), expected);

      // The other way round: the part past the smaller source is left as it was.
      auto little = MakeTexture(8, 8, plain);
      auto wide = MakeTexture(64, 64, black);
      EXPECT_TRUE(filter->Apply(little, wide));
      EXPECT_EQ(ReadBack(wide).At(7, 7), expected);
      EXPECT_EQ(ReadBack(wide).At(8, 8), 0xFF000000u);
      KReleaseRef(filter);
    }
  });
}

TEST_F(RenderTest, FilterStacks) {
  RunScreen([&](TPlatform* platform) {
    auto fixture = MakeTexture(48, 32, FixturePixel);
    ASSERT_TRUE(fixture);

    // The static stack: no filters copies the source into a texture of its own each pass.
    auto* still = new QMFilterStack();
    still->SetSource(fixture);
    still->AddToIdleList();
    platform->RunIdleTasks();
    auto output = still->GetOutput();
    ASSERT_TRUE(output);
    EXPECT_NE(output, fixture);
    EXPECT_EQ(ReadBack(output).pixels, ReadBack(fixture).pixels);
    auto* darken = new KDarken(0.5f);
    still->AddFilter(darken);
    KReleaseRef(darken);
    platform->RunIdleTasks();
    EXPECT_EQ(still->GetOutput(), output) << "holders keep the same handle";
    EXPECT_EQ(ReadBack(output).At(0, 0), 0xFF000064u);
    EXPECT_TRUE(still->RemoveFromIdleList());
    KReleaseRef(still);
    platform->RunIdleTasks();

    // Identity values cost nothing.
    auto* blur = new KAnimBlur();
    float zero = 0.0f;
    EXPECT_EQ(blur->Apply(&zero, fixture), fixture);
    KReleaseRef(blur);

    auto* modal = new TModalWindow();
    TWindowManager::Instance()->PushModal(std::unique_ptr<TWindow>(modal));
    modal->GetClock().Start();
    // A darkening stack over a new sprite showing the fixture, run in frames of stepMs.
    auto darkened = [&](float from, float to, float ms, int frames, uint32_t stepMs) {
      auto sprite = TSprite::Create(0, fixture);
      auto* stack = new KAnimFilterStack();
      auto* dark = new KAnimDarken();
      stack->AddFilter(dark, from, to);
      KReleaseRef(dark);
      stack->SetTarget(sprite);
      stack->SetDuration(ms);
      stack->Start();
      for (int i = 0; i < frames; ++i) {
        platform::os::AdvanceVirtualTime(stepMs);
        modal->RunTasks(0);
      }
      stack->Cancel();
      KReleaseRef(stack);
      modal->RunTasks(0);
      return ReadBack(sprite->GetTexture()).At(0, 0);
    };
    // The animated stack filters the texture it started from on every frame: a constant
    // darken of one half stays one half instead of running to black.
    EXPECT_EQ(darkened(0.5f, 0.5f, 1000, 5, 10), 0xFF000064u);
    EXPECT_EQ(ReadBack(fixture).At(0, 0), 0xFF0000C8u);
    // Frames that do not fall on the end still leave the end value: darkening from 1 to 0.5
    // over 300 ms, seen every 40 ms, last runs at 280 ms.
    EXPECT_EQ(darkened(1.0f, 0.5f, 300, 10, 40), 0xFF000064u);
  });
}
