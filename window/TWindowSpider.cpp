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
  mOwner->RemoveChild(w);
  if (mManager) {
    mManager->DeleteLater(w);
  } else {
    delete w;
  }
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
  if (mOwner) mOwner->mAnim = nullptr;
}

bool TWindowAnim::Animate() { return mOwner ? mOwner->Animate() : false; }
