#include "anim/KAnimMultiple.h"

#include <algorithm>
#include <vector>

KAnimMultiple::~KAnimMultiple() {
  for (KAnimProcess* p : mChildren) p->RemoveListener(this);
  for (KAnimProcess* p : mChildren) KReleaseRef(p);
}

void KAnimMultiple::Add(KAnimProcess* process) {
  if (!process) return;
  process->AddListener(this);
  mChildren.push_back(process);
  KAddRef(process);
}

template <class F>
void KAnimMultiple::ForEachChild(F f) {
  // Held while walked: a child finishing inside the call is released by the group then.
  std::vector<KAnimProcess*> children(mChildren.begin(), mChildren.end());
  for (KAnimProcess* p : children) KAddRef(p);
  for (KAnimProcess* p : children)
    if (std::find(mChildren.begin(), mChildren.end(), p) != mChildren.end()) f(p);
  for (KAnimProcess* p : children) KReleaseRef(p);
}

void KAnimMultiple::Start() {
  // Nothing would ever tell an empty group, and the queue it stands in would wait for ever.
  // Groups end up empty easily: filter steps, sounds that do not load, misspelt sprite names.
  if (mChildren.empty()) {
    Finish();
    return;
  }
  KAddRef(this);
  ForEachChild([](KAnimProcess* p) { p->Start(); });
  KReleaseRef(this);
}

void KAnimMultiple::OnProcessFinished(KAnimProcess* process) {
  const auto before = mChildren.size();
  mChildren.remove(process);
  if (mChildren.size() == before) return;
  KAddRef(this);
  process->RemoveListener(this);
  KReleaseRef(process);
  if (mChildren.empty()) Finish();
  KReleaseRef(this);
}

void KAnimMultiple::Finish() {
  KAddRef(this);
  if (!mChildren.empty()) ForEachChild([](KAnimProcess* p) { p->Finish(); });
  NotifyListeners();
  KReleaseRef(this);
}

void KAnimMultiple::Cancel() {
  KAddRef(this);
  if (!mChildren.empty()) {
    ForEachChild([this](KAnimProcess* p) {
      mChildren.remove(p);
      p->Cancel();
      p->RemoveListener(this);
      KReleaseRef(p);
    });
  }
  KAnimProcess::Cancel();
  KReleaseRef(this);
}
