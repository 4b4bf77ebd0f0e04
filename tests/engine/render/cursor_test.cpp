// The software cursor: magenta is see-through, the background under the cursor comes back when
// it moves or is erased, presentation draws it into the frame without leaving it in the back
// buffer, and it survives a device loss.
#include "RenderFixture.h"

#include "core/TPlatformData.h"
#include "core/TSettings.h"

namespace {

// 8x8: magenta corners, near-magenta (250, 1, 250) at (1, 0), the rest white.
uint32_t CursorPixel(int x, int y) {
  bool corner = (x == 0 || x == 7) && (y == 0 || y == 7);
  if (corner) return 0xFFFF00FFu;
  if (x == 1 && y == 0) return 0xFFFA01FAu;
  if (x == 2 && y == 0) return 0xFFF800F8u;  // (248, 0, 248): still see-through
  return kWhite;
}

void Present(uint32_t background) {
  TRenderer* r = TRenderer::Instance();
  ASSERT_TRUE(r->BeginDraw());
  float c = float(background & 0xFF) / 255.0f;
  r->FillRect(TRect(0, 0, 160, 120), TColor(0, 0, c, 1));
  r->EndDraw();
}

void MoveMouse(TPlatform* p, int x, int y) {
  platform::window::Message m;
  m.message = platform::window::WM_MOUSEMOVE;
  m.lParam = platform::window::MakeLParam(x, y);
  EngineTest::HeadlessWindow(p)->PostMessage(m);
  TPlatformEvent e;
  for (int i = 0; i < 10; ++i) p->GetEvent(e);
}

}  // namespace

TEST_F(RenderTest, CursorIsDrawnOverTheFrameAndTheBackgroundComesBack) {
  WritePng("cursor.png", 8, 8, CursorPixel);
  RunScreen([&](TPlatform* p) {
    // The presentation thread would redraw the cursor at the mouse on its own clock.
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    Present(kBlue);
    boost::shared_ptr<TTexture> cursor = TTexture::GetSimple("cursor.png");
    ASSERT_TRUE(cursor);
    p->SetCursor(cursor, 0, 0, false);
    EXPECT_FALSE(HeadlessWindow(p)->IsCursorVisible());  // the engine draws it

    platform::os::AdvanceVirtualTime(16);
    TDxDisplayHandler::Position at = d->DrawCursor(20, 30);
    EXPECT_EQ(at.x, 20u);
    EXPECT_EQ(at.y, 30u);
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(20, 30), kBlue);  // magenta corner: see-through
    EXPECT_EQ(f.At(21, 30), 0xFFFA01FAu);
    EXPECT_EQ(f.At(22, 30), kBlue);
    EXPECT_EQ(f.At(23, 33), kWhite);
    EXPECT_EQ(f.At(27, 37), kBlue);

    EXPECT_EQ(d->DrawCursor(24, 32).x, 0xFFFFFFFFu);  // at most one redraw every 16 ms
    platform::os::AdvanceVirtualTime(16);
    EXPECT_EQ(d->DrawCursor(24, 32).x, 24u);  // an overlapping move
    f = Frame();
    EXPECT_EQ(f.At(21, 31), kBlue);
    EXPECT_EQ(f.At(25, 33), kWhite);
    EXPECT_EQ(f.At(24, 32), kBlue);

    d->EraseCursor();
    f = Frame();
    for (int y = 28; y < 44; ++y)
      for (int x = 18; x < 34; ++x) ASSERT_EQ(f.At(x, y), kBlue) << x << "," << y;

    // A cursor reaching past the desktop is not drawn.
    platform::os::AdvanceVirtualTime(16);
    at = d->DrawCursor(2000, 10);
    EXPECT_EQ(at.x, 0xFFFFFFFFu);
  });
}

TEST_F(RenderTest, PresentationDrawsTheCursorAndLeavesTheBackBufferClean) {
  WritePng("cursor.png", 8, 8, CursorPixel);
  RunScreen([&](TPlatform* p) {
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    p->SetCursor(TTexture::GetSimple("cursor.png"), 1, 1, false);
    MoveMouse(p, 50, 40);
    Present(kBlue);
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(52, 42), kWhite);  // hot spot (1, 1) sits on the mouse
    EXPECT_EQ(f.At(49, 39), kBlue);
    auto back = platform::display::Image::FromSurface(*d->GetContext()->GetBackBuffer());
    EXPECT_EQ(back.At(52, 42), kBlue);
    EXPECT_TRUE(d->IsThreadedPresent());

    // Hidden: gone from the screen and not drawn by presentation.
    p->SetCursorVisible(false);
    EXPECT_EQ(Frame().At(52, 42), kBlue);
    Present(kBlue);
    EXPECT_EQ(Frame().At(52, 42), kBlue);
    p->SetCursorVisible(true);
    EXPECT_EQ(Frame().At(52, 42), kWhite);
  });
}

TEST_F(RenderTest, CursorSurvivesADeviceLoss) {
  WritePng("cursor.png", 8, 8, CursorPixel);
  RunScreen([&](TPlatform* p) {
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    p->SetCursor(TTexture::GetSimple("cursor.png"), 0, 0, false);
    MoveMouse(p, 60, 60);
    Backend()->LoseAllSurfaces();
    d->Restore();  // not three good frames yet: the display is made again
    ASSERT_TRUE(d->IsReady());
    Present(kBlue);
    EXPECT_EQ(Frame().At(63, 63), kWhite);
    EXPECT_EQ(Frame().At(60, 60), kBlue);
  });
}

// The presentation thread keeps redrawing the cursor (its own clock, under the display mutex)
// while the main thread draws frames, loses and restores surfaces, makes the screen again and
// changes the cursor. Run under the thread checker this shows what the two threads share.
TEST_F(RenderTest, PresentationThreadRedrawsTheCursorWhileTheDisplayChanges) {
  WritePng("cursor.png", 8, 8, CursorPixel);
  RunScreen([&](TPlatform* p) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    boost::shared_ptr<TTexture> cursor = TTexture::GetSimple("cursor.png");
    ASSERT_TRUE(cursor);
    p->SetCursor(cursor, 0, 0, false);
    for (int i = 0; i < 120; ++i) {
      MoveMouse(p, 10 + i % 90, 20 + i % 40);
      platform::os::AdvanceVirtualTime(16);
      Present(kBlue);
      switch (i % 8) {
        case 1: Backend()->LoseAllSurfaces(); break;  // the next frame restores
        case 3: d->SetDisplay({.width = 160, .height = 120, .force = true}); break;
        case 5: d->ResetMouseState(); break;
        case 6: p->SetCursorVisible(false); break;
        case 7:
          p->SetCursorVisible(true);
          p->SetCursor(cursor, 1, 1, false);
          break;
        default: break;
      }
    }
    MoveMouse(p, 70, 50);
    Present(kBlue);
    EXPECT_TRUE(d->IsReady());
    EXPECT_EQ(Frame().At(72, 52), kWhite);
    EXPECT_EQ(Frame().At(68, 48), kBlue);
  });
}

TEST_F(RenderTest, SecondImageIsShownBlendedByItsAlpha) {
  // 4x4: see-through left column, half-transparent white second column, opaque red elsewhere.
  WritePng("second.png", 4, 4, [](int x, int) -> uint32_t {
    return x == 0 ? 0x00FFFFFFu : x == 1 ? 0x80FFFFFFu : kRed;
  });
  RunScreen([&](TPlatform* p) {
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    Present(kBlue);
    boost::shared_ptr<TTexture> second = TTexture::Get("second.png", TTexture::kGetAlpha);
    ASSERT_TRUE(second);
    d->SetMouseImage(second, 0, 0, true);
    platform::os::AdvanceVirtualTime(16);
    ASSERT_EQ(d->DrawCursor(40, 40).x, 40u);
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(40, 41), kBlue);
    EXPECT_EQ(f.At(41, 41), 0xFF8080FFu);  // 128/255 of white over blue
    EXPECT_EQ(f.At(42, 41), kRed);

    // Where the window system's own cursor is asked for, none is built from the image.
    SetConfig("activex", "1");
    platform::os::AdvanceVirtualTime(16);
    d->SetMouseImage(second, 0, 0, true);
    EXPECT_FALSE(d->GetContext()->IsCursorDrawn());
    SetConfig("activex", "0");
  });
}

TEST_F(RenderTest, FullScreenCursorMovedAfterAFlipLeavesNoTrail) {
  WritePng("cursor.png", 8, 8, CursorPixel);
  Run("", [&](TPlatform* p) {
    p->InitScreen(640, 480, true);
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    ASSERT_TRUE(d->IsFullScreen());
    p->SetCursor(TTexture::GetSimple("cursor.png"), 0, 0, false);
    MoveMouse(p, 50, 40);
    Present(kBlue);  // the flip puts the frame with its cursor on the front buffer
    EXPECT_EQ(Frame().At(53, 43), kWhite);
    platform::os::AdvanceVirtualTime(16);
    ASSERT_EQ(d->DrawCursor(100, 80).x, 100u);
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(103, 83), kWhite);
    EXPECT_EQ(f.At(53, 43), kBlue);
  });
}

TEST_F(RenderTest, BuiltInArrowLeavesTheFrameVisibleAroundIt) {
  RunScreen([&](TPlatform* p) {
    p->GetData()->StopPresentationThread();
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    Present(kBlue);
    p->SetCursor(boost::shared_ptr<TTexture>(), 0, 0, false);  // no image: the engine's arrow
    platform::os::AdvanceVirtualTime(16);
    ASSERT_EQ(d->DrawCursor(40, 30).x, 40u);
    platform::display::Image f = Frame();
    EXPECT_EQ(f.At(40, 30), kBlack);  // the tip of the outline
    EXPECT_EQ(f.At(42, 35), kWhite);  // the fill
    // The see-through rest of the 32x32 image shows the frame, not a dark square.
    EXPECT_EQ(f.At(50, 32), kBlue);
    EXPECT_EQ(f.At(71, 61), kBlue);
    EXPECT_EQ(f.At(41, 30), kBlue);

    // Presented with the frame, the arrow is the same.
    MoveMouse(p, 60, 50);
    Present(kBlue);
    f = Frame();
    EXPECT_EQ(f.At(62, 55), kWhite);
    EXPECT_EQ(f.At(80, 70), kBlue);
  });
}
