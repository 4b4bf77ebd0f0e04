// Runs its children one after another in the order they were added.
#pragma once

#include <deque>

#include "anim/KAnimProcess.h"

class KAnimQueue : public IKAnimListener, public IKAnimManager, public KAnimProcess {
public:
  KAnimQueue() = default;
  ~KAnimQueue() override;

  // Never starts the child, even on a running queue.
  void Add(KAnimProcess* process) override;
  void Start() override;
  // Ends the running child early and tells the queue's listeners; children still waiting
  // run to their ends afterwards.
  void Finish() override;
  void Cancel() override;
  // Only the running child moves the queue on; notices from any other child are ignored.
  void OnProcessFinished(KAnimProcess* process) override;

  KAnimProcess* GetCurrent() const { return mCurrent; }
  size_t GetWaitingCount() const { return mWaiting.size(); }

private:
  void StartNext();

  std::deque<KAnimProcess*> mWaiting;
  KAnimProcess* mCurrent = nullptr;
};

// Hands a newly made step to a queue or group, which keeps a reference of its own; the maker's
// reference goes.
template <class Container>
void KAppendStep(Container* container, KAnimProcess* step) {
  container->Add(step);
  KReleaseRef(step);
}
