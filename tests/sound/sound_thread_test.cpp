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
