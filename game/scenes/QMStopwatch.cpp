#include "game/scenes/QMStopwatch.h"

QMStopwatch::QMStopwatch() {
  mMark = mClock.GetTime();
  mPassed = false;
  mClock.Start();
}

void QMStopwatch::Mark() {
  mMark = mClock.GetTime();
  mPassed = false;
}
