#include "sound/TSoundStream.h"

#include <algorithm>
#include <cstring>

#include "core/EngineLog.h"
#include "platform/audio/AudioDevice.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "sound/TStreamSpooler.h"

namespace {

void LogDeviceError(platform::audio::Result result, int line) {
  EngineLog("DX Error: %s (0x%x), File %s, Line %d", "", unsigned(result), "soundstream", line);
}

#define CHECK_DEVICE(call)                    \
  do {                                        \
    platform::audio::Result r_ = (call);      \
    if (r_ < 0) LogDeviceError(r_, __LINE__); \
  } while (0)

}  // namespace

boost::shared_ptr<TSoundStream> TSoundStream::Make(TSoundManager* manager, TStreamSpooler* spooler,
                                                   bool loop, int32_t volumeGroup,
                                                   const boost::weak_ptr<TStreamNotify>& notify) {
  boost::shared_ptr<TSoundStream> stream(
      new TSoundStream(manager, spooler, loop, volumeGroup, notify));
  manager->AddStream(stream);
  return stream;
}

TSoundStream::TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop,
                           int32_t volumeGroup, const boost::weak_ptr<TStreamNotify>& notify)
    : mManager(manager),
      mSpooler(spooler),
      mNotify(notify),
      mVolumeGroup(volumeGroup),
      mLoop(loop) {}

TSoundStream::~TSoundStream() {
  TSoundLock lock(mManager);
  if (mSpooler) mSpooler->Release();
  mSpooler = nullptr;
  // The instance lets go of this stream before anyone hears of the end: a callback that stops
  // or pauses the instance it was told about must not reach a stream that is going away.
  if (auto instance = mInstance.lock()) instance->ForgetStream(this);
  // Whoever played through this stream hears of its end now, whatever ended it.
  if (auto previous = mPrevious.lock()) previous->Notify(this);
  if (auto notify = mNotify.lock()) notify->Notify(this);
  if (mQueuedSpooler) mQueuedSpooler->Release();
  mQueuedSpooler = nullptr;
  if (mBuffer) {
    CHECK_DEVICE(mBuffer->Stop());
    mBuffer.reset();
  }
}

uint32_t TSoundStream::BufferSizeFor(uint32_t bytesPerSecond, float seconds) {
  double raw = double(bytesPerSecond) * double(seconds) + 0.5;
  uint64_t size = raw > 0 ? uint64_t(raw) : 0;
  size = (size + 7) & ~uint64_t(7);
  return uint32_t(std::clamp<uint64_t>(size, 4, 0x0FFFFFFF));
}

int32_t TSoundStream::VolumeToAttenuation(float volume) {
  volume = std::clamp(volume, 0.0f, 1.0f);
  if (volume == 0.0f) return platform::audio::kVolumeMin;
  return int32_t(-(1.0f - volume) * 5000.0f);
}

bool TSoundStream::Create(int sampleRate, int channels, int bitsPerSample, float seconds) {
  if (!mManager->HasDevice()) return false;
  TSoundLock lock(mManager);
  namespace pa = platform::audio;
  pa::BufferDesc desc;
  desc.flags = pa::kBufferCtrlVolume;
  desc.format.formatTag = 1;
  desc.format.channels = uint16_t(channels);
  desc.format.samplesPerSec = uint32_t(sampleRate);
  desc.format.bitsPerSample = uint16_t(bitsPerSample);
  desc.format.blockAlign = uint16_t(bitsPerSample / 8 * channels);
  desc.format.avgBytesPerSec = desc.format.blockAlign * uint32_t(sampleRate);
  if (desc.format.avgBytesPerSec == 0) return false;
  mBufferSize = BufferSizeFor(desc.format.avgBytesPerSec, seconds);
  mBufferLength = float(mBufferSize) / float(desc.format.avgBytesPerSec);
  desc.bytes = mBufferSize;
  pa::Result r = mManager->GetDevice()->CreateBuffer(desc, mBuffer);
  if (r < 0) {
    LogDeviceError(r, __LINE__);
    mBuffer.reset();
    return false;
  }
  mBytesLeft = int32_t(mBufferSize);
  mEndOfData = false;
  mCreated = true;
  Update(true);
  return true;
}

void TSoundStream::TakeQueuedSpooler() {
  if (mSpooler) mSpooler->Release();
  mSpooler = mQueuedSpooler;
  mQueuedSpooler = nullptr;
  mPrevious = mNotify;
  mNotify = mQueuedNotify;
  mQueuedNotify.reset();
  if (auto instance = mInstance.lock()) instance->TakeQueuedSound();
}

bool TSoundStream::Update(bool first) {
  TSoundLock lock(mManager);
  if (!mBuffer) {
    if (mSpooler && mSpooler->GetLength() < mPlayClock.GetTime() / 1000.0) {
      // A looping sound never runs out, device or not.
      if (mLoop) return true;
      if (!mQueuedSpooler) return false;
      TakeQueuedSpooler();
      mPlayClock.Reset();
      mPlayClock.Start();
    }
    return true;
  }
  const uint32_t half = mBufferSize / 2;
  uint32_t play = 0, write = 0;
  CHECK_DEVICE(mBuffer->GetCurrentPosition(&play, &write));
  int32_t part;
  uint32_t offset;
  if (first) {
    part = 1;
    offset = 0;
  } else if (write < half) {
    part = 2;
    offset = half;
  } else if (play > half) {
    part = 1;
    offset = 0;
  } else {
    return true;
  }
  if (part == mHalfLastFilled) {
    // A buffer played once has stopped when its play position caught up with the write one;
    // a paused buffer stands still too, but has not ended.
    return !(mOneShot && !mPaused && play >= write);
  }
  mHalfLastFilled = part;
  if (mEndOfData) {
    mBytesLeft -= int32_t(half);
    if (mBytesLeft <= 0 && !mQueuedSpooler) {
      CHECK_DEVICE(mBuffer->Stop());
      if (mSpooler) mSpooler->Release();
      mSpooler = nullptr;
      return false;
    }
  }
  void* part1 = nullptr;
  void* part2 = nullptr;
  uint32_t bytes1 = 0, bytes2 = 0;
  platform::audio::Result r = mBuffer->Lock(offset, half, &part1, &bytes1, &part2, &bytes2);
  if (r < 0) {
    LogDeviceError(r, __LINE__);
    return false;
  }
  uint8_t* out = static_cast<uint8_t*>(part1);
  uint32_t got = 0;
  bool more = false;
  if (mSpooler) {
    more = mSpooler->Read(bytes1, out, got, mLoop);
  } else {
    std::memset(out, 0, bytes1);
  }
  mEndOfData = !more;
  if (mEndOfData && mQueuedSpooler) {
    TakeQueuedSpooler();
    if (got < bytes1) {
      mSpooler->Rewind();
      uint32_t rest = 0;
      mEndOfData = !mSpooler->Read(bytes1 - got, out + got, rest, mLoop);
    }
  }
  CHECK_DEVICE(mBuffer->Unlock(part1, bytes1, part2, bytes2));
  return true;
}

void TSoundStream::Start(bool oneShot) {
  TSoundLock lock(mManager);
  if (oneShot) mOneShot = true;
  if (mBuffer) {
    SetVolume(mManager->GetVolume(mVolumeGroup));
    if (mManager->IsActive()) {
      CHECK_DEVICE(mBuffer->Play(mOneShot ? 0 : platform::audio::kPlayLooping));
    } else {
      // Starts when the game is active again.
      mPaused = true;
      mPausedByManager = true;
    }
  }
  mPlayClock.Reset();
  mPlayClock.Start();
}

void TSoundStream::Pause(bool pause) {
  TSoundLock lock(mManager);
  if (pause) {
    mPaused = true;
    mPausedByManager = false;
    if (mBuffer) CHECK_DEVICE(mBuffer->Stop());
    mPlayClock.Pause();
  } else {
    mPaused = false;
    if (mBuffer) Start(mOneShot);
    mPlayClock.Start();
  }
}

void TSoundStream::SetSystemPause(bool pause) {
  TSoundLock lock(mManager);
  if (pause) {
    if (!mPaused) {
      Pause(true);
      mPausedByManager = true;
    }
  } else if (mPausedByManager) {
    Pause(false);
    mPausedByManager = false;
  }
}

void TSoundStream::SetVolume(float volume) {
  TSoundLock lock(mManager);
  if (!mBuffer) return;
  int32_t attenuation = VolumeToAttenuation(volume);
  uint32_t status = 0;
  CHECK_DEVICE(mBuffer->GetStatus(&status));
  if (status & platform::audio::kStatusBufferLost) CHECK_DEVICE(mBuffer->Restore());
  CHECK_DEVICE(mBuffer->SetVolume(attenuation));
}

bool TSoundStream::QueueNext(const boost::weak_ptr<TStreamNotify>& notify,
                             TStreamSpooler* spooler) {
  TSoundLock lock(mManager);
  if (mCreated && mEndOfData && mBytesLeft <= 0) return false;
  mQueuedNotify = notify;
  if (mQueuedSpooler) mQueuedSpooler->Release();
  mQueuedSpooler = spooler;
  return true;
}

void TSoundStream::Stop(bool deliverEnd) {
  // Held past the lock, so a stream that loses its last handle here ends after unlocking. A
  // stream already on its way out has nothing left to stop.
  boost::shared_ptr<TSoundStream> self = weak_from_this().lock();
  if (!self) return;
  TSoundLock lock(mManager);
  if (mStopped) return;
  mStopped = true;
  if (mBuffer) CHECK_DEVICE(mBuffer->Stop());
  if (mQueuedSpooler) mQueuedSpooler->Release();
  mQueuedSpooler = nullptr;
  mQueuedNotify.reset();
  if (deliverEnd) {
    mManager->EndStream(this);
  } else {
    mManager->RemoveStream(this);
  }
}
