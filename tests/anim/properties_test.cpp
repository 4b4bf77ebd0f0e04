// Property animations on sprites, windows and colours, on the virtual clock.
#include "AnimTestSupport.h"
#include "anim/KAnimProperties.h"
#include "render/sprites/SpriteTestSupport.h"
#include "window/TImage.h"

#include <cmath>

namespace {

boost::shared_ptr<TSprite> SpriteWithTexture(int w, int h) {
  return TSprite::Create(0, RecordingTexture::Make(1, w, h, nullptr));
}

// A text stand-in with the colour calls the flash uses.
struct ColourText {
  TColor GetColor() const { return colour; }
  void SetColor(const TColor& c) { colour = c; }
  TColor colour{1, 1, 1, 1};
};

}  // namespace

TEST_F(AnimTest, MoveReachesHalfwayAndEndsExactlyOnTarget) {
  auto sprite = TSprite::Create(0);
  auto* move = new KAnimMove<KSpritePtr>(sprite, TVec2(0, 0), TVec2(100, 50));
  move->SetDuration(1000);
  move->Start();
  Step(500);
  EXPECT_EQ(KGetSpritePosition(*sprite), TVec2(50, 25));
  Step(600);
  EXPECT_EQ(KGetSpritePosition(*sprite), TVec2(100, 50));
  KReleaseRef(move);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, ScaleAndRotationComposeWithTheTransformAsItWas) {
  auto sprite = TSprite::Create(0);
  sprite->GetDrawState().transform.Scale(3.0f);
  sprite->GetDrawState().transform.Rotate(0.25f);
  auto* scale = new KAnimScale<KSpritePtr>(sprite, TVec2(2, 2), TVec2(4, 4));
  scale->SetDuration(100);
  scale->Start();
  Step(10);
  EXPECT_NEAR(ScaleX(*sprite), 3.0f * 2.2f / 2.0f, 1e-4) << "no jump on the first frame";
  Step(100);
  EXPECT_NEAR(ScaleX(*sprite), 6.0f, 1e-4);
  KReleaseRef(scale);

  auto* rotate = new KAnimRotate<KSpritePtr>(sprite, 0.0f, 3.14159265f);
  rotate->SetDuration(100);
  rotate->Start();
  for (int i = 0; i < 10; ++i) Step(10);
  EXPECT_NEAR(Angle(*sprite), 0.25f + 3.14159265f - 2 * 3.14159265f, 1e-4);
  EXPECT_NEAR(ScaleX(*sprite), 6.0f, 1e-4) << "turning keeps the scale";
  KReleaseRef(rotate);
}

TEST_F(AnimTest, OpacityAnchorAndWindowMoves) {
  auto sprite = SpriteWithTexture(64, 32);
  auto* anchor = new KAnimAnchorPoint<KSpritePtr>(sprite, TVec2(0, 0), TVec2(0.5f, 0.5f));
  auto* fade = new KAnimOpacity<KSpritePtr>(sprite, 1.0f, 0.0f);
  for (KAnimDriverBase* d :
       {static_cast<KAnimDriverBase*>(anchor), static_cast<KAnimDriverBase*>(fade)}) {
    d->SetDuration(100);
    d->Start();
  }
  Step(50);
  EXPECT_FLOAT_EQ(sprite->GetDrawState().alpha, 0.5f);
  Step(60);
  EXPECT_EQ(sprite->GetDrawState().origin, TVec2(32, 16));
  EXPECT_FLOAT_EQ(sprite->GetDrawState().alpha, 0.0f);
  KReleaseRef(anchor);
  KReleaseRef(fade);

  auto bare = TSprite::Create(0);
  KSetSpriteAnchorPoint(*bare, TVec2(0.5f, 0.5f));
  EXPECT_EQ(bare->GetDrawState().origin, TVec2(400, 300)) << "no texture counts as 800 x 600";

  auto* image = new TImage();
  modal->AddChild(Own(image));
  auto* move = new KAnimMove<TImage&>(*image, TVec2(0, 0), TVec2(10.9f, -3.7f));
  move->Finish();
  EXPECT_EQ(image->GetRect().left, 10);
  EXPECT_EQ(image->GetRect().top, -3);
  KReleaseRef(move);
}

TEST_F(AnimTest, CancelledAnimationStopsWithoutItsEndValue) {
  auto sprite = TSprite::Create(0);
  auto* move = new KAnimMove<KSpritePtr>(sprite, TVec2(0, 0), TVec2(100, 0));
  move->SetDuration(1000);
  move->Start();
  Step(250);
  move->Cancel();
  Step(1000);
  EXPECT_EQ(KGetSpritePosition(*sprite), TVec2(25, 0));
  KReleaseRef(move);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, ColourFlashTurnsHoldsAndTurnsBack) {
  ColourText text;
  const TColor red(1, 0, 0, 1);
  EXPECT_EQ(MakeTextColorFlash<ColourText>(nullptr, red, 400, 2, nullptr, nullptr, nullptr),
            nullptr);
  KAnimQueue* flash = MakeTextColorFlash(&text, red, 400, 2, nullptr, nullptr, nullptr);
  ASSERT_NE(flash, nullptr);
  flash->Start();
  Step(50);
  EXPECT_FLOAT_EQ(text.colour.g, 0.5f) << "each step lasts 400 / 4 ms";
  Step(60);
  EXPECT_EQ(text.colour, red);
  Step(100);
  Step(10);
  Step(120);
  EXPECT_EQ(text.colour, TColor(1, 1, 1, 1)) << "back to the colour it had";
  EXPECT_EQ(flash->GetCurrent(), nullptr);
  KReleaseRef(flash);
}
