// The renderer singleton and its display. This holds what the platform uses of it: creation
// and destruction, the clip-rectangle stack, the debug-overlay switch and the viewport.
#pragma once

#include <cstdint>
#include <vector>

class TDxDisplayHandler;

class TRenderer {
public:
  // Creates the renderer and its display handler on first use.
  static TRenderer* Instance();
  static void Destroy();
  // The display handler, or null while no renderer exists.
  static TDxDisplayHandler* DisplayInstance();

  // Flips the debug overlay and answers its previous state.
  bool ToggleDebugInfo();
  bool IsDebugInfoOn() const { return mDebugInfo; }

  bool PushClipRect(int left, int top, int right, int bottom);
  void PopClipRect();
  void GetViewport(int& left, int& top, int& right, int& bottom) const;
  void FillRect(int left, int top, int right, int bottom, uint32_t argb);

private:
  TRenderer();
  ~TRenderer();

  struct Clip {
    int left, top, right, bottom;
  };
  std::vector<Clip> mClips;
  bool mDebugInfo = false;
  TDxDisplayHandler* mDisplay;
};
