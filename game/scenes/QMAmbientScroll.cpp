#include "game/scenes/QMAmbientScroll.h"

#include <algorithm>
#include <cmath>

#include "anim/KAnimProperties.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"

namespace {

int32_t WidthOf(const boost::shared_ptr<TTexture>& t) { return t ? t->GetWidth() : 0; }
int32_t HeightOf(const boost::shared_ptr<TTexture>& t) { return t ? t->GetHeight() : 0; }

float XOf(const TSprite& sprite) { return KGetSpritePosition(sprite).x; }
void SetX(TSprite& sprite, float x) {
  KSetSpritePosition(sprite, TVec2(x, KGetSpritePosition(sprite).y));
}

}  // namespace

void AnchorTopLeft(TSprite& sprite) {
  TDrawParams& s = sprite.GetDrawState();
  s.origin = TVec2(0, 0);
  s.flags |= TDrawParams::kUseOrigin;
}

QMAmbientScroll::QMAmbientScroll(TLuaTable* entry, TClock* clock, boost::shared_ptr<TSprite> parent)
    : mParent(std::move(parent)),
      mStripA(TSprite::Create(-1)),
      mStripB(TSprite::Create(-1)),
      mClock(clock) {
  float x = 0, y = 0;
  if (entry) {
    mMask = TTexture::Get(entry->GetString("mask", str()));
    mPano = TTexture::Get(entry->GetString("pano", str()));
    x = static_cast<float>(entry->GetNumber("x", 0));
    y = static_cast<float>(entry->GetNumber("y", 0));
    mSpeed = NumberToInt(entry->GetNumber("speed", 100));
    mDeltaX = static_cast<float>(entry->GetNumber("deltaX", 0));
  }
  if (mDeltaX == 0) mDeltaX = -1;
  const int32_t maskW = WidthOf(mMask), maskH = HeightOf(mMask);

  if (mParent) {
    AnchorTopLeft(*mParent);
    KSetSpritePosition(*mParent, TVec2(x, y));
    mParent->SetTexture(mMask);
  }
  AnchorTopLeft(*mStripA);
  KSetSpritePosition(*mStripA, TVec2(0, 0));
  mStripA->GetDrawState().sourceRect = TRect(0, 0, maskW, maskH);
  mStripA->GetDrawState().flags |= TDrawParams::kUseSourceRect;
  mStripA->SetTexture(mPano);
  // Strip B starts as it is after a wrap: empty, at the pano's end, cut by its source
  // rectangle. It fills whatever strip A leaves uncovered.
  AnchorTopLeft(*mStripB);
  KSetSpritePosition(*mStripB, TVec2(0, 0));
  mStripB->GetDrawState().sourceRect = TRect(WidthOf(mPano), 0, WidthOf(mPano), maskH);
  mStripB->GetDrawState().flags |= TDrawParams::kUseSourceRect;
  mStripB->SetTexture(mPano);
  if (mParent) {
    mParent->AddChild(mStripA);
    mParent->AddChild(mStripB);
  }
  Update(1);
}

QMAmbientScroll::~QMAmbientScroll() { Clear(); }

void QMAmbientScroll::Clear() {
  if (mParent) {
    if (mStripA) mParent->RemoveChild(mStripA);
    if (mStripB) mParent->RemoveChild(mStripB);
  }
  mParent.reset();
  mStripA.reset();
  mStripB.reset();
  mMask.reset();
  mPano.reset();
}

void QMAmbientScroll::Update(uint32_t elapsedMs) {
  if (!mStripA || !mStripB) return;
  mOffset += static_cast<float>(mSpeed) * static_cast<float>(elapsedMs) * mDeltaX * 0.0001f;
  const int32_t d = static_cast<int32_t>(mOffset) - static_cast<int32_t>(XOf(*mStripA));
  if (d == 0) return;
  const int32_t maskW = WidthOf(mMask), maskH = HeightOf(mMask), panoW = WidthOf(mPano);
  TRect& a = mStripA->GetDrawState().sourceRect;
  TRect& b = mStripB->GetDrawState().sourceRect;

  SetX(*mStripA, XOf(*mStripA) + static_cast<float>(d));
  a.right -= d;
  if (d < 0) {
    ScrollLeftward(maskW, maskH, panoW);
    return;
  }
  if (a.right < 1) {
    a.right = 0;
    if (XOf(*mStripA) > static_cast<float>(panoW)) {
      a.right = maskW;
      SetX(*mStripA, 0);
      mOffset = 0;
      KSetSpritePosition(*mStripB, TVec2(0, 0));
      b = TRect(panoW, 0, panoW, maskH);
    }
  }
  if (a.Width() < maskW) {
    if (b.Width() < maskW) {
      SetX(*mStripB, XOf(*mStripA));
      b.left -= d;
      mStripB->GetDrawState().origin.x = static_cast<float>(b.Width());
      return;
    }
    b.right -= d;
    b.left -= d;
  }
}

// Strip A moves left: it shows the pano up to its end and strip B the pano's beginning after it.
// Once strip A has left the mask the two swap their roles by one pano width.
void QMAmbientScroll::ScrollLeftward(int32_t maskW, int32_t maskH, int32_t panoW) {
  TRect& a = mStripA->GetDrawState().sourceRect;
  TRect& b = mStripB->GetDrawState().sourceRect;
  float end = XOf(*mStripA) + static_cast<float>(panoW);
  if (end <= 0 && panoW > 0) {
    // By as many pano widths as strip A has passed: a strip faster than a pano a tick would
    // otherwise run off without bound.
    const float shift =
        static_cast<float>(panoW) * (std::floor(-end / static_cast<float>(panoW)) + 1);
    SetX(*mStripA, XOf(*mStripA) + shift);
    mOffset += shift;
    end += shift;
  }
  a.right = std::min(maskW - static_cast<int32_t>(XOf(*mStripA)), panoW);
  mStripB->GetDrawState().origin.x = 0;
  KSetSpritePosition(*mStripB, TVec2(end, 0));
  const int32_t gap = std::max(0, maskW - static_cast<int32_t>(end));
  b = TRect(0, 0, gap, maskH);
}
