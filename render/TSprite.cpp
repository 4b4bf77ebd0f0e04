// The sprite tree: layer order, state combination, bounds and the render-target hit test.
#include "render/TSprite.h"

#include <algorithm>
#include <cmath>

#include "core/TSettings.h"
#include "render/TRenderer.h"

namespace {

int32_t gLiveSprites = 0;

void PublishLiveCount() { SetConfig("current_sprite_count", str::Format("%d", gLiveSprites)); }

// Float to int as a C cast would, but defined for values no int holds.
int32_t ToInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483520.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

TSprite::TSprite(int32_t layer) : mLayer(layer) {
  ++gLiveSprites;
  PublishLiveCount();
}

TSprite::~TSprite() {
  for (const boost::shared_ptr<TSprite>& child : mChildren) child->mParent = nullptr;
  mChildren.clear();
  // The renderer keeps the hit tests' target; it is dropped once no sprite is left.
  if (--gLiveSprites == 0) {
    if (TRenderer* renderer = TRenderer::Existing()) renderer->ReleaseHitTarget();
  }
  PublishLiveCount();
}

int32_t TSprite::GetLiveCount() { return gLiveSprites; }

boost::shared_ptr<TSprite> TSprite::Create(int32_t layer, boost::shared_ptr<TTexture> texture) {
  boost::shared_ptr<TSprite> sprite(new TSprite(layer));
  if (texture) sprite->SetTexture(texture);
  return sprite;
}

void TSprite::SetTexture(boost::shared_ptr<TTexture> texture) {
  if (texture != mTexture) mTexture = texture;
}

void TSprite::SetLayer(int32_t layer) {
  if (layer == mLayer) return;
  mLayer = layer;
  if (mParent) mParent->SortChildren();
}

void TSprite::SortChildren() {
  std::stable_sort(mChildren.begin(), mChildren.end(),
                   [](const boost::shared_ptr<TSprite>& a, const boost::shared_ptr<TSprite>& b) {
                     return a->mLayer < b->mLayer;
                   });
}

void TSprite::AddChild(boost::shared_ptr<TSprite> child) {
  if (!child || child->mParent == this) return;
  if (child->mParent) child->mParent->RemoveChild(child);
  mChildren.push_back(child);
  SortChildren();
  child->mParent = this;
}

bool TSprite::RemoveChild(boost::shared_ptr<TSprite> child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end()) return false;
  child->mParent = nullptr;
  mChildren.erase(it);
  return true;
}

void TSprite::RemoveAllChildren() {
  for (const boost::shared_ptr<TSprite>& child : mChildren) child->mParent = nullptr;
  mChildren.clear();
}

TSpriteDrawState TSprite::CombineState(const TSpriteDrawState& own,
                                       const TSpriteDrawState& parent) {
  TSpriteDrawState state = own;
  state.transform = own.transform * parent.transform;
  state.alpha = own.alpha * parent.alpha;
  state.flags ^= parent.flags & (TDrawParams::kMirrorX | TDrawParams::kMirrorY);
  if (own.blendMode == -1) state.blendMode = parent.blendMode;
  return state;
}

void TSprite::Draw(const TSpriteDrawState& parent, int depth) {
  if (!mVisible) return;
  const TSpriteDrawState state = CombineState(mState, parent);
  // Indices rather than iterators: a drawn child may not keep the list as it found it.
  size_t i = 0;
  if (depth != 0)
    for (; i < mChildren.size() && mChildren[i]->mLayer < 0; ++i)
      mChildren[i]->Draw(state, depth - 1);
  if (mTexture) mTexture->Draw(state);
  if (depth != 0)
    for (; i < mChildren.size(); ++i) mChildren[i]->Draw(state, depth - 1);
}

void TSprite::GetBounds(TRect& out, const TSpriteDrawState& parent, int depth) {
  const TSpriteDrawState state = CombineState(mState, parent);
  if (mTexture) {
    float w, h;
    if (state.flags & TDrawParams::kUseSourceRect) {
      w = static_cast<float>(state.sourceRect.Width());
      h = static_cast<float>(state.sourceRect.Height());
    } else {
      w = static_cast<float>(mTexture->GetWidth());
      h = static_cast<float>(mTexture->GetHeight());
    }
    TVec2 origin =
        (mState.flags & TDrawParams::kUseOrigin) ? mState.origin : TVec2(w * 0.5f, h * 0.5f);
    const TVec2 corners[4] = {TVec2(0, 0) - origin, TVec2(w, 0) - origin, TVec2(0, h) - origin,
                              TVec2(w, h) - origin};
    TVec2 lo = corners[0] * state.transform, hi = lo;
    for (const TVec2& c : corners) {
      TVec2 p = c * state.transform;
      lo.x = std::min(lo.x, p.x);
      lo.y = std::min(lo.y, p.y);
      hi.x = std::max(hi.x, p.x);
      hi.y = std::max(hi.y, p.y);
    }
    out = TRect(ToInt(lo.x), ToInt(lo.y), ToInt(hi.x), ToInt(hi.y));
  } else {
    out = TRect(kEmptyBoundsLow, kEmptyBoundsLow, kEmptyBoundsHigh, kEmptyBoundsHigh);
  }
  if (depth == 0) return;
  for (size_t i = 0; i < mChildren.size(); ++i) {
    TRect child;
    mChildren[i]->GetBounds(child, state, depth - 1);
    out.SetUnion(out, child);
  }
}

bool TSprite::HitTest(const TPoint& point, const TSpriteDrawState& parent, int threshold,
                      int depth) {
  if (!mTexture || !mVisible) return false;
  TRect bounds;
  GetBounds(bounds, parent, depth);
  if (!bounds.Contains(point)) return false;
  if (threshold < 0) return true;

  TRenderer* renderer = TRenderer::Existing();
  if (!renderer) return false;
  // Held here too, should the drawing destroy the last other sprite.
  boost::shared_ptr<TTexture> target = renderer->GetHitTarget();
  if (!target) return false;
  if (!renderer->BeginRenderTarget(target, 4)) return false;
  renderer->FillRect(TRect(1, 1, 2, 2), TColor(0, 0, 0, 0));
  {
    TScoped2d scope;
    // Moves the tree so that the tested point lands on pixel (1, 1).
    TSpriteDrawState moved = parent;
    moved.transform(2, 0) += static_cast<float>(1 - point.x);
    moved.transform(2, 1) += static_cast<float>(1 - point.y);
    Draw(moved, depth);
  }
  renderer->EndRenderTarget();

  // A 16-bit display keeps four bits of alpha, so a full alpha may read back as 240.
  if (renderer->GetOption("16bitmode").ToInt() != 0 && threshold > 240) threshold &= ~15;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (!lock.Lock(pixels, pitch, target.get())) return false;
  const uint32_t alpha = pixels[size_t(pitch) + 1] >> 24;
  return static_cast<int>(alpha) >= threshold;
}
