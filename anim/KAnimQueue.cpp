#include "anim/KAnimQueue.h"

#include <algorithm>

KAnimQueue::~KAnimQueue() {
  // The children drop their entry for this queue; their own references were the queue's.
  if (mCurrent) mCurrent->RemoveListener(this);
  for (KAnimProcess* p : mWaiting) p->RemoveListener(this);
  if (mCurrent) KReleaseRef(mCurrent);
  for (KAnimProcess* p : mWaiting) KReleaseRef(p);
}

void KAnimQueue::Add(KAnimProcess* process) {
  if (!process) return;
  process->AddListener(this);
  mWaiting.push_back(process);
  KAddRef(process);
}

void KAnimQueue::StartNext() {
  if (mWaiting.empty()) {
    Finish();
    return;
  }
  mCurrent = mWaiting.front();
  mWaiting.pop_front();
  mCurrent->Start();
}

void KAnimQueue::Start() {
  KAddRef(this);
  if (!mCurrent)
    StartNext();
  else
    mCurrent->Start();
  KReleaseRef(this);
}

void KAnimQueue::OnProcessFinished(KAnimProcess* process) {
  if (!mCurrent || process != mCurrent) {
    // A waiting child that ended before its turn still runs, and is still waited for, then.
    if (std::find(mWaiting.begin(), mWaiting.end(), process) != mWaiting.end())
      process->AddListener(this);
    return;
  }
  KAddRef(this);
  KAnimProcess* done = mCurrent;
  mCurrent = nullptr;
  done->RemoveListener(this);
  KReleaseRef(done);
  StartNext();
  KReleaseRef(this);
}

void KAnimQueue::Finish() {
  KAddRef(this);
  if (mCurrent) mCurrent->Finish();
  NotifyListeners();
  KReleaseRef(this);
}

void KAnimQueue::Cancel() {
  KAddRef(this);
  if (KAnimProcess* current = mCurrent) {
    mCurrent = nullptr;
    current->Cancel();
    KReleaseRef(current);
  }
  while (!mWaiting.empty()) {
    KAnimProcess* p = mWaiting.front();
    mWaiting.pop_front();
    p->Cancel();
    p->RemoveListener(this);
    KReleaseRef(p);
  }
  KAnimProcess::Cancel();
  KReleaseRef(this);
}
