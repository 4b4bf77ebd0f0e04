// The set-up of the sound tests: the virtual clock, an asset manager, a log in a temporary
// folder, Ogg files made on the fly, and a sound manager over the headless device that the
// test steps itself (no sound thread), so every pass runs when the test says.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "assets/TAssetManager.h"
#include "core/EngineLog.h"
#include "platform/audio/headless/Device.h"
#include "platform/os/Clock.h"
#include "sound/TSound.h"
#include "sound/TSoundCallBack.h"
#include "sound/TSoundData.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "sound/TSoundStream.h"
#include "support/OggEncode.h"

namespace fs = std::filesystem;

class SoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(5000);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mDir = fs::temp_directory_path() / ("sound_" + std::to_string(::getpid()) + "_" +
                                        info->test_suite_name() + "_" + info->name());
    fs::remove_all(mDir);
    fs::create_directories(mDir);
    OpenEngineLog(mDir.c_str());
    mAssets = std::make_unique<TAssetManager>();
    mManager = std::make_unique<TSoundManager>();
    if (WithDevice()) {
      auto device = std::make_unique<platform::audio::headless::Device>(44100);
      mDevice = device.get();
      mManager->Init(std::move(device), false);
    } else {
      mManager->Init(nullptr, false);
    }
  }

  void TearDown() override {
    mManager.reset();
    mAssets.reset();
    OpenEngineLog(nullptr);
    platform::os::UseVirtualClock(false);
    if (!getenv("KEEP")) fs::remove_all(mDir);
  }

  virtual bool WithDevice() const { return true; }

  // A stereo 44.1 kHz sine tone as an Ogg file in the test folder; answers its path.
  str MakeOgg(const std::string& name, double seconds, double hz = 441.0, int rate = 44100,
              int channels = 2) {
    auto pcm = testsupport::SineFrames(rate, channels, seconds, hz);
    std::string path = (mDir / name).string();
    EXPECT_TRUE(testsupport::WriteBytes(path, testsupport::EncodeOgg(pcm, channels, rate)));
    return str(("::" + path).c_str());
  }

  // Time passes in the sound thread's steps of 50 ms, each followed by its pass.
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 50) {
      platform::os::AdvanceVirtualTime(50);
      mManager->UpdateStreams();
    }
  }

  std::string Log() {
    std::ifstream in(GetLogFilePath().CStr());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path mDir;
  std::unique_ptr<TAssetManager> mAssets;
  std::unique_ptr<TSoundManager> mManager;
  platform::audio::headless::Device* mDevice = nullptr;
};

// Records each end it hears and the thread it heard it on.
struct EndRecorder : TSoundCallBack {
  void OnSoundEnd(boost::shared_ptr<TSoundInstance> instance, boost::shared_ptr<TSound>) override {
    ends.push_back(instance.get());
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<TSoundInstance*> ends;
  std::vector<std::thread::id> threads;
};

// Root mean square of the left channel over frames [from, to).
inline double Rms(const std::vector<int16_t>& stereo, size_t from, size_t to) {
  double sum = 0;
  to = std::min(to, stereo.size() / 2);
  if (to <= from) return 0;
  for (size_t i = from; i < to; ++i) sum += double(stereo[2 * i]) * stereo[2 * i];
  return std::sqrt(sum / double(to - from));
}

inline int PeakOf(const std::vector<int16_t>& stereo, size_t from, size_t to) {
  int peak = 0;
  to = std::min(to, stereo.size() / 2);
  for (size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(int(stereo[2 * i])));
  return peak;
}
