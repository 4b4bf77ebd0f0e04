#include "render/TDxDisplayHandler.h"

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"

TDxDisplayHandler* TDxDisplayHandler::Instance() { return TRenderer::DisplayInstance(); }

bool TDxDisplayHandler::SetDisplay(int width, int height, bool fullScreen, int, int, bool) {
  std::lock_guard<std::mutex> lock(mMutex);
  mWidth = width;
  mHeight = height;
  mFullScreen = fullScreen;
  mEverSet = true;
  mReady = width > 0 && height > 0;
  if (TPlatform* p = TPlatform::Instance()) {
    if (auto* w = p->GetData()->GetWindow()) w->SetClientSize(width, height);
  }
  return mReady;
}

void TDxDisplayHandler::FinishSetup() {}

bool TDxDisplayHandler::RefreshDisplay(bool fullScreen) {
  int w, h;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!fullScreen && mFullScreen) {
      int dw = 0, dh = 0;
      platform::window::GetScreenSize(dw, dh);
      // Windowed mode needs a desktop larger than the display both ways.
      if (dw <= mWidth || dh <= mHeight) return false;
    }
    w = mWidth;
    h = mHeight;
  }
  SetDisplay(w, h, fullScreen, 0, 0, false);
  return true;
}

bool TDxDisplayHandler::Restore() {
  std::lock_guard<std::mutex> lock(mMutex);
  // Nothing of a display is lost here; re-creating it only needs a size.
  if (!mEverSet) {
    TPlatform* p = TPlatform::Instance();
    auto* w = p ? p->GetData()->GetWindow() : nullptr;
    if (w) w->GetClientSize(mWidth, mHeight);
    mEverSet = true;
  }
  mReady = true;
  return true;
}

bool TDxDisplayHandler::IsReady() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mReady && !mBroken;
}

bool TDxDisplayHandler::IsFullScreen() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mFullScreen;
}

bool TDxDisplayHandler::IsThreadedPresent() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mReady && !mBroken;
}

void TDxDisplayHandler::ForgetPresentState() {}

void TDxDisplayHandler::UpdateDesktopMode() {
  std::lock_guard<std::mutex> lock(mMutex);
  platform::window::GetScreenSize(mDesktopWidth, mDesktopHeight);
}

void TDxDisplayHandler::GetMousePosition(int& x, int& y) const {
  x = y = 0;
  TPlatform* p = TPlatform::Instance();
  if (auto* w = p ? p->GetData()->GetWindow() : nullptr) w->GetMousePosition(x, y);
}

void TDxDisplayHandler::GetViewport(int& left, int& top, int& right, int& bottom) const {
  std::lock_guard<std::mutex> lock(mMutex);
  left = top = 0;
  right = mWidth;
  bottom = mHeight;
}

TDxDisplayHandler::Position TDxDisplayHandler::DrawCursor(int x, int y) {
  if (x == -1 && y == -1) GetMousePosition(x, y);
  std::lock_guard<std::mutex> lock(mMutex);
  Position pos;
  if (!mReady || mBroken || !mCursorVisible) return pos;
  ++mCursorDraws;
  pos.x = static_cast<uint32_t>(x);
  pos.y = static_cast<uint32_t>(y);
  return pos;
}

int TDxDisplayHandler::CursorDraws() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mCursorDraws;
}

void TDxDisplayHandler::EraseCursor() {}

bool TDxDisplayHandler::ApplyCursor() {
  TPlatform* p = TPlatform::Instance();
  auto* w = p ? p->GetData()->GetWindow() : nullptr;
  if (w) w->SetCursorVisible(p->GetData()->IsCursorVisible());
  return true;
}

void TDxDisplayHandler::SetCursorVisible(bool visible) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mCursorVisible = visible;
  }
  ApplyCursor();
}

void TDxDisplayHandler::SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY,
                                      bool) {
  std::lock_guard<std::mutex> lock(mMutex);
  mCursorImage = std::move(texture);
  mCursorHotX = hotX;
  mCursorHotY = hotY;
}

void TDxDisplayHandler::SetVSync(bool on) {
  std::lock_guard<std::mutex> lock(mMutex);
  mVSync = on;
}

void TDxDisplayHandler::OutOfVideoMemory() { EngineLog("OutOfVideoMemory triggered!"); }
