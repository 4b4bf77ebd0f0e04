// The sound thread refilling streams while the main thread plays, changes volumes and takes
// the ends; run under ThreadSanitizer with the rest of the threaded tests.
#include "SoundFixture.h"

#include <chrono>

namespace {

// The thread wakes every 50 ms of real time; each wait gives it the chance to run a pass.
void LetTheThreadRun() { std::this_thread::sleep_for(std::chrono::milliseconds(60)); }

}  // namespace

class SoundThread : public SoundTest {};

TEST_F(SoundThread, ThreadRefillsAndTheEndArrivesOnTheMainThread) {
  // A manager of its own that runs the thread, over the fixture's asset manager.
  mManager.reset();
  mManager = std::make_unique<TSoundManager>();
  auto device = std::make_unique<platform::audio::headless::Device>(44100);
  mDevice = device.get();
  ASSERT_TRUE(mManager->Init(std::move(device), true));

  auto click = TSound::Get(MakeOgg("click.ogg", 0.3), true, 1000);
  auto music = TSound::Get(MakeOgg("music.ogg", 3.0), false, 1001);
  ASSERT_TRUE(click && music);
  EndRecorder ends;
  auto c = click->Play(false);
  c->SetCallBack(&ends);
  auto m = music->Play(true);

  for (int i = 0; i < 200 && ends.ends.empty(); ++i) {
    platform::os::AdvanceVirtualTime(200);
    mManager->SetGroupVolume(1001, i % 2 ? 0.5f : 0.7f);
    LetTheThreadRun();
    mManager->DispatchCallBacks();
  }
  ASSERT_EQ(ends.ends.size(), 1u);
  EXPECT_EQ(ends.threads[0], std::this_thread::get_id());
  EXPECT_EQ(mManager->GetStreamCount(), 1u);
  EXPECT_GT(mDevice->GetMixedFrames(), 0u);
  m->Stop();
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

// Teardown order of the platform: the manager (and its thread) goes while sounds still play and
// their callbacks, instances and sounds are still held by the game.
TEST_F(SoundThread, SoundsInstancesAndCallbacksOutliveTheManagerSafely) {
  mManager.reset();
  mManager = std::make_unique<TSoundManager>();
  auto device = std::make_unique<platform::audio::headless::Device>(44100);
  mDevice = device.get();
  ASSERT_TRUE(mManager->Init(std::move(device), true));

  auto music = TSound::Get(MakeOgg("music.ogg", 3.0), false, 1001);
  auto click = TSound::Get(MakeOgg("click.ogg", 0.2), true, 1000);
  ASSERT_TRUE(music && click);
  auto ends = std::make_unique<EndRecorder>();
  auto m = music->Play(true);
  auto c = click->Play(false);
  m->SetCallBack(ends.get());
  c->SetCallBack(ends.get());
  for (int i = 0; i < 10; ++i) {
    platform::os::AdvanceVirtualTime(100);
    LetTheThreadRun();
  }
  mManager.reset();
  EXPECT_TRUE(ends->ends.empty()) << "no callback runs while the sound system shuts down";
  EXPECT_EQ(m->GetStream(), nullptr);
  EXPECT_EQ(c->GetStream(), nullptr);
  EXPECT_FALSE(music->Play(false)) << "no manager, no instance";
  EXPECT_NE(Log().find("No Sound Manager"), std::string::npos);
  m->SetPaused(true);
  m->Stop();
  music->StopAll();
  ends.reset();
  music.reset();
  click.reset();
  EXPECT_EQ(m->GetSound(), nullptr);
}
