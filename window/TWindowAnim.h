// A window's animation task: fires the window's Animate on the enclosing modal's clock. It
// lives in the modal's task list; the window only points at it.
#pragma once

#include "core/TAnimTask.h"

class TWindow;

class TWindowAnim : public TAnimTask {
public:
  explicit TWindowAnim(TWindow* owner) : mOwner(owner) {}
  ~TWindowAnim() override;
  bool Animate() override;
  TWindow* GetOwner() const { return mOwner; }
  void ClearOwner() { mOwner = nullptr; }

private:
  TWindow* mOwner;
};
