#include "anim/KAnimDriver.h"

#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

KAnimTaskHold::KAnimTaskHold(KRefCountedObject* owner, TTask* task, KAnimTaskHold** backRef)
    : mOwner(owner), mTask(task), mBackRef(backRef) {
  KAddRef(mOwner);
  if (mBackRef) *mBackRef = this;
}

KAnimTaskHold::~KAnimTaskHold() {
  Detach();
  KReleaseRef(mOwner);
}

void KAnimTaskHold::Detach() {
  mTask = nullptr;
  if (mBackRef) *mBackRef = nullptr;
  mBackRef = nullptr;
}

TClock* KScheduleOnTopModal(KAnimProcess* owner, TAnimTask* task, KAnimTaskHold** hold) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  if (!top || !top->IsKindOf(TModalWindow::GetClassId())) return nullptr;
  auto* modal = static_cast<TModalWindow*>(top);
  modal->AddTask(new KAnimTaskHold(owner, task, hold));
  return &modal->GetClock();
}
