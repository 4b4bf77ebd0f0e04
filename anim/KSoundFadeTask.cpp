#include "anim/KSoundFadeTask.h"

#include "core/Timer.h"
#include "sound/TSoundManager.h"
#include "window/TModalWindow.h"

KSoundFadeTask::KSoundFadeTask(int group, float from, float to, int durationMs)
    : TAnimTask(nullptr), mGroup(group), mFrom(from), mTo(to), mDuration(float(durationMs)) {}

void KSoundFadeTask::RunOnClockOf(TModalWindow* modal) {
  if (!modal) return;
  mClockOwner = TWindowHandle(modal);
  mOnModalClock = true;
  SetClock(&modal->GetClock());
}

void KSoundFadeTask::LeaveDeadClock() {
  if (!ClockGone()) return;
  mOnModalClock = false;
  // The dead clock is never read again: the fade keeps the part it has done and is due now.
  const uint32_t now = GetTimer();
  mClock = nullptr;
  if (mStarted) mStart = float(now) - mProgress * mDuration;
  if (mNext != kNever) mNext = now;
}

bool KSoundFadeTask::Ready(int mode) {
  LeaveDeadClock();
  return TAnimTask::Ready(mode);
}

bool KSoundFadeTask::DoTask() {
  LeaveDeadClock();
  return TAnimTask::DoTask();
}

uint32_t KSoundFadeTask::MsUntilDue() const {
  if (ClockGone()) return mNext == kNever ? kNoWake : 0;
  return TAnimTask::MsUntilDue();
}

void KEndSoundFade(int32_t group, float to) {
  TSoundManager* manager = TSoundManager::Instance();
  if (!manager) return;
  if (to == 0.0f) {
    manager->StopAll(group);
    manager->SetGroupVolume(group, 1.0f);
  } else {
    manager->SetGroupVolume(group, to);
  }
}

// The last step lands exactly on the target, not on wherever the last tick fell.
void KSoundFadeTask::Finish() { KEndSoundFade(mGroup, mTo); }

bool KSoundFadeTask::Animate() {
  const float now = float(Now());
  if (!mStarted) {
    mStart = now;
    mRange = mTo - mFrom;
    mStarted = true;
    // Nothing to spread over: the target holds at once.
    if (mDuration <= 0.0f) {
      mProgress = 1.0f;
      Finish();
      return false;
    }
    return true;
  }
  mProgress = (now - mStart) / mDuration;
  if (mProgress < 1.0f) {
    if (TSoundManager* manager = TSoundManager::Instance())
      manager->SetGroupVolume(mGroup, mFrom + mProgress * mRange);
    return true;
  }
  Finish();
  return false;
}
