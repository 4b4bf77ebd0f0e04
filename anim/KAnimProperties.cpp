#include "anim/KAnimProperties.h"

#include "window/TImage.h"

namespace {

TVec2 TextureSize(const TSprite& sprite) {
  const auto texture = sprite.GetTexture();
  if (!texture) return TVec2(800.0f, 600.0f);
  return TVec2(static_cast<float>(static_cast<uint32_t>(texture->GetWidth())),
               static_cast<float>(static_cast<uint32_t>(texture->GetHeight())));
}

}  // namespace

TVec2 KGetSpritePosition(const TSprite& sprite) {
  const TMat3& m = sprite.GetDrawState().transform;
  return TVec2(m.m[2].x, m.m[2].y);
}

void KSetSpritePosition(TSprite& sprite, const TVec2& position) {
  TMat3& m = sprite.GetDrawState().transform;
  m.m[2].x = position.x;
  m.m[2].y = position.y;
}

TVec2 KGetSpriteAnchorPoint(const TSprite& sprite) {
  const TVec2 size = TextureSize(sprite);
  const TVec2& origin = sprite.GetDrawState().origin;
  return TVec2(origin.x / size.x, origin.y / size.y);
}

void KSetSpriteAnchorPoint(TSprite& sprite, const TVec2& anchor) {
  const TVec2 size = TextureSize(sprite);
  sprite.GetDrawState().origin = TVec2(anchor.x * size.x, anchor.y * size.y);
}

void KAnimMove<TImage&>::Apply(const TVec2& value) {
  mTarget.SetPosition(static_cast<int>(value.x), static_cast<int>(value.y));
  mCurrent = value;
}
