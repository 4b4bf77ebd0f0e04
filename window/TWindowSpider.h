// Visitors over a window's direct children (TWindow::ForEachChild); a false answer stops the walk.
#pragma once

#include <cstdint>

#include "window/TWindowHandle.h"

class TWindowManager;

class TWindowSpider {
public:
  virtual ~TWindowSpider() = default;
  virtual bool Process(TWindow* w) = 0;
};

// Largest right and bottom edge among the children.
class GetLargest : public TWindowSpider {
public:
  GetLargest(int right, int bottom) : mRight(right), mBottom(bottom) {}
  bool Process(TWindow* w) override;
  int mRight;
  int mBottom;
};

// Detaches each child and hands it to the manager's delete-later list.
class ChildrenDelete : public TWindowSpider {
public:
  ChildrenDelete(TWindow* owner, TWindowManager* manager) : mOwner(owner), mManager(manager) {}
  bool Process(TWindow* w) override;

private:
  TWindowHandle mOwner;
  TWindowManager* mManager;
};

class TWindowClearFlags : public TWindowSpider {
public:
  TWindowClearFlags(uint32_t mask, bool recurse) : mMask(mask), mRecurse(recurse) {}
  bool Process(TWindow* w) override;

private:
  uint32_t mMask;
  bool mRecurse;
};

// Visits every window of a subtree after its descendants.
class TModalPoppedSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
};
