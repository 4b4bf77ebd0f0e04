#include "anim/KAnimProcess.h"

namespace {

void ReleaseAll(std::map<IKAnimListener*, int32_t>& listeners) {
  for (auto& [listener, refs] : listeners)
    for (int32_t i = 0; i < refs; ++i) KReleaseRef(listener);
  listeners.clear();
}

}  // namespace

KAnimProcess::~KAnimProcess() { KAnimProcess::Cancel(); }

void KAnimProcess::AddListener(IKAnimListener* listener) {
  if (!listener) return;
  ++mListeners[listener];
  KAddRef(listener);
}

void KAnimProcess::RemoveListener(IKAnimListener* listener) {
  auto it = mListeners.find(listener);
  if (it == mListeners.end()) return;
  const int32_t refs = it->second;
  mListeners.erase(it);
  // A listener calling this from its own destructor has no reference left to give back.
  if (listener->GetRefCount() <= 0) return;
  for (int32_t i = 0; i < refs; ++i) KReleaseRef(listener);
}

void KAnimProcess::NotifyListeners() {
  // Finishing again from a listener of this very notification would tell listeners twice.
  if (mNotifying) return;
  // A process finishing from its destructor has no count left to keep it alive with.
  const bool counted = GetRefCount() > 0;
  if (counted) KAddRef(this);
  mNotifying = true;
  // The set is taken out first: listeners may remove themselves or others, release this
  // process, or register with it again for a later run, without disturbing the walk.
  std::map<IKAnimListener*, int32_t> told;
  told.swap(mListeners);
  for (auto it = told.begin(); it != told.end();) {
    IKAnimListener* listener = it->first;
    ++it;
    listener->OnProcessFinished(this);
  }
  mNotifying = false;
  // Each listener stayed held through the whole notification.
  ReleaseAll(told);
  if (counted) KReleaseRef(this);
}

void KAnimProcess::Cancel() {
  std::map<IKAnimListener*, int32_t> dropped;
  dropped.swap(mListeners);
  ReleaseAll(dropped);
}
