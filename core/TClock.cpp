#include "core/TClock.h"

#include "core/Timer.h"

uint32_t TClock::GetTime() const {
  if (mPaused) return mFrozen;
  return mBase - mShift + (GetTimer() - mStartTick);
}

void TClock::SetTime(uint32_t ms) {
  mStartTick = GetTimer();
  mBase = ms;
  mFrozen = ms;
  mShift = 0;
}

void TClock::Start() {
  if (!mPaused) return;
  mPaused = false;
  if (!mStarted) {
    mStarted = true;
    SetTime(0);
    return;
  }
  mShift += GetTime() - mFrozen;
}

bool TClock::Pause() {
  if (mPaused) return true;
  mFrozen = GetTime();
  mPaused = true;
  return false;
}

void TClock::Reset() {
  SetTime(0);
  mPaused = true;
}
