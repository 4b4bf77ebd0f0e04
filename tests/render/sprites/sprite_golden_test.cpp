// A golden frame of a sprite tree: tinted, rotated, mirrored and layered sprites, a parent's
// alpha and scale reaching its children, and an animated sprite shown on a chosen frame.
#include <cstdlib>

#include "SpriteTestSupport.h"
#include "engine/render/RenderFixture.h"
#include "render/TAnimatedSprite.h"
#include "support/Golden.h"

namespace {

// 16x8 arrow pointing right: a white shaft and a yellow head, transparent around them.
uint32_t ArrowPixel(int x, int y) {
  if (x < 11 && (y == 3 || y == 4)) return 0xFFFFFFFFu;
  if (x >= 11 && std::abs(2 * y - 7) <= 2 * (15 - x) + 1) return 0xFFFFFF00u;
  return 0x00000000u;
}

uint32_t SquarePixel(int, int) { return 0xFFFFFFFFu; }

boost::shared_ptr<TSprite> At(boost::shared_ptr<TSprite> s, float x, float y) {
  s->GetDrawState().transform(2, 0) = x;
  s->GetDrawState().transform(2, 1) = y;
  return s;
}

}  // namespace

TEST_F(RenderTest, SpriteTreeGoldenFrame) {
  WritePng("arrow.png", 16, 8, ArrowPixel);
  WritePng("square.png", 12, 12, SquarePixel);
  CopyAnimFixtures(mWork + "/assets");
  RunScreen(
      [&](TPlatform*) {
        boost::shared_ptr<TTexture> arrow = TTexture::Get("arrow.png", TTexture::kGetAlpha);
        boost::shared_ptr<TTexture> square = TTexture::Get("square.png");
        ASSERT_TRUE(arrow && square);
        boost::shared_ptr<TSprite> root = TSprite::Create(0);

        boost::shared_ptr<TSprite> plain = At(TSprite::Create(0, arrow), 14, 10);
        boost::shared_ptr<TSprite> tinted = At(TSprite::Create(0, arrow), 14, 22);
        tinted->GetDrawState().tint = TColor(1, 0.25f, 0.25f, 1);
        boost::shared_ptr<TSprite> turned = At(TSprite::Create(0, arrow), 38, 16);
        turned->GetDrawState().transform.Rotate(static_cast<float>(M_PI / 2));
        boost::shared_ptr<TSprite> mirrored = At(TSprite::Create(0, arrow), 14, 34);
        mirrored->GetDrawState().flags = TDrawParams::kMirrorX;
        root->AddChild(plain);
        root->AddChild(tinted);
        root->AddChild(turned);
        root->AddChild(mirrored);

        // A half-transparent, doubled group: the blue square sits above the red one because
        // of its layer, though it was added first, and the green one lies under the group's
        // own square.
        boost::shared_ptr<TSprite> group = At(TSprite::Create(0, square), 64, 16);
        group->GetDrawState().transform.Scale(0.5f);
        group->GetDrawState().alpha = 0.5f;
        group->GetDrawState().tint = TColor(1, 1, 0, 1);
        boost::shared_ptr<TSprite> blue = At(TSprite::Create(2, square), 10, 10);
        blue->GetDrawState().tint = TColor(0, 0, 1, 1);
        boost::shared_ptr<TSprite> red = At(TSprite::Create(1, square), 16, 16);
        red->GetDrawState().tint = TColor(1, 0, 0, 1);
        boost::shared_ptr<TSprite> green = At(TSprite::Create(-1, square), -8, 8);
        green->GetDrawState().tint = TColor(0, 1, 0, 1);
        group->AddChild(blue);
        group->AddChild(red);
        group->AddChild(green);
        root->AddChild(group);

        // Frame 1 of the walk sheet: green, doubled by the frame's own transform.
        boost::shared_ptr<TAnimatedSprite> walker = TAnimatedSprite::Create(3);
        walker->SetTexture(TAnimatedTexture::Get("anim/walk"));
        walker->SetCurrentFrame(1);
        At(walker, 40, 44);
        root->AddChild(walker);
        // And frame 2 of another sprite on the same texture, mirrored top to bottom.
        boost::shared_ptr<TAnimatedSprite> other = TAnimatedSprite::Create(3);
        other->SetTexture(walker->GetAnimationSource());
        other->SetCurrentFrame(2);
        other->GetDrawState().flags = TDrawParams::kMirrorY;
        At(other, 70, 50);
        root->AddChild(other);

        TRenderer* r = TRenderer::Instance();
        ASSERT_TRUE(r->BeginDraw());
        ASSERT_TRUE(r->Begin2d());
        r->FillRect(TRect(0, 0, 96, 64), TColor(0.2f, 0.2f, 0.2f, 1));
        root->Draw(TSpriteDrawState(), -1);
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "sprites/sprite_tree.png", 2));
      },
      96, 64);
}
