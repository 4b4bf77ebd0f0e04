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
  bool AddChild(TWindow* child, bool activate = false) override;
  void RemoveChild(TWindow* child) override;
  void SelectLayer(uint32_t index);
  uint32_t GetCurrentLayer() const { return mCurrent; }
  uint32_t GetLayerCount() const { return static_cast<uint32_t>(mLayers.size()); }
  const std::list<TWindow*>& GetLayer(uint32_t index) const { return mLayers[index]; }

private:
  uint32_t mCurrent = 0;
  std::vector<std::list<TWindow*>> mLayers;
};
