// One playing instance of a sound. It points at its stream while the stream lives; the
// sound's data keeps the instance alive until it has ended. Normally the sound stops when its
// last handle goes; an instance asked to hold its sound plays on until it ends or is stopped.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class TSound;
class TSoundCallBack;
class TSoundStream;

class TSoundInstance : public boost::enable_shared_from_this<TSoundInstance> {
public:
  TSoundInstance() = default;
  virtual ~TSoundInstance() = default;
  TSoundInstance(const TSoundInstance&) = delete;
  TSoundInstance& operator=(const TSoundInstance&) = delete;

  void SetPaused(bool paused);
  void Stop();
  void SetCallBack(TSoundCallBack* callback);
  // Keeps the sound alive while this instance plays, so that it plays on when every other
  // handle on the sound is gone (music that outlives the screen that started it). The hold
  // ends when the instance ends or is stopped, alone, with its sound or with its group.
  void HoldSoundUntilEnd();
  boost::shared_ptr<TSound> GetSound() const { return mSound.lock(); }

  TSoundStream* GetStream() const { return mStream; }
  TSoundCallBack* GetCallBack() const { return mCallBack; }

private:
  friend class TSound;
  friend class TSoundData;
  friend class TSoundStream;
  friend class TSoundCallBack;

  void ForgetStream(TSoundStream* stream) {
    if (mStream == stream) mStream = nullptr;
  }
  // The queued sound has taken over the stream. Runs on the sound thread, so it never holds
  // the sound itself: a last handle dropped there would end the sound off the main thread.
  void TakeQueuedSound() {
    if (!mQueued.expired()) mSound = mQueued;
  }

  TSoundStream* mStream = nullptr;
  boost::weak_ptr<TSound> mSound;
  boost::weak_ptr<TSound> mQueued;
  TSoundCallBack* mCallBack = nullptr;
  // Set by HoldSoundUntilEnd; cleared on the main thread when the instance leaves its sound's
  // list of playing instances.
  boost::shared_ptr<TSound> mHeld;
};
