// Screen creation: the full-screen flip chain tried device by device and depth by depth, the
// windowed pair of front and back buffer, and presenting the back buffer.
#include "render/CDisplay.h"

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "platform/window/Window.h"
#include "render/TDxDisplayHandler.h"

using namespace platform::display;

Result DxCheck(Result result, const char* source, int line) {
  if (result != kOk) {
    if (result == kOutOfVideoMemory && TPlatform::Instance())
      if (TDxDisplayHandler* d = TDxDisplayHandler::Instance()) d->OutOfVideoMemory();
    EngineLog("DX Error: %s (0x%x), File %s, Line %d", "", static_cast<unsigned>(result), source,
              line);
  }
  return result;
}

namespace {
const char kDdutilSource[] = ".\\ddutil";
constexpr uint64_t kLowVideoMemory = 16777216;
}  // namespace

Result CDisplay::Destroy() {
  mBack.reset();
  mFront.reset();
  if (mCreated && mDisplay) mDisplay->SetCooperativeLevel(CooperativeLevel::Normal);
  mCreated = false;
  return kOk;
}

Result CDisplay::CreateFullScreen(platform::window::IWindow* window, int width, int height,
                                  int bits, uint32_t selector) {
  // One display device exists here; each retry moves to the next device index, and an index
  // past the default device finds no further device.
  for (uint32_t index = selector >> 16;; ++index) {
    Destroy();
    if (index > 0) {
      EngineLog("Failed to create a DirectDraw device after trying all GUIDs");
      if (!mCreatedOnce)
        platform::window::ShowMessageBox(
            "Error",
            "Sorry, but this product isn't compatible with your display. Try using a different "
            "display, if you have the option.",
            platform::window::MB_OK);
      return kFail;
    }
    if (!mDisplay) {
      DxCheck(kFail, kDdutilSource, __LINE__);
      continue;
    }
    Result r = mDisplay->SetCooperativeLevel(CooperativeLevel::ExclusiveFullScreen);
    if (r != kOk) {
      DxCheck(r, kDdutilSource, __LINE__);
      continue;
    }
    mCreated = true;
    if (mDisplay->FreeVideoMemory() < kLowVideoMemory && bits > 16) bits = 16;

    int chosen = 0;
    for (const DisplayMode& m : mDisplay->EnumerateModes()) {
      if (m.bitsPerPixel < 15 || m.width != width || m.height != height) continue;
      if (chosen == 0) {
        chosen = m.bitsPerPixel;
        if (chosen == bits) break;
      } else if (m.bitsPerPixel == bits) {
        chosen = bits;
        break;
      } else if (m.bitsPerPixel == 16) {
        chosen = 16;
      }
    }
    if (chosen == 0) chosen = bits;
    r = mDisplay->SetDisplayMode(width, height, chosen);
    if (r != kOk) {
      EngineLog("Failed to create screen at %d bpp.", chosen);
      DxCheck(r, kDdutilSource, __LINE__);
      continue;
    }
    EngineLog("Created screen at %d bpp.", chosen);

    SurfaceDesc desc;
    desc.caps = kCapsPrimary | kCapsFlip | kCapsRenderTarget;
    desc.backBufferCount = 1;
    r = mDisplay->CreateSurface(desc, mFront);
    if (r != kOk) {
      EngineLog("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL");
      r = mDisplay->CreateSurface(desc, mFront);
    }
    if (r != kOk || !mFront->BackBuffer()) {
      DxCheck(r != kOk ? r : kFail, kDdutilSource, __LINE__);
      continue;
    }
    mBack = mFront->BackBuffer();
    mWindow = window;
    mWindowed = false;
    RefreshWindowRect();
    mBack->Fill(nullptr, 0);
    mFront->Fill(nullptr, 0);
    mCreatedOnce = true;
    return kOk;
  }
}

Result CDisplay::CreateWindowed(platform::window::IWindow* window,
                                platform::window::IWindow* clipWindow, int width, int height,
                                bool videoMemory, uint32_t flags) {
  Destroy();
  if (!mDisplay) return kFail;
  if (mDisplay->SetCooperativeLevel(CooperativeLevel::Normal) != kOk) return kFail;
  mCreated = true;
  if (!(flags & kDisplayKeepWindowSize) && window) window->SetClientSize(width, height);

  SurfaceDesc front;
  front.caps = kCapsPrimary;
  front.width = width;
  front.height = height;
  Result r = mDisplay->CreateSurface(front, mFront);
  if (r != kOk) return DxCheck(r, kDdutilSource, __LINE__);
  SurfaceDesc back;
  back.width = width;
  back.height = height;
  back.caps =
      kCapsOffscreenPlain | kCapsRenderTarget | (videoMemory ? uint32_t(kCapsVideoMemory) : 0u);
  r = mDisplay->CreateSurface(back, mBack);
  if (r != kOk) {
    mFront.reset();
    return DxCheck(r, kDdutilSource, __LINE__);
  }
  (void)clipWindow;  // the front buffer is the window's client area; nothing to clip against
  mWindow = window;
  mWindowed = true;
  RefreshWindowRect();
  mBack->Fill(nullptr, 0);
  mCreatedOnce = true;
  return kOk;
}

Result CDisplay::CreateSurface(std::unique_ptr<CScreenSurface>& out, int width, int height,
                               const PixelFormat* format, const uint32_t* caps) {
  out.reset();
  if (!mCreated || !mDisplay) return kNullPointer;
  auto s = std::make_unique<CScreenSurface>();
  s->desc.width = width;
  s->desc.height = height;
  if (format) s->desc.format = *format;
  s->desc.caps = caps ? *caps : kCapsOffscreenPlain;
  Result r = mDisplay->CreateSurface(s->desc, s->surface);
  if (r != kOk) return r;
  s->desc = s->surface->Desc();
  out = std::move(s);
  return kOk;
}

Result CDisplay::Present() {
  if (!mFront || !mBack) return kNullPointer;
  for (;;) {
    Result r = mWindowed ? mFront->Blit(nullptr, *mBack, nullptr) : mFront->Flip();
    if (r == kSurfaceLost) {
      mFront->Restore();
      mBack->Restore();
      return kSurfaceLost;
    }
    if (r != kWasStillDrawing) return r;
  }
}

void CDisplay::RefreshWindowRect() {
  if (!mWindowed) {
    DisplayMode m = mDisplay ? mDisplay->GetDisplayMode() : DisplayMode();
    mWindowRect = TRect(0, 0, m.width, m.height);
    return;
  }
  int w = 0, h = 0;
  if (mWindow) mWindow->GetClientSize(w, h);
  // The window's client area is its own coordinate space on this platform.
  mWindowRect = TRect(0, 0, w, h);
}

TPoint CDisplay::GetWindowOrigin() {
  RefreshWindowRect();
  return TPoint(mWindowRect.left, mWindowRect.top);
}

void CDisplay::RestoreDisplayMode() {
  if (mDisplay) mDisplay->RestoreDisplayMode();
}
