// The fade of a volume group over time, ticked as its task list would tick it.
#include "SoundFixture.h"

#include "anim/KSoundFadeTask.h"

namespace {

// Ticks the task every 10 ms until it finishes; answers the number of ticks.
int RunFade(KSoundFadeTask& task, std::vector<float>* volumes, TSoundManager& manager,
            int32_t group) {
  int ticks = 0;
  while (ticks < 1000) {
    ++ticks;
    bool more = task.Animate();
    if (volumes) volumes->push_back(manager.GetVolume(group));
    if (!more) break;
    platform::os::AdvanceVirtualTime(10);
  }
  return ticks;
}

}  // namespace

TEST_F(SoundTest, FadeRisesStepByStepAndEndsExactlyOnItsTarget) {
  KSoundFadeTask fade(1001, 0.0f, 0.75f, 100);
  std::vector<float> volumes;
  int ticks = RunFade(fade, &volumes, *mManager, 1001);
  EXPECT_EQ(ticks, 11) << "the first tick only starts; the one at 100 ms ends";
  for (size_t i = 2; i + 1 < volumes.size(); ++i) EXPECT_GT(volumes[i], volumes[i - 1]);
  EXPECT_FLOAT_EQ(volumes[1], 0.075f);
  EXPECT_EQ(volumes.back(), 0.75f);
}

TEST_F(SoundTest, FadeToSilenceStopsTheGroupAndGivesItsVolumeBack) {
  auto music = TSound::Get(MakeOgg("music.ogg", 1.0), true, 1001);
  auto effect = TSound::Get(MakeOgg("effect.ogg", 1.0, 660.0), true, 1000);
  ASSERT_TRUE(music && effect);
  EndRecorder ends;
  auto m = music->Play(true);
  m->SetCallBack(&ends);
  auto e = effect->Play(true);
  mManager->SetGroupVolume(1001, 0.8f);

  KSoundFadeTask fade(1001, 0.8f, 0.0f, 200);
  std::vector<float> volumes;
  RunFade(fade, &volumes, *mManager, 1001);
  EXPECT_LT(volumes[volumes.size() - 2], 0.1f);
  EXPECT_EQ(ends.ends.size(), 1u);
  EXPECT_EQ(mManager->GetStreamCount(), 1u) << "other groups play on";
  EXPECT_EQ(mManager->GetVolume(1001), 1.0f);
}

TEST_F(SoundTest, FadeWithoutDurationEndsAtOnceOnItsTarget) {
  for (int duration : {0, -50}) {
    KSoundFadeTask fade(1000, 1.0f, 0.3f, duration);
    EXPECT_FALSE(fade.Animate()) << duration;
    EXPECT_FLOAT_EQ(mManager->GetVolume(1000), 0.3f) << duration;
  }
}

TEST_F(SoundTest, FadeFollowsTheClockOfItsTask) {
  TClock clock;
  clock.Start();
  KSoundFadeTask fade(1000, 1.0f, 0.5f, 100);
  fade.SetClock(&clock);
  fade.Animate();
  platform::os::AdvanceVirtualTime(50);
  clock.Pause();
  fade.Animate();
  EXPECT_FLOAT_EQ(mManager->GetVolume(1000), 0.75f);
  platform::os::AdvanceVirtualTime(500);
  EXPECT_TRUE(fade.Animate()) << "a paused clock holds the fade";
  EXPECT_FLOAT_EQ(mManager->GetVolume(1000), 0.75f);
}
