// The sound system's one object: the audio device, the live streams and the sound thread
// that refills them, the master and group volumes, the pause while the game is inactive, and
// the ended streams whose end is delivered on the main thread. One recursive lock guards all
// of it; the sound thread and every main-thread sound operation take it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TClock.h"

namespace platform::audio {
class IDevice;
}

class TSoundStream;

class TSoundManager {
public:
  TSoundManager();
  virtual ~TSoundManager();
  TSoundManager(const TSoundManager&) = delete;
  TSoundManager& operator=(const TSoundManager&) = delete;

  // The program's manager (the first one made and still alive), null when there is none.
  static TSoundManager* Instance();

  // Starts the sound thread, then the desktop's audio device; without a usable device (or on
  // a headless run) streams play against their clocks. Nothing when already started.
  bool Init();
  // The same with a device chosen by the caller (null: none). Tests that step the streams
  // themselves start no thread.
  bool Init(std::unique_ptr<platform::audio::IDevice> device, bool startThread = true);

  void Lock();
  void Unlock();

  void AddStream(const boost::shared_ptr<TSoundStream>& stream);
  void EndStream(TSoundStream* stream);
  void RemoveStream(TSoundStream* stream);
  // One streaming pass: refills when more than 500 ms passed since the last one.
  void UpdateStreams();

  float GetVolume(int32_t group);
  void ApplyVolume(TSoundStream* stream);
  void ApplyAllVolumes();
  void SetMasterVolume(float volume);
  float GetMasterVolume();
  void SetGroupVolume(int32_t group, float volume);
  void SetActive(bool active);
  bool IsActive();
  // Stops every stream of the group (every stream for -1); their ends are told at once.
  void StopAll(int32_t group);
  // Main thread: destroys the ended streams, which tells their targets.
  void DispatchCallBacks();

  platform::audio::IDevice* GetDevice() const { return mDevice.get(); }
  bool HasDevice() const { return mHasDevice; }
  bool IsShuttingDown() const { return mShuttingDown; }
  size_t GetStreamCount();

private:
  void ThreadLoop();

  std::unique_ptr<platform::audio::IDevice> mDevice;
  std::list<boost::shared_ptr<TSoundStream>> mStreams;
  std::list<boost::shared_ptr<TSoundStream>> mEnded;
  // The scratch lists of DispatchCallBacks and UpdateStreams; empty between calls, their
  // storage kept.
  std::vector<boost::shared_ptr<TSoundStream>> mNotifying;
  std::vector<boost::shared_ptr<TSoundStream>> mUpdating;
  float mMasterVolume = 1.0f;
  std::map<int32_t, float> mGroupVolumes;
  TClock mPassClock;
  bool mHasDevice = false;
  bool mStarted = false;
  bool mShuttingDown = false;
  bool mActive = true;
  int32_t mLockDepth = 0;
  std::recursive_mutex mMutex;

  std::thread mThread;
  std::mutex mWakeMutex;
  std::condition_variable mWake;
  bool mStop = false;
};

// Holds the sound manager's lock for a scope; nothing when there is no manager.
class TSoundLock {
public:
  explicit TSoundLock(TSoundManager* manager) : mManager(manager) {
    if (mManager) mManager->Lock();
  }
  ~TSoundLock() {
    if (mManager) mManager->Unlock();
  }
  TSoundLock(const TSoundLock&) = delete;
  TSoundLock& operator=(const TSoundLock&) = delete;

private:
  TSoundManager* mManager;
};
