// A task that fires at a fixed interval, measured on the platform timer or on a TClock.
#pragma once

#include <cstdint>

#include "core/TTask.h"

class TClock;

class TAnimTask : public TTask {
public:
  static constexpr uint32_t kNever = 0xFFFFFFFFu;

  // Due at once on the given time base (null: the platform timer).
  explicit TAnimTask(TClock* clock = nullptr);

  // Mode 1 (frames) answers the ready flag; other modes answer whether the task is due.
  bool Ready(int mode) override;
  bool DoTask() override;
  // Time until due on the task's time base; never while cancelled or its clock is paused.
  uint32_t MsUntilDue() const override;
  // One firing; false ends the task.
  virtual bool Animate() = 0;

  // Arms the timer ms from the previous due time (from now when absolute or idle); repeats
  // every ms when repeat is set. catchUp fires again at once while still behind.
  uint32_t SetTimer(uint32_t ms, bool repeat, bool absolute, bool catchUp);
  uint32_t GetTimeSinceDue() const;
  void Cancel();
  // Moves the task to another time base; the offset to its due time is mirrored.
  void SetClock(TClock* clock);
  void SetReady(bool ready) { mReady = ready; }
  uint32_t Now() const;

protected:
  bool mReady = false;
  uint32_t mNext = 0;
  uint32_t mInterval = 0;
  bool mAbsolute = false;
  bool mCatchUp = false;
  TClock* mClock = nullptr;
};
