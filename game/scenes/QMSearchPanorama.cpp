// Drawing, the 16 ms animation tick, the panorama that scrolls a scene wider than the screen,
// and the scroll buttons that slide away at its ends and back.
#include "anim/KAnimProperties.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/scenes/QMSearch.h"
#include "render/TAnimatedSprite.h"
#include "render/TRenderer.h"
#include "window/TImage.h"
#include "window/TWindowAnim.h"
#include "window/TWindowManager.h"

namespace {

const char kScrollRight[] = "scrollRight";
const char kScrollLeft[] = "scrollLeft";
constexpr int kButtonStep = 4;

TDrawParams Identity() { return TDrawParams(TVec2(0, 0), 1, 1, 0); }

}  // namespace

void QMSearch::PanoramaScroller::Update() {
  if (!enabled) return;
  float a = 0;
  if (direction == 1) {
    a = acceleration;
  } else if (direction == -1) {
    a = -acceleration;
  } else {
    velocity *= dampen;
  }
  velocity += a;
  position += velocity;
  velocity = std::min(velocity, maxVelocity);
  velocity = std::max(velocity, -maxVelocity);
  position = std::min(position, static_cast<float>(maxPos));
  position = std::max(position, static_cast<float>(minPos));
  if (position == static_cast<float>(maxPos) && onReachedMax) {
    direction = 0;
    onReachedMax();
  }
  if (position == static_cast<float>(minPos) && onReachedMin) {
    direction = 0;
    onReachedMin();
  }
  if (target) {
    const TVec2 at = KGetSpritePosition(*target);
    KSetSpritePosition(*target, TVec2(static_cast<float>(static_cast<int32_t>(position)), at.y));
  }
}

void QMSearch::Draw() {
  TRenderer* r = TRenderer::Instance();
  if (!r) return;
  const bool began = r->Begin2d();
  mSceneSprite->Draw(Identity(), -1);
  if (HasTool()) DrawTool();
  if (mHintLayer) mHintLayer->Draw(Identity(), -1);
  mOverlaySprite->Draw(Identity(), -1);
  if (mHoverPoint.x != -1 || mHoverPoint.y != -1)
    mButtonParticles.Draw(
        TVec3(static_cast<float>(mHoverPoint.x), static_cast<float>(mHoverPoint.y), 0));
  if (began) r->End2d();
}

bool QMSearch::Animate() {
  TWindowAnim* anim = GetWindowAnim();
  const uint32_t now = anim ? anim->Now() : 0;
  const uint32_t elapsed = mLastAnimateTime == 0 ? 16 : now - mLastAnimateTime;
  mLastAnimateTime = now;
  TWindowHandle alive(this);
  mPanorama.Update();
  // An end callback may reach the buttons, whose handlers run script code.
  if (!alive) return true;
  mButtonParticles.Update(16);
  StepScrollButtons();
  for (const boost::shared_ptr<QMAmbientScroll>& scroll : mAmbientScrolls) scroll->Update(elapsed);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

void QMSearch::ScrollRight() {
  mPanorama.SetDirection(1);
  if (mScrollLeftArrowShown) {
    RetireLeftArrow();
    RetireRightArrow();
  }
  if (mScrollLeftState == kHidden) mScrollLeftState = kSlidingIn;
}

void QMSearch::ScrollLeft() {
  mPanorama.SetDirection(-1);
  if (mScrollRightArrowShown) {
    RetireRightArrow();
    RetireLeftArrow();
  }
  if (mScrollRightState == kHidden) mScrollRightState = kSlidingIn;
}

namespace {

// The button's own picture comes back in place of the animated arrow.
void RetireArrow(TWindow* scene, const char* button, QMSearchableSprite& overlay,
                 const boost::shared_ptr<TAnimatedSprite>& arrow, bool& shown) {
  TWindow* b = scene->FindChild(button, -1);
  if (!b) return;
  if (TImage* image = WindowCast<TImage>(b->FindChild("image0", -1))) image->SetAlpha(1);
  if (arrow) overlay.RemoveChild(arrow);
  shown = false;
}

}  // namespace

void QMSearch::RetireLeftArrow() {
  RetireArrow(this, kScrollRight, *mOverlaySprite, mScrollLeftArrow, mScrollLeftArrowShown);
}

void QMSearch::RetireRightArrow() {
  RetireArrow(this, kScrollLeft, *mOverlaySprite, mScrollRightArrow, mScrollRightArrowShown);
}

void QMSearch::StepScrollButtons() {
  if (mScrollLeftState == kSlidingOut) {
    MoveScrollLeftButton(kButtonStep);
  } else if (mScrollLeftState == kSlidingIn) {
    MoveScrollLeftButton(-kButtonStep);
  }
  if (mScrollRightState == kSlidingOut) {
    MoveScrollRightButton(-kButtonStep);
  } else if (mScrollRightState == kSlidingIn) {
    MoveScrollRightButton(kButtonStep);
  }
}

void QMSearch::MoveScrollRightButton(int dx) {
  TWindow* button = FindChild(kScrollRight, -1);
  if (!button) return;
  button->SetPosition(button->GetRect().left + dx, button->GetRect().top);
  const TRect& r = button->GetRect();
  if (r.right < 0) {
    mScrollRightState = kHidden;
    if (mScrollLeftState == kHidden) {
      mScrollLeftState = kSlidingIn;
      mPanorama.onReachedMin = nullptr;
    }
  }
  if (r.left >= mScrollRightButtonPos.x) {
    mScrollRightState = kAtRest;
    mPanorama.onReachedMax = &QMSearch::OnPanoramaAtLeftEnd;
  }
}

void QMSearch::MoveScrollLeftButton(int dx) {
  TWindow* button = FindChild(kScrollLeft, -1);
  if (!button) return;
  button->SetPosition(button->GetRect().left + dx, button->GetRect().top);
  const TRect& r = button->GetRect();
  if (r.left > r.Width() + GetWidth()) {
    mScrollLeftState = kHidden;
    if (mScrollRightState == kHidden) {
      mScrollRightState = kSlidingIn;
      mPanorama.onReachedMax = nullptr;
    }
  }
  if (r.left <= mScrollLeftButtonPos.x) {
    mScrollLeftState = kAtRest;
    mPanorama.onReachedMin = &QMSearch::OnPanoramaAtRightEnd;
  }
}

QMSearch* QMSearch::FindCurrent() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  return WindowCast<QMSearch>(top ? top->FindChild("puzzleWindow", -1) : nullptr);
}

// The button that would scroll further slides away from under the pointer.
void QMSearch::SlideOutAtEnd(const char* button, int32_t& state) {
  if (state != kAtRest) return;
  if (TWindow* b = FindChild(button, -1)) {
    b->OnMouseLeave();
    mHoverPoint = TPoint(-1, -1);
  }
  state = kSlidingOut;
}

void QMSearch::OnPanoramaAtLeftEnd() {
  if (QMSearch* scene = FindCurrent()) scene->SlideOutAtEnd(kScrollRight, scene->mScrollRightState);
}

void QMSearch::OnPanoramaAtRightEnd() {
  if (QMSearch* scene = FindCurrent()) scene->SlideOutAtEnd(kScrollLeft, scene->mScrollLeftState);
}
