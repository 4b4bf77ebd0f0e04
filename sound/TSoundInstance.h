// One playing instance of a sound. It points at its stream while the stream lives; the
// sound's data keeps the instance alive until it has ended.
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
};
