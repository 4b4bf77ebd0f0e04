#include "sound/TSoundManager.h"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "core/EngineLog.h"
#include "platform/audio/AudioDevice.h"
#include "platform/window/Window.h"
#include "sound/TAssetMapSounds.h"
#include "sound/TSoundStream.h"
#include "sound/TStreamSpooler.h"

namespace {

std::atomic<TSoundManager*> gInstance{nullptr};

}  // namespace

TSoundManager::TSoundManager() {
  TSoundManager* none = nullptr;
  gInstance.compare_exchange_strong(none, this);
  TAssetMapSounds::Register();
}

TSoundManager::~TSoundManager() {
  {
    std::lock_guard<std::mutex> wake(mWakeMutex);
    mStop = true;
  }
  mWake.notify_all();
  if (mThread.joinable()) mThread.join();
  {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    mShuttingDown = true;
    // Moved out first: a stream's end may reach code that plays or stops other sounds.
    auto ended = std::move(mEnded);
    mEnded.clear();
    ended.clear();
    auto streams = std::move(mStreams);
    mStreams.clear();
    streams.clear();
    // The buffers went with their streams; the device goes last.
    mDevice.reset();
  }
  TSoundManager* self = this;
  gInstance.compare_exchange_strong(self, nullptr);
}

TSoundManager* TSoundManager::Instance() { return gInstance.load(); }

bool TSoundManager::Init() {
  if (mStarted) return true;
  std::unique_ptr<platform::audio::IDevice> device;
  if (platform::window::IsHeadless()) {
    EngineLog("Sound: no audio device on a headless run; sounds play silently on their clocks");
  } else {
    std::string error;
    device = platform::audio::OpenDesktopDevice(&error);
    if (!device) {
      EngineLog("DX Error: %s (0x%x), File %s, Line %d", error.c_str(),
                unsigned(platform::audio::kErrUnsupported), "soundmanager", __LINE__);
      EngineLog("Sound: no audio device could be opened (%s); the game runs silent", error.c_str());
    } else {
      EngineLog("Sound: audio device opened, %u Hz, 16-bit stereo",
                unsigned(device->GetOutputRate()));
    }
  }
  return Init(std::move(device), true);
}

bool TSoundManager::Init(std::unique_ptr<platform::audio::IDevice> device, bool startThread) {
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (mStarted) return true;
  mStarted = true;
  if (startThread) mThread = std::thread(&TSoundManager::ThreadLoop, this);
  mPassClock.Reset();
  mPassClock.Start();
  mDevice = std::move(device);
  mHasDevice = mDevice != nullptr;
  return true;
}

void TSoundManager::ThreadLoop() {
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> lock(mMutex);
      UpdateStreams();
    }
    std::unique_lock<std::mutex> wake(mWakeMutex);
    if (mWake.wait_for(wake, std::chrono::milliseconds(50), [this] { return mStop; })) break;
  }
}

void TSoundManager::Lock() {
  mMutex.lock();
  ++mLockDepth;
}

void TSoundManager::Unlock() {
  --mLockDepth;
  mMutex.unlock();
}

void TSoundManager::AddStream(const boost::shared_ptr<TSoundStream>& stream) {
  TSoundLock lock(this);
  mStreams.push_back(stream);
}

void TSoundManager::EndStream(TSoundStream* stream) {
  TSoundLock lock(this);
  for (auto it = mStreams.begin(); it != mStreams.end(); ++it) {
    if (it->get() != stream) continue;
    mEnded.push_back(*it);
    mStreams.erase(it);
    return;
  }
}

void TSoundManager::RemoveStream(TSoundStream* stream) {
  TSoundLock lock(this);
  // Kept until the lists are consistent again: dropping the last handle runs the end.
  std::vector<boost::shared_ptr<TSoundStream>> gone;
  for (auto* list : {&mStreams, &mEnded}) {
    for (auto it = list->begin(); it != list->end();) {
      if (it->get() == stream) {
        gone.push_back(*it);
        it = list->erase(it);
      } else {
        ++it;
      }
    }
  }
}

void TSoundManager::UpdateStreams() {
  TSoundLock lock(this);
  if (mPassClock.GetTime() <= 500) return;
  mPassClock.Reset();
  mPassClock.Start();
  // Held through a list kept from pass to pass (empty between passes): an update may end any
  // stream.
  const size_t first = mUpdating.size();
  mUpdating.insert(mUpdating.end(), mStreams.begin(), mStreams.end());
  const size_t end = mUpdating.size();
  for (size_t i = first; i < end; ++i) {
    TSoundStream* stream = mUpdating[i].get();
    if (!stream->Update(false)) EndStream(stream);
  }
  mUpdating.erase(mUpdating.begin() + static_cast<std::ptrdiff_t>(first), mUpdating.end());
}

float TSoundManager::GetVolume(int32_t group) {
  TSoundLock lock(this);
  auto it = mGroupVolumes.find(group);
  return it == mGroupVolumes.end() ? mMasterVolume : mMasterVolume * it->second;
}

void TSoundManager::ApplyVolume(TSoundStream* stream) {
  TSoundLock lock(this);
  float v = GetVolume(stream->GetVolumeGroup());
  // The real value always follows a different one, so the device takes it even when it
  // believes it has it already.
  stream->SetVolume(v >= 0.5f ? v - 0.05f : v + 0.05f);
  stream->SetVolume(v);
}

void TSoundManager::ApplyAllVolumes() {
  TSoundLock lock(this);
  std::vector<boost::shared_ptr<TSoundStream>> all(mStreams.begin(), mStreams.end());
  for (auto& stream : all) ApplyVolume(stream.get());
}

void TSoundManager::SetMasterVolume(float volume) {
  TSoundLock lock(this);
  mMasterVolume = volume;
  ApplyAllVolumes();
}

float TSoundManager::GetMasterVolume() {
  TSoundLock lock(this);
  return mMasterVolume;
}

void TSoundManager::SetGroupVolume(int32_t group, float volume) {
  TSoundLock lock(this);
  mGroupVolumes[group] = volume;
  ApplyAllVolumes();
}

void TSoundManager::SetActive(bool active) {
  TSoundLock lock(this);
  mActive = active;
  std::vector<boost::shared_ptr<TSoundStream>> all(mStreams.begin(), mStreams.end());
  for (auto& stream : all) {
    stream->SetSystemPause(!active);
    if (active) ApplyVolume(stream.get());
  }
}

bool TSoundManager::IsActive() {
  TSoundLock lock(this);
  return mActive;
}

void TSoundManager::StopAll(int32_t group) {
  TSoundLock lock(this);
  std::vector<boost::shared_ptr<TSoundStream>> all(mStreams.begin(), mStreams.end());
  for (auto& stream : all) {
    if (group != -1 && stream->GetVolumeGroup() != group) continue;
    stream->Stop(false);
    stream.reset();
  }
}

void TSoundManager::DispatchCallBacks() {
  TSoundLock lock(this);
  auto ended = std::move(mEnded);
  mEnded.clear();
  ended.clear();
  // The streams told are held in a list kept from call to call, above what it holds already:
  // a target may start or stop streams, or even dispatch again.
  const size_t first = mNotifying.size();
  mNotifying.insert(mNotifying.end(), mStreams.begin(), mStreams.end());
  const size_t end = mNotifying.size();
  for (size_t i = first; i < end; ++i) {
    TSoundStream* stream = mNotifying[i].get();
    if (auto previous = stream->GetPreviousNotifyTarget()) previous->Notify(stream);
  }
  mNotifying.erase(mNotifying.begin() + static_cast<std::ptrdiff_t>(first), mNotifying.end());
}

size_t TSoundManager::GetStreamCount() {
  TSoundLock lock(this);
  return mStreams.size();
}
