// Sound steps built from Lua tables: sounds start under ids, a second step with a taken id
// keeps the first instance registered, "killSound" stops what an id plays, and the holder
// lets instances go as they end.
#include "sound/SoundFixture.h"

#include "anim/KAnimDescription.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "render/TAssetMap.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "support/WindowOwnership.h"
#include "window/TScreen.h"
#include "window/TWindowManager.h"

class SoundStepTest : public SoundTest {
protected:
  void SetUp() override {
    SoundTest::SetUp();
    wm = new TWindowManager();
    host = new TWindowScript();
    wm->AttachScriptHost(host);
    wm->SetRoot(Own(new TScreen()));
  }
  void TearDown() override {
    KAnimSoundHolder::DestroyInstance();
    delete wm;
    SoundTest::TearDown();
  }
  // Builds and starts a queue of the steps; answers it (the caller releases it).
  KAnimQueue* Play(const std::string& steps) {
    auto* queue = new KAnimQueue();
    StepBuildContext c;
    c.container = queue;
    c.assets = &assets;
    host->DoLuaString(("gSteps = " + steps).c_str());
    std::unique_ptr<TLuaTable> t(host->GetGlobalTable("gSteps"));
    EXPECT_TRUE(t);
    if (t) BuildAnimSequence(c, *t);
    queue->Start();
    return queue;
  }

  TWindowManager* wm = nullptr;
  TWindowScript* host = nullptr;
  TAssetMap assets;
};

TEST_F(SoundStepTest, StepsStartSoundsUnderIdsWithinOneQueueStart) {
  const str tone = MakeOgg("tone.ogg", 0.2);
  const str loop = MakeOgg("loop.ogg", 0.5, 660.0);
  KAnimQueue* queue = Play(
      "{ {type='command', command='gBefore = 1'},"
      "  {type='sound', sound='" +
      std::string(tone.CStr()) +
      "', id='a'},"
      "  {type='sound', sound='" +
      std::string(loop.CStr()) +
      "', id='a', loop=true},"
      "  {type='sound', sound='no such sound.ogg', id='b'},"
      "  {type='command', command='gAfter = 1'} }");
  EXPECT_EQ(queue->GetCurrent(), nullptr) << "the whole queue ran within its start";
  EXPECT_EQ(host->GetGlobalNumber("gAfter"), 1.0);
  EXPECT_EQ(mManager->GetStreamCount(), 2u);
  EXPECT_EQ(KAnimSoundHolder::Instance()->GetHeldCount(), 2u);
  auto first = KAnimSound::FindInstance("a");
  ASSERT_TRUE(first);
  EXPECT_EQ(assets.GetSize(), 2u) << "the sounds stay loaded in the owner's asset map";

  // The short tone ends: the id is free again, and only the looping sound is held.
  Run(2000);
  mManager->DispatchCallBacks();
  EXPECT_EQ(KAnimSound::FindInstance("a"), nullptr);
  EXPECT_EQ(KAnimSoundHolder::Instance()->GetHeldCount(), 1u);
  EXPECT_EQ(mManager->GetStreamCount(), 1u);
  KReleaseRef(queue);
}

TEST_F(SoundStepTest, KillSoundStopsTheLoopStartedUnderItsId) {
  const str loop = MakeOgg("loop.ogg", 0.5, 660.0);
  KAnimQueue* start =
      Play("{ {type='sound', sound='" + std::string(loop.CStr()) + "', id='music', loop=true} }");
  Run(1000);
  EXPECT_EQ(mManager->GetStreamCount(), 1u) << "the loop plays on";
  KAnimQueue* kill = Play("{ {type='sound', command='killSound', id='music'} }");
  Run(100);
  mManager->DispatchCallBacks();
  EXPECT_EQ(mManager->GetStreamCount(), 0u);
  EXPECT_EQ(KAnimSound::FindInstance("music"), nullptr);
  KReleaseRef(start);
  KReleaseRef(kill);
}
