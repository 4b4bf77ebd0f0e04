#include "platform/audio/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::audio {

float GainOfVolume(int32_t hundredthsOfDb) {
  if (hundredthsOfDb <= kVolumeMin) return 0.0f;
  if (hundredthsOfDb >= kVolumeMax) return 1.0f;
  return std::pow(10.0f, float(hundredthsOfDb) / 2000.0f);
}

struct Mixer::Voice {
  WaveFormat format;
  uint32_t flags = 0;
  std::vector<uint8_t> data;
  uint32_t frames = 0;
  // Play position in frames, 32.32 fixed point, so resampling keeps its fraction exactly.
  uint64_t position = 0;
  uint32_t frequency = 0;
  int32_t volume = kVolumeMax;
  int32_t pan = 0;
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
  bool playing = false;
  bool looping = false;
  bool lost = false;
  // A lock hands out this copy; Unlock writes it back, so the mixing thread never reads
  // bytes the engine is still writing.
  std::vector<uint8_t> staging;
  bool locked = false;
  uint32_t lockOffset = 0;

  void UpdateGains() {
    float g = GainOfVolume(volume);
    gainLeft = g * (pan > 0 ? GainOfVolume(-pan) : 1.0f);
    gainRight = g * (pan < 0 ? GainOfVolume(pan) : 1.0f);
  }

  // One channel's sample of a frame, as a 16-bit value.
  float Sample(uint32_t frame, uint32_t channel) const {
    uint32_t at = frame * format.blockAlign;
    if (format.bitsPerSample == 8) return float((int(data[at + channel]) - 128) * 256);
    int16_t s;
    std::memcpy(&s, &data[at + channel * 2], 2);
    return float(s);
  }
};

class MixerBuffer : public IBuffer {
public:
  MixerBuffer(Mixer& mixer, Mixer::Voice* voice) : mMixer(mixer), mVoice(voice) {}
  ~MixerBuffer() override {
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    auto& voices = mMixer.mVoices;
    voices.erase(std::remove(voices.begin(), voices.end(), mVoice), voices.end());
    delete mVoice;
  }

  Result Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
              uint32_t* bytes2) override {
    auto guard = Enter();
    Mixer::Voice& v = *mVoice;
    if (!part1 || !bytes1 || bytes == 0 || bytes > v.data.size() || offset >= v.data.size())
      return kErrInvalidParam;
    if (v.lost) return kErrBufferLost;
    if (v.locked) return kErrInvalidCall;
    uint32_t size = uint32_t(v.data.size());
    uint32_t first = std::min(bytes, size - offset);
    v.staging.resize(bytes);
    std::memcpy(v.staging.data(), &v.data[offset], first);
    if (bytes > first) std::memcpy(v.staging.data() + first, v.data.data(), bytes - first);
    v.locked = true;
    v.lockOffset = offset;
    *part1 = v.staging.data();
    *bytes1 = first;
    if (part2) *part2 = bytes > first ? v.staging.data() + first : nullptr;
    if (bytes2) *bytes2 = bytes - first;
    return kOk;
  }

  Result Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) override {
    auto guard = Enter();
    Mixer::Voice& v = *mVoice;
    if (!v.locked || part1 != v.staging.data()) return kErrInvalidParam;
    uint32_t size = uint32_t(v.data.size());
    uint32_t first = std::min({bytes1, uint32_t(v.staging.size()), size - v.lockOffset});
    std::memcpy(&v.data[v.lockOffset], v.staging.data(), first);
    if (part2 && bytes2) {
      uint32_t second = std::min(bytes2, uint32_t(v.staging.size()) - first);
      std::memcpy(v.data.data(), v.staging.data() + first, second);
    }
    v.locked = false;
    return kOk;
  }

  Result Play(uint32_t flags) override {
    auto guard = Enter();
    if (mVoice->lost) return kErrBufferLost;
    mVoice->playing = true;
    mVoice->looping = (flags & kPlayLooping) != 0;
    return kOk;
  }

  Result Stop() override {
    auto guard = Enter();
    mVoice->playing = false;
    return kOk;
  }

  Result GetCurrentPosition(uint32_t* play, uint32_t* write) override {
    auto guard = Enter();
    const Mixer::Voice& v = *mVoice;
    uint32_t size = uint32_t(v.data.size());
    uint32_t at = uint32_t(v.position >> 32) * v.format.blockAlign;
    if (play) *play = at;
    if (write) {
      uint32_t ahead = 0;
      if (v.playing) {
        uint64_t frames = (uint64_t(v.frequency) * mMixer.mWriteAheadMs + 999) / 1000;
        ahead = uint32_t(std::min<uint64_t>(frames * v.format.blockAlign, size));
      }
      *write = (at + ahead) % size;
    }
    return kOk;
  }

  Result SetCurrentPosition(uint32_t play) override {
    auto guard = Enter();
    if (play >= mVoice->data.size()) return kErrInvalidParam;
    mVoice->position = uint64_t(play / mVoice->format.blockAlign) << 32;
    return kOk;
  }

  Result SetVolume(int32_t volume) override {
    auto guard = Enter();
    if (!(mVoice->flags & kBufferCtrlVolume)) return kErrInvalidCall;
    if (volume < kVolumeMin || volume > kVolumeMax) return kErrInvalidParam;
    mVoice->volume = volume;
    mVoice->UpdateGains();
    return kOk;
  }

  Result GetVolume(int32_t* volume) override {
    auto guard = Enter();
    if (!volume) return kErrInvalidParam;
    *volume = mVoice->volume;
    return kOk;
  }

  Result SetPan(int32_t pan) override {
    auto guard = Enter();
    if (!(mVoice->flags & kBufferCtrlPan)) return kErrInvalidCall;
    if (pan < kPanLeft || pan > kPanRight) return kErrInvalidParam;
    mVoice->pan = pan;
    mVoice->UpdateGains();
    return kOk;
  }

  Result GetPan(int32_t* pan) override {
    auto guard = Enter();
    if (!pan) return kErrInvalidParam;
    *pan = mVoice->pan;
    return kOk;
  }

  Result SetFrequency(uint32_t hz) override {
    auto guard = Enter();
    if (!(mVoice->flags & kBufferCtrlFrequency)) return kErrInvalidCall;
    if (hz == kFrequencyOriginal) hz = mVoice->format.samplesPerSec;
    if (hz < kFrequencyMin || hz > kFrequencyMax) return kErrInvalidParam;
    mVoice->frequency = hz;
    return kOk;
  }

  Result GetFrequency(uint32_t* hz) override {
    auto guard = Enter();
    if (!hz) return kErrInvalidParam;
    *hz = mVoice->frequency;
    return kOk;
  }

  Result GetStatus(uint32_t* status) override {
    auto guard = Enter();
    if (!status) return kErrInvalidParam;
    const Mixer::Voice& v = *mVoice;
    *status = (v.playing ? kStatusPlaying : 0) | (v.playing && v.looping ? kStatusLooping : 0) |
              (v.lost ? kStatusBufferLost : 0);
    return kOk;
  }

  Result Restore() override {
    auto guard = Enter();
    if (mVoice->lost) std::fill(mVoice->data.begin(), mVoice->data.end(), Silence());
    mVoice->lost = false;
    return kOk;
  }

  uint32_t GetSize() const override { return uint32_t(mVoice->data.size()); }
  WaveFormat GetFormat() const override { return mVoice->format; }

private:
  std::unique_lock<std::mutex> Enter() {
    std::unique_lock<std::mutex> lock(mMixer.mMutex);
    mMixer.CatchUpLocked();
    return lock;
  }
  uint8_t Silence() const { return mVoice->format.bitsPerSample == 8 ? 0x80 : 0; }

  Mixer& mMixer;
  Mixer::Voice* mVoice;
};

Mixer::Mixer(uint32_t outputRate) : mOutputRate(outputRate ? outputRate : 44100) {}

Mixer::~Mixer() = default;

Result Mixer::CreateBuffer(const BufferDesc& desc, std::shared_ptr<IBuffer>& out) {
  const WaveFormat& f = desc.format;
  if (f.formatTag != 1) return kErrUnsupported;
  if ((f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.channels < 1 ||
      f.channels > kMaxChannels || f.samplesPerSec < kFrequencyMin ||
      f.samplesPerSec > kFrequencyMax || f.blockAlign != f.channels * f.bitsPerSample / 8)
    return kErrInvalidParam;
  if (desc.bytes < f.blockAlign || desc.bytes > 0x0FFFFFFF) return kErrInvalidParam;
  auto* voice = new Voice;
  voice->format = f;
  voice->flags = desc.flags;
  uint32_t bytes = desc.bytes - desc.bytes % f.blockAlign;
  voice->data.assign(bytes, f.bitsPerSample == 8 ? 0x80 : 0);
  voice->frames = bytes / f.blockAlign;
  voice->frequency = f.samplesPerSec;
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
  mVoices.push_back(voice);
  out = std::make_shared<MixerBuffer>(*this, voice);
  return kOk;
}

void Mixer::LoseBuffers() {
  std::lock_guard<std::mutex> lock(mMutex);
  CatchUpLocked();
  for (Voice* v : mVoices) {
    v->lost = true;
    v->playing = false;
  }
}

void Mixer::Mix(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> lock(mMutex);
  MixLocked(out, frames);
}

void Mixer::MixLocked(int16_t* out, uint32_t frames) {
  mAccumulator.assign(size_t(frames) * 2, 0.0f);
  float* acc = mAccumulator.data();
  for (Voice* v : mVoices) {
    if (!v->playing || v->lost || v->frames == 0) continue;
    const uint64_t step = (uint64_t(v->frequency) << 32) / mOutputRate;
    const uint64_t end = uint64_t(v->frames) << 32;
    const bool stereo = v->format.channels == 2;
    for (uint32_t i = 0; i < frames; ++i) {
      uint32_t frame = uint32_t(v->position >> 32);
      float t = float(uint32_t(v->position)) * (1.0f / 4294967296.0f);
      uint32_t next = frame + 1;
      // The sample after the last one is the first again when looping; else the last holds.
      if (next >= v->frames) next = v->looping ? 0 : frame;
      float l0 = v->Sample(frame, 0), l1 = v->Sample(next, 0);
      float left = t == 0.0f ? l0 : l0 + (l1 - l0) * t;
      float right = left;
      if (stereo) {
        float r0 = v->Sample(frame, 1), r1 = v->Sample(next, 1);
        right = t == 0.0f ? r0 : r0 + (r1 - r0) * t;
      }
      acc[2 * i] += left * v->gainLeft;
      acc[2 * i + 1] += right * v->gainRight;
      v->position += step;
      if (v->position >= end) {
        if (v->looping) {
          v->position %= end;
        } else {
          // A buffer played once stops at its end and starts over on the next Play.
          v->playing = false;
          v->position = 0;
          break;
        }
      }
    }
  }
  for (uint32_t i = 0; i < frames * 2; ++i) {
    float s = std::nearbyint(acc[i]);
    out[i] = int16_t(std::clamp(s, -32768.0f, 32767.0f));
  }
}

}  // namespace platform::audio
