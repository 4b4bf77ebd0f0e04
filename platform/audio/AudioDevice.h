// The sound service: a device that mixes any number of secondary buffers of PCM in software.
// The engine writes a buffer through lock/unlock while it plays, once or looping, and reads
// its play and write positions to know which part it may refill. The headless device mixes on
// the engine clock and keeps what it mixed for tests; the desktop device feeds the SDL2 audio
// device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform::audio {

// Results of the buffer and device operations; negative values are failures.
using Result = int32_t;
enum : Result {
  kOk = 0,
  kErrInvalidParam = -1,
  kErrInvalidCall = -2,
  kErrBufferLost = -3,
  kErrOutOfMemory = -4,
  kErrUnsupported = -5,
};

// Linear PCM only (format tag 1), 8-bit unsigned or 16-bit signed little-endian samples,
// channels interleaved.
// The mixer plays mono and stereo; it does not downmix more channels.
constexpr uint16_t kMaxChannels = 2;

struct WaveFormat {
  uint16_t formatTag = 1;
  uint16_t channels = 2;
  uint32_t samplesPerSec = 44100;
  uint32_t avgBytesPerSec = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
};

// What a buffer can be asked to change after creation.
constexpr uint32_t kBufferCtrlVolume = 0x01;
constexpr uint32_t kBufferCtrlPan = 0x02;
constexpr uint32_t kBufferCtrlFrequency = 0x04;

struct BufferDesc {
  uint32_t flags = kBufferCtrlVolume;
  uint32_t bytes = 0;
  WaveFormat format;
};

// Play flags and status bits.
constexpr uint32_t kPlayLooping = 0x01;
constexpr uint32_t kStatusPlaying = 0x01;
constexpr uint32_t kStatusBufferLost = 0x02;
constexpr uint32_t kStatusLooping = 0x04;

// Volume is an attenuation in hundredths of a decibel; pan runs from full left to full right.
constexpr int32_t kVolumeMin = -10000;
constexpr int32_t kVolumeMax = 0;
constexpr int32_t kPanLeft = -10000;
constexpr int32_t kPanRight = 10000;
constexpr uint32_t kFrequencyMin = 100;
constexpr uint32_t kFrequencyMax = 200000;
// SetFrequency with this value goes back to the format's own rate.
constexpr uint32_t kFrequencyOriginal = 0;

// The linear gain of an attenuation in hundredths of a decibel; kVolumeMin is silence.
float GainOfVolume(int32_t hundredthsOfDb);

class IBuffer {
public:
  virtual ~IBuffer() = default;

  // Hands out `bytes` bytes from `offset`; a region crossing the end continues at the start
  // in the second part (null and 0 when it does not wrap). What is written reaches the buffer
  // at Unlock, which takes the same pointers back.
  virtual Result Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                      uint32_t* bytes2) = 0;
  virtual Result Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) = 0;
  // Plays from the current position, looping with kPlayLooping.
  virtual Result Play(uint32_t flags) = 0;
  // Stops where it is; Play continues from there.
  virtual Result Stop() = 0;
  // Byte offsets: where playing is, and from where on writing is safe.
  virtual Result GetCurrentPosition(uint32_t* play, uint32_t* write) = 0;
  virtual Result SetCurrentPosition(uint32_t play) = 0;
  virtual Result SetVolume(int32_t hundredthsOfDb) = 0;
  virtual Result GetVolume(int32_t* hundredthsOfDb) = 0;
  virtual Result SetPan(int32_t pan) = 0;
  virtual Result GetPan(int32_t* pan) = 0;
  virtual Result SetFrequency(uint32_t hz) = 0;
  virtual Result GetFrequency(uint32_t* hz) = 0;
  virtual Result GetStatus(uint32_t* status) = 0;
  // After a loss: the buffer is usable again, its contents are silence.
  virtual Result Restore() = 0;

  virtual uint32_t GetSize() const = 0;
  virtual WaveFormat GetFormat() const = 0;
};

class IDevice {
public:
  virtual ~IDevice() = default;

  // A new stopped buffer of silence. Buffers must be released before their device.
  virtual Result CreateBuffer(const BufferDesc& desc, std::shared_ptr<IBuffer>& out) = 0;
  // Stereo 16-bit output rate of the mix.
  virtual uint32_t GetOutputRate() const = 0;
  // Every buffer loses its contents and stops, as when another program takes the device.
  virtual void LoseBuffers() = 0;
};

// The desktop's audio device through SDL2; null with the reason when it cannot be opened.
std::unique_ptr<IDevice> OpenDesktopDevice(std::string* error);

}  // namespace platform::audio
