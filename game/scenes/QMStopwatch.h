// A stopwatch on a clock of its own: a pausable clock started at construction, the clock's time
// at the last mark, and a flag an owner sets once a wait since the mark is over.
#pragma once

#include <cstdint>

#include "core/TClock.h"

class QMStopwatch {
public:
  QMStopwatch();

  // Takes the clock's current time as the new mark and clears passed; the clock keeps running.
  void Mark();
  // Milliseconds on the clock since the mark.
  uint32_t GetElapsed() const { return mClock.GetTime() - mMark; }
  uint32_t GetMark() const { return mMark; }
  TClock& GetClock() { return mClock; }
  const TClock& GetClock() const { return mClock; }
  bool IsPassed() const { return mPassed; }
  void SetPassed(bool passed) { mPassed = passed; }

private:
  TClock mClock;
  uint32_t mMark = 0;
  bool mPassed = false;
};
