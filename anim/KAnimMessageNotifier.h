// A process that, when a queue reaches it, delivers a fixed message id with an argument
// straight to a native target (a direct call inside that frame, not a window message) and
// finishes. The target class provides OnAnimMessage(KAnimMessageId<Id>, argument).
#pragma once

#include "anim/KAnimProcess.h"

template <int Id>
struct KAnimMessageId {
  static constexpr int kId = Id;
};

template <int Id, class Target, class Arg>
class KAnimMessageNotifier : public KAnimProcess {
public:
  // The target is not counted: its owner cancels the queue before the target goes.
  KAnimMessageNotifier(Target* target, const Arg& arg) : mTarget(target), mArg(arg) {}

  void Start() override {
    KAddRef(this);
    if (mTarget) mTarget->OnAnimMessage(KAnimMessageId<Id>(), mArg);
    KAnimProcess::Finish();
    KReleaseRef(this);
  }

private:
  Target* mTarget;
  Arg mArg;
};
