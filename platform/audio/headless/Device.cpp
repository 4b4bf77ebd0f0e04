#include "platform/audio/headless/Device.h"

#include <algorithm>

#include "platform/os/Clock.h"

namespace platform::audio::headless {

Device::Device(uint32_t outputRate) : Mixer(outputRate), mStartMs(os::TimeGetTime()) {}

void Device::CatchUpLocked() {
  uint32_t now = os::TimeGetTime();
  uint32_t elapsed = now - mStartMs;
  if (elapsed > 0x80000000u) {
    // The clock was set back: carry on from here.
    mStartMs = now - uint32_t(mMixedFrames * 1000 / GetOutputRate());
    return;
  }
  uint64_t due = uint64_t(elapsed) * GetOutputRate() / 1000;
  if (due <= mMixedFrames) return;
  uint64_t frames = due - mMixedFrames;
  // A jump of the clock longer than any buffer plays through is mixed only for its last
  // minute; everything before it would have been silence or the same loop again.
  const uint64_t limit = uint64_t(GetOutputRate()) * 60;
  if (frames > limit) {
    mMixedFrames += frames - limit;
    frames = limit;
  }
  // In slices, so a long jump of the clock does not need one huge block.
  while (frames > 0) {
    uint32_t n = uint32_t(std::min<uint64_t>(frames, 4096));
    mScratch.resize(size_t(n) * 2);
    MixLocked(mScratch.data(), n);
    if (mCapture) mMixed.insert(mMixed.end(), mScratch.begin(), mScratch.end());
    frames -= n;
    mMixedFrames += n;
  }
}

void Device::Pump() {
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
}

std::vector<int16_t> Device::TakeMixed() {
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
  std::vector<int16_t> out;
  out.swap(mMixed);
  return out;
}

void Device::SetCapture(bool on) {
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
  mCapture = on;
  if (!on) mMixed.clear();
}

uint64_t Device::GetMixedFrames() {
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
  return mMixedFrames;
}

}  // namespace platform::audio::headless
