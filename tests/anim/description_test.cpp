// Animations built from Lua step tables and run on the virtual clock.
#include "AnimTestSupport.h"
#include "anim/KAnimDescription.h"
#include "anim/KAnimFilterStack.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSteps.h"
#include "render/QMSearchableSprite.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TScript.h"
#include "render/sprites/SpriteTestSupport.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

}  // namespace

class DescriptionTest : public AnimTest {
protected:
  void SetUp() override {
    AnimTest::SetUp();
    sprite = TSprite::Create(0, RecordingTexture::Make(1, 64, 32, nullptr));
    KSetSpritePosition(*sprite, TVec2(10, 20));
  }
  void TearDown() override {
    if (queue) {
      queue->Cancel();
      KReleaseRef(queue);
    }
    if (filters) KReleaseRef(filters);
    AnimTest::TearDown();
  }
  // Builds the steps into a new queue over the sprite and starts it.
  void Build(const std::string& steps, bool start = true) {
    queue = new KAnimQueue();
    if (filters) KReleaseRef(filters);
    filters = new KAnimFilterStack();
    StepBuildContext c;
    c.container = queue;
    c.target = &sprite;
    c.clock = &modal->GetClock();
    c.record = &record;
    c.filters = filters;
    auto t = Table(steps);
    ASSERT_TRUE(t) << steps;
    BuildAnimSequence(c, *t);
    if (start) queue->Start();
  }
  TVec2 Position() const { return KGetSpritePosition(*sprite); }

  boost::shared_ptr<TSprite> sprite;
  PropertyRecord record;
  KAnimQueue* queue = nullptr;
  KAnimFilterStack* filters = nullptr;
};

TEST_F(DescriptionTest, WaitsTruncateFractionsAndMessageWaitsIgnoreDuration) {
  Build("{ {type='wait', duration=500.9}, {type='command', command='gDone = 1'} }");
  Step(499);
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 0.0);
  Step(1);
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 1.0);
  queue->Cancel();
  KReleaseRef(queue);

  Build("{ {type='wait', message=2016, duration=10}, {type='command', command='gDone = 2'} }");
  Step(100);
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 1.0);
  auto* waiter = dynamic_cast<KAnimMessageWaiter*>(queue->GetCurrent());
  ASSERT_NE(waiter, nullptr);
  EXPECT_EQ(waiter->GetId(), 2016);
  EXPECT_TRUE(waiter->OnMessage(2016));
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 2.0);
}

// A message past the int range waits for the range's edge; one that is not a number is no
// message, so the step is a timer.
TEST_F(DescriptionTest, MessageWaitsPastTheIntRangeTakeItsEdges) {
  Build("{ {type='wait', message=1e30}, {type='command', command='gDone = 3'} }");
  auto* waiter = dynamic_cast<KAnimMessageWaiter*>(queue->GetCurrent());
  ASSERT_NE(waiter, nullptr);
  EXPECT_EQ(waiter->GetId(), 2147483647);
  queue->Cancel();
  KReleaseRef(queue);

  Build("{ {type='wait', message=0/0, duration=10}, {type='command', command='gDone = 4'} }");
  Step(10);
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 4.0);
}

TEST_F(DescriptionTest, PositionStepsChainThroughTheRecordAndPartialFromsKeepTheRest) {
  Build(
      "{ {type='position', from={5}, to={100, 50}, duration=100},"
      "  {type='position', to={0, 0}, duration=100},"
      "  {type='position', duration=100} }");
  Step(1);
  EXPECT_NEAR(Position().x, 5.95f, 1e-3);
  EXPECT_NEAR(Position().y, 20.3f, 1e-3) << "a missing component keeps the sprite's own";
  Step(99);
  EXPECT_EQ(Position(), TVec2(100, 50));
  Step(50);
  EXPECT_EQ(Position(), TVec2(50, 25)) << "the second starts where the first ended";
  Step(50);
  Step(50);
  EXPECT_EQ(Position(), TVec2(0, 0)) << "no from and no to: it holds still";
  EXPECT_EQ(record["position"][0], 0.0f);
}

TEST_F(DescriptionTest, RotationIsInDegreesAndAddsToTheCurrentTurn) {
  sprite->GetDrawState().transform.Rotate(0.3f);
  Build("{ {type='rotation', from=0, to=90, duration=100} }");
  for (int i = 0; i < 11; ++i) Step(10);
  EXPECT_NEAR(Angle(*sprite), 0.3f + kPi / 2, 1e-4);
  EXPECT_EQ(record["rotation"][0], 90.0f) << "the record keeps degrees";
}

TEST_F(DescriptionTest, ScaleComposesWithAnExistingScale) {
  sprite->GetDrawState().transform.Scale(3.0f);
  Build("{ {type='scale', from={2, 2}, to={4, 4}, duration=100} }");
  Step(1);
  EXPECT_NEAR(ScaleX(*sprite), 3.0f * 2.02f, 1e-3) << "the step's values multiply the transform";
  Step(100);
  EXPECT_NEAR(ScaleX(*sprite), 12.0f, 1e-3);

  sprite->GetDrawState().transform = TMat3();
  sprite->GetDrawState().transform.Scale(2.0f);
  record.clear();
  queue->Cancel();
  KReleaseRef(queue);
  Build("{ {type='scale', to={0, 3}, duration=100} }");
  auto* scale = dynamic_cast<KAnimScale<KSpritePtr>*>(queue->GetCurrent());
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(scale->GetFrom(), TVec2(1, 1)) << "not the sprite's own scale";
  EXPECT_EQ(scale->GetTo().x, FLT_EPSILON) << "a zero becomes the float epsilon";
}

TEST_F(DescriptionTest, OpacityReadsNumbersInStringsAndUnknownEaseIsLinear) {
  Build(
      "{ {type='opacity', from=1, to='0.5', duration=100, ease='Sin'},"
      "  {type='opacity', to=true, duration=100},"
      "  {type='anchorPoint', to={0.5, 0.5}, duration=0, ease='powerOut'} }");
  Step(50);
  EXPECT_FLOAT_EQ(sprite->GetDrawState().alpha, 0.75f) << "linear";
  Step(50);
  EXPECT_FLOAT_EQ(sprite->GetDrawState().alpha, 0.5f);
  auto* second = dynamic_cast<KAnimOpacity<KSpritePtr>*>(queue->GetCurrent());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetTo(), 0.5f) << "a boolean gives no floats";
  Step(100);
  Step(1);
  EXPECT_EQ(sprite->GetDrawState().origin, TVec2(32, 16));
}

TEST_F(DescriptionTest, EaseNamesPickTheirCurves) {
  Build("{ {type='position', to={100, 20}, duration=100, ease='powerOut'} }");
  Step(50);
  EXPECT_NEAR(Position().x, 10 + 90 * 0.875f, 1e-3);
}

TEST_F(DescriptionTest, GroupsRunTogetherAndFilterStepsAddNoLength) {
  Build(
      "{ {type='blur', from=0, to=4, duration=300},"
      "  {type='multiple', {type='position', to={30, 20}, duration=100},"
      "                    {type='opacity', to=0, duration=200}, 7, {type='nothing'}},"
      "  {type='multiple'},"
      "  {type='command', command='gDone = 3'} }");
  EXPECT_EQ(filters->GetFilterCount(), 1u);
  EXPECT_EQ(filters->GetDuration(), 300.0f);
  auto* group = dynamic_cast<KAnimMultiple*>(queue->GetCurrent());
  ASSERT_NE(group, nullptr) << "the blur step starts nothing";
  EXPECT_EQ(group->GetChildCount(), 2u);
  Step(150);
  EXPECT_EQ(Position(), TVec2(30, 20));
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 0.0);
  Step(60);
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 3.0) << "the empty group built nothing";
}

TEST_F(DescriptionTest, AGroupWhoseEntriesBuildNothingLetsTheQueueGoOn) {
  // A filter step and an "animation" step over a plain sprite: a group, but nothing in it.
  Build(
      "{ {type='multiple', {type='blur', from=0, to=2, duration=10}, {type='animation'}},"
      "  {type='command', command='gDone = 4'} }");
  EXPECT_EQ(host->GetGlobalNumber("gDone"), 4.0);
}

TEST_F(DescriptionTest, RemoveWindowAndUnknownSteps) {
  auto parent = boost::shared_ptr<QMSearchableSprite>(new QMSearchableSprite(0));
  parent->AddSprite(sprite, "piece");
  Build(
      "{ {type='wait', duration=10}, {type='remove'}, {type='window', window='x'},"
      "  {type='window', window='', command='clear'}, {type='Position'}, {type='animation'} }",
      false);
  EXPECT_EQ(queue->GetWaitingCount(), 2u) << "wait and remove; the rest build nothing";
  queue->Start();
  EXPECT_EQ(parent->GetSprite("piece"), sprite);
  Step(20);
  EXPECT_EQ(parent->GetSprite("piece"), nullptr);
}

TEST_F(DescriptionTest, AnimationStepPlaysTheSpriteScriptUntilItCallsAnimDone) {
  auto animated = TAnimatedSprite::Create(0);
  animated->SetClock(&modal->GetClock());
  TScript* script = animated->GetScript();
  ASSERT_NE(script, nullptr);
  script->DoLuaString("gPlayed = 0 function DoAnim() gPlayed = 1 AnimDone() end");
  sprite = animated;
  Build("{ {type='animation'}, {type='command', command='gAfter = 1'} }");
  for (int i = 0; i < 5 && host->GetGlobalNumber("gAfter") == 0.0; ++i) {
    Step(10);
    if (script->Ready(0)) script->DoTask();
  }
  EXPECT_EQ(script->GetGlobalNumber("gPlayed"), 1.0);
  EXPECT_EQ(host->GetGlobalNumber("gAfter"), 1.0) << "AnimDone ended the step";
  EXPECT_EQ(animated->GetCurrentFrame(), 0);
}
