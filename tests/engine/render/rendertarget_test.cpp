// Drawing into textures in every mode, the copy limited to the display, the screen capture at
// the end of a frame, and tints after an alpha-as-colour target draw.
#include <algorithm>

#include "RenderFixture.h"

#include "support/Golden.h"

namespace {

boost::shared_ptr<TTexture> Filled(int w, int h, uint32_t argb) {
  boost::shared_ptr<TTexture> t = TTexture::Create(w, h, true);
  uint32_t* px = nullptr;
  int32_t pitch = 0;
  if (!t || !t->Lock(px, pitch)) return boost::shared_ptr<TTexture>();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[y * pitch + x] = argb;
  t->Unlock();
  return t;
}

// Draws into target: a half-transparent red square at (4, 4)-(12, 12) made from a sprite.
void DrawInto(const boost::shared_ptr<TTexture>& target, int mode,
              const boost::shared_ptr<TTexture>& sprite) {
  TRenderer* r = TRenderer::Instance();
  ASSERT_TRUE(r->BeginRenderTarget(target, mode));
  ASSERT_TRUE(r->Begin2d());
  TDrawParams p(TVec2(4, 4), 0.5f, 1.0f, TDrawParams::kUseOrigin);
  sprite->Draw(p);
  r->End2d();
  r->EndRenderTarget();
}

// Blending rounds at half steps, so mixed colours are compared per channel within 2.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected) {
  for (int shift = 0; shift < 32; shift += 8) {
    int d = int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF);
    if (d > 2 || d < -2)
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not near 0x" << expected;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(RenderTest, RenderTargetModesPrepareAndCopyAsTheyShould) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    boost::shared_ptr<TTexture> sprite = Filled(8, 8, kRed);
    ASSERT_TRUE(sprite);
    // The screen's back buffer holds green where the targets draw.
    r->FillRect(TRect(0, 0, 160, 120), TColor(0, 1, 0, 1));

    boost::shared_ptr<TTexture> m0 = Filled(16, 16, 0x400000FFu);
    DrawInto(m0, 0, sprite);
    EXPECT_EQ(PixelAt(m0, 0, 0), kGreen);               // the back buffer's area, copied
    EXPECT_TRUE(Near(PixelAt(m0, 5, 5), 0xFF808000u));  // red over green at half strength

    boost::shared_ptr<TTexture> m2 = Filled(16, 16, kBlue);
    DrawInto(m2, 2, sprite);
    EXPECT_EQ(PixelAt(m2, 0, 0), kBlue);  // its own content first
    EXPECT_TRUE(Near(PixelAt(m2, 5, 5), 0xFF800080u));

    boost::shared_ptr<TTexture> m4 = Filled(16, 16, 0x00336699u);
    DrawInto(m4, 4, sprite);
    EXPECT_EQ(PixelAt(m4, 0, 0), 0x00336699u);  // colours stay; nothing drawn: alpha 0
    EXPECT_EQ(PixelAt(m4, 5, 5),
              0xFF336699u);  // drawn grey level (the sprite's alpha) became the alpha

    boost::shared_ptr<TTexture> none = Filled(16, 16, 0x11223344u);
    DrawInto(none, -1, sprite);
    EXPECT_EQ(PixelAt(none, 5, 5), 0x11223344u);  // nothing copied

    // Mode 4 on a texture without alpha changes nothing.
    boost::shared_ptr<TTexture> opaque = TTexture::Create(16, 16, false);
    ASSERT_TRUE(opaque);
    uint32_t before = PixelAt(opaque, 5, 5);
    DrawInto(opaque, 4, sprite);
    EXPECT_EQ(PixelAt(opaque, 5, 5), before);
  });
}

TEST_F(RenderTest, CopyCoversOnlyTheDisplay) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    r->FillRect(TRect(0, 0, 160, 120), TColor(1, 1, 1, 1));
    boost::shared_ptr<TTexture> big = Filled(1024, 1024, kBlue);
    ASSERT_TRUE(big);
    ASSERT_TRUE(r->BeginRenderTarget(big, 1));
    r->EndRenderTarget();
    EXPECT_EQ(PixelAt(big, 159, 119), kWhite);
    EXPECT_EQ(PixelAt(big, 160, 0), kBlue);
    EXPECT_EQ(PixelAt(big, 0, 120), kBlue);
  });
}

TEST_F(RenderTest, TintsStayRightAfterAnAlphaTargetDraw) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    boost::shared_ptr<TTexture> sprite = Filled(8, 8, kWhite);
    boost::shared_ptr<TTexture> mask = Filled(16, 16, 0);
    DrawInto(mask, 4, sprite);
    ASSERT_TRUE(r->BeginDraw());
    r->FillRect(TRect(0, 0, 160, 120), TColor(0, 0, 0, 1));
    ASSERT_TRUE(r->Begin2d());
    TDrawParams p(TVec2(20, 20), 1.0f, 1.0f, TDrawParams::kUseOrigin);
    p.tint = TColor(0, 0, 1, 1);
    sprite->Draw(p);
    r->End2d();
    r->EndDraw();
    EXPECT_EQ(Frame().At(22, 22), kBlue);  // white modulated by a blue tint
  });
}

TEST_F(RenderTest, CaptureTextureReceivesTheFinishedFrame) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> wrong = TTexture::Create(32, 32, false);
        r->SetCaptureTexture(wrong);
        EXPECT_FALSE(r->GetCaptureTexture());  // not the screen's size
        boost::shared_ptr<TTexture> capture = TTexture::Create(64, 48, true);
        r->SetCaptureTexture(capture);
        ASSERT_EQ(r->GetCaptureTexture(), capture);
        ASSERT_TRUE(r->BeginDraw());
        r->FillRect(TRect(0, 0, 64, 48), TColor(0, 0, 1, 1));
        r->FillRect(TRect(10, 10, 20, 20), TColor(1, 0, 0, 1));
        r->EndDraw();
        EXPECT_FALSE(r->GetCaptureTexture());  // used once
        EXPECT_EQ(PixelAt(capture, 0, 0), kBlue);
        EXPECT_EQ(PixelAt(capture, 15, 15), kRed);
      },
      64, 48);
}

TEST_F(RenderTest, RenderTargetsInEveryModeGolden) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> sprite = Filled(8, 8, kRed);
        r->FillRect(TRect(0, 0, 96, 24), TColor(0, 0.5f, 0, 1));
        std::vector<boost::shared_ptr<TTexture>> targets;
        for (int mode = 0; mode <= 4; ++mode) {
          targets.push_back(Filled(16, 16, 0x800000FFu));
          const int blends[] = {0, 1, 2, 3, 4};
          TRenderer* ren = TRenderer::Instance();
          ASSERT_TRUE(ren->BeginRenderTarget(targets.back(), mode));
          ASSERT_TRUE(ren->Begin2d());
          TDrawParams p(TVec2(2, 2), 0.5f, 1.0f, TDrawParams::kUseOrigin);
          p.blendMode = blends[mode];
          sprite->Draw(p);
          ren->End2d();
          ren->EndRenderTarget();
        }
        ASSERT_TRUE(r->BeginDraw());
        r->FillRect(TRect(0, 0, 96, 24), TColor(0.5f, 0.5f, 0.5f, 1));
        ASSERT_TRUE(r->Begin2d());
        for (size_t i = 0; i < targets.size(); ++i) {
          TDrawParams p(TVec2(2.0f + 18.0f * float(i), 4), 1.0f, 1.0f, TDrawParams::kUseOrigin);
          targets[i]->Draw(p);
        }
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "render/render_targets.png", 2));
      },
      96, 24);
}

TEST_F(RenderTest, SwitchingTheDeviceTargetResizesTheDisplayAndRefusalsAreLogged) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().renderDepths = 0x2;  // 32-bit targets only
    p->InitScreen(160, 120, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    platform::display::Display* dd = d->GetContext()->GetBackend();
    auto screen = d->GetCurrentTarget();
    std::shared_ptr<platform::display::Surface> plain, sixteen;
    platform::display::SurfaceDesc desc;
    desc.width = 64;
    desc.height = 32;
    desc.format = platform::display::PixelFormat::A8R8G8B8;
    desc.caps = platform::display::kCapsOffscreenPlain | platform::display::kCapsRenderTarget;
    ASSERT_EQ(dd->CreateSurface(desc, plain), platform::display::kOk);
    desc.format = platform::display::PixelFormat::R5G6B5;
    ASSERT_EQ(dd->CreateSurface(desc, sixteen), platform::display::kOk);

    int w, h;
    bool full;
    EXPECT_TRUE(d->SwitchRenderTarget(screen, plain));
    d->GetDisplaySize(w, h, full);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(d->GetCurrentTarget(), plain);
    EXPECT_TRUE(d->SwitchRenderTarget(plain, screen));
    d->GetDisplaySize(w, h, full);
    EXPECT_EQ(w, 160);

    EXPECT_TRUE(d->SwitchRenderTarget(screen, sixteen));
    EXPECT_EQ(d->GetCurrentTarget(), screen);
    EXPECT_TRUE(d->GetContext()->Fails16BitTargets());
    EXPECT_FALSE(d->IsReady());
  });
  EXPECT_TRUE(Logged("Failed to SetRenderTarget with bit depth 16"));
}

TEST_F(RenderTest, ATargetWhoseViewportIsRefusedStaysTheCurrentTarget) {
  RunScreen([&](TPlatform* p) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    platform::display::Display* dd = d->GetContext()->GetBackend();
    auto screen = d->GetCurrentTarget();
    std::shared_ptr<platform::display::Surface> tiny;
    platform::display::SurfaceDesc desc;
    desc.width = 1;
    desc.height = 1;
    desc.format = platform::display::PixelFormat::A8R8G8B8;
    desc.caps = platform::display::kCapsOffscreenPlain | platform::display::kCapsRenderTarget;
    ASSERT_EQ(dd->CreateSurface(desc, tiny), platform::display::kOk);
    // At a quarter scale the 1x1 surface is a display of no size, whose viewport is refused.
    p->GetData()->SetViewportScale(4.0f, 4.0f);
    EXPECT_TRUE(d->SwitchRenderTarget(screen, tiny));
    p->GetData()->SetViewportScale(1.0f, 1.0f);
    EXPECT_TRUE(Logged("Bad viewport in switching render target!"));
    EXPECT_EQ(d->GetCurrentTarget(), tiny);  // the device draws there now
    EXPECT_FALSE(Logged("Failed to SetRenderTarget with alpha bit depth"));
    EXPECT_TRUE(d->SwitchRenderTarget(tiny, screen));
    EXPECT_EQ(d->GetCurrentTarget(), screen);
    int w, h;
    bool full;
    d->GetDisplaySize(w, h, full);
    EXPECT_EQ(w, 160);
  });
}

// A target's drawing must not be hidden by depth left from the screen, and a small target must
// not pay for clearing the whole screen's depth: only its corner is cleared.
TEST_F(RenderTest, ARenderTargetClearsTheDepthOfItsCornerOnly) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    const std::shared_ptr<platform::display::Surface>& back =
        TDxDisplayHandler::Instance()->GetContext()->GetBackBuffer();
    ASSERT_TRUE(back);
    std::shared_ptr<platform::display::Surface> z = back->ZBuffer();
    ASSERT_TRUE(z);
    const size_t bpp = z->Format() == platform::display::PixelFormat::D16 ? 2 : 4;
    std::fill(z->Bits(), z->Bits() + size_t(z->Pitch()) * size_t(z->Height()), uint8_t(0));
    auto cleared = [&](int x, int y) {
      const uint8_t* p = z->Bits() + size_t(y) * size_t(z->Pitch()) + size_t(x) * bpp;
      return std::all_of(p, p + bpp, [](uint8_t b) { return b == 0xFF; });
    };
    boost::shared_ptr<TTexture> target = Filled(16, 8, kBlue);
    ASSERT_TRUE(r->BeginRenderTarget(target, 0));
    EXPECT_TRUE(cleared(0, 0));
    EXPECT_TRUE(cleared(15, 7));
    EXPECT_FALSE(cleared(16, 0));
    EXPECT_FALSE(cleared(0, 8));
    EXPECT_FALSE(cleared(100, 100));
    r->EndRenderTarget();
  });
}
