// Keeps fire-and-forget queues alive until they reach their end, and cancels whatever still
// runs when its window closes.
#pragma once

#include <set>

#include "anim/KAnimMessageNotifier.h"
#include "anim/KAnimQueue.h"

class QMAnimationRunner {
public:
  enum : int { kQueueEnded = 30004 };

  QMAnimationRunner() = default;
  ~QMAnimationRunner();
  QMAnimationRunner(const QMAnimationRunner&) = delete;
  QMAnimationRunner& operator=(const QMAnimationRunner&) = delete;

  // Appends the runner's end notice to the queue, holds it and starts it. Every step of the
  // queue is appended before this call: a step added after the start may land behind the end
  // notice of a queue that has already ended, and would never run.
  void Run(KAnimQueue* queue);
  void CancelAll();
  // The queue has reached its notice: the runner lets it go.
  void OnAnimMessage(KAnimMessageId<kQueueEnded>, KAnimProcess* queue);

  size_t GetRunningCount() const { return mQueues.size(); }

private:
  std::set<KAnimProcess*> mQueues;
};

using KQueueEndedNotifier =
    KAnimMessageNotifier<QMAnimationRunner::kQueueEnded, QMAnimationRunner, KAnimProcess*>;
