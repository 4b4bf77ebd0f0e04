// Display mode selection on the headless display: windowed and full screen, every forced
// switch (small or palette desktop, short video memory), failed creation with its fallbacks and
// messages, the antialiasing retry, the low-video-memory mode kept in "common:display.xml", and
// the screen's own depth choice and device retries.
#include "RenderFixture.h"

#include <functional>

#include "assets/FileLayer.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "render/CDisplay.h"
#include "platform/host/headless/HostWindow.h"

using platform::display::Desktop;
namespace hw = platform::window::headless;

namespace {
void SetDesktop(int w, int h, int colours) {
  Desktop d;
  d.width = w;
  d.height = h;
  d.colours = colours;
  d.bitsPerPixel = colours == -1 ? 32 : 8;
  dynamic_cast<platform::display::headless::Display*>(
      TDxDisplayHandler::Instance()->GetContext()->GetBackend())
      ->SetDesktop(d);
  TDxDisplayHandler::Instance()->UpdateDesktopMode();
}
}  // namespace

TEST_F(RenderTest, WindowedSetUpAndTheFullScreenSwitch) {
  Run("", [&](TPlatform* p) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    p->InitScreen(640, 480, false);
    EXPECT_FALSE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
    EXPECT_TRUE(d->IsThreadedPresent());
    EXPECT_EQ(GetConfig("dxbroken"), str("0"));
    EXPECT_EQ(GetConfig("monitorfrequency"), str("60"));
    EXPECT_EQ(d->GetOption("16bitmode"), str("0"));
    EXPECT_EQ(d->GetPixelOffset(), -0.5f);  // the self-test's first candidate fits this device
    // Capabilities are dumped byte by byte in memory order: 256 MiB, then 2048.
    std::string info = d->GetContext()->GetDeviceInfo().CStr();
    EXPECT_NE(info.find("Device identifier:  \n  Driver: 'software'"), std::string::npos);
    EXPECT_NE(info.find("DDCAPS: 0000001000000000"), std::string::npos) << info;
    EXPECT_NE(info.find("D3DDESC: 00080000"), std::string::npos) << info;

    EXPECT_TRUE(d->RefreshDisplay(true));
    EXPECT_TRUE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
    EXPECT_TRUE(d->RefreshDisplay(false));
    EXPECT_FALSE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
  });
}

TEST_F(RenderTest, DesktopsThatCannotHoldAWindowForceFullScreen) {
  const struct {
    int w, h, colours;
    const char* line;
  } cases[] = {
      {800, 600, -1, "SetDisplay Forcing Fullscreen (SMALL)"},
      {1280, 1024, 256, "SetDisplay Forcing Fullscreen (PALLETTED)"},
  };
  for (auto& c : cases) {
    Run("", [&](TPlatform* p) {
      SetDesktop(c.w, c.h, c.colours);
      p->InitScreen(800, 600, false);
      TDxDisplayHandler* d = TDxDisplayHandler::Instance();
      EXPECT_TRUE(d->IsFullScreen()) << c.line;
      EXPECT_TRUE(d->IsReady()) << c.line;
      EXPECT_FALSE(d->RefreshDisplay(false)) << c.line;
      EXPECT_TRUE(d->IsFullScreen());
    });
    EXPECT_TRUE(Logged(c.line));
  }
}

TEST_F(RenderTest, SixteenColourDesktopEndsTheProgram) {
  int boxes = hw::MessageBoxCount();
  Run("", [&](TPlatform* p) {
    SetDesktop(1280, 1024, 16);
    p->InitScreen(800, 600, false);
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsReady());
  });
  EXPECT_EQ(sExitCode, -1);
  EXPECT_EQ(hw::MessageBoxCount(), boxes + 1);
  EXPECT_EQ(hw::LastMessageBoxText().rfind("DirectX requires that you have your screen set", 0),
            0u);
}

TEST_F(RenderTest, FailedWindowFallsBackToFullScreen) {
  int boxes = hw::MessageBoxCount();
  Run("", [&](TPlatform* p) {
    Backend()->FailCreation(1, platform::display::kFail);
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_TRUE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
  });
  EXPECT_EQ(hw::MessageBoxCount(), boxes + 1);
  EXPECT_EQ(hw::LastMessageBoxText(), "Failed to initialize windowed mode. Trying full screen.");
  EXPECT_EQ(sExitCode, kNoExit);
}

TEST_F(RenderTest, WhenBothModesFailTheGameQuits) {
  const struct {
    void (*spoil)(platform::display::AdapterCaps&);
    const char* line;
  } cases[] = {
      {[](platform::display::AdapterCaps& c) { c.renderDepths = 0; },
       "TDXContext::Create failed! Could not find a hardware renderer."},
      {[](platform::display::AdapterCaps& c) { c.maxTextureWidth = 512; },
       "TDXContext::Create - context does not support 1024x1024 textures! Failing!"},
  };
  for (auto& c : cases) {
    Run("", [&](TPlatform* p) {
      c.spoil(Backend()->Caps());
      p->InitScreen(640, 480, false);
      EXPECT_FALSE(TDxDisplayHandler::Instance()->IsReady());
      EXPECT_FALSE(TDxDisplayHandler::Instance()->GetDevice());
      platform::window::Message m;
      EXPECT_TRUE(HeadlessWindow(p)->PeekMessage(m, platform::window::WM_QUIT));
    });
    EXPECT_TRUE(Logged(c.line)) << c.line;
    EXPECT_TRUE(Logged("ERROR FALLBACK FAILED"));
    EXPECT_EQ(hw::LastMessageBoxText().rfind("Failed to initialize window. Please try", 0), 0u);
  }
}

TEST_F(RenderTest, DriverRuleTurnsOffIndexedVerticesOnSomeIntelChips) {
  const std::pair<const char*, bool> cases[] = {
      {"Intel(R) 82845G Graphics", true},
      {"Intel 82810E", true},
      {"Mobile Intel 965 Express", true},
      {"Intel GMA965", false},
      {"Other 82845", false},
  };
  for (auto& c : cases) {
    Run("", [&](TPlatform* p) {
      platform::display::AdapterIdentifier id;
      std::snprintf(id.description, sizeof id.description, "%s", c.first);
      Backend()->SetIdentifier(id);
      SetConfig("brokenindexedverts", "0");
      p->InitScreen(320, 240, false);
      EXPECT_EQ(GetConfig("brokenindexedverts") == "1", c.second) << c.first;
    });
  }
}

TEST_F(RenderTest, LowVideoMemoryGivesASixteenBitFullScreen) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().videoMemoryTotal = 8u << 20;
    p->InitScreen(640, 480, true);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_TRUE(d->IsReady());
    EXPECT_EQ(d->GetOption("16bitmode"), str("1"));
  });
  EXPECT_TRUE(Logged("Created screen at 16 bpp."));
}

TEST_F(RenderTest, DeviceWantingAVideoMemoryTargetIsGivenOneNextTime) {
  Run("", [&](TPlatform* p) {
    Backend()->SetDeviceNeedsVideoMemoryTarget(true);
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_TRUE(d->IsFullScreen());  // the window failed once; full screen took over
    EXPECT_TRUE(d->GetContext()->WantsVideoMemoryBackBuffer());
    EXPECT_TRUE(d->RefreshDisplay(false));
    EXPECT_FALSE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
  });
}

TEST_F(RenderTest, FailureInTheBackgroundOnlyMarksDirectXBroken) {
  int boxes = hw::MessageBoxCount();
  Run("", [&](TPlatform* p) {
    HeadlessWindow(p)->SetForegroundState(false);
    Backend()->FailCreation(1, platform::display::kFail);
    p->InitScreen(640, 480, false);
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsReady());
    EXPECT_EQ(GetConfig("dxbroken"), str("1"));
  });
  EXPECT_TRUE(Logged("SetDisplay marking DirectX Broken: ACTIVE, FOREGROUND"));
  EXPECT_EQ(hw::MessageBoxCount(), boxes);
}

TEST_F(RenderTest, AntialiasHintIsDroppedWhenCreationFailsWithIt) {
  Run("", [&](TPlatform* p) {
    TRenderer::Instance()->SetOption("hint_antialias", "1");
    TRenderer::Instance()->SetOption("antialias", "1");
    Backend()->FailCreation(1, platform::display::kFail);
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_TRUE(d->IsReady());
    EXPECT_FALSE(d->IsFullScreen());
    EXPECT_EQ(d->GetOption("hint_antialias"), str("0"));
    EXPECT_EQ(d->GetOption("antialias"), str("0"));
  });
}

TEST_F(RenderTest, RepeatingTheCurrentModeChangesNothing) {
  Run("", [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    auto back = d->GetContext()->GetBackBuffer();  // held: a new one gets another address
    d->SetDisplay({.width = 640, .height = 480});
    EXPECT_EQ(d->GetContext()->GetBackBuffer(), back);
    d->SetDisplay({.width = 640, .height = 480, .force = true});  // forced: made again
    EXPECT_NE(d->GetContext()->GetBackBuffer(), back);
    EXPECT_TRUE(d->IsReady());
  });
}

// The presentation thread draws the cursor only while the display is ready, so a set-up that
// returns without rebuilding anything must leave it ready.
TEST_F(RenderTest, SetUpsThatChangeNothingKeepTheDisplayReadyForThePresentationThread) {
  const struct {
    const char* name;
    bool fullScreen;
    std::function<void(TPlatform*)> arrange;
    int width;
  } cases[] = {
      {"same mode", false, [](TPlatform*) {}, 640},
      {"inactive window", false, [](TPlatform* p) { p->GetData()->mActive = false; }, 320},
      {"minimised full screen", true, [](TPlatform* p) { p->GetData()->mMinimized = true; }, 640},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Run("", [&](TPlatform* p) {
      p->InitScreen(640, 480, c.fullScreen);
      TDxDisplayHandler* d = TDxDisplayHandler::Instance();
      ASSERT_TRUE(d->IsThreadedPresent());
      auto back = d->GetContext()->GetBackBuffer();
      c.arrange(p);
      d->SetDisplay({.width = c.width, .height = 480, .fullScreen = c.fullScreen});
      EXPECT_EQ(d->GetContext()->GetBackBuffer(), back);  // nothing was rebuilt
      EXPECT_TRUE(d->IsThreadedPresent());
      p->GetData()->mActive = true;
      p->GetData()->mMinimized = false;
    });
  }
}

TEST_F(RenderTest, OutOfVideoMemorySwitchesToSixteenBitFullScreenForGood) {
  int boxes = hw::MessageBoxCount();
  str file;
  Run("", [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    d->OutOfVideoMemory();
    EXPECT_FALSE(d->IsReady());
    EXPECT_EQ(GetConfig("dxbroken"), str("1"));
    d->OutOfVideoMemory();  // a second report changes nothing
    file = ResolveFilePath("common:display.xml", false);
    d->Restore();
    EXPECT_TRUE(d->IsReady());
    EXPECT_TRUE(d->IsFullScreen());
    EXPECT_EQ(d->GetOption("16bitmode"), str("1"));
    EXPECT_FALSE(d->RefreshDisplay(false));
  });
  EXPECT_EQ(CountLogged("OutOfVideoMemory triggered!"), 1u);
  EXPECT_TRUE(Logged("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()"));
  EXPECT_EQ(hw::MessageBoxCount(), boxes + 1);
  EXPECT_EQ(hw::LastMessageBoxTitle(), "Reconfiguring");
  std::ifstream in(file.CStr());
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Settings"), std::string::npos);
  EXPECT_NE(text.str().find("LowMemoryVideo=\"1\""), std::string::npos) << text.str();

  // The next start reads the file and goes straight to the cheap mode.
  Run("", [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    EXPECT_TRUE(TDxDisplayHandler::Instance()->IsFullScreen());
    EXPECT_EQ(TDxDisplayHandler::Instance()->GetOption("16bitmode"), str("1"));
  });
  EXPECT_TRUE(Logged("Low memory video card setting enabled!"));
  EXPECT_TRUE(Logged("SetDisplay Forcing Fullscreen (MEMORY)"));
}

TEST_F(RenderTest, ASettingOfZeroIsLoggedButLeavesTheModeOff) {
  Run("", [&](TPlatform*) {
    TFile* f = FileOpen("common:display.xml", kFileWriteText);
    ASSERT_NE(f, nullptr);
    const char text[] = "<Settings LowMemoryVideo=\"0\"/>\n";
    FileWrite(f, text, sizeof text - 1);
    FileClose(f);
  });
  Run("", [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsLowMemoryVideo());
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsFullScreen());
  });
  EXPECT_TRUE(Logged("Low memory video card setting enabled!"));
}

TEST_F(RenderTest, HostedDisplayStaysWindowedAndAFailureOnlyMarksItBroken) {
  platform::host::headless::Host host;
  std::string hex = (std::ostringstream() << std::hex << host.Handle()).str();
  int boxes = hw::MessageBoxCount();
  Run("-zylom -wnd=" + hex, [&](TPlatform* p) {
    p->InitScreen(640, 480, true);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_FALSE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
    Backend()->FailCreation(1, platform::display::kFail);
    d->SetDisplay({.width = 640, .height = 480, .force = true, .childOfHost = true});
    EXPECT_FALSE(d->IsReady());
    EXPECT_EQ(GetConfig("dxbroken"), str("1"));
  });
  EXPECT_EQ(hw::MessageBoxCount(), boxes);
  EXPECT_EQ(sExitCode, kNoExit);
}

TEST_F(RenderTest, LostHostWindowEndsTheProgram) {
  platform::host::headless::Host host;
  std::string hex = (std::ostringstream() << std::hex << host.Handle()).str();
  Run("-wnd=" + hex, [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    host.Close();
    TDxDisplayHandler::Instance()->SetDisplay(
        {.width = 640, .height = 480, .force = true, .childOfHost = true});
  });
  EXPECT_EQ(sExitCode, -1);  // hosted runs keep no log, so the exit code is all there is
}

TEST_F(RenderTest, FailedSetUpsTakeTheFallbackTheirCaseCallsFor) {
  using platform::display::kFail;
  using platform::display::kOutOfVideoMemory;
  const struct {
    const char* name;
    std::function<void(TPlatform*)> act;
    bool ready, fullScreen;
    int newBoxes;
    const char* lastBox;  // null: no new box
  } cases[] = {
      {"full screen fails after it worked once",
       [](TPlatform* p) {
         p->InitScreen(640, 480, true);
         Backend()->SetExclusiveAnswer(kFail);
         uint32_t before = GetTimer();
         TDxDisplayHandler::Instance()->SetDisplay(
             {.width = 640, .height = 480, .fullScreen = true, .force = true});
         EXPECT_GE(GetTimer() - before, 150u);
       },
       false, true, 0, nullptr},
      {"full screen fails first: a window instead",
       [](TPlatform* p) {
         Backend()->SetExclusiveAnswer(kFail);
         p->InitScreen(640, 480, true);
       },
       // The screen code says first that no device is compatible, then the fallback.
       true, false, 2,
       "Failed to initialize full screen mode. Your video card is not supported. Trying to run "
       "in a window."},
      {"a window short of video memory: full screen with the reason",
       [](TPlatform* p) {
         Backend()->FailCreation(1, kOutOfVideoMemory);
         p->InitScreen(640, 480, false);
         EXPECT_FALSE(TDxDisplayHandler::Instance()->RefreshDisplay(false));
       },
       true, true, 1,
       "Cannot run in a window: Insufficient video memory. Switching to full screen."},
  };
  for (auto& c : cases) {
    int boxes = hw::MessageBoxCount();
    Run("", [&](TPlatform* p) {
      c.act(p);
      TDxDisplayHandler* d = TDxDisplayHandler::Instance();
      EXPECT_EQ(d->IsReady(), c.ready) << c.name;
      EXPECT_EQ(d->IsFullScreen(), c.fullScreen) << c.name;
      EXPECT_EQ(GetConfig("dxbroken"), str(c.ready ? "0" : "1")) << c.name;
    });
    EXPECT_EQ(hw::MessageBoxCount(), boxes + c.newBoxes) << c.name;
    if (c.lastBox) {
      EXPECT_EQ(hw::LastMessageBoxText(), c.lastBox) << c.name;
    }
    EXPECT_EQ(sExitCode, kNoExit) << c.name;
  }
}

TEST_F(RenderTest, ScaledWindowThatOutgrowsTheDesktopBecomesFullScreen) {
  Run("", [&](TPlatform* p) {
    SetDesktop(1024, 768, -1);
    p->InitScreen(800, 600, true);
    p->GetData()->SetViewportScale(1.5f, 1.5f);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    // The switch compares the unscaled size; the set-up finds 1200 >= 1024.
    EXPECT_TRUE(d->RefreshDisplay(false));
    EXPECT_TRUE(d->IsFullScreen());
    EXPECT_TRUE(d->IsReady());
    p->GetData()->SetViewportScale(1.0f, 1.0f);
  });
  EXPECT_TRUE(Logged("SetDisplay Forcing Fullscreen (SMALL)"));
}

TEST_F(RenderTest, FullScreenDepthFollowsTheModesAndTheFreeVideoMemory) {
  const struct {
    std::vector<int> depths;
    uint64_t videoMemory;
    int wanted, chosen;
  } cases[] = {
      {{16, 32}, 256u << 20, 32, 32},
      {{16, 32}, 8u << 20, 32, 16},  // under 16 MiB free a deeper request becomes 16
      {{16, 24}, 256u << 20, 32, 16},
      {{24, 32}, 256u << 20, 16, 24},  // no 16: the first one enumerated
      {{32, 16}, 256u << 20, 16, 16},  // a later exact match wins
  };
  Run("", [&](TPlatform*) {
    for (auto& c : cases) {
      platform::display::headless::Display display;
      std::vector<platform::display::DisplayMode> modes;
      for (int bits : c.depths) modes.push_back({640, 480, bits, 60});
      display.SetModes(modes);
      display.Caps().videoMemoryTotal = c.videoMemory;
      CDisplay screen(&display);
      ASSERT_EQ(screen.CreateFullScreen(nullptr, 640, 480, c.wanted, 1), platform::display::kOk);
      EXPECT_EQ(display.GetDisplayMode().bitsPerPixel, c.chosen) << c.depths[0] << c.wanted;
      EXPECT_TRUE(screen.GetBackBuffer());
    }
  });
  EXPECT_TRUE(Logged("Created screen at 24 bpp."));
}

TEST_F(RenderTest, FullScreenCreationRetriesTheFlipChainThenRunsOutOfDevices) {
  using platform::display::kFail;
  int boxes = hw::MessageBoxCount();
  Run("", [&](TPlatform*) {
    platform::display::headless::Display display;
    CDisplay screen(&display);
    display.FailCreation(1, kFail);
    // Retried once without the hint, whether or not the hint was asked for.
    EXPECT_EQ(screen.CreateFullScreen(nullptr, 640, 480, 32, 1), platform::display::kOk);
    display.SetExclusiveAnswer(kFail);
    EXPECT_EQ(screen.CreateFullScreen(nullptr, 640, 480, 32, 1), kFail);
    EXPECT_FALSE(screen.GetFrontBuffer());
    EXPECT_EQ(hw::MessageBoxCount(), boxes);  // this screen has worked before
    CDisplay fresh(&display);
    EXPECT_EQ(fresh.CreateFullScreen(nullptr, 640, 480, 32, 1), kFail);
    EXPECT_EQ(hw::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(hw::LastMessageBoxText().rfind("Sorry, but this product isn't compatible", 0), 0u);
  });
  EXPECT_EQ(CountLogged("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL"), 1u);
  EXPECT_EQ(CountLogged("Failed to create a DirectDraw device after trying all GUIDs"), 2u);
}

TEST_F(RenderTest, EverySetUpLeavesTheDeviceInItsFixedState) {
  using namespace platform::display;
  Run("", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    d->SetBlendMode(2);
    d->SetTextureFilter(0);
    d->SetDisplay({.width = 320, .height = 240, .force = true});
    ASSERT_TRUE(d->GetDevice());
    const RenderStates& rs = d->GetDevice()->States();
    EXPECT_TRUE(rs.alphaBlend);
    EXPECT_EQ(rs.srcBlend, BlendFactor::SrcAlpha);
    EXPECT_EQ(rs.dstBlend, BlendFactor::InvSrcAlpha);
    EXPECT_TRUE(rs.alphaTest);
    EXPECT_EQ(rs.alphaRef, 1);
    EXPECT_EQ(rs.alphaFunc, CompareFunc::GreaterEqual);
    EXPECT_TRUE(rs.zEnable && rs.zWrite && rs.lighting && rs.colourVertex);
    EXPECT_EQ(rs.shadeMode, ShadeMode::Gouraud);
    EXPECT_EQ(rs.ambient, 0xFFFFFFFFu);
    const TextureStage& st = d->GetDevice()->Stage();
    EXPECT_EQ(st.minFilter, TextureFilter::Linear);
    EXPECT_EQ(st.magFilter, TextureFilter::Linear);
    EXPECT_EQ(st.colourOp, TextureOp::Modulate);
    EXPECT_EQ(st.alphaOp, TextureOp::Modulate);
    EXPECT_EQ(st.alphaArg1, uint32_t(kArgTexture));
    const Material& m = d->GetDevice()->GetMaterial();
    EXPECT_EQ(m.diffuse.r, 1.0f);
    EXPECT_EQ(m.ambient.g, 0.5f);
    EXPECT_EQ(m.emissive.b, 0.0f);
    EXPECT_EQ(m.power, 1.0f);
  });
}

TEST_F(RenderTest, WindowedScreenShapesTheWindowUnlessToldToLeaveItAlone) {
  Run("", [&](TPlatform* p) {
    platform::window::IWindow* w = p->GetData()->GetWindow();
    ASSERT_TRUE(w);
    platform::display::headless::Display display;
    CDisplay screen(&display);
    w->SetClientSize(200, 100);
    for (uint32_t flags : {1u, 1u | 2u}) {
      ASSERT_EQ(screen.CreateWindowed(w, nullptr, 300, 150, false, flags), platform::display::kOk);
      int cw = 0, ch = 0;
      w->GetClientSize(cw, ch);
      EXPECT_EQ(cw, flags & 2 ? 200 : 300) << flags;
      EXPECT_TRUE(screen.IsWindowed());
      EXPECT_EQ(screen.GetBackBuffer()->Width(), 300);
      w->SetClientSize(200, 100);
    }
  });
}

TEST_F(RenderTest, InPortalQueryModeASwitchToLowMemoryEndsTheNextSetUp) {
  Run("", [&](TPlatform* p) {  // an earlier run's switch, which this mode does not read
    p->InitScreen(640, 480, false);
    TDxDisplayHandler::Instance()->OutOfVideoMemory();
  });
  int boxes = hw::MessageBoxCount();
  Run("-pq=1", [&](TPlatform* p) {
    p->InitScreen(640, 480, false);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    EXPECT_FALSE(d->IsLowMemoryVideo());
    EXPECT_TRUE(d->IsReady());
    d->OutOfVideoMemory();
    d->SetDisplay({.width = 640, .height = 480, .force = true});
  });
  EXPECT_EQ(sExitCode, -1);
  EXPECT_EQ(hw::MessageBoxCount(), boxes + 1);
  EXPECT_EQ(hw::LastMessageBoxText(),
            "You cannot run this application at your current screen resolution or bit depth (out "
            "of memory). Change your display settings and run again. Closing other applications "
            "might also help.");
}
