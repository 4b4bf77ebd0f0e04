// A pausable millisecond clock on the platform timer. It starts paused at 0 and runs after
// Start; while paused it shows the time at which it was paused.
#pragma once

#include <cstdint>

class TClock {
public:
  TClock() = default;
  virtual ~TClock() = default;

  uint32_t GetTime() const;
  // Sets the shown time; the paused state does not change.
  void SetTime(uint32_t ms);
  // Continues from the time shown when it was paused.
  void Start();
  // True when it was already paused.
  bool Pause();
  // Back to 0, paused.
  void Reset();
  bool IsPaused() const { return mPaused; }

private:
  bool mPaused = true;
  bool mStarted = false;
  uint32_t mStartTick = 0;
  uint32_t mBase = 0;
  uint32_t mFrozen = 0;
  uint32_t mShift = 0;
};
