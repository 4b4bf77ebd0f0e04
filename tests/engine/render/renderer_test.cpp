// The renderer through the engine's start-up on the headless display: refusals of calls made
// in the wrong state, clip and viewport stacks, frame rate and overlay, and golden frames of
// textured quads with tints, transforms, mirroring and blend modes.
#include "RenderFixture.h"

#include <cmath>

#include "support/Golden.h"

namespace {

// A 16x16 texture: left half red, right half green, with a blue top row; alpha 255.
boost::shared_ptr<TTexture> Quadrants() {
  boost::shared_ptr<TTexture> t = TTexture::Create(16, 16, true);
  uint32_t* px = nullptr;
  int32_t pitch = 0;
  if (!t || !t->Lock(px, pitch)) return boost::shared_ptr<TTexture>();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) px[y * pitch + x] = y == 0 ? kBlue : x < 8 ? kRed : kGreen;
  t->Unlock();
  return t;
}

void Clear(TRenderer* r, const TColor& c) {
  TRect vp;
  r->GetViewport(vp);
  r->FillRect(TRect(0, 0, vp.Width(), vp.Height()), c);
}

}  // namespace

TEST_F(RenderTest, CallsInTheWrongStateAreRefusedWithTheirLogLines) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    // Outside a frame.
    EXPECT_FALSE(r->Begin2d());
    EXPECT_FALSE(r->Begin3d());
    TLitVertex v[3];
    r->DrawVertices(6, TVertexList{TVertexList::kLit2d, v, 3});
    uint16_t idx[3] = {0, 1, 2};
    r->DrawIndexedVertices(4, TVertexList{TVertexList::kLit2d, v, 3}, idx, 3);
    r->End2d();
    r->End3d();

    ASSERT_TRUE(r->BeginDraw());
    ASSERT_TRUE(r->Begin2d());
    EXPECT_FALSE(r->Begin2d());
    EXPECT_FALSE(r->Begin3d());
    EXPECT_TRUE(r->IsIn2d());  // the first Begin2d stays in force
    r->EndDraw();
    r->End2d();  // after EndDraw: logged, yet the 2-D state ends
    EXPECT_FALSE(r->IsIn2d());

    ASSERT_TRUE(r->BeginDraw());
    ASSERT_TRUE(r->Begin3d());
    EXPECT_FALSE(r->Begin3d());
    EXPECT_FALSE(r->Begin2d());
    r->End3d();
    r->EndDraw();
  });
  const char* lines[] = {
      "ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!",
      "ERROR: Calling Begin3d outside of a BeginDraw or BeginRenderTarget block!",
      "DrawVertices called when not in Begin2d or Begin3d state",
      "DrawIndexedVertices called when not in Begin2d or Begin3d state",
      "End2d called when not in Begin2d state",
      "End3d called when not in Begin3d state",
      "Begin2d called when already in Begin2d state",
      "Begin3d called when already in Begin2d state",
      "ERROR: Calling End2d after EndDraw or EndRenderTarget!",
      "Begin3d called when already in Begin3d state",
      "Begin2d called when already in Begin3d state",
  };
  for (const char* line : lines) EXPECT_TRUE(Logged(line)) << line;
}

TEST_F(RenderTest, RenderTargetIsRefusedInsideAFrameAndForSimpleSurfaces) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    boost::shared_ptr<TTexture> t = TTexture::Create(8, 8, true);
    ASSERT_TRUE(t);
    ASSERT_TRUE(r->BeginDraw());
    EXPECT_FALSE(r->BeginRenderTarget(t, 0));
    r->EndDraw();
    t->GetData()->Set(TTextureData::kSimple, true);
    EXPECT_FALSE(r->BeginRenderTarget(t, 0));
    EXPECT_FALSE(r->IsDrawing());
  });
}

TEST_F(RenderTest, ClipStackKeepsItsBottomEntryAndReachesTheDisplay) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    TRect c;
    r->GetClipRect(c);
    EXPECT_EQ(c, TRect(0, 0, 160, 120));  // the screen set-up pushed the whole screen
    r->PushClipRect(TRect(10, 10, 50, 40));
    r->GetClipRect(c);
    EXPECT_EQ(c, TRect(10, 10, 50, 40));
    for (int i = 0; i < 5; ++i) r->PopClipRect();
    r->GetClipRect(c);
    EXPECT_EQ(c, TRect(0, 0, 160, 120));

    // A fill outside a frame goes to the back buffer, cut by the clip rectangle.
    r->PushClipRect(TRect(0, 0, 20, 20));
    r->FillRect(TRect(0, 0, 160, 120), TColor(1, 0, 0, 1));
    r->PopClipRect();
    auto back = TDxDisplayHandler::Instance()->GetContext()->GetBackBuffer();
    platform::display::Image img = platform::display::Image::FromSurface(*back);
    EXPECT_EQ(img.At(19, 19), kRed);
    EXPECT_EQ(img.At(20, 5), kBlack);
  });
}

TEST_F(RenderTest, ViewportStackAndFillsInsideTheViewport) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    ASSERT_TRUE(r->BeginDraw());
    Clear(r, TColor(0, 0, 0, 1));
    r->PushViewport(TRect(40, 30, 80, 60));
    TRect vp;
    r->GetViewport(vp);
    EXPECT_EQ(vp, TRect(40, 30, 80, 60));
    // In viewport coordinates; the part past the viewport is cut.
    r->FillRect(TRect(30, 20, 100, 100), TColor(0, 0, 1, 1));
    // Entirely outside: nothing visible.
    r->FillRect(TRect(-50, -50, -10, -10), TColor(1, 1, 1, 1));
    r->PushViewport(TRect(500, 500, 600, 600));  // outside the display: refused, logged
    r->GetViewport(vp);
    EXPECT_EQ(vp, TRect(40, 30, 80, 60));
    r->PopViewport();
    r->PopViewport();
    r->GetViewport(vp);
    EXPECT_EQ(vp, TRect(0, 0, 160, 120));
    r->EndDraw();
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(70, 50), kBlue);
    EXPECT_EQ(f.At(79, 59), kBlue);
    EXPECT_EQ(f.At(80, 50), kBlack);
    EXPECT_EQ(f.At(69, 49), kBlack);
    EXPECT_EQ(f.At(0, 0), kBlack);
  });
  EXPECT_TRUE(Logged("Bad viewport: 500, 500, 600, 600"));
}

// A window scrolled partly off the top-left of the screen and clipped by a parent that also
// reaches past that corner: its drawing stays where its own coordinates put it.
TEST_F(RenderTest, ViewportAndClipPastTheDisplayCornerDrawInViewportCoordinates) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    ASSERT_TRUE(r->BeginDraw());
    Clear(r, TColor(0, 0, 0, 1));
    r->PushViewport(TRect(-40, -30, 120, 100));
    r->PushClipRect(TRect(-20, -10, 100, 90));
    // Viewport (50, 40) is screen (10, 10).
    r->FillRect(TRect(50, 40, 60, 50), TColor(0, 0, 1, 1));
    r->PopClipRect();
    r->PopViewport();
    r->EndDraw();
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(10, 10), kBlue);
    EXPECT_EQ(f.At(19, 19), kBlue);
    EXPECT_EQ(f.At(9, 10), kBlack);
    EXPECT_EQ(f.At(20, 19), kBlack);
    EXPECT_EQ(f.At(19, 20), kBlack);
  });
}

TEST_F(RenderTest, FrameRateAppearsOnTheFifteenthFrameAndOverlayToggles) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    for (int i = 0; i < 14; ++i) {
      platform::os::AdvanceVirtualTime(20);
      ASSERT_TRUE(r->BeginDraw());
      r->EndDraw();
      EXPECT_EQ(r->GetFrameRate(), 0.0f);
    }
    EXPECT_FALSE(r->ToggleDebugInfo());
    platform::os::AdvanceVirtualTime(20);
    ASSERT_TRUE(r->BeginDraw());
    r->EndDraw();
    // Fourteen gaps of 20 ms between the first and the fifteenth frame.
    EXPECT_NEAR(r->GetFrameRate(), 15000.0f / 280.0f, 0.01f);
    EXPECT_NE(r->GetOverlayText().Find(str("Kiteyard Version 4.0.16.3<br>")), -1);
    EXPECT_NE(r->GetOverlayText().Find(str("Mem: 0kB")), -1);
    EXPECT_TRUE(r->ToggleDebugInfo());
    EXPECT_FALSE(r->IsDebugInfoOn());
  });
}

TEST_F(RenderTest, OptionsGoToTheDisplayAndSomeAreNotReadable) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    const std::pair<const char*, const char*> cases[] = {
        {"antialias", "1"},       {"hint_antialias", "1"},   {"new_subtractive", "1"},
        {"new_render_blend", ""}, {"texture_rectangle", ""}, {"16bitmode", "0"}};
    for (auto& c : cases) r->SetOption(c.first, "1");
    for (auto& c : cases) EXPECT_EQ(r->GetOption(c.first), str(c.second)) << c.first;
  });
}

TEST_F(RenderTest, TexturedQuadsGolden) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> t = Quadrants();
        ASSERT_TRUE(t);
        ASSERT_TRUE(r->BeginDraw());
        Clear(r, TColor(0.2f, 0.2f, 0.2f, 1));
        ASSERT_TRUE(r->Begin2d());
        t->Draw(12, 12, 1.0f, 1.0f, 0.0f, 0);             // plain, centred
        t->Draw(36, 12, 1.0f, 1.0f, 0.0f, 3);             // turned 180 degrees
        t->Draw(60, 12, 1.0f, 1.5f, float(M_PI / 2), 0);  // scaled and rotated
        TDrawParams tinted(TVec2(84, 12), 0.5f, 1.0f, 0);
        tinted.tint = TColor(0.5f, 1, 1, 1);  // half red, half alpha
        t->Draw(tinted);
        TDrawParams part(TVec2(4, 36), 1.0f, 2.0f,
                         TDrawParams::kUseSourceRect | TDrawParams::kUseOrigin);
        part.sourceRect = TRect(4, 0, 12, 8);
        t->Draw(part);
        const int modes[] = {0, 1, 2, 3, 4};
        for (int i = 0; i < 5; ++i) {
          TDrawParams p(TVec2(36.0f + 12 * i, 44), 0.75f, 0.75f, 0);
          p.blendMode = modes[i];
          t->Draw(p);
        }
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "render/textured_quads.png", 2));
      },
      96, 64);
}

TEST_F(RenderTest, MirroredQuadIsTheImageTurnedHalfway) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> t = Quadrants();
        ASSERT_TRUE(r->BeginDraw());
        ASSERT_TRUE(r->Begin2d());
        t->Draw(8, 8, 1.0f, 1.0f, 0.0f, 0);
        t->Draw(40, 8, 1.0f, 1.0f, 0.0f, 3);
        r->End2d();
        r->EndDraw();
        platform::display::Image f = Frame();
        for (int y = 0; y < 16; ++y)
          for (int x = 0; x < 16; ++x)
            ASSERT_EQ(f.At(32 + x, y), f.At(15 - x, 15 - y)) << x << "," << y;
        EXPECT_EQ(f.At(0, 0), kBlue);
        EXPECT_EQ(f.At(0, 5), kRed);
      },
      64, 32);
}

TEST_F(RenderTest, SelfTestRunsOnceAndClearsTheScreen) {
  RunScreen([&](TPlatform*) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    auto back = d->GetContext()->GetBackBuffer();
    // The screen set-up ran it: calibrated and left the screen black.
    EXPECT_EQ(d->GetPixelOffset(), -0.5f);
    EXPECT_EQ(platform::display::Image::FromSurface(*back).At(80, 60), kBlack);
    back->Fill(nullptr, kRed);
    d->RunSelfTest();  // a second run does nothing
    EXPECT_EQ(platform::display::Image::FromSurface(*back).At(80, 60), kRed);
  });
}

TEST_F(RenderTest, ClipAndViewportStacksGolden) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> t = Quadrants();
        ASSERT_TRUE(t);
        ASSERT_TRUE(r->BeginDraw());
        Clear(r, TColor(0.2f, 0.2f, 0.2f, 1));
        // A window at (16, 8) of 48 x 32, clipped by its parent to (24, 12)-(56, 36).
        r->PushViewport(TRect(16, 8, 64, 40));
        r->PushClipRect(TRect(24, 12, 56, 36));
        ASSERT_TRUE(r->Begin2d());
        TDrawParams p(TVec2(0, 0), 1.0f, 3.0f, TDrawParams::kUseOrigin);
        t->Draw(p);  // 48 x 48 from the window's corner
        r->End2d();
        r->PopClipRect();
        r->PopViewport();
        // Back at the top level: the same quad unclipped, in screen coordinates.
        ASSERT_TRUE(r->Begin2d());
        TDrawParams q(TVec2(70, 4), 1.0f, 1.0f, TDrawParams::kUseOrigin);
        t->Draw(q);
        r->End2d();
        r->EndDraw();
        platform::display::Image f = Frame();
        EXPECT_EQ(f.At(23, 20), 0xFF333333u);  // left of the clip
        EXPECT_EQ(f.At(24, 12), kRed);         // window pixel (8, 4): texel (2, 1)
        EXPECT_EQ(f.At(55, 35), kGreen);       // window pixel (39, 27): texel (13, 9)
        EXPECT_EQ(f.At(56, 35), 0xFF333333u);
        EXPECT_EQ(f.At(70, 4), kBlue);
        EXPECT_TRUE(golden::MatchesGolden(f, "render/clip_and_viewport.png", 2));
      },
      96, 48);
}

TEST_F(RenderTest, MaskedTextureGolden) {
  WriteJpeg("leaf.jpg", 16, 16, [](int x, int) { return x < 8 ? 0xFFFFFF00u : 0xFF00FFFFu; });
  // The mask's red channel fades from left to right and cuts a hole in the middle.
  WritePng("leaf_mask.png", 16, 16, [](int x, int y) {
    bool hole = x >= 6 && x < 10 && y >= 6 && y < 10;
    return 0xFF000000u | uint32_t(hole ? 0 : 255 - x * 16) << 16;
  });
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        boost::shared_ptr<TTexture> t = TTexture::GetWithMask("leaf.jpg", "leaf_mask.png", false);
        ASSERT_TRUE(t);
        ASSERT_TRUE(r->BeginDraw());
        Clear(r, TColor(0, 0, 0.5f, 1));
        ASSERT_TRUE(r->Begin2d());
        t->Draw(TDrawParams(TVec2(2, 2), 1.0f, 1.0f, TDrawParams::kUseOrigin));
        TDrawParams tinted(TVec2(20, 2), 1.0f, 1.0f, TDrawParams::kUseOrigin);
        tinted.tint = TColor(1, 0.5f, 0.5f, 1);
        t->Draw(tinted);
        r->End2d();
        r->EndDraw();
        platform::display::Image f = Frame();
        EXPECT_EQ(f.At(2 + 7, 2 + 7), 0xFF00007Fu);  // the hole shows the background
        EXPECT_TRUE(golden::MatchesGolden(f, "render/masked_texture.png", 2));
      },
      40, 20);
}

TEST_F(RenderTest, VertexKindsPickTheirFormatAndLightingAndOnly2dKindsBuildAProjection) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    ASSERT_TRUE(r->BeginDraw());
    ASSERT_TRUE(r->Begin2d());
    const struct {
      int kind;
      uint32_t fvf;
      bool lighting;
    } cases[] = {{0, 0x112, true},
                 {1, 0x1E2, false},
                 {2, 0x1E2, false},
                 {3, 0x1C4, false},
                 {7, 0x112, true}};
    TMat4 marker;
    marker(0, 0) = 42.0f;
    for (auto& c : cases) {
      d->SetProjection(marker);  // marks the 2-D projection stale
      EXPECT_EQ(d->PrepareVertexKind(c.kind), c.fvf) << c.kind;
      EXPECT_EQ(d->GetDevice()->States().lighting, c.lighting) << c.kind;
      float m00 =
          d->GetDevice()->GetTransform(platform::display::TransformKind::Projection).m[0][0];
      // Transformed vertices leave the projection alone; the others rebuild the 2-D one.
      EXPECT_EQ(m00 == 42.0f, c.kind == 3) << c.kind;
    }
    r->End2d();
    r->EndDraw();
  });
}

TEST_F(RenderTest, FrameIsSkippedQuietlyWhileTheLastFlipIsStillDrawing) {
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    size_t lines = Log().size();
    Backend()->SetPendingFlips(1);
    EXPECT_FALSE(r->BeginDraw());
    EXPECT_FALSE(r->IsDrawing());
    EXPECT_EQ(Log().size(), lines);
    ASSERT_TRUE(r->BeginDraw());  // the next one goes ahead
    r->EndDraw();
    Backend()->SetPendingBlits(1);
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsPresentDone());
    EXPECT_TRUE(TDxDisplayHandler::Instance()->IsPresentDone());
  });
}

TEST_F(RenderTest, BlendModesSetTheirStatesOnTheScreenAndInAnAlphaTarget) {
  namespace pd = platform::display;
  using B = pd::BlendFactor;
  RunScreen([&](TPlatform*) {
    TRenderer* r = TRenderer::Instance();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    boost::shared_ptr<TTexture> target = TTexture::Create(16, 16, true);
    ASSERT_TRUE(target);
    const struct {
      int targetMode;  // -1: drawing on the screen
      bool newSubtractive;
      int mode;
      bool blend;
      B src, dst;
      uint32_t colourArg1, alphaArg1;
    } cases[] = {
        {-1, false, 0, true, B::SrcAlpha, B::InvSrcAlpha, pd::kArgTexture, pd::kArgTexture},
        {-1, false, 1, false, B::SrcAlpha, B::InvSrcAlpha, pd::kArgTexture, pd::kArgFactor},
        {-1, false, 2, true, B::SrcAlpha, B::One, pd::kArgTexture, pd::kArgTexture},
        {-1, false, 3, true, B::Zero, B::InvSrcColor, pd::kArgTexture, pd::kArgTexture},
        {-1, true, 3, true, B::Zero, B::InvSrcColor, pd::kArgTexture, pd::kArgFactor},
        {-1, false, 4, true, B::Zero, B::SrcColor, pd::kArgTexture, pd::kArgTexture},
        {4, false, 0, true, B::SrcAlpha, B::One, pd::kArgDiffuse | pd::kArgAlphaReplicate,
         pd::kArgFactor},
        {4, false, 3, true, B::SrcAlpha, B::InvSrcAlpha, pd::kArgDiffuse | pd::kArgAlphaReplicate,
         pd::kArgFactor},
        {4, true, 3, true, B::One, B::One, pd::kArgFactor, pd::kArgFactor},
        {0, false, 0, true, B::SrcAlpha, B::InvSrcAlpha, pd::kArgTexture, pd::kArgTexture},
    };
    for (const auto& c : cases) {
      d->SetOption("new_subtractive", c.newSubtractive ? "1" : "0");
      bool open = c.targetMode >= 0 ? r->BeginRenderTarget(target, c.targetMode) : r->BeginDraw();
      ASSERT_TRUE(open) << c.targetMode;
      ASSERT_TRUE(r->Begin2d());
      r->SetBlendMode(1);  // a known state to move away from
      r->SetBlendMode(c.mode);
      const pd::RenderStates& s = d->GetDevice()->States();
      EXPECT_EQ(s.alphaBlend, c.blend) << c.targetMode << " " << c.mode;
      if (c.blend) {
        EXPECT_EQ(s.srcBlend, c.src) << c.targetMode << " " << c.mode;
        EXPECT_EQ(s.dstBlend, c.dst) << c.targetMode << " " << c.mode;
      }
      EXPECT_EQ(s.textureFactor, 0xFFFFFFFFu);
      EXPECT_EQ(d->GetDevice()->Stage().colourArg1, c.colourArg1) << c.targetMode << " " << c.mode;
      EXPECT_EQ(d->GetDevice()->Stage().alphaArg1, c.alphaArg1) << c.targetMode << " " << c.mode;
      // A mode outside the table changes no blend state.
      r->SetBlendMode(9);
      EXPECT_EQ(s.alphaBlend, c.blend);
      r->End2d();
      if (c.targetMode >= 0)
        r->EndRenderTarget();
      else
        r->EndDraw();
    }
  });
}
