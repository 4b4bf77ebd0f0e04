// Pixel hit tests through the 4x4 render target: the alpha threshold, the bounds-only test,
// the 16-bit display's rounding, and the sprite's own and its parent's state honoured.
#include <cstdlib>
#include <string>

#include "SpriteTestSupport.h"
#include "engine/render/RenderFixture.h"
#include "render/TSprite.h"

namespace {

// 8x8, opaque grey except the first row's first four pixels: alpha 0, 1, 245, 255.
uint32_t HitPixel(int x, int y) {
  static const uint32_t alphas[4] = {0, 1, 245, 255};
  uint32_t a = (y == 0 && x < 4) ? alphas[x] : 255;
  return a << 24 | 0x808080u;
}

boost::shared_ptr<TSprite> PlacedSprite(uint32_t flags = 0) {
  boost::shared_ptr<TSprite> s = TSprite::Create(0, TTexture::Get("hit.png", TTexture::kGetAlpha));
  TSpriteDrawState& st = s->GetDrawState();
  st.transform(2, 0) = 10;
  st.transform(2, 1) = 20;
  st.flags = TDrawParams::kUseOrigin | flags;
  return s;
}

}  // namespace

TEST_F(RenderTest, HitTestsReadTheAlphaUnderThePoint) {
  WritePng("hit.png", 8, 8, HitPixel);
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TSprite> s = PlacedSprite();
    ASSERT_TRUE(s->GetTexture());
    const struct {
      int x, y, threshold;
      bool hit;
    } cases[] = {
        {10, 20, 1, false},  {10, 20, 0, true},   {10, 20, -1, true},   {11, 20, 1, true},
        {11, 20, 2, false},  {12, 20, 245, true}, {12, 20, 246, false}, {12, 20, 255, false},
        {13, 20, 255, true}, {17, 27, 255, true}, {9, 20, -1, false},   {18, 20, -1, false},
        {10, 28, -1, false},
    };
    for (const auto& c : cases)
      EXPECT_EQ(s->HitTest(TPoint(c.x, c.y), TSpriteDrawState(), c.threshold, -1), c.hit)
          << c.x << "," << c.y << " threshold " << c.threshold;
  });
}

TEST_F(RenderTest, SixteenBitDisplaysTakeAFullAlphaThresholdAs240) {
  WritePng("hit.png", 8, 8, HitPixel);
  Run("", [&](TPlatform* p) {
    // Short of video memory the display runs at 16 bits, where alpha keeps four bits.
    Backend()->Caps().videoMemoryTotal = 8u << 20;
    p->InitScreen(640, 480, true);
    ASSERT_EQ(TRenderer::Instance()->GetOption("16bitmode"), str("1"));
    boost::shared_ptr<TSprite> s = PlacedSprite();
    const struct {
      int x, threshold;
      bool hit;
    } cases[] = {
        {13, 255, true}, {13, 241, true}, {12, 255, true}, {10, 1, false}, {10, -1, true},
    };
    for (const auto& c : cases)
      EXPECT_EQ(s->HitTest(TPoint(c.x, 20), TSpriteDrawState(), c.threshold, -1), c.hit)
          << c.x << " threshold " << c.threshold;
  });
}

TEST_F(RenderTest, HitTestsHonourTheSpritesStateAndVisibility) {
  WritePng("hit.png", 8, 8, HitPixel);
  RunScreen([&](TPlatform*) {
    // Mirrored left-right, the transparent corner pixel moves to the other end of the row.
    boost::shared_ptr<TSprite> mirrored = PlacedSprite(TDrawParams::kMirrorX);
    EXPECT_TRUE(mirrored->HitTest(TPoint(10, 20), TSpriteDrawState(), 1, -1));
    EXPECT_FALSE(mirrored->HitTest(TPoint(17, 20), TSpriteDrawState(), 1, -1));

    boost::shared_ptr<TSprite> faint = PlacedSprite();
    // The parent's state moves the point the sprite is tested at.
    TSpriteDrawState parent;
    parent.transform(2, 0) = 100;
    EXPECT_TRUE(faint->HitTest(TPoint(115, 25), parent, 1, -1));
    EXPECT_FALSE(faint->HitTest(TPoint(15, 25), parent, 1, -1));

    faint->SetVisible(false);
    EXPECT_FALSE(faint->HitTest(TPoint(15, 25), TSpriteDrawState(), -1, -1));
    EXPECT_FALSE(TSprite::Create(0)->HitTest(TPoint(0, 0), TSpriteDrawState(), -1, -1));

    // Inside a frame the render target is refused, and so is the hit.
    TRenderer* r = TRenderer::Instance();
    ASSERT_TRUE(r->BeginDraw());
    EXPECT_FALSE(mirrored->HitTest(TPoint(12, 22), TSpriteDrawState(), 1, -1));
    r->EndDraw();
    EXPECT_TRUE(mirrored->HitTest(TPoint(12, 22), TSpriteDrawState(), 1, -1));
  });
}

// The process may end through exit() with the whole engine still up: the display library ends
// it that way when the X server goes away. The static tear-down that follows must find no texture
// to release (a texture reports its memory to the settings, which may be gone by then); the hit
// tests' target belongs to the renderer and goes with it on an orderly tear-down.
TEST_F(RenderTest, HitTestTargetGoesWithTheRendererAndNotWithTheProcess) {
  // The child runs the whole test again up to the exit, with every thread of the engine. What
  // the engine still holds at such an exit is not a leak, only an error in the tear-down is.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* was = std::getenv("ASAN_OPTIONS");
  const std::string saved = was ? was : "";
  setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "detect_leaks=0").c_str(), 1);
  WritePng("hit.png", 8, 8, HitPixel);
  boost::weak_ptr<TTexture> target;
  boost::shared_ptr<TSprite> survivor;
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TSprite> s = PlacedSprite();
    ASSERT_TRUE(s->HitTest(TPoint(13, 20), TSpriteDrawState(), 255, -1));
    target = TRenderer::Instance()->GetHitTarget();
    EXPECT_EXIT(std::exit(3), ::testing::ExitedWithCode(3), "") << "no error at exit";
    survivor = s;
  });
  if (was) {
    setenv("ASAN_OPTIONS", saved.c_str(), 1);
  } else {
    unsetenv("ASAN_OPTIONS");
  }
  EXPECT_TRUE(target.expired()) << "gone with the renderer though a sprite is still alive";
  survivor.reset();
}
