// Fades the volume of one sound volume group over a duration, on the clock of its task. A
// fade to silence ends by stopping the group's sounds and giving the group its full volume
// back for whatever plays next. A fade may run on a modal window's clock, pausing with it; when
// that window closes, the fade goes on to its end on the platform timer.
#pragma once

#include <cstdint>

#include "core/TAnimTask.h"
#include "window/TWindowHandle.h"

class TModalWindow;

// Where a fade of the group to `to` ends: the group at that volume, or, for silence, the group's
// sounds stopped and its full volume back.
void KEndSoundFade(int32_t group, float to);

class KSoundFadeTask : public TAnimTask {
public:
  KSoundFadeTask(int group, float from, float to, int durationMs);

  bool Animate() override;
  bool Ready(int mode) override;
  bool DoTask() override;
  uint32_t MsUntilDue() const override;

  // Runs the fade on the modal window's clock for as long as that window lives.
  void RunOnClockOf(TModalWindow* modal);

  float GetProgress() const { return mProgress; }

private:
  void Finish();
  bool ClockGone() const { return mOnModalClock && !mClockOwner; }
  // Moves the fade to the platform timer once the window whose clock it ran on has gone.
  void LeaveDeadClock();

  int32_t mGroup;
  float mProgress = 0.0f;
  float mFrom;
  float mTo;
  float mDuration;
  float mStart = 0.0f;
  float mRange = 1.0f;
  bool mStarted = false;
  bool mOnModalClock = false;
  TWindowHandle mClockOwner;
};
