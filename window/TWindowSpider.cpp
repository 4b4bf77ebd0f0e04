#include "window/TWindowSpider.h"

#include "window/TWindow.h"
#include "window/TWindowAnim.h"
#include "window/TWindowManager.h"

bool GetLargest::Process(TWindow* w) {
  const TRect& r = w->GetRect();
  if (r.right > mRight) mRight = r.right;
  if (r.bottom > mBottom) mBottom = r.bottom;
  return true;
}

bool ChildrenDelete::Process(TWindow* w) {
  TWindow* owner = mOwner.Get();
  if (!owner) return false;
  std::unique_ptr<TWindow> removed = owner->RemoveChild(w);
  // Without a manager there is no later: the child goes at once.
  if (mManager) mManager->DeleteLater(std::move(removed));
  return true;
}

bool TWindowClearFlags::Process(TWindow* w) {
  w->SetFlags(w->GetFlags() & mMask);
  if (mRecurse) w->ForEachChild(*this, false);
  return true;
}

bool TModalPoppedSpider::Process(TWindow* w) {
  TModalPoppedSpider inner;
  w->ForEachChild(inner, false);
  w->OnModalPopped();
  return true;
}

TWindowAnim::~TWindowAnim() {
  TWindow* owner = mOwner.Get();
  if (owner && owner->mAnim == this) owner->mAnim = nullptr;
}

bool TWindowAnim::Animate() {
  TWindow* owner = mOwner.Get();
  return owner ? owner->Animate() : false;
}
