// "animation" steps in a running engine, as step tables use them: over a sprite that has
// played before, and several over one sprite, back to back or with a pause between them. The
// sprite's coroutines run from the platform's task list, timed steps on the top modal's clock.
#include "engine/render/RenderFixture.h"

#include "anim/KAnimDescription.h"
#include "anim/KAnimQueue.h"
#include "core/TPlatform.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

class SpriteStepsTest : public RenderTest {
protected:
  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }

  static TModalWindow* Top() {
    return dynamic_cast<TModalWindow*>(TWindowManager::Instance()->GetTopModal());
  }

  // A new queue (the caller's reference) of the steps over the sprite.
  static KAnimQueue* Build(const boost::shared_ptr<TSprite>& sprite, const std::string& steps) {
    auto* queue = new KAnimQueue();
    boost::shared_ptr<TSprite> target = sprite;
    PropertyRecord record;
    StepBuildContext c;
    c.container = queue;
    c.target = &target;
    c.clock = Top() ? &Top()->GetClock() : nullptr;
    c.record = &record;
    Host()->DoLuaString(("gSteps = " + steps).c_str());
    std::unique_ptr<TLuaTable> table(Host()->GetGlobalTable("gSteps"));
    if (table) BuildAnimSequence(c, *table);
    return queue;
  }

  // Milliseconds of the virtual clock, each followed by a pass of the platform's and the top
  // modal's task lists, until the host's global is set.
  static void RunUntil(TPlatform* p, const char* global, int ms) {
    for (int i = 0; i < ms && Host()->GetGlobalNumber(global) == 0.0; ++i) {
      platform::os::AdvanceVirtualTime(1);
      p->GetTaskList()->RunTasks(0);
      if (TModalWindow* top = Top()) top->RunTasks(0);
    }
  }
};

}  // namespace

TEST_F(SpriteStepsTest, AnimationStepOverASpriteThatHasPlayedBefore) {
  RunScreen([&](TPlatform* p) {
    auto sprite = TAnimatedSprite::Create(0);
    sprite->GetScript()->DoLuaString(
        "function Idle() end function DoAnim() gPlayed = 1 AnimDone() end");
    // The finished play leaves its coroutine behind, which the step's own play replaces.
    sprite->Play("Idle");
    Host()->DoLuaString("gAfter = 0");
    KAnimQueue* queue =
        Build(sprite, "{ {type='animation'}, {type='command', command='gAfter = 1'} }");
    queue->Start();
    RunUntil(p, "gAfter", 50);
    EXPECT_EQ(sprite->GetScript()->GetGlobalNumber("gPlayed"), 1.0);
    EXPECT_EQ(Host()->GetGlobalNumber("gAfter"), 1.0);
    KReleaseRef(queue);
  });
}

TEST_F(SpriteStepsTest, EveryAnimationStepOverOneSpritePlaysIt) {
  RunScreen([&](TPlatform* p) {
    for (const char* steps :
         {"{ {type='animation'}, {type='animation'}, {type='command', command='gAfter = 1'} }",
          "{ {type='animation'}, {type='wait', duration=500}, {type='animation'},"
          "  {type='command', command='gAfter = 1'} }",
          // Together: the second play replaces the first, which ends with it.
          "{ {type='multiple', {type='animation'}, {type='animation'}},"
          "  {type='command', command='gAfter = 1'} }"}) {
      auto sprite = TAnimatedSprite::Create(0);
      sprite->GetScript()->DoLuaString(
          "gPlayed = 0 function DoAnim() gPlayed = gPlayed + 1 pause(10) AnimDone() end");
      Host()->DoLuaString("gAfter = 0");
      KAnimQueue* queue = Build(sprite, steps);
      queue->Start();
      RunUntil(p, "gAfter", 1000);
      EXPECT_EQ(sprite->GetScript()->GetGlobalNumber("gPlayed"), 2.0) << steps;
      EXPECT_EQ(Host()->GetGlobalNumber("gAfter"), 1.0) << steps;
      queue->Cancel();
      KReleaseRef(queue);
    }
  });
}

TEST_F(SpriteStepsTest, AnAnimationStepOverAScriptWithoutDoAnimLetsTheQueueGoOn) {
  // A looping pointer's script, say: it plays by itself and has nothing for the step to play.
  RunScreen([&](TPlatform* p) {
    auto sprite = TAnimatedSprite::Create(0);
    sprite->GetScript()->DoLuaString("function LoopAnim() end");
    Host()->DoLuaString("gAfter = 0");
    KAnimQueue* queue =
        Build(sprite, "{ {type='animation'}, {type='command', command='gAfter = 1'} }");
    queue->Start();
    RunUntil(p, "gAfter", 50);
    EXPECT_EQ(Host()->GetGlobalNumber("gAfter"), 1.0);
    EXPECT_TRUE(Logged("no DoAnim")) << Log();
    KReleaseRef(queue);
  });
}
