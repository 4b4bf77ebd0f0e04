// A window that groups its children into numbered layers and shows one layer at a time.
// Windows added while all layers are selected belong to every layer.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "window/TWindow.h"

class TLayeredWindow : public TWindow {
public:
  static constexpr uint32_t kAllLayers = 0xFFFFFFFFu;
  static TClassId GetClassId() { return MakeClassId(&TLayeredWindow::GetClassId); }
  const char* GetClassName() const override { return "TLayeredWindow"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TWindow::IsKindOf(id); }

  explicit TLayeredWindow(uint32_t layerCount);
  bool AddChild(std::unique_ptr<TWindow>&& child, bool activate = false) override;
  std::unique_ptr<TWindow> RemoveChild(TWindow* child) override;
  // Puts a child (already owned here) at the front of the current layer, or of every layer
  // while all are selected, so one window may belong to several layers.
  void AddToCurrentLayer(TWindow* child);
  void SelectLayer(uint32_t index);
  uint32_t GetCurrentLayer() const { return mCurrent; }
  uint32_t GetLayerCount() const { return static_cast<uint32_t>(mLayers.size()); }
  const std::list<TWindow*>& GetLayer(uint32_t index) const { return mLayers[index]; }

private:
  uint32_t mCurrent = 0;
  // Children only: a window leaves every layer when it leaves the child list.
  std::vector<std::list<TWindow*>> mLayers;
};
