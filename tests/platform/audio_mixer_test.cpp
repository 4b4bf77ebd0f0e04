// The software mixer and the headless device: exact output of a known tone, resampling,
// volume and pan, looping and one-shot play, lock regions and buffer loss.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/headless/Device.h"
#include "platform/os/Clock.h"

namespace pa = platform::audio;

namespace {

class AudioMixer : public ::testing::Test {
protected:
  void SetUp() override {
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(1000);
  }
  void TearDown() override { platform::os::UseVirtualClock(false); }
};

pa::BufferDesc Desc(uint32_t rate, uint16_t channels, uint32_t bytes, uint32_t flags) {
  pa::BufferDesc d;
  d.flags = flags;
  d.bytes = bytes;
  d.format.channels = channels;
  d.format.samplesPerSec = rate;
  d.format.bitsPerSample = 16;
  d.format.blockAlign = uint16_t(2 * channels);
  d.format.avgBytesPerSec = rate * d.format.blockAlign;
  return d;
}

void Fill(pa::IBuffer& b, const std::vector<int16_t>& samples, uint32_t offset = 0) {
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  uint32_t bytes = uint32_t(samples.size() * 2);
  ASSERT_EQ(b.Lock(offset, bytes, &p1, &n1, &p2, &n2), pa::kOk);
  std::memcpy(p1, samples.data(), n1);
  if (p2) std::memcpy(p2, reinterpret_cast<const uint8_t*>(samples.data()) + n1, n2);
  ASSERT_EQ(b.Unlock(p1, n1, p2, n2), pa::kOk);
}

std::vector<int16_t> Ramp(size_t n, int start, int step) {
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = int16_t(start + int(i) * step);
  return v;
}

}  // namespace

TEST(AudioVolume, AttenuationInHundredthsOfADecibelGivesLinearGain) {
  struct Case {
    int32_t volume;
    float gain;
  } cases[] = {{0, 1.0f},      {-600, 0.5012f}, {-2000, 0.1f}, {-4000, 0.01f},
               {-10000, 0.0f}, {100, 1.0f},     {-20000, 0.0f}};
  for (const Case& c : cases) EXPECT_NEAR(pa::GainOfVolume(c.volume), c.gain, 1e-4f) << c.volume;
}

TEST_F(AudioMixer, KnownToneAtTheOutputRateMixesToTheSameSamples) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> b;
  ASSERT_EQ(device.CreateBuffer(Desc(44100, 1, 441 * 2, pa::kBufferCtrlVolume), b), pa::kOk);
  std::vector<int16_t> tone(441);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = int16_t(std::lround(10000 * std::sin(2 * M_PI * 1000.0 * double(i) / 44100)));
  Fill(*b, tone);
  device.TakeMixed();
  ASSERT_EQ(b->Play(0), pa::kOk);
  platform::os::AdvanceVirtualTime(20);  // 882 frames: the tone once, then silence
  std::vector<int16_t> mixed = device.TakeMixed();
  ASSERT_EQ(mixed.size(), 882u * 2);
  for (size_t i = 0; i < 441; ++i) {
    ASSERT_EQ(mixed[2 * i], tone[i]) << i;
    ASSERT_EQ(mixed[2 * i + 1], tone[i]) << i;
  }
  for (size_t i = 441; i < 882; ++i) ASSERT_EQ(mixed[2 * i], 0) << i;
  uint32_t status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status & pa::kStatusPlaying, 0u) << "a buffer played once stops at its end";
}

TEST_F(AudioMixer, HalfRateBufferIsInterpolatedBetweenItsSamples) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> b;
  ASSERT_EQ(device.CreateBuffer(Desc(22050, 2, 100 * 4, pa::kBufferCtrlVolume), b), pa::kOk);
  std::vector<int16_t> frames;
  for (int i = 0; i < 100; ++i) {
    frames.push_back(int16_t(i * 100));  // left rises
    frames.push_back(int16_t(-i * 50));  // right falls
  }
  Fill(*b, frames);
  device.TakeMixed();
  b->Play(pa::kPlayLooping);
  platform::os::AdvanceVirtualTime(4);  // 176 output frames = 88 source frames
  std::vector<int16_t> mixed = device.TakeMixed();
  ASSERT_EQ(mixed.size(), 176u * 2);
  for (size_t i = 0; i < 176; ++i) {
    EXPECT_EQ(mixed[2 * i], int16_t(i * 50)) << i;
    EXPECT_EQ(mixed[2 * i + 1], int16_t(-int(i) * 25)) << i;
  }
}

TEST_F(AudioMixer, VolumeAndPanScaleEachChannel) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> b;
  ASSERT_EQ(
      device.CreateBuffer(Desc(44100, 1, 4410 * 2, pa::kBufferCtrlVolume | pa::kBufferCtrlPan), b),
      pa::kOk);
  Fill(*b, std::vector<int16_t>(4410, 20000));
  struct Case {
    int32_t volume, pan;
    int16_t left, right;
  } cases[] = {{0, 0, 20000, 20000},
               {-2000, 0, 2000, 2000},
               {0, -2000, 20000, 2000},
               {-600, 10000, 0, 10024},
               {-10000, 0, 0, 0}};
  b->Play(pa::kPlayLooping);
  for (const Case& c : cases) {
    ASSERT_EQ(b->SetVolume(c.volume), pa::kOk);
    ASSERT_EQ(b->SetPan(c.pan), pa::kOk);
    device.TakeMixed();
    platform::os::AdvanceVirtualTime(1);
    std::vector<int16_t> mixed = device.TakeMixed();
    ASSERT_FALSE(mixed.empty());
    EXPECT_NEAR(mixed[0], c.left, 1) << c.volume << " " << c.pan;
    EXPECT_NEAR(mixed[1], c.right, 1) << c.volume << " " << c.pan;
  }
  EXPECT_EQ(b->SetVolume(1), pa::kErrInvalidParam);
  EXPECT_EQ(b->SetFrequency(22050), pa::kErrInvalidCall) << "frequency control was not asked for";
}

TEST_F(AudioMixer, LoopingBufferWrapsAndTwoBuffersAdd) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> a, b;
  ASSERT_EQ(device.CreateBuffer(Desc(44100, 1, 10 * 2, pa::kBufferCtrlVolume), a), pa::kOk);
  ASSERT_EQ(device.CreateBuffer(Desc(44100, 1, 10 * 2, pa::kBufferCtrlVolume), b), pa::kOk);
  Fill(*a, Ramp(10, 0, 100));
  Fill(*b, std::vector<int16_t>(10, 7));
  device.TakeMixed();
  a->Play(pa::kPlayLooping);
  b->Play(pa::kPlayLooping);
  platform::os::AdvanceVirtualTime(1);  // 44 frames
  std::vector<int16_t> mixed = device.TakeMixed();
  ASSERT_EQ(mixed.size(), 88u);
  for (size_t i = 0; i < 44; ++i) EXPECT_EQ(mixed[2 * i], int16_t((i % 10) * 100 + 7)) << i;
  uint32_t play = 0, write = 0;
  a->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, (44u % 10) * 2);
}

TEST_F(AudioMixer, LockAcrossTheEndWrapsToTheStartAndPositionsFollowTheClock) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> b;
  ASSERT_EQ(device.CreateBuffer(Desc(44100, 2, 44100 * 4, pa::kBufferCtrlVolume), b), pa::kOk);
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(b->Lock(44100 * 4 - 8, 16, &p1, &n1, &p2, &n2), pa::kOk);
  EXPECT_EQ(n1, 8u);
  EXPECT_EQ(n2, 8u);
  EXPECT_NE(p2, nullptr);
  EXPECT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2), pa::kErrInvalidCall) << "already locked";
  ASSERT_EQ(b->Unlock(p1, n1, p2, n2), pa::kOk);
  EXPECT_EQ(b->Lock(0, 44100 * 4 + 4, &p1, &n1, &p2, &n2), pa::kErrInvalidParam);

  b->Play(pa::kPlayLooping);
  platform::os::AdvanceVirtualTime(250);
  uint32_t play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), pa::kOk);
  EXPECT_EQ(play, 11025u * 4);
  EXPECT_GT(write, play);
  b->Stop();
  platform::os::AdvanceVirtualTime(250);
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, 11025u * 4) << "a stopped buffer keeps its place";
  EXPECT_EQ(write, play);
}

TEST_F(AudioMixer, LostBuffersStopRefuseWorkAndComeBackSilentAfterRestore) {
  pa::headless::Device device(44100);
  std::shared_ptr<pa::IBuffer> b;
  ASSERT_EQ(device.CreateBuffer(Desc(44100, 1, 100 * 2, pa::kBufferCtrlVolume), b), pa::kOk);
  Fill(*b, std::vector<int16_t>(100, 1234));
  b->Play(pa::kPlayLooping);
  device.LoseBuffers();
  uint32_t status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, pa::kStatusBufferLost);
  void* p1 = nullptr;
  uint32_t n1 = 0;
  EXPECT_EQ(b->Lock(0, 4, &p1, &n1, nullptr, nullptr), pa::kErrBufferLost);
  EXPECT_EQ(b->Play(0), pa::kErrBufferLost);
  ASSERT_EQ(b->Restore(), pa::kOk);
  device.TakeMixed();
  ASSERT_EQ(b->Play(pa::kPlayLooping), pa::kOk);
  platform::os::AdvanceVirtualTime(2);
  for (int16_t s : device.TakeMixed()) ASSERT_EQ(s, 0);
}

TEST_F(AudioMixer, ClockSetBackOrFarAheadKeepsTheDeviceMixingInStep) {
  pa::headless::Device device(44100);
  platform::os::AdvanceVirtualTime(100);
  EXPECT_EQ(device.GetMixedFrames(), 4410u);
  platform::os::SetVirtualTime(10);  // earlier than the device's start
  EXPECT_EQ(device.GetMixedFrames(), 4410u);
  platform::os::AdvanceVirtualTime(100);
  EXPECT_EQ(device.GetMixedFrames(), 8820u) << "mixing goes on from the new time";
  device.SetCapture(false);
  platform::os::AdvanceVirtualTime(24 * 60 * 1000);  // a long run costs one minute of mixing
  EXPECT_EQ(device.GetMixedFrames(), 8820u + 24u * 60 * 44100);
  EXPECT_TRUE(device.TakeMixed().empty());
}
