// Property animations: each writes the interpolated value of one property into its target.
// Position, opacity, anchor point and colour overwrite the target's field; scale and rotation
// act on the sprite's transform relative to the value last applied, so they compose with
// whatever else has been applied to it.
#pragma once

#include <cfloat>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimDriver.h"
#include "anim/KAnimQueue.h"
#include "render/TSprite.h"

class TImage;

struct KAnimMoveDefaults {};
struct KAnimScaleDefaults {};
struct KAnimRotateDefaults {};
struct KAnimOpacityDefaults {};
struct KAnimAnchorDefaults {};
struct KAnimColorDefaults {};

using KSpritePtr = boost::shared_ptr<TSprite>;

inline TSprite& KSpriteOf(const KSpritePtr& sprite) { return *sprite; }
inline TSprite& KSpriteOf(TSprite& sprite) { return sprite; }

// The sprite's place: the translation row of its transform.
TVec2 KGetSpritePosition(const TSprite& sprite);
void KSetSpritePosition(TSprite& sprite, const TVec2& position);
// Anchor points are fractions of the texture's size; a sprite without a texture counts as
// 800 x 600.
TVec2 KGetSpriteAnchorPoint(const TSprite& sprite);
void KSetSpriteAnchorPoint(TSprite& sprite, const TVec2& anchor);

template <class Target>
class KAnimMove : public KAnimObject<Target, TVec2>, public KAnimMoveDefaults {
public:
  KAnimMove(Target target, const TVec2& from, const TVec2& to)
      : KAnimObject<Target, TVec2>(target, from, to) {}
  void Apply(const TVec2& value) override {
    KSetSpritePosition(KSpriteOf(this->mTarget), value);
    this->mCurrent = value;
  }
};

// A window is placed on whole pixels, each coordinate truncated toward zero.
template <>
class KAnimMove<TImage&> : public KAnimObject<TImage&, TVec2>, public KAnimMoveDefaults {
public:
  KAnimMove(TImage& target, const TVec2& from, const TVec2& to)
      : KAnimObject<TImage&, TVec2>(target, from, to) {}
  void Apply(const TVec2& value) override;
};

// A scale of zero cannot be undone, and undoing it divides by zero: zero components become the
// single-precision epsilon, so a sprite can grow from nothing and its transform stays finite.
inline TVec2 KNonZeroScale(TVec2 v) {
  if (v.x == 0.0f) v.x = FLT_EPSILON;
  if (v.y == 0.0f) v.y = FLT_EPSILON;
  return v;
}

template <class Target>
class KAnimScale : public KAnimObject<Target, TVec2>, public KAnimScaleDefaults {
public:
  KAnimScale(Target target, const TVec2& from, const TVec2& to)
      : KAnimObject<Target, TVec2>(target, KNonZeroScale(from), KNonZeroScale(to)) {}
  void Apply(const TVec2& value) override {
    // A stream through zero (from -1 to 1) must not land on it either.
    const TVec2 v = KNonZeroScale(value);
    const TVec2 current = KNonZeroScale(this->mCurrent);
    TMat3& m = KSpriteOf(this->mTarget).GetDrawState().transform;
    m.Scale(1.0f / current.x, 1.0f / current.y);
    m.Scale(v.x, v.y);
    this->mCurrent = v;
  }
};

// Radians.
template <class Target>
class KAnimRotate : public KAnimObject<Target, float>, public KAnimRotateDefaults {
public:
  KAnimRotate(Target target, float from, float to) : KAnimObject<Target, float>(target, from, to) {}
  void Apply(const float& value) override {
    KSpriteOf(this->mTarget).GetDrawState().transform.Rotate(value - this->mCurrent);
    this->mCurrent = value;
  }
};

template <class Target>
class KAnimOpacity : public KAnimObject<Target, float>, public KAnimOpacityDefaults {
public:
  KAnimOpacity(Target target, float from, float to)
      : KAnimObject<Target, float>(target, from, to) {}
  void Apply(const float& value) override {
    KSpriteOf(this->mTarget).GetDrawState().alpha = value;
    this->mCurrent = value;
  }
};

template <class Target>
class KAnimAnchorPoint : public KAnimObject<Target, TVec2>, public KAnimAnchorDefaults {
public:
  KAnimAnchorPoint(Target target, const TVec2& from, const TVec2& to)
      : KAnimObject<Target, TVec2>(target, from, to) {}
  void Apply(const TVec2& value) override {
    KSetSpriteAnchorPoint(KSpriteOf(this->mTarget), value);
    this->mCurrent = value;
  }
};

// The colour of a text window (any target with SetColor and GetColor), by reference.
template <class Target>
class KAnimColor;

template <class Text>
class KAnimColor<Text&> : public KAnimObject<Text&, TColor>, public KAnimColorDefaults {
public:
  KAnimColor(Text& target, const TColor& from, const TColor& to)
      : KAnimObject<Text&, TColor>(target, from, to) {}
  void Apply(const TColor& value) override {
    this->mTarget.SetColor(value);
    this->mCurrent = value;
  }
};

// A queue that turns a text's colour to `color`, holds it and turns it back to `endColor`
// (or, without one, the colour the text had): three steps of duration / (holds + 2) each.
// Not started; null for a null text.
template <class Text>
KAnimQueue* MakeTextColorFlash(Text* text, const TColor& color, float duration, uint32_t holds,
                               const TColor* endColor, KAnimBias* bias, TClock* clock) {
  if (!text) return nullptr;
  const float d = duration / static_cast<float>(holds + 2);
  const TColor start = text->GetColor();
  auto* queue = new KAnimQueue();
  auto addColor = [&](const TColor& from, const TColor& to) {
    auto* step = new KAnimColor<Text&>(*text, from, to);
    step->SetDuration(d);
    step->SetBias(bias);
    if (clock) step->SetClock(clock);
    queue->Add(step);
    KReleaseRef(step);
  };
  addColor(start, color);
  auto* hold = new KAnimTimer<>(static_cast<uint32_t>(d));
  if (clock) hold->SetClock(clock);
  queue->Add(hold);
  KReleaseRef(hold);
  addColor(color, endColor ? *endColor : start);
  return queue;
}
