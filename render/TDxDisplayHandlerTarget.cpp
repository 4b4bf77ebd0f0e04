// Drawing into textures: the scene goes to the corner of the back buffer and is copied into
// the texture when the target ends; the device's own target switch; and the self-test that
// calibrates the 2-D pixel offset by drawing into a texture.
#include <algorithm>
#include <atomic>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "platform/display/PixelFormat.h"
#include "platform/os/Clock.h"
#include "render/CDisplay.h"
#include "render/FloatToInt.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TDxTextureData.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {

TDxTextureData* DataOf(const boost::shared_ptr<TTexture>& texture) {
  return texture ? dynamic_cast<TDxTextureData*>(texture->GetData()) : nullptr;
}

// The presentation thread reads the scale while a target is open, so it changes atomically.
bool SwapViewportScale(float value, float* previous) {
  TPlatform* p = TPlatform::Instance();
  if (!p) return false;
  std::atomic_ref<float> scale(p->GetData()->mViewportScaleX);
  float old = scale.exchange(value, std::memory_order_relaxed);
  if (previous) *previous = old;
  return true;
}

}  // namespace

bool TDxDisplayHandler::BeginRenderTarget(boost::shared_ptr<TTexture> texture, int mode) {
  if (!mDevice || mDxBroken || !texture) return false;
  TDxTextureData* data = DataOf(texture);
  if (!data || !data->GetSurface()) {
    MarkDxBroken();
    return false;
  }
  mRenderTargetMode = mode;
  mRenderTarget = texture;
  if (const std::shared_ptr<Surface>& front = mContext->GetFrontBuffer())
    while (front->GetFlipStatus() == kWasStillDrawing) platform::os::Sleep(1);
  SwapViewportScale(1.0f, &mSavedViewportScale);
  TRect area(0, 0, texture->GetWidth(), texture->GetHeight());
  PushViewport(area);
  mSavedRect = mViewport;
  if (IRenderHost* host = CurrentRenderHost()) host->Invalidate();

  const std::shared_ptr<Surface>& back = mContext->GetBackBuffer();
  if ((mode == 2 || mode == 3) && back) {
    Rect r{0, 0, std::min(area.right, mDisplayRect.Width()),
           std::min(area.bottom, mDisplayRect.Height())};
    DxCheck(back->Blit(&r, *data->GetSurface(), &r), TDxDisplayHandler::kLogSource, __LINE__);
  } else if (mode == 4) {
    FillRect(area, TColor(0, 0, 0, 0), boost::shared_ptr<TTexture>());
  }
  if (!BeginDraw(false)) {
    mRenderTarget.reset();
    PopViewport();
    mSavedRect = mDisplayRect;
    SwapViewportScale(mSavedViewportScale, nullptr);
    return false;
  }
  return true;
}

void TDxDisplayHandler::EndRenderTarget() {
  SwapViewportScale(mSavedViewportScale, nullptr);
  if (!mRenderTarget) return;
  EndDraw(false);
  PopViewport();
  Rect area{0, 0, std::min(mSavedRect.right, mDisplayRect.Width()),
            std::min(mSavedRect.bottom, mDisplayRect.Height())};
  mSavedRect = mDisplayRect;
  boost::shared_ptr<TTexture> texture = mRenderTarget;
  TDxTextureData* data = DataOf(texture);
  const std::shared_ptr<Surface>& back = mContext->GetBackBuffer();
  area.right = std::min(area.right, data && data->GetSurface() ? data->GetSurface()->Width() : 0);
  area.bottom =
      std::min(area.bottom, data && data->GetSurface() ? data->GetSurface()->Height() : 0);

  if (!back || area.Empty()) {
    mRenderTarget.reset();
    return;
  }
  if (mRenderTargetMode == 4) {
    uint32_t* pixels = nullptr;
    int32_t pitch = 0;
    LockedRect locked;
    if (texture->HasAlpha() && texture->Lock(pixels, pitch)) {
      if (back->Lock(nullptr, locked) == kOk) {
        int32_t bpp = BytesPerPixel(back->Format());
        for (int32_t y = 0; y < area.bottom; ++y)
          for (int32_t x = 0; x < area.right; ++x) {
            uint32_t drawn = ToArgb(back->Format(), locked.bits + size_t(y) * size_t(locked.pitch) +
                                                        size_t(x) * size_t(bpp));
            uint32_t& p = pixels[size_t(y) * size_t(pitch) + size_t(x)];
            // The drawn grey level: any colour channel carries it; red is taken.
            p = (p & 0x00FFFFFFu) | (drawn & 0x00FF0000u) << 8;
          }
        back->Unlock();
      }
      texture->Unlock();
    }
  } else if (mRenderTargetMode >= 0 && mRenderTargetMode <= 3) {
    if (!data || !data->GetSurface()) {
      MarkDxBroken();
      mRenderTarget.reset();
      return;
    }
    Result r = data->GetSurface()->Blit(&area, *back, &area);
    if (r != kOk) {
      DxCheck(r, TDxDisplayHandler::kLogSource, __LINE__);
      // Channel by channel through the locked pixels.
      uint32_t* pixels = nullptr;
      int32_t pitch = 0;
      LockedRect locked;
      if (back->Lock(nullptr, locked) == kOk) {
        if (texture->Lock(pixels, pitch)) {
          for (int32_t y = 0; y < area.bottom; ++y)
            RowToArgb(back->Format(), locked.bits + size_t(y) * size_t(locked.pitch),
                      pixels + size_t(y) * size_t(pitch), area.right);
          texture->Unlock();
        }
        back->Unlock();
      }
    }
    if (mRenderTargetMode != 1 && texture->HasAlpha()) {
      uint32_t* pixels = nullptr;
      int32_t pitch = 0;
      if (texture->Lock(pixels, pitch)) {
        const TTextureData* d = texture->GetData();
        for (uint32_t y = 0; y < d->mSurfaceHeight; ++y)
          for (uint32_t x = 0; x < d->mSurfaceWidth; ++x)
            pixels[size_t(y) * size_t(pitch) + x] |= 0xFF000000u;
        texture->Unlock();
      }
    }
  }
  mRenderTarget.reset();
}

bool TDxDisplayHandler::SwitchRenderTarget(const std::shared_ptr<Surface>& current,
                                           const std::shared_ptr<Surface>& next) {
  if (next == current) return true;
  if (!mDevice || !next) return true;
  TRect kept = mDisplayRect;
  Result r = mDevice->SetRenderTarget(next);
  if (r == kOk) {
    // The device draws into the new surface from here on, whatever the viewport does, so
    // copies and the next switch must see it as the current target.
    mCurrentTarget = next;
    float scale = 1.0f;
    if (TPlatform* p = TPlatform::Instance()) scale = p->GetData()->mViewportScaleX;
    if (!(scale > 0.0f)) scale = 1.0f;
    mDisplayRect = TRect(0, 0, TruncToInt(static_cast<float>(next->Width()) / scale + 0.5f),
                         TruncToInt(static_cast<float>(next->Height()) / scale + 0.5f));
    mViewport = mDisplayRect;
    if (ApplyViewport()) return true;
    mDisplayRect = kept;
    DxCheck(kInvalidArgument, TDxDisplayHandler::kLogSource, __LINE__);
    EngineLog("Bad viewport in switching render target!");
    mViewport = mDisplayRect;
    if (ApplyViewport()) return true;
    r = kInvalidArgument;  // the viewport's refusal, not the target's
  }
  mDisplayRect = kept;
  DxCheck(r, TDxDisplayHandler::kLogSource, __LINE__);
  if (r == kCurrentlyNotAvailable) {
    int bits = BytesPerPixel(next->Format()) * 8;
    if (bits == 16) {
      EngineLog("Failed to SetRenderTarget with bit depth 16");
      mContext->Set16BitTargetsFail();
      MarkDxBroken();
    } else if (!mLoggedTargetDepth) {
      mLoggedTargetDepth = true;
      EngineLog("Failed to SetRenderTarget with alpha bit depth %d", bits);
    }
  }
  return true;
}

void TDxDisplayHandler::RunSelfTest() {
  if (mInSelfTest) return;
  mInSelfTest = true;
  TRenderer* renderer = TRenderer::Instance();
  boost::shared_ptr<TTexture> small = TTexture::Create(16, 16, false);
  boost::shared_ptr<TTexture> big;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  bool locked = false;
  if (small) {
    renderer->FillRect(TRect(0, 0, 16, 16), TColor(1, 1, 1, 1), small);
    locked = small->Lock(pixels, pitch);
  }
  if (locked) {
    pixels[0] &= 0xFF000000u;
    pixels[size_t(15) * size_t(pitch) + 15] &= 0xFF000000u;
    small->Unlock();
    big = TTexture::Create(1024, 512, true);
    if (big) renderer->FillRect(TRect(0, 0, 512, 512), TColor(1, 0, 0, 1), big);
    if (!big || !renderer->BeginRenderTarget(big, 0)) {
      mInSelfTest = false;
      return;
    }
    auto walk = [](auto&& each) {
      int x = 0, y = 0;
      for (int i = 0; i < 10; ++i) {
        if (each(i, x, y)) return;
        x += 16;
        if (x > 784) {
          x = 0;
          y += 16;
          if (y > 496) return;
        }
      }
    };
    bool in2d = renderer->Begin2d();
    SetTextureFilter(0);
    walk([&](int i, int x, int y) {
      mPixelOffset = static_cast<float>(i * 0.1 - 0.5);
      mProjectionStale = true;
      TDrawParams params;
      params.transform(2, 0) = static_cast<float>(x);
      params.transform(2, 1) = static_cast<float>(y);
      params.flags = TDrawParams::kUseOrigin;
      small->Draw(params);
      return false;
    });
    SetTextureFilter(1);
    if (in2d) renderer->End2d();
    renderer->EndRenderTarget();

    bool matched = false;
    if (big->Lock(pixels, pitch)) {
      walk([&](int i, int x, int y) {
        mPixelOffset = static_cast<float>(i * 0.1 - 0.5);
        auto black = [&](int px, int py) {
          return (pixels[size_t(py) * size_t(pitch) + size_t(px)] & 0x00FFFFFFu) == 0;
        };
        matched = black(x, y) && black(x + 15, y + 15);
        return matched;
      });
      big->Unlock();
    }
    if (!matched) mPixelOffset = -0.5f;
    mProjectionStale = true;
  }
  small.reset();
  big.reset();
  if (mDevice) {
    TRect clip = mClipRect;
    SetClipRect(mDisplayRect);
    FillRect(mDisplayRect, TColor(0, 0, 0, 1), boost::shared_ptr<TTexture>());
    SetClipRect(clip);
  }
}
