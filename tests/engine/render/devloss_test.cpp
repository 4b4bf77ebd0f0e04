// Device loss and restore: lost surfaces brought back after good frames, a display re-created
// when it has not yet worked, mode changes and inactive windows, and textures released and
// reloaded from their files on the way.
#include "RenderFixture.h"

#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"

namespace {
uint32_t Stripes(int x, int) { return x < 4 ? kRed : kGreen; }

void Frames(int n) {
  for (int i = 0; i < n; ++i) {
    ASSERT_TRUE(TRenderer::Instance()->BeginDraw());
    TRenderer::Instance()->EndDraw();
  }
}
}  // namespace

TEST_F(RenderTest, LostSurfacesComeBackWithTheirTexturesAfterGoodFrames) {
  WritePng("stripes.png", 8, 8, Stripes);
  RunScreen([&](TPlatform*) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    boost::shared_ptr<TTexture> t = TTexture::Get("stripes.png");
    boost::shared_ptr<TTexture> blank = TTexture::Create(8, 8, true);
    ASSERT_TRUE(t && blank);
    Frames(3);
    // Held, so a screen made again could not take the old one's address.
    auto back = d->GetContext()->GetBackBuffer();
    Backend()->LoseAllSurfaces();
    EXPECT_EQ(PixelAt(t, 0, 0), 0xDEADBEEFu);  // a lost surface cannot be locked
    ASSERT_TRUE(TRenderer::Instance()->BeginDraw());
    TRenderer::Instance()->EndDraw();
    EXPECT_EQ(d->GetContext()->GetBackBuffer(), back);  // restored, not re-created
    EXPECT_EQ(PixelAt(t, 1, 1), kRed);
    EXPECT_EQ(PixelAt(t, 6, 1), kGreen);
    EXPECT_EQ(PixelAt(blank, 1, 1), 0u);
    EXPECT_EQ(GetConfig("dxbroken"), str("0"));
  });
  EXPECT_TRUE(Logged("TRenderer::BeginDraw: DDERR_SURFACELOST on BeginScene"));
  EXPECT_FALSE(Logged("Working count too small"));
}

TEST_F(RenderTest, DisplayThatHasNotWorkedYetIsMadeAgain) {
  WritePng("stripes.png", 8, 8, Stripes);
  RunScreen([&](TPlatform*) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    boost::shared_ptr<TTexture> t = TTexture::Get("stripes.png");
    Frames(3);
    d->ResetWorkingCount();  // the window went inactive meanwhile
    Backend()->LoseAllSurfaces();
    d->Restore();
    EXPECT_TRUE(d->IsReady());
    EXPECT_EQ(PixelAt(t, 6, 6), kGreen);
    Frames(1);
  });
  EXPECT_TRUE(Logged("TPlatformData::Restore: Working count too small (0). Calling SetDisplay()"));
}

TEST_F(RenderTest, ModeChangedByAnotherProgramAlwaysRecreates) {
  RunScreen([&](TPlatform*) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    Frames(4);
    Backend()->SetCooperativeAnswer(platform::display::kWrongMode);
    auto back = d->GetContext()->GetBackBuffer();
    d->Restore();
    Backend()->SetCooperativeAnswer(platform::display::kOk);
    EXPECT_NE(d->GetContext()->GetBackBuffer(), back);
    EXPECT_TRUE(d->IsReady());
  });
}

TEST_F(RenderTest, InactiveWindowLeavesDirectXBrokenUntilItReturns) {
  RunScreen([&](TPlatform* p) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    Frames(4);
    d->MarkDxBroken();
    EXPECT_FALSE(TRenderer::Instance()->BeginDraw());  // drawing is skipped while broken
    Backend()->SetCooperativeAnswer(platform::display::kNoExclusiveMode);
    p->GetData()->mActive = false;
    d->Restore();
    EXPECT_FALSE(d->IsReady());
    p->GetData()->mActive = true;
    d->Restore();  // still no exclusive mode: waits once, gives up for now
    EXPECT_FALSE(d->IsReady());
    Backend()->SetCooperativeAnswer(platform::display::kOk);
    d->Restore();
    EXPECT_TRUE(d->IsReady());
    EXPECT_EQ(GetConfig("dxbroken"), str("0"));
  });
}

TEST_F(RenderTest, RestoreOfADeletedFileIsLoggedAndKeepsDrawing) {
  WritePng("gone.png", 8, 8, Stripes);
  RunScreen([&](TPlatform*) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    boost::shared_ptr<TTexture> t = TTexture::Get("gone.png");
    ASSERT_TRUE(t);
    std::filesystem::remove(mWork + "/assets/gone.png");
    d->SetDisplay({.width = 160, .height = 120, .force = true});
    EXPECT_TRUE(d->IsReady());
    EXPECT_EQ(GetConfig("dxbroken"), str("0"));
  });
  EXPECT_TRUE(Logged("TDxTextureData::Restore: Failed to restore from file gone.png."));
}

TEST_F(RenderTest, RestoreBeforeAnyScreenWaitsForTheScreenSetUp) {
  int boxes = platform::window::headless::MessageBoxCount();
  Run("", [&](TPlatform* p) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_FALSE(d->IsReady());
    d->Restore();  // what the event pump does while the display is not ready
    EXPECT_FALSE(d->IsReady());
    p->InitScreen(160, 120, false);
    EXPECT_TRUE(d->IsReady());
  });
  EXPECT_EQ(platform::window::headless::MessageBoxCount(), boxes);
  EXPECT_EQ(sExitCode, kNoExit);
}

TEST_F(RenderTest, CooperativeLevelAnswersDecideBetweenWaitingAndMakingTheDisplayAgain) {
  using namespace platform::display;
  const struct {
    Result answer;
    bool active;
    uint32_t waited;  // virtual milliseconds spent in the restore
    bool recreated;
  } cases[] = {
      {kExclusiveModeAlreadySet, true, 100, true},  // level taken again, then a new display
      {kFail, true, 500, false},                    // unnamed: five waits, then give up
      {kNoExclusiveMode, true, 100, false},
      {kNoExclusiveMode, false, 0, false},  // inactive: back at once
  };
  for (auto& c : cases) {
    RunScreen([&](TPlatform* p) {
      TDxDisplayHandler* d = TDxDisplayHandler::Instance();
      Frames(4);
      auto back = d->GetContext()->GetBackBuffer();
      Backend()->SetCooperativeAnswer(c.answer);
      p->GetData()->mActive = c.active;
      uint32_t before = GetTimer();
      d->Restore();
      EXPECT_EQ(GetTimer() - before, c.waited) << std::hex << c.answer;
      p->GetData()->mActive = true;
      Backend()->SetCooperativeAnswer(kOk);
      EXPECT_EQ(d->GetContext()->GetBackBuffer() != back, c.recreated) << std::hex << c.answer;
    });
    EXPECT_EQ(Logged("Restore: Test Cooperative level failed. Calling SetDisplay"), c.recreated);
  }
}
