#include "anim/QMAnimationRunner.h"

QMAnimationRunner::~QMAnimationRunner() { CancelAll(); }

void QMAnimationRunner::Run(KAnimQueue* queue) {
  if (!queue) return;
  KAnimProcess* process = queue;
  auto* notifier = new KQueueEndedNotifier(this, process);
  queue->Add(notifier);
  if (mQueues.insert(process).second) KAddRef(process);
  KReleaseRef(notifier);
  // The queue may end inside its start, when every step finishes at once.
  KAddRef(process);
  queue->Start();
  KReleaseRef(process);
}

void QMAnimationRunner::OnAnimMessage(KAnimMessageId<kQueueEnded>, KAnimProcess* queue) {
  // The queue itself is still held by the notice's listener chain while it moves on.
  if (mQueues.erase(queue) > 0) KReleaseRef(queue);
}

void QMAnimationRunner::CancelAll() {
  std::set<KAnimProcess*> queues;
  queues.swap(mQueues);
  for (KAnimProcess* q : queues) {
    q->Cancel();
    KReleaseRef(q);
  }
}
