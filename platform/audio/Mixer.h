// The software mixer behind both devices: it owns every buffer's samples and play state and
// mixes the playing buffers, resampled to the output rate, into stereo 16-bit frames. One
// mutex guards all of it, because the backend's audio thread mixes while the engine refills.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/audio/AudioDevice.h"

namespace platform::audio {

class Mixer : public IDevice {
public:
  explicit Mixer(uint32_t outputRate);
  ~Mixer() override;

  Result CreateBuffer(const BufferDesc& desc, std::shared_ptr<IBuffer>& out) override;
  uint32_t GetOutputRate() const override { return mOutputRate; }
  void LoseBuffers() override;

  // Adds `frames` stereo frames of every playing buffer into `out` (which it first clears).
  void Mix(int16_t* out, uint32_t frames);

  // Internal record of one buffer; the buffer handle points at it.
  struct Voice;

protected:
  // Runs under the mutex before every buffer operation, so a device that mixes on a clock
  // can catch up first.
  virtual void CatchUpLocked() {}
  void MixLocked(int16_t* out, uint32_t frames);
  // How far ahead of the play position the device may already have read.
  void SetWriteAheadMs(uint32_t ms) { mWriteAheadMs = ms; }

  std::mutex mMutex;

private:
  friend class MixerBuffer;

  const uint32_t mOutputRate;
  uint32_t mWriteAheadMs = 10;
  std::vector<Voice*> mVoices;
  std::vector<float> mAccumulator;
};

}  // namespace platform::audio
