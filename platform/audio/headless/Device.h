// The device of tests and of runs without sound hardware: it mixes on the engine clock (the
// virtual one in tests), catching up whenever it is touched, and keeps the mixed frames.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio/Mixer.h"

namespace platform::audio::headless {

class Device : public Mixer {
public:
  explicit Device(uint32_t outputRate = 44100);

  // Mixes up to the clock's present.
  void Pump();
  // The stereo frames (left, right interleaved) mixed since the last call.
  std::vector<int16_t> TakeMixed();
  // Mixed frames are kept only while capturing (the default).
  void SetCapture(bool on);
  // Frames mixed since the device was made.
  uint64_t GetMixedFrames();

protected:
  void CatchUpLocked() override;

private:
  uint32_t mStartMs;
  uint64_t mMixedFrames = 0;
  bool mCapture = true;
  std::vector<int16_t> mMixed;
  std::vector<int16_t> mScratch;
};

}  // namespace platform::audio::headless
