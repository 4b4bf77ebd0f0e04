// A window's animation task: fires the window's Animate on the enclosing modal's clock. It
// lives in the modal's task list; the window only points at it, and it holds a handle on the
// window, so a task that outlives its window stops animating.
#pragma once

#include "core/TAnimTask.h"
#include "window/TWindowHandle.h"

class TWindowAnim : public TAnimTask {
public:
  explicit TWindowAnim(TWindow* owner) : mOwner(owner) {}
  ~TWindowAnim() override;
  bool Animate() override;
  TWindow* GetOwner() const { return mOwner.Get(); }
  void ClearOwner() { mOwner = TWindowHandle(); }

private:
  TWindowHandle mOwner;
};
