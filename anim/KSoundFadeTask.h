// Fades the volume of one sound volume group over a duration, on the clock of its task. A
// fade to silence ends by stopping the group's sounds and giving the group its full volume
// back for whatever plays next.
#pragma once

#include <cstdint>

#include "core/TAnimTask.h"

class KSoundFadeTask : public TAnimTask {
public:
  KSoundFadeTask(int group, float from, float to, int durationMs);

  bool Animate() override;

  float GetProgress() const { return mProgress; }

private:
  void Finish();

  int32_t mGroup;
  float mProgress = 0.0f;
  float mFrom;
  float mTo;
  float mDuration;
  float mStart = 0.0f;
  float mRange = 1.0f;
  bool mStarted = false;
};
