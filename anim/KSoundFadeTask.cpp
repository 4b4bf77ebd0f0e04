#include "anim/KSoundFadeTask.h"

#include "sound/TSoundManager.h"

KSoundFadeTask::KSoundFadeTask(int group, float from, float to, int durationMs)
    : TAnimTask(nullptr), mGroup(group), mFrom(from), mTo(to), mDuration(float(durationMs)) {}

void KSoundFadeTask::Finish() {
  TSoundManager* manager = TSoundManager::Instance();
  if (!manager) return;
  if (mTo == 0.0f) {
    manager->StopAll(mGroup);
    manager->SetGroupVolume(mGroup, 1.0f);
  } else {
    // The last step lands exactly on the target, not on wherever the last tick fell.
    manager->SetGroupVolume(mGroup, mTo);
  }
}

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
