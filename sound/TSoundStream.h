// One playing sound instance: a buffer of about two seconds on the audio device, split in
// halves, of which the sound thread keeps refilling the half that is not playing. Without a
// device the stream plays against its clock, so ends still arrive on time. Every operation
// holds the sound manager's lock.
#pragma once

#include <cstdint>
#include <memory>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "core/TClock.h"

namespace platform::audio {
class IBuffer;
}

class TSoundInstance;
class TSoundManager;
class TStreamNotify;
class TStreamSpooler;

class TSoundStream : public boost::enable_shared_from_this<TSoundStream> {
public:
  // Makes a stream and registers it with the manager, whose live list holds the first handle.
  // The stream owns the spooler from here on.
  static boost::shared_ptr<TSoundStream> Make(TSoundManager* manager, TStreamSpooler* spooler,
                                              bool loop, int32_t volumeGroup,
                                              const boost::weak_ptr<TStreamNotify>& notify);
  virtual ~TSoundStream();
  TSoundStream(const TSoundStream&) = delete;
  TSoundStream& operator=(const TSoundStream&) = delete;

  // Makes the device buffer and fills its first half; false without a device.
  bool Create(int sampleRate, int channels, int bitsPerSample, float seconds);
  void Start(bool oneShot);
  // One refill step; false once the stream has ended.
  bool Update(bool first);
  void Pause(bool pause);
  void SetSystemPause(bool pause);
  void SetVolume(float volume);
  bool QueueNext(const boost::weak_ptr<TStreamNotify>& notify, TStreamSpooler* spooler);
  // Ends the stream now; with deliverEnd its end reaches the targets at the next dispatch.
  void Stop(bool deliverEnd);

  int32_t GetVolumeGroup() const { return mVolumeGroup; }
  uint32_t GetBufferSize() const { return mBufferSize; }
  float GetBufferLength() const { return mBufferLength; }
  bool IsPaused() const { return mPaused; }
  bool IsOneShot() const { return mOneShot; }
  bool HasBuffer() const { return mBuffer != nullptr; }
  boost::shared_ptr<TStreamNotify> GetNotifyTarget() const { return mNotify.lock(); }
  boost::shared_ptr<TStreamNotify> GetPreviousNotifyTarget() const { return mPrevious.lock(); }
  void ClearPreviousNotifyTarget() { mPrevious.reset(); }
  boost::shared_ptr<TSoundInstance> GetInstance() const { return mInstance.lock(); }
  void SetInstance(const boost::shared_ptr<TSoundInstance>& instance) { mInstance = instance; }

  // Buffer bytes for a rate of bytes per second and a length: rounded up to a multiple of 8,
  // within [4, 0x0FFFFFFF].
  static uint32_t BufferSizeFor(uint32_t bytesPerSecond, float seconds);
  // The device attenuation in hundredths of a decibel for a volume of 0..1.
  static int32_t VolumeToAttenuation(float volume);

private:
  TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop, int32_t volumeGroup,
               const boost::weak_ptr<TStreamNotify>& notify);
  void TakeQueuedSpooler();

  TSoundManager* mManager;
  TStreamSpooler* mSpooler;
  TStreamSpooler* mQueuedSpooler = nullptr;
  boost::weak_ptr<TStreamNotify> mNotify;
  boost::weak_ptr<TStreamNotify> mQueuedNotify;
  boost::weak_ptr<TStreamNotify> mPrevious;
  std::shared_ptr<platform::audio::IBuffer> mBuffer;
  boost::weak_ptr<TSoundInstance> mInstance;
  bool mEndOfData = true;
  bool mOneShot = false;
  uint32_t mBufferSize = 0;
  float mBufferLength = 0.0f;
  int32_t mBytesLeft = 0;
  int32_t mVolumeGroup;
  bool mLoop;
  bool mPaused = false;
  bool mPausedByManager = false;
  bool mStopped = false;
  bool mCreated = false;
  TClock mPlayClock;
  int32_t mHalfLastFilled = 0;
};
