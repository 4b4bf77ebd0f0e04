#include "render/TRenderer.h"

#include <atomic>

#include "render/TDxDisplayHandler.h"

namespace {
// Read by the presentation thread.
std::atomic<TRenderer*> gRenderer{nullptr};
std::atomic<TDxDisplayHandler*> gDisplay{nullptr};
}  // namespace

TRenderer::TRenderer() : mDisplay(new TDxDisplayHandler()) {
  mClips.push_back(Clip{0, 0, 0, 0});
  gDisplay.store(mDisplay);
}

TRenderer::~TRenderer() {
  gDisplay.store(nullptr);
  delete mDisplay;
}

TRenderer* TRenderer::Instance() {
  TRenderer* r = gRenderer.load();
  if (!r) {
    r = new TRenderer();
    gRenderer.store(r);
  }
  return r;
}

void TRenderer::Destroy() { delete gRenderer.exchange(nullptr); }

TDxDisplayHandler* TRenderer::DisplayInstance() { return gDisplay.load(); }

bool TRenderer::ToggleDebugInfo() {
  bool was = mDebugInfo;
  mDebugInfo = !mDebugInfo;
  return was;
}

bool TRenderer::PushClipRect(int left, int top, int right, int bottom) {
  mClips.push_back(Clip{left, top, right, bottom});
  return true;
}

void TRenderer::PopClipRect() {
  if (mClips.size() > 1) mClips.pop_back();
}

void TRenderer::GetViewport(int& left, int& top, int& right, int& bottom) const {
  mDisplay->GetViewport(left, top, right, bottom);
}

void TRenderer::FillRect(int, int, int, int, uint32_t) {}
