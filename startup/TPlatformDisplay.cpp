// The facade's operations on the main window and the display: window creation, full-screen
// switching, screen set-up, the cursor, the browser and the sound manager.
#include <cstdio>
#include <string>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TColor.h"
#include "core/TRect.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "platform/host/Browser.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "sound/TSoundManager.h"
#include "window/TScreen.h"
#include "window/TWindowManager.h"
#include "window/text/THwMiniVecDraw.h"

using namespace platform::window;

bool TPlatform::CreateWindow() {
  TPlatformData& p = *mData;
  if (GetConfigFlag(kConfigUtf8Mode)) p.mUtf8 = true;
  if (p.mHosted && !p.mHostedTest && !(p.GetHostWindow() && p.GetHostWindow()->IsWindow())) {
    EngineLog("Error: mExternalWindowParent is lost, exiting!");
    return false;
  }
  WindowDesc desc;
  desc.title = "Hearthwell";
  desc.width = 480;
  desc.height = 360;
  desc.child = p.mHosted && !p.mHostedTest;
  desc.unicode = p.mUtf8;
  // The display's set-up shows a top-level window once its mode is known; a host's child shows
  // with its host.
  desc.visible = desc.child;
  std::string why;
  p.SetWindow(CreateMainWindow(desc, &why));
  IWindow* w = p.GetWindow();
  if (!w) {
    // Never a silent run without a window: the player hears why and the run ends.
    std::fprintf(stderr,
                 "game: cannot open the game's window: %s. To run without a display, set "
                 "ENGINE_HEADLESS=1 or pass --headless.\n",
                 why.c_str());
    EngineLog("Error: cannot open the game's window: %s", why.c_str());
    return false;
  }
  SetConfig(kConfigWindowHandle, str::Format("%d", static_cast<int>(w->Handle())));
  if (p.mHostedTest) {
    w->SetClientSize(960, 720);
    w->Show();
  }
  w->SetForeground();
  return true;
}

namespace {
// In "-pq=" mode the portal page owns the full-screen switch; it hears the wish as WM_USER.
void TellPortalFullScreen(TPlatformData& p, bool fullScreen) {
  p.mFullScreenWish = fullScreen;
  if (auto* host = p.GetHostWindow())
    host->Post(platform::host::Record{WM_USER, fullScreen ? 1u : 0u, 0});
}
}  // namespace

bool TPlatform::SetFullScreen(bool fullScreen) {
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  if (HasPqOption()) {
    TellPortalFullScreen(*mData, fullScreen);
    if (d) d->RefreshDisplay(false);
    return true;
  }
  return d ? d->RefreshDisplay(fullScreen) : false;
}

bool TPlatform::IsFullScreen() const {
  if (HasPqOption()) return mData->mFullScreenWish;
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return d && d->IsFullScreen();
}

bool TPlatform::IsDisplayReady() const {
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return d && d->IsReady();
}

bool TPlatform::IsPresentDone() const {
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return !d || d->IsPresentDone();
}

void TPlatform::OutOfVideoMemory() {
  if (TDxDisplayHandler* d = TDxDisplayHandler::Instance()) d->OutOfVideoMemory();
}

TDxTextureData* TPlatform::NewTextureData() {
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return d ? d->CreateTextureData() : nullptr;
}

bool TPlatform::InitScreen(int width, int height, bool fullScreen) {
  TPlatformData& p = *mData;
  TWindowManager* wm = p.mWindowManager;
  if (wm && !wm->GetRoot()) {
    auto screen = std::make_unique<TScreen>();
    TScreen* root = screen.get();
    wm->SetRoot(std::move(screen));
    root->SetSize(width, height);
  }
  if (HasPqOption()) {
    TellPortalFullScreen(p, fullScreen);
    fullScreen = false;
  }
  p.SetViewportScale(1.0f, 1.0f);
  if (p.mHosted) {
    // The game's frame is stretched over the area the host gives it; the hosted test's
    // host is the game's own window.
    int hostWidth = 0, hostHeight = 0;
    bool known = false;
    if (p.mHostedTest) {
      if (IWindow* w = p.GetWindow()) {
        w->GetClientSize(hostWidth, hostHeight);
        known = true;
      }
    } else if (auto* host = p.GetHostWindow()) {
      known = host->GetClientSize(hostWidth, hostHeight);
    }
    if (known && width > 0 && hostWidth > 0) {
      float scale = static_cast<float>(hostWidth) / static_cast<float>(width);
      p.SetViewportScale(scale, scale);
    }
    fullScreen = false;
  }

  TRenderer* renderer = TRenderer::Instance();
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  d->SetDisplay(
      {.width = width, .height = height, .fullScreen = fullScreen, .childOfHost = p.mHosted});
  d->RunSelfTest();
  if (!p.mMiniVecDraw) {
    p.mMiniVecDraw = std::make_unique<THwMiniVecDraw>();
    p.mMiniVecDraw->Calibrate();
    renderer->FillRect(TRect(0, 0, width, height), TColor(0.0f, 0.0f, 0.0f, 1.0f));
  }
  renderer->PopClipRect();
  renderer->PushClipRect(TRect(0, 0, width, height));
  return true;
}

bool TPlatform::CreateSoundManager() {
  TPlatformData& p = *mData;
  if (!p.mSoundManager) p.mSoundManager = new TSoundManager();
  return p.mSoundManager->Init();
}
