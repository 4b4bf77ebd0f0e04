// The sound fader step in a running engine: it hands a fade task to the platform and finishes
// at once; a fade from a negative volume starts at the group's current volume, and a fade that
// changes nothing makes no task.
#include "engine/render/RenderFixture.h"

#include "anim/KAnimSound.h"
#include "core/TPlatform.h"
#include "sound/TSoundManager.h"

TEST_F(RenderTest, SoundFaderHandsItsFadeToThePlatform) {
  RunScreen([&](TPlatform* platform) {
    TSoundManager* sm = TSoundManager::Instance();
    ASSERT_NE(sm, nullptr);
    sm->SetGroupVolume(1002, 0.8f);
    const size_t tasks = platform->GetTaskList()->Size();

    auto* same = new KAnimSoundFader(1002, 0.8f, 0.8f, 100);
    same->Start();
    KReleaseRef(same);
    EXPECT_EQ(platform->GetTaskList()->Size(), tasks) << "nothing to fade";

    auto* fade = new KAnimSoundFader(1002, -1.0f, 0.0f, 100);
    fade->Start();
    KReleaseRef(fade);
    EXPECT_EQ(platform->GetTaskList()->Size(), tasks + 1);
    platform::os::AdvanceVirtualTime(10);
    platform->GetTaskList()->RunTasks(0);
    platform::os::AdvanceVirtualTime(50);
    platform->GetTaskList()->RunTasks(0);
    const float midway = sm->GetVolume(1002);
    EXPECT_LT(midway, 0.8f) << "fading from the group's own volume";
    EXPECT_GT(midway, 0.2f);
  });
}
