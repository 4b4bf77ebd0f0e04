// The software cursor of the device context: the image prepared as runs of pixels, drawn on
// the front or back buffer over saved background pixels, moved and erased between frames.
#include <algorithm>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "platform/display/PixelFormat.h"
#include "render/FloatToInt.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TTexture.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {

void KickPresentationThread() {
  if (TPlatform* p = TPlatform::Instance()) p->GetData()->KickPresentationThread();
}

bool FramesSuspended() {
  IRenderHost* host = CurrentRenderHost();
  return host && host->AreFramesSuspended();
}
}  // namespace

bool TDXContext::MakeRuns(TTexture* texture, std::vector<Run>& runs, bool second) {
  runs.clear();
  if (!texture) return true;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  if (!texture->Lock(pixels, pitch)) {
    mRestoreNeeded = true;
    mSurfacesNeeded = true;
    return false;
  }
  int w = texture->GetWidth(), h = texture->GetHeight();
  for (int y = 0; y < h; ++y) {
    Run* run = nullptr;
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixels[size_t(y) * size_t(pitch) + size_t(x)];
      uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      // The main image is keyed on magenta and drawn opaque; a pixel its alpha leaves wholly
      // transparent is not part of it either, or the see-through rest of an image with alpha
      // would cover the frame with its colour (black, most often).
      bool inside = a != 0 && (second || !(r >= 248 && g == 0 && b >= 248));
      if (!inside) {
        run = nullptr;
        continue;
      }
      if (!run) {
        runs.push_back(Run{uint16_t(x), uint16_t(y), {}});
        run = &runs.back();
      }
      if (!second) a = 255;
      // Premultiplied colour and the weight the background keeps.
      run->entries.push_back(
          Entry{uint16_t(a * r), uint16_t(a * g), uint16_t(a * b), uint16_t(255 - a)});
    }
  }
  texture->Unlock();
  return true;
}

void TDXContext::DestroySaveUnder() {
  mSaveUnder[0].reset();
  mSaveUnder[1].reset();
  mWork.reset();
}

bool TDXContext::MakeSaveUnder() {
  DestroySaveUnder();
  mSurfacesUnavailable = false;
  if (mCursorWidth <= 0 || mCursorHeight <= 0 || !mScreen.GetDirectDraw()) return true;
  PixelFormat format = mBackend->ModeFormat();
  uint32_t caps = kCapsOffscreenPlain;
  std::unique_ptr<CScreenSurface>* all[3] = {&mSaveUnder[0], &mSaveUnder[1], &mWork};
  for (auto* s : all) {
    Result r = mScreen.CreateSurface(*s, mCursorWidth, mCursorHeight, &format, &caps);
    if (r == kOutOfVideoMemory)
      r = mScreen.CreateSurface(*s, mCursorWidth, mCursorHeight, &format, &caps);
    if (r == kOutOfVideoMemory) {
      DestroySaveUnder();
      mSurfacesUnavailable = true;
      return true;
    }
    if (r != kOk) {
      DxCheck(r, ".\\directx", __LINE__);
      DestroySaveUnder();
      mSurfacesNeeded = true;
      return false;
    }
  }
  return true;
}

bool TDXContext::SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY,
                               bool second) {
  if (!mDevice) return false;
  DisplayMutexLock lock(mMutex, true);
  EraseCursor();
  // A cursor of the window system built from the image is not available on this platform.
  if (second && GetConfig(kConfigActiveX) == "1") return false;
  if (second) {
    mSecondImage = texture;
    MakeRuns(texture.get(), mSecondRuns, true);
    mSecondActive = texture != nullptr;
  } else {
    mMainImage = texture;
    MakeRuns(texture.get(), mMainRuns, false);
  }
  mHotX = -hotX;
  mHotY = -hotY;
  mCursorWidth = mCursorHeight = 0;
  if (texture) texture->GetFullSize(mCursorWidth, mCursorHeight);
  if (!mListener) {
    if (TPlatform* p = TPlatform::Instance()) {
      mListener = new MouseTextureListener(this);
      p->AddIdleTask(mListener);
    }
  }
  if (!MakeSaveUnder()) {
    mRestoreNeeded = true;
    mSurfacesNeeded = true;
    return false;
  }
  mScreen.RefreshWindowRect();
  if (mCursorVisible) {
    ResetMouseState();
    int x, y;
    GetMousePosition(x, y);
    DrawCursor(x, y, false);
  }
  return true;
}

void TDXContext::RestoreMouseImage() {
  if (mRestoring.exchange(true)) {
    EngineLog("Second concurrent call to RestoreMouseImage");
    return;
  }
  // The cursor flags are shared with the presentation thread's redraw.
  DisplayMutexLock lock(mMutex, true);
  if (FramesSuspended()) {
    mCursorDrawn = false;
  } else {
    if (mMainImage) {
      if (SetMouseImage(mMainImage, -mHotX, -mHotY, false)) mRestoreNeeded = false;
    } else {
      mRestoreNeeded = false;
    }
    if (mSecondImage) {
      boost::shared_ptr<TTexture> second = mSecondImage;
      SetMouseImage(second, -mHotX, -mHotY, true);
    }
  }
  mRestoring = false;
}

void TDXContext::SetCursorVisible(bool visible) {
  DisplayMutexLock lock(mMutex, true);
  ApplyCursor(visible);
  if (visible == mCursorVisible) return;
  mCursorVisible = visible;
  if (visible)
    DrawCursor(-1, -1, false);
  else
    EraseCursor();
}

bool TDXContext::ApplyCursor(bool flag) {
  // No window-system cursor is ever built from an image here: while the engine draws one the
  // window shows none of its own, otherwise the window's own cursor follows the flag.
  TPlatform* p = TPlatform::Instance();
  platform::window::IWindow* w = p ? p->GetData()->GetWindow() : nullptr;
  if (w) w->SetCursorVisible(mMainImage ? false : flag);
  return true;
}

void TDXContext::ResetMouseState() {
  DisplayMutexLock lock(mMutex, true);  // the presentation thread reads the mouse too
  mPositionKnown = false;
  mPrevMouse = mMouse;
}

void TDXContext::GetMousePosition(int& x, int& y) {
  DisplayMutexLock lock(mMutex, true);
  x = y = 0;
  TPlatform* p = TPlatform::Instance();
  platform::window::IWindow* w = p ? p->GetData()->GetWindow() : nullptr;
  if (w) w->GetMousePosition(x, y);
  float scale = 1.0f;
  if (p && p->GetData()->GetViewportScale(scale) && scale > 0.0f) {
    x = TruncToInt(static_cast<float>(x) / scale);
    y = TruncToInt(static_cast<float>(y) / scale);
  } else if (mBackend) {
    // Full screen stretches the frame over a desktop of another size: the pointer is taken
    // back to the frame's own pixels, where the windows are.
    int frameWidth = 0, frameHeight = 0, clientWidth = 0, clientHeight = 0;
    bool fullScreen = false;
    if (TDxDisplayHandler* d = TDxDisplayHandler::Instance())
      d->GetModeSize(frameWidth, frameHeight, fullScreen);
    mBackend->GetShownSize(clientWidth, clientHeight);
    if (fullScreen && frameWidth > 0 && frameHeight > 0 && clientWidth > 0 && clientHeight > 0 &&
        (clientWidth != frameWidth || clientHeight != frameHeight)) {
      x = static_cast<int>(int64_t(x) * frameWidth / clientWidth);
      y = static_cast<int>(int64_t(y) * frameHeight / clientHeight);
    }
  }
  mPrevMouse = mMouse;
  mMouse = TPoint(x, y);
  mPositionKnown = true;
}

void TDXContext::OnWindowMoved() { mScreen.RefreshWindowRect(); }

TPoint TDXContext::DrawCursor(int x, int y, bool force) {
  TPoint none(-1, -1);
  bool given = !(x == -1 && y == -1);
  // Everything below is shared with the presentation thread, so it is read under the mutex.
  DisplayMutexLock lock(mMutex, force || given);
  if (!lock.Obtained()) {
    KickPresentationThread();
    return none;
  }
  if (mSurfacesUnavailable || !mCursorVisible || !mDevice) return none;
  if (!mSaveUnder[0] || !mSaveUnder[1] || !mWork) return none;
  if (!given) GetMousePosition(x, y);
  if (!force && mCursorDrawn) {
    // A cursor already shown where the mouse is stays as it is: nothing to draw or present.
    if (mDrawn == TPoint(x, y) && mCursorOnFront) return none;
    if (GetTimer() - mLastDrawTime < 16) {
      // Put off, not dropped: the presentation thread draws it once the 16 ms are up.
      KickPresentationThread();
      return none;
    }
  }
  TPoint at = DrawCursorLocked(x, y, force);
  if (!force) WakeMainThreadForWork();
  return at;
}

void TDXContext::RestoreUnder(Surface& target) {
  if (!mCursorDrawn) return;
  Rect old{mDrawn.x + mHotX, mDrawn.y + mHotY, mDrawn.x + mHotX + mCursorWidth,
           mDrawn.y + mHotY + mCursorHeight};
  Result r = target.Blit(&old, *mSaveUnder[mSaveIndex]->surface, nullptr);
  if (r != kOk) mRedrawWanted = true;
  mCursorDrawn = false;
}

TPoint TDXContext::DrawCursorLocked(int x, int y, bool toBackBuffer) {
  TPoint none(-1, -1);
  Rect rect{x + mHotX, y + mHotY, x + mHotX + mCursorWidth, y + mHotY + mCursorHeight};
  if (rect.left < 0 || rect.top < 0 || rect.right > mDesktopWidth || rect.bottom > mDesktopHeight) {
    // Only a cursor left standing on the screen needs a frame to wipe it: asking for one each
    // time would redraw for ever while the mouse rests there, as a new frame has no cursor.
    if (mCursorDrawn) mRedrawWanted = true;
    return none;
  }
  std::shared_ptr<Surface> target =
      toBackBuffer ? mScreen.GetBackBuffer() : mScreen.GetFrontBuffer();
  if (!target) return none;
  // Cursors that reach past the screen are left out rather than cut.
  if (rect.right > target->Width() || rect.bottom > target->Height()) return none;
  if (!toBackBuffer && !mScreen.IsWindowed() && target->GetFlipStatus() == kWasStillDrawing)
    return none;
  // A cursor drawn on the other buffer is not under this one.
  if (mCursorDrawn && mCursorOnFront == toBackBuffer) mCursorDrawn = false;

  Surface& freeSave = *mSaveUnder[1 - mSaveIndex]->surface;
  Surface& current = *mSaveUnder[mSaveIndex]->surface;
  if (freeSave.Blit(nullptr, *target, &rect) == kSurfaceLost) {
    mRestoreNeeded = true;
    mCursorDrawn = false;
    return none;
  }
  Rect old{mDrawn.x + mHotX, mDrawn.y + mHotY, mDrawn.x + mHotX + mCursorWidth,
           mDrawn.y + mHotY + mCursorHeight};
  if (mCursorDrawn) {
    Rect overlap{std::max(old.left, rect.left), std::max(old.top, rect.top),
                 std::min(old.right, rect.right), std::min(old.bottom, rect.bottom)};
    if (!overlap.Empty()) {
      Rect from{overlap.left - old.left, overlap.top - old.top, overlap.right - old.left,
                overlap.bottom - old.top};
      Rect to{overlap.left - rect.left, overlap.top - rect.top, overlap.right - rect.left,
              overlap.bottom - rect.top};
      freeSave.Blit(&to, current, &from);
    }
  }
  Surface& work = *mWork->surface;
  work.Blit(nullptr, freeSave, nullptr);
  BlendRuns(work, mSecondActive ? mSecondRuns : mMainRuns);
  if (mCursorDrawn && target->Blit(&old, current, nullptr) != kOk) {
    mRedrawWanted = true;
    return none;
  }
  target->Blit(&rect, work, nullptr);
  mSaveIndex = 1 - mSaveIndex;
  mDrawn = TPoint(x, y);
  mLastDrawTime = GetTimer();
  mCursorDrawn = true;
  mCursorOnFront = !toBackBuffer;
  return mDrawn;
}

void TDXContext::BlendRuns(Surface& work, const std::vector<Run>& runs) {
  LockedRect locked;
  if (work.Lock(nullptr, locked) != kOk) return;
  PixelFormat format = work.Format();
  int32_t bpp = BytesPerPixel(format);
  for (const Run& run : runs) {
    if (run.y >= work.Height()) continue;
    for (size_t i = 0; i < run.entries.size(); ++i) {
      int32_t x = run.x + int32_t(i);
      if (x >= work.Width()) break;
      uint8_t* p = locked.bits + size_t(run.y) * size_t(locked.pitch) + size_t(x) * size_t(bpp);
      uint32_t bg = ToArgb(format, p);
      const Entry& e = run.entries[i];
      // Divided by 255 with rounding, not shifted by 8, so that opaque cursor pixels keep
      // their exact colour.
      auto mix = [&](uint32_t channel, uint32_t add) {
        return (channel * e.weight + add + 127) / 255;
      };
      uint32_t r = mix((bg >> 16) & 0xFF, e.r), g = mix((bg >> 8) & 0xFF, e.g),
               b = mix(bg & 0xFF, e.b);
      FromArgb(format, 0xFF000000u | r << 16 | g << 8 | b, p);
    }
  }
  work.Unlock();
}

void TDXContext::EraseCursor() {
  DisplayMutexLock lock(mMutex, true);
  if (!mCursorDrawn || !mSaveUnder[mSaveIndex]) {
    mCursorDrawn = false;
    return;
  }
  std::shared_ptr<Surface> target =
      mCursorOnFront ? mScreen.GetFrontBuffer() : mScreen.GetBackBuffer();
  if (target) RestoreUnder(*target);
  mCursorDrawn = false;
}
