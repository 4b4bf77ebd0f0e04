// Display mode selection: the handler's life, the desktop checks, SetDisplay with every
// fallback and message, the full-screen switch, the fixed device state, and the low-video-
// memory mode that is remembered in "common:display.xml".
#include "render/TDxDisplayHandler.h"

#include <algorithm>

#include "assets/FileLayer.h"
#include "assets/FileReplace.h"
#include "assets/TAssetManager.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "core/ProgramExit.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "platform/os/Clock.h"
#include "platform/window/Window.h"
#include "render/FloatToInt.h"
#include "render/TDXContext.h"
#include "render/TDxTextureData.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {

const char kMsgOutOfMemory[] =
    "You cannot run this application at your current screen resolution or bit depth (out of "
    "memory). Change your display settings and run again.";
const char kMsgReconfiguring[] =
    "Your video card doesn't have enough memory in the current mode. Changing to another mode. "
    "This setting will be saved so you won't see this box again. This will take less than a "
    "minute. Press OK to continue.";

void Box(const char* title, const char* text) {
  platform::window::ShowMessageBox(title, text, platform::window::MB_OK);
}

}  // namespace

#define DX_CHECK(r) DxCheck((r), TDxDisplayHandler::kLogSource, __LINE__)

TDxDisplayHandler* TDxDisplayHandler::Instance() { return TRenderer::DisplayInstance(); }

TDxDisplayHandler::TDxDisplayHandler(std::unique_ptr<Display> backend)
    : mContext(std::make_unique<TDXContext>(std::move(backend))) {
  if (!HasPqOption()) ReadLowMemorySetting();
}

TDxDisplayHandler::~TDxDisplayHandler() {
  mRenderTarget.reset();
  mCurrentTarget.reset();
  mScreenTarget.reset();
  mDevice = nullptr;
  mContext.reset();
}

void TDxDisplayHandler::EndProcess(int code) { EndPlatformProgram(code); }

bool TDxDisplayHandler::IsActive() const {
  TPlatform* p = TPlatform::Instance();
  if (!p) return false;
  const TPlatformData& d = *p->GetData();
  return d.mActive && d.mAppActive;
}

void TDxDisplayHandler::UpdateDesktopMode() { mContext->ReadDesktop(); }

bool TDxDisplayHandler::IsReady() {
  if (mDxBroken) return false;
  if (mDirectDraw && mDirect3D && mDevice) return true;
  MarkDxBroken();
  return false;
}

void TDxDisplayHandler::MarkDxBroken() {
  mBrokenTime = GetTimer();
  mDxBroken = true;
  SetConfig(kConfigDxBroken, "1");
}

void TDxDisplayHandler::MarkDxBrokenLimited() {
  if (GetTimer() - mBrokenTime > 250) MarkDxBroken();
}

// Exact-size textures when the game asks for them ("texture_rectangle") and the device can
// sample them.
bool TDxDisplayHandler::AllowsAnyTextureSize() const {
  return mTextureRectangle && !mContext->GetBackend()->GetCaps().powerOfTwoTexturesOnly;
}

TDxTextureData* TDxDisplayHandler::CreateTextureData() { return new TDxTextureData(); }

void TDxDisplayHandler::CountTextureMemory(int64_t bytes) {
  mTextureMemory = std::max<int64_t>(0, mTextureMemory + bytes);
  SetConfig(kConfigTextureRamAllocated,
            str::Format("%lld", static_cast<long long>(mTextureMemory)));
  if (mTextureMemory > mMaxTextureMemory) {
    mMaxTextureMemory = mTextureMemory;
    SetConfig(kConfigMaxTextureRamAllocated,
              str::Format("%lld", static_cast<long long>(mMaxTextureMemory)));
  }
}

bool TDxDisplayHandler::RefreshDisplay(bool fullScreen) {
  if (!fullScreen) {
    bool allowed = mContext->GetDesktopColours() == -1 &&
                   mContext->GetDesktopWidth() > mDisplayRect.Width() &&
                   mContext->GetDesktopHeight() > mDisplayRect.Height() &&
                   !mContext->IsLowVideoMemory() && !mLowMemoryVideo;
    if (!allowed) return false;
  }
  SetDisplay(
      {.width = mDisplayRect.Width(), .height = mDisplayRect.Height(), .fullScreen = fullScreen});
  return true;
}

void TDxDisplayHandler::SetDisplay(const TDisplayRequest& request) {
  // A call that changes nothing (same mode, inactive window, suspended) leaves the display as
  // it was: only the rebuild below takes it away from the presentation thread.
  if (request.width <= 0 || request.height <= 0) {
    EngineLog("SetDisplay: no display of %dx%d", request.width, request.height);
    return;
  }
  DisplayMutexLock lock(mContext->GetMutex(), true);
  if (mInSetDisplay) {
    platform::os::Sleep(50);
    return;
  }
  mInSetDisplay = true;
  struct ClearGuard {
    bool& flag;
    ~ClearGuard() { flag = false; }
  } guard{mInSetDisplay};

  TPlatform* platform = TPlatform::Instance();
  if (!platform || !platform->GetData()) return;
  TPlatformData& pd = *platform->GetData();
  TDisplayRequest r = request;
  if (pd.mWindowedOnly) {
    r.fullScreen = false;
    r.quiet = true;
  }
  if (pd.mMinimized && mFullScreen) {
    platform::os::Sleep(100);
    return;
  }
  if (mLowMemoryVideo) {
    if (HasPqOption()) {
      Box("Error", (str(kMsgOutOfMemory) + " Closing other applications might also help.").CStr());
      EndProcess(-1);
      return;
    }
    EngineLog("SetDisplay Forcing Fullscreen (MEMORY)");
    r.fullScreen = true;
  }
  const bool active = IsActive();
  if (!active && !r.force) return;

  platform::host::IHostWindow* parent = nullptr;
  if (!UseHostParent(pd, r, parent)) return;
  if (mFatal) {
    EndProcess(-1);
    return;
  }
  mWorkingCount = 0;

  if (!r.fullScreen && mContext->GetDesktopColours() != -1) {
    if (parent) {
      Box("Error",
          "You cannot run this application when your video mode is 8 bits or less. Change your "
          "display settings and run again.");
      EndProcess(-1);
      return;
    }
    EngineLog("SetDisplay Forcing Fullscreen (PALLETTED)");
    r.fullScreen = true;
  }
  if (r.fullScreen == mFullScreen && r.width == mDisplayRect.Width() &&
      r.height == mDisplayRect.Height() && !r.force)
    return;
  if (!r.fullScreen && !FullScreenWhenNoWindowFits(pd, parent, r)) return;

  if (!CreateDisplayDevice(pd, r, active)) return;
  FinishDisplaySetUp(*platform, pd, r);
}

// In a host's page the main window is the host's child; a host that went away ends the game.
bool TDxDisplayHandler::UseHostParent(TPlatformData& pd, TDisplayRequest& r,
                                      platform::host::IHostWindow*& parent) {
  if (!pd.mHosted || pd.mHostedTest) return true;
  parent = pd.GetHostWindow();
  if (!parent) {
    mContext->SetClipWindow(nullptr);
    return true;
  }
  if (!parent->IsWindow()) {
    EngineLog("Error: mExternalWindowParent is lost, exiting!");
    EndProcess(-1);
    return false;
  }
  // The main window was made a child of the host's window at creation and stays one.
  if (!r.fullScreen) r.childOfHost = true;
  mContext->SetClipWindow(pd.GetWindow());
  return true;
}

// A window the screen cannot hold (too small a desktop, too little video memory) turns the
// request into full screen; inside a host, whose page cannot switch, the game ends instead.
bool TDxDisplayHandler::FullScreenWhenNoWindowFits(const TPlatformData& pd,
                                                   platform::host::IHostWindow* parent,
                                                   TDisplayRequest& r) {
  bool sizeFailed = false;
  if (!HasPqOption()) {
    float scale = pd.mViewportScaleX;
    int w = TruncToInt(static_cast<float>(r.width) * scale);
    int h = TruncToInt(static_cast<float>(r.height) * scale);
    if (mContext->ExceedsScreenSize(w, h)) {
      sizeFailed = true;
      if (parent) {
        Box("Error",
            "You cannot run this application at your current screen resolution. Change your "
            "display settings and run again.");
        EndProcess(-1);
        return false;
      }
      EngineLog("SetDisplay Forcing Fullscreen (SMALL)");
      r.fullScreen = true;
    }
  }
  if (!sizeFailed && mContext->IsLowVideoMemory()) {
    if (parent) {
      Box("Error", kMsgOutOfMemory);
      EndProcess(-1);
      return false;
    }
    EngineLog("SetDisplay Forcing Fullscreen (MEMORY)");
    r.fullScreen = true;
  }
  return true;
}

// Drops the old display (and every texture on it) and makes the new one, without the
// antialiasing hint when the device refuses it; a failure takes CreationFailed's fallback.
bool TDxDisplayHandler::CreateDisplayDevice(TPlatformData& pd, const TDisplayRequest& r,
                                            bool active) {
  mDisplayReady = false;
  if (TAssetManager* am = TAssetManager::Instance()) am->ReleaseAll();
  pd.mDisplayResetRequest = true;

  mFullScreen = r.fullScreen;
  mViewport = mDisplayRect = mClipRect = mSavedRect = TRect(0, 0, r.width, r.height);
  mModeWidth = r.width;
  mModeHeight = r.height;
  mModeFullScreen = r.fullScreen;
  mDirectDraw = nullptr;
  mDirect3D = false;
  mDevice = nullptr;
  mCurrentTarget.reset();
  mScreenTarget.reset();
  mDxBroken = false;
  SetConfig(kConfigDxBroken, "0");
  mContext->Release();

  if (mLowMemorySwitchPending) {
    Box("Reconfiguring", kMsgReconfiguring);
    mLowMemorySwitchPending = false;
  }

  int bits = mLowMemoryVideo ? 16 : 32;
  uint32_t flags = kDisplayCreate;
  if (r.childOfHost) flags |= kDisplayKeepWindowSize;
  if (mHintAntialias) flags |= kDisplayAntialias;
  bool created = mContext->Create(pd.GetWindow(), r.fullScreen, r.width, r.height, bits, flags);
  while (!created && (flags & kDisplayAntialias)) {
    mAntialias = mHintAntialias = false;
    flags &= ~static_cast<uint32_t>(kDisplayAntialias);
    created = mContext->Create(pd.GetWindow(), r.fullScreen, r.width, r.height, bits, flags);
  }
  if (!created) {
    CreationFailed(r, active);
    return false;
  }
  return true;
}

// The new display's device state, default cursor and restored textures.
void TDxDisplayHandler::FinishDisplaySetUp(TPlatform& platform, TPlatformData& pd,
                                           const TDisplayRequest& r) {
  mInFallback = false;
  if (!r.childOfHost) {
    if (platform::window::IWindow* w = pd.GetWindow()) {
      w->Show();
      if (r.fullScreen) w->SetForeground();
    }
  }

  mDirectDraw = mContext->GetDirectDraw();
  mDirect3D = true;
  mDevice = mContext->GetDevice();
  const AdapterCaps& caps = mDirectDraw->GetCaps();
  mSeparateTextureMemories = caps.separateTextureMemories;
  mNoSpecularGouraud = !caps.specularGouraud;
  mSquareTexturesOnly = caps.squareTexturesOnly || caps.maxTextureAspectRatio < 64;
  mCurrentTarget = mDevice->GetRenderTarget();
  mScreenTarget = mCurrentTarget;

  ApplyFixedDeviceState();

  IRenderHost* host = pd.mRenderHost;
  TAssetManager* am = TAssetManager::Instance();
  if (am && am->GetAssetCount() > 0 && !(host && host->AreFramesSuspended())) mContext->Present();

  if (IsReady()) {
    TMat4 identity;
    SetWorldTransform(identity);
    SetViewTransform(identity);
    SetPerspective(0.1f, 1000.0f, 0.7853982f, 0.0f);
    SetAmbientColour(TColor(1, 1, 1, 1));
    const float material[17] = {1, 1, 1, 1, 0.5f, 0.5f, 0.5f, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1.0f};
    SetMaterial(material);
    if (!mContext->GetCursorTexture() && !mDefaultCursorSet) {
      mDefaultCursorSet = true;
      platform.SetCursor(boost::shared_ptr<TTexture>(), 2, 2, false);
    }
    RestoreAssets();
    if (host) host->Invalidate();
    if (r.fullScreen) mWasFullScreen = true;
    SetConfig(kConfigMonitorFrequency, str::Format("%d", mDirectDraw->GetMonitorFrequency()));
    mDisplayBitDepth = mDirectDraw->GetDisplayMode().bitsPerPixel;
    mDisplayReady = true;
  }
}

void TDxDisplayHandler::ApplyFixedDeviceState() {
  RenderStates& rs = mDevice->States();
  rs.ambient = 0xFFFFFFFFu;
  rs.zEnable = mZEnable = true;
  rs.zWrite = mZWrite = true;
  rs.colourVertex = true;
  rs.lighting = true;
  rs.srcBlend = BlendFactor::SrcAlpha;
  rs.dstBlend = BlendFactor::InvSrcAlpha;
  rs.alphaBlend = true;
  TextureStage& st = mDevice->Stage();
  st.magFilter = st.minFilter = st.mipFilter = TextureFilter::Linear;
  st.colourArg1 = kArgTexture;
  st.colourArg2 = kArgCurrent;
  st.colourOp = TextureOp::Modulate;
  st.alphaArg1 = kArgTexture;
  st.alphaArg2 = kArgCurrent;
  st.alphaOp = TextureOp::Modulate;
  rs.alphaTest = true;
  rs.alphaRef = 1;
  rs.alphaFunc = CompareFunc::GreaterEqual;
  rs.shadeMode = ShadeMode::Gouraud;
  mBlendMode = -1;
}

void TDxDisplayHandler::CreationFailed(const TDisplayRequest& r, bool active) {
  const int width = r.width, height = r.height;
  const bool fullScreen = r.fullScreen, quiet = r.quiet;
  TPlatform* platform = TPlatform::Instance();
  TPlatformData& pd = *platform->GetData();
  platform::window::IWindow* window = pd.GetWindow();
  bool foreground = window && window->IsForeground();
  if (mContext->IsFewColours()) {
    if (!quiet)
      Box("Error",
          "DirectX requires that you have your screen set to 256 color mode or higher for any "
          "DirectX application to run. Please go to your control panel and select 256 color "
          "mode or install new video drivers to run this game. Exiting.");
    mFatal = true;
    EndProcess(-1);
    return;
  }
  if (pd.mHosted && !pd.mHostedTest && pd.GetHostWindow()) {
    MarkDxBroken();
    return;
  }
  if (mWasFullScreen && fullScreen) {
    MarkDxBroken();
    platform::os::Sleep(150);
    return;
  }
  if (!mInFallback && (!active || !foreground)) {
    // The second word reads "BACKGROUND" for the foreground window, as the log always has.
    EngineLog("SetDisplay marking DirectX Broken: %s, %s", active ? "ACTIVE" : "INACTIVE",
              foreground ? "BACKGROUND" : "FOREGROUND");
    MarkDxBroken();
    return;
  }
  if (!fullScreen) {
    const char* reason = nullptr;
    if (mContext->GetDesktopColours() != -1)
      reason = "Cannot run in 256 color mode or lower in a window. Switching to full screen.";
    else if (mContext->ExceedsScreenSize(width, height))
      reason =
          "Cannot run in a window when your desktop is set to 800x600 or lower resolution. "
          "Switching to full screen.";
    else if (mContext->IsLowVideoMemory())
      reason = "Cannot run in a window: Insufficient video memory. Switching to full screen.";
    if (reason) {
      if (!quiet) Box("Error", reason);
      mInFallback = true;
      mInSetDisplay = false;
      SetDisplay({.width = width, .height = height, .fullScreen = true, .force = true});
      return;
    }
  }
  if (mInFallback) {
    EngineLog("ERROR FALLBACK FAILED");
    Box("Error",
        "Failed to initialize window. Please try running the game again. If that doesn't help, "
        "try changing the screen resolution and color depth. If that fails, then your video "
        "card does not support this game.");
    platform->PostQuit(0);
    mFatal = true;
    return;
  }
  mInFallback = true;
  mInSetDisplay = false;
  if (fullScreen) {
    SetDisplay({.width = width, .height = height, .force = true});
    if (!quiet)
      Box("Error",
          "Failed to initialize full screen mode. Your video card is not supported. Trying to "
          "run in a window.");
  } else {
    if (!quiet) Box("Error", "Failed to initialize windowed mode. Trying full screen.");
    SetDisplay({.width = width, .height = height, .fullScreen = true});
  }
}

void TDxDisplayHandler::ReadLowMemorySetting() {
  TXmlNode root;
  root.LoadFile("common:display.xml");
  TXmlNode* settings = root.FindChild("Settings");
  if (!settings) return;
  str value;
  settings->GetAttribute(value, "LowMemoryVideo");
  mLowMemoryVideo = value.ToInt() != 0;
  EngineLog("Low memory video card setting enabled!");
}

void TDxDisplayHandler::OutOfVideoMemory() {
  if (mLowMemoryVideo || !mDirect3D) return;
  EngineLog("OutOfVideoMemory triggered!");
  mLowMemoryVideo = true;
  MarkDxBroken();
  mLowMemorySwitchPending = true;
  TXmlNode settings("Settings");
  settings.SetAttribute("LowMemoryVideo", "1");
  str text = settings.ToString();
  // Replaced whole: a crash or power loss here must not leave an empty settings file.
  if (!ReplaceFileWhole("common:display.xml", text.CStr(), text.Length(), false))
    EngineLog("Could not save the low memory video setting");
}
