// Sounds playing through the manager and the headless device on the virtual clock: ends and
// their delivery, loops, volumes, activation, refills and stopping.
#include "SoundFixture.h"

TEST_F(SoundTest, ShortOneShotEndsAndItsCallbackRunsAtTheMainThreadsDispatch) {
  auto sound = TSound::Get(MakeOgg("click.ogg", 0.5), true, 1001);
  ASSERT_TRUE(sound);
  EndRecorder recorder;
  auto instance = sound->Play(false);
  ASSERT_TRUE(instance);
  ASSERT_NE(instance->GetStream(), nullptr);
  EXPECT_TRUE(instance->GetStream()->IsOneShot());
  instance->SetCallBack(&recorder);

  Run(2000);
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
  EXPECT_TRUE(recorder.ends.empty()) << "ends wait for the main thread's dispatch";
  mManager->DispatchCallBacks();
  ASSERT_EQ(recorder.ends.size(), 1u);
  EXPECT_EQ(recorder.ends[0], instance.get());
  EXPECT_EQ(recorder.threads[0], std::this_thread::get_id());
  EXPECT_EQ(instance->GetStream(), nullptr);
  EXPECT_EQ(sound->GetData()->GetInstanceCount(), 0u);

  auto mixed = mDevice->TakeMixed();
  EXPECT_GT(Rms(mixed, 0, 22000), 6000.0) << "the tone plays";
  EXPECT_EQ(PeakOf(mixed, 22050, mixed.size() / 2), 0) << "and nothing after it";
}

TEST_F(SoundTest, LoopWrapsWithoutGapOrClick) {
  // 441 whole periods in half a second, so the sound itself joins smoothly.
  auto sound = TSound::Get(MakeOgg("loop.ogg", 0.5, 882.0), true, 1001);
  ASSERT_TRUE(sound);
  auto instance = sound->Play(true);
  ASSERT_TRUE(instance);
  EXPECT_FALSE(instance->GetStream()->IsOneShot());
  Run(4500);
  auto mixed = mDevice->TakeMixed();
  ASSERT_GE(mixed.size() / 2, 4u * 44100);
  // The steepest step of this sine is about 1,500; a gap or a jump at a wrap is far more.
  int worst = 0;
  size_t at = 0;
  for (size_t i = 1; i < 4 * 44100; ++i) {
    int step = std::abs(int(mixed[2 * i]) - int(mixed[2 * (i - 1)]));
    if (step > worst) {
      worst = step;
      at = i;
    }
  }
  EXPECT_LT(worst, 2500) << "at frame " << at;
  for (size_t w = 0; w + 441 <= 4 * 44100; w += 441)
    ASSERT_GT(Rms(mixed, w, w + 441), 6000.0) << "silence in window at frame " << w;
  EXPECT_EQ(mManager->GetStreamCount(), 1u);
}

TEST_F(SoundTest, GroupAndMasterVolumesMultiply) {
  mManager->SetMasterVolume(0.8f);
  mManager->SetGroupVolume(1001, 0.5f);
  EXPECT_FLOAT_EQ(mManager->GetVolume(1001), 0.4f);
  EXPECT_FLOAT_EQ(mManager->GetVolume(7), 0.8f) << "a group without an entry plays at the master";

  auto sound = TSound::Get(MakeOgg("music.ogg", 1.0), true, 1001);
  ASSERT_TRUE(sound);
  auto instance = sound->Play(true);
  Run(500);
  mDevice->TakeMixed();
  Run(500);
  double quiet = Rms(mDevice->TakeMixed(), 0, 22050);
  mManager->SetMasterVolume(1.0f);
  Run(500);
  double louder = Rms(mDevice->TakeMixed(), 0, 22050);
  double full = 12000.0 / std::sqrt(2.0);
  EXPECT_NEAR(quiet / full, platform::audio::GainOfVolume(TSoundStream::VolumeToAttenuation(0.4f)),
              0.01);
  EXPECT_NEAR(louder / full, platform::audio::GainOfVolume(TSoundStream::VolumeToAttenuation(0.5f)),
              0.01);
}

TEST_F(SoundTest, DeactivationPausesAndActivationResumesAllButWhatTheUserPaused) {
  auto music = TSound::Get(MakeOgg("music.ogg", 3.0), false, 1001);
  auto effect = TSound::Get(MakeOgg("effect.ogg", 1.0, 660.0), true, 1000);
  ASSERT_TRUE(music && effect);
  auto playing = music->Play(true);
  auto paused = effect->Play(true);
  paused->SetPaused(true);
  Run(500);
  mManager->SetActive(false);
  mDevice->TakeMixed();
  Run(1000);
  EXPECT_EQ(PeakOf(mDevice->TakeMixed(), 0, 44100), 0) << "nothing plays while inactive";
  auto started = effect->Play(false);
  EXPECT_TRUE(started->GetStream()->IsPaused()) << "a sound started while inactive waits";

  mManager->SetActive(true);
  Run(500);
  EXPECT_GT(Rms(mDevice->TakeMixed(), 0, 22050), 6000.0);
  EXPECT_FALSE(playing->GetStream()->IsPaused());
  EXPECT_FALSE(started->GetStream()->IsPaused());
  EXPECT_TRUE(paused->GetStream()->IsPaused()) << "the user's pause outlasts reactivation";
}

// A short effect played once is paused halfway (by the player or by the game losing focus):
// its buffer stands still, which must not read as having played to its end.
TEST_F(SoundTest, PausedOneShotWaitsAndPlaysItsRestOnResume) {
  auto effect = TSound::Get(MakeOgg("effect.ogg", 1.0), true, 1000);
  ASSERT_TRUE(effect);
  for (bool byTheGame : {false, true}) {
    EndRecorder ends;
    auto instance = effect->Play(false);
    ASSERT_TRUE(instance->GetStream()->IsOneShot());
    instance->SetCallBack(&ends);
    Run(600);
    if (byTheGame)
      mManager->SetActive(false);
    else
      instance->SetPaused(true);
    Run(3000);
    mManager->DispatchCallBacks();
    EXPECT_TRUE(ends.ends.empty()) << byTheGame;
    ASSERT_EQ(mManager->GetStreamCount(), 1u) << byTheGame;

    mDevice->TakeMixed();
    if (byTheGame)
      mManager->SetActive(true);
    else
      instance->SetPaused(false);
    Run(3000);
    mManager->DispatchCallBacks();
    EXPECT_EQ(ends.ends.size(), 1u) << byTheGame;
    EXPECT_GT(Rms(mDevice->TakeMixed(), 0, 13000), 6000.0) << "the rest plays, " << byTheGame;
  }
}

TEST_F(SoundTest, LongSoundIsRefilledInTimeAndEndsAfterItsLength) {
  auto sound = TSound::Get(MakeOgg("long.ogg", 5.0), true, 1001);
  ASSERT_TRUE(sound);
  EXPECT_TRUE(sound->GetData()->HasDecoder());
  EndRecorder recorder;
  auto instance = sound->Play(false);
  instance->SetCallBack(&recorder);
  EXPECT_FALSE(instance->GetStream()->IsOneShot()) << "longer than its buffer: refilled";
  uint32_t endedAfter = 0;
  for (uint32_t t = 0; t < 9000 && !endedAfter; t += 50) {
    Run(50);
    if (mManager->GetStreamCount() == 0) endedAfter = t + 50;
  }
  EXPECT_GE(endedAfter, 5000u);
  EXPECT_LE(endedAfter, 8000u);
  auto mixed = mDevice->TakeMixed();
  for (size_t w = 0; w + 4410 <= 4 * 44100 + 39690; w += 4410)
    ASSERT_GT(Rms(mixed, w, w + 4410), 6000.0) << "the buffer ran dry at frame " << w;
  EXPECT_EQ(PeakOf(mixed, 5 * 44100 + 10, mixed.size() / 2), 0);
  mManager->DispatchCallBacks();
  EXPECT_EQ(recorder.ends.size(), 1u);
}

TEST_F(SoundTest, StoppingAGroupOrASoundEndsOnlyThoseAndTellsTheirCallbacksAtOnce) {
  auto music = TSound::Get(MakeOgg("music.ogg", 1.0), true, 1001);
  auto effect = TSound::Get(MakeOgg("effect.ogg", 1.0, 660.0), true, 1000);
  ASSERT_TRUE(music && effect);
  EndRecorder musicEnds, effectEnds;
  auto m = music->Play(true);
  m->SetCallBack(&musicEnds);
  auto e1 = effect->Play(true);
  auto e2 = effect->Play(false);
  e1->SetCallBack(&effectEnds);
  e2->SetCallBack(&effectEnds);
  EXPECT_EQ(mManager->GetStreamCount(), 3u);

  mManager->StopAll(1001);
  EXPECT_EQ(musicEnds.ends.size(), 1u) << "told at once, without a dispatch";
  EXPECT_TRUE(effectEnds.ends.empty());
  EXPECT_EQ(mManager->GetStreamCount(), 2u);

  EXPECT_TRUE(effect->StopAll());
  EXPECT_EQ(effectEnds.ends.size(), 2u);
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
  EXPECT_EQ(effect->GetData()->GetInstanceCount(), 0u);
  e1->Stop();  // stopping an ended instance again is harmless
}

// A sound stops when its last handle goes, unless a playing instance holds it: then it plays on
// until it ends, is stopped, its group is stopped or the sound system shuts down, and the sound
// is released each time (nothing keeps it alive afterwards).
TEST_F(SoundTest, HeldInstancePlaysOnWithoutHandlesUntilItEndsOrIsStopped) {
  const str musicName = MakeOgg("music.ogg", 1.0);
  const str clickName = MakeOgg("click.ogg", 0.3);
  {
    auto unheld = TSound::Get(musicName, false, 1001);
    ASSERT_TRUE(unheld);
    unheld->Play(true);
    EXPECT_EQ(mManager->GetStreamCount(), 1u);
  }
  EXPECT_EQ(mManager->GetStreamCount(), 0u) << "a sound without a handle stops";

  enum class End { Natural, StopInstance, StopSound, StopGroup, Shutdown };
  for (End end : {End::Natural, End::StopInstance, End::StopSound, End::StopGroup, End::Shutdown}) {
    SCOPED_TRACE(int(end));
    const bool loop = end != End::Natural;
    boost::weak_ptr<TSound> watch;
    boost::weak_ptr<TSoundInstance> instanceWatch;
    {
      auto sound = TSound::Get(loop ? musicName : clickName, false, 1001);
      ASSERT_TRUE(sound);
      auto instance = sound->Play(loop);
      ASSERT_TRUE(instance);
      instance->HoldSoundUntilEnd();
      watch = sound;
      instanceWatch = instance;
    }
    Run(1500);
    mManager->DispatchCallBacks();
    EXPECT_GT(Rms(mDevice->TakeMixed(), 0, 4410), 6000.0) << "the sound is heard";
    if (loop) {
      ASSERT_FALSE(watch.expired()) << "the held music plays on";
      EXPECT_EQ(mManager->GetStreamCount(), 1u);
    }
    switch (end) {
      case End::Natural: break;  // the one-shot has ended by now
      case End::StopInstance: instanceWatch.lock()->Stop(); break;
      case End::StopSound: watch.lock()->StopAll(); break;
      case End::StopGroup: mManager->StopAll(1001); break;
      case End::Shutdown: mManager.reset(); break;
    }
    EXPECT_TRUE(watch.expired()) << "the hold ends with the instance";
    EXPECT_TRUE(instanceWatch.expired());
    if (mManager) {
      EXPECT_EQ(mManager->GetStreamCount(), 0u);
    }
  }
}

TEST_F(SoundTest, CallbackDestroyedBeforeItsInstanceEndsIsNeverCalled) {
  auto sound = TSound::Get(MakeOgg("click.ogg", 0.3), true, 1000);
  ASSERT_TRUE(sound);
  auto instance = sound->Play(false);
  {
    EndRecorder gone;
    instance->SetCallBack(&gone);
    EXPECT_EQ(instance->GetCallBack(), &gone);
  }
  EXPECT_EQ(instance->GetCallBack(), nullptr);
  Run(2000);
  mManager->DispatchCallBacks();
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
}

// Game code often tidies up in its end callback: stopping, pausing or stopping all of the
// sound whose instance has just ended, while the ended stream is being taken down.
TEST_F(SoundTest, CallbackMayStopOrPauseTheInstanceThatHasJustEnded) {
  struct Tidy : TSoundCallBack {
    void OnSoundEnd(boost::shared_ptr<TSoundInstance> instance,
                    boost::shared_ptr<TSound>) override {
      streamAtEnd = instance->GetStream();
      instance->SetPaused(true);
      instance->Stop();
      if (auto sound = instance->GetSound()) sound->StopAll();
      ++ends;
    }
    TSoundStream* streamAtEnd = reinterpret_cast<TSoundStream*>(1);
    int ends = 0;
  };
  auto sound = TSound::Get(MakeOgg("click.ogg", 0.3), true, 1000);
  ASSERT_TRUE(sound);
  // Ended on its own and delivered by the dispatch; then stopped through its group.
  Tidy natural, stopped;
  sound->Play(false)->SetCallBack(&natural);
  Run(2000);
  mManager->DispatchCallBacks();
  EXPECT_EQ(natural.ends, 1);
  EXPECT_EQ(natural.streamAtEnd, nullptr) << "an ended instance has no stream any more";
  sound->Play(true)->SetCallBack(&stopped);
  mManager->StopAll(1000);
  EXPECT_EQ(stopped.ends, 1);
  EXPECT_EQ(stopped.streamAtEnd, nullptr);
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
  EXPECT_EQ(sound->GetData()->GetInstanceCount(), 0u);
}

class SoundWithoutDevice : public SoundTest {
protected:
  bool WithDevice() const override { return false; }
};

TEST_F(SoundWithoutDevice, OneShotEndsOnItsClockAndALoopNeverEnds) {
  auto click = TSound::Get(MakeOgg("click.ogg", 1.0), true, 1000);
  auto music = TSound::Get(MakeOgg("music.ogg", 1.0), true, 1001);
  ASSERT_TRUE(click && music);
  EndRecorder clickEnds, musicEnds;
  auto c = click->Play(false);
  auto m = music->Play(true);
  c->SetCallBack(&clickEnds);
  m->SetCallBack(&musicEnds);
  EXPECT_FALSE(c->GetStream()->HasBuffer());

  Run(600);  // one pass, at 550 ms
  mManager->DispatchCallBacks();
  EXPECT_TRUE(clickEnds.ends.empty()) << "not before its length";
  Run(600);  // the next, at 1,100 ms
  mManager->DispatchCallBacks();
  EXPECT_EQ(clickEnds.ends.size(), 1u);

  Run(10000);
  mManager->DispatchCallBacks();
  EXPECT_TRUE(musicEnds.ends.empty()) << "a loop plays on without a device too";
  EXPECT_EQ(mManager->GetStreamCount(), 1u);
}

TEST_F(SoundWithoutDevice, PausedStreamHoldsItsClock) {
  auto click = TSound::Get(MakeOgg("click.ogg", 0.5), true, 1000);
  ASSERT_TRUE(click);
  auto c = click->Play(false);
  c->SetPaused(true);
  Run(3000);
  EXPECT_EQ(mManager->GetStreamCount(), 1u);
  c->SetPaused(false);
  Run(1500);
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
}
