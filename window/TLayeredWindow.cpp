#include "window/TLayeredWindow.h"

#include <algorithm>

#include "window/TWindowManager.h"
#include "window/TWindowSpider.h"

TLayeredWindow::TLayeredWindow(uint32_t layerCount) : mLayers(layerCount) {}

bool TLayeredWindow::AddChild(std::unique_ptr<TWindow>&& owned, bool activate) {
  TWindow* child = owned.get();
  if (!TWindow::AddChild(std::move(owned), activate)) return false;
  AddToCurrentLayer(child);
  return true;
}

void TLayeredWindow::AddToCurrentLayer(TWindow* child) {
  if (!child || child->GetParent() != this) return;
  // A window added twice to one layer would outlive its removal there as a dangling entry.
  auto addTo = [child](std::list<TWindow*>& layer) {
    layer.remove(child);
    layer.push_front(child);
  };
  if (mCurrent == kAllLayers) {
    for (auto& layer : mLayers) addTo(layer);
  } else if (mCurrent < mLayers.size()) {
    addTo(mLayers[mCurrent]);
  }
}

std::unique_ptr<TWindow> TLayeredWindow::RemoveChild(TWindow* child) {
  std::unique_ptr<TWindow> removed = TWindow::RemoveChild(child);
  for (auto& layer : mLayers) {
    auto it = std::find(layer.begin(), layer.end(), child);
    if (it != layer.end()) layer.erase(it);
  }
  return removed;
}

void TLayeredWindow::SelectLayer(uint32_t index) {
  if (index == mCurrent) return;
  // Out of range from a script or caller: nothing to show, so nothing is hidden either.
  if (index != kAllLayers && index >= mLayers.size()) return;
  mCurrent = index;
  TWindowClearFlags hide(~static_cast<uint32_t>(kWindowShown), false);
  ForEachChild(hide, false);
  if (!mLayers.empty()) {
    for (TWindow* w : mLayers[index == kAllLayers ? 0 : index])
      w->SetFlags(w->GetFlags() | kWindowShown);
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}
