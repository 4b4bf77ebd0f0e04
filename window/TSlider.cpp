#include "window/TSlider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/TVertexList.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

TSlider::TSlider() : mThumbOwned(std::make_unique<TImage>()), mThumb(mThumbOwned.get()) {}

TSlider::~TSlider() = default;

TImage* TSlider::GetThumb() const { return static_cast<TImage*>(mThumb.Get()); }

void TSlider::Init(TWindowStyle& style) {
  TWindow::Init(style);
  if (mInitialised) return;
  mInitialised = true;
  double w = style.GetNumber("w", 0), h = style.GetNumber("h", 0);
  if (style.GetNumber("hslider", -1) < 0) {
    mHorizontal = w > h;
  } else {
    mHorizontal = style.GetBool("hslider", false);
  }
  str top = style.GetString("railtop", str());
  str mid = style.GetString("railmid", str());
  str bottom = style.GetString("railbot", str());
  str thumb = style.GetString("sliderimage", str());
  str thumbRoll = style.GetString("sliderrollimage", str());
  SetName(style.GetString("name", str()));
  mScale = static_cast<float>(style.GetNumber("scale", 1.0));
  // Far past any screen, and small enough that the slider's thickness stays an int.
  constexpr int kMaxCrossOffset = 1 << 16;
  mCrossOffset = std::clamp(style.GetInt("yoffset", 0), -kMaxCrossOffset, kMaxCrossOffset);
  auto get = [](const str& name) {
    return name.IsEmpty() ? boost::shared_ptr<TTexture>() : TTexture::Get(name);
  };
  SetRailImages(get(top), get(mid), get(bottom));
  SetThumbImages(get(thumb), get(thumbRoll));
  PlaceThumb();
  if (mThumbOwned) {
    AddChild(std::move(mThumbOwned));
    UpdateSize();
  }
}

void TSlider::Notify(int id) {
  if (mParent) TWindow::HandleMessage(mParent, new TMessage(id, GetName()));
}

void TSlider::SetValue(float v, bool silent) {
  if (!(v >= 0.0f)) v = 0.0f;
  if (v > 1.0f) v = 1.0f;
  mValue = v;
  PlaceThumb();
  if (!silent) Notify(kSliderValChanged);
}

void TSlider::PlaceThumb() {
  TImage* thumb = GetThumb();
  if (!thumb) return;
  if (mHorizontal) {
    thumb->SetPosition(
        static_cast<int>(mValue * static_cast<float>(GetWidth() - thumb->GetWidth())),
        mCrossOffset);
  } else {
    thumb->SetPosition(
        mCrossOffset,
        static_cast<int>(mValue * static_cast<float>(GetHeight() - thumb->GetHeight())));
  }
}

void TSlider::SetRailImages(const boost::shared_ptr<TTexture>& top,
                            const boost::shared_ptr<TTexture>& mid,
                            const boost::shared_ptr<TTexture>& bottom) {
  mRail[0] = top;
  mRail[1] = mid;
  mRail[2] = bottom;
  UpdateSize();
}

void TSlider::SetThumbImages(const boost::shared_ptr<TTexture>& normal,
                             const boost::shared_ptr<TTexture>& rollover) {
  mThumbImage = normal;
  mThumbRollImage = rollover;
  if (TImage* thumb = GetThumb()) thumb->SetTexture(normal, mScale);
  if (mThumbOwned) AddChild(std::move(mThumbOwned));
  UpdateSize();
}

void TSlider::UpdateSize() {
  int thickness = 0;
  for (const auto& rail : mRail)
    if (rail)
      thickness =
          std::max(thickness, static_cast<int>(static_cast<float>(rail->GetWidth()) * mScale));
  if (TImage* thumb = GetThumb())
    thickness = std::max(
        thickness, std::abs(mCrossOffset) + (mHorizontal ? thumb->GetHeight() : thumb->GetWidth()));
  mThickness = thickness;
  if (mHorizontal) {
    SetSize(GetWidth(), thickness);
  } else {
    SetSize(thickness, GetHeight());
  }
}

bool TSlider::OnThumb(const TPoint& p) const {
  TImage* thumb = GetThumb();
  if (!thumb) return false;
  const TRect& r = thumb->GetRect();
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void TSlider::ShowThumb(bool rollover) {
  // A style without a rollover image keeps the normal thumb while hovered or dragged.
  if (TImage* thumb = GetThumb())
    thumb->SetTexture(rollover && mThumbRollImage ? mThumbRollImage : mThumbImage, mScale);
}

bool TSlider::OnMouseDown(const TPoint& p) {
  TImage* thumb = GetThumb();
  if (!thumb) return false;
  if (OnThumb(p)) {
    mDragState = 1;
    if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
    return true;
  }
  const TRect& r = thumb->GetRect();
  bool after = mHorizontal ? p.x >= r.left : p.y >= r.top;
  Notify(after ? kSliderPageDown : kSliderPageUp);
  return true;
}

bool TSlider::OnMouseMove(const TPoint& p) {
  bool dragging = mDragState != 0;
  ShowThumb(dragging || OnThumb(p));
  TWindowManager* wm = TWindowManager::Instance();
  bool inside = p.x >= 0 && p.x < GetWidth() && p.y >= 0 && p.y < GetHeight();
  if (!inside && !dragging) {
    if (wm) wm->RemoveHoverWindow(this);
    ShowThumb(false);
  } else if (wm) {
    wm->AddHoverWindow(this);
  }
  if (!dragging) return false;
  float v = mHorizontal ? static_cast<float>(p.x) / static_cast<float>(GetWidth())
                        : static_cast<float>(p.y) / static_cast<float>(GetHeight());
  SetValue(v, false);
  return true;
}

bool TSlider::OnMouseUp(const TPoint& p) {
  if (!mDragState) return false;
  mDragState = 0;
  ShowThumb(OnThumb(p));
  bool inside = p.x >= 0 && p.x < GetWidth() && p.y >= 0 && p.y < GetHeight();
  if (!inside) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
    ShowThumb(false);
  }
  Notify(kSliderMouseUp);
  return true;
}

bool TSlider::OnMouseLeave() {
  if (mDragState) return true;
  ShowThumb(false);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  return true;
}

void TSlider::Draw() {
  TRenderer* r = TRenderer::Existing();
  if (!r) return;
  TScoped2d in2d;
  r->SetBlendMode(0);
  r->SetCullMode(1);
  int length = mHorizontal ? GetWidth() : GetHeight();
  int across = mHorizontal ? GetHeight() : GetWidth();
  auto imageH = [](const boost::shared_ptr<TTexture>& t) { return t ? t->GetHeight() : 0; };
  // Along the axis: the top end, the middle stretched between the ends, the bottom end.
  int starts[3] = {0, imageH(mRail[0]), length - imageH(mRail[2])};
  int extents[3] = {imageH(mRail[0]), length - imageH(mRail[0]) - imageH(mRail[2]),
                    imageH(mRail[2])};
  uint32_t alpha = mAlpha > 0.0f ? static_cast<uint32_t>(std::min(mAlpha, 1.0f) * 255.0f) : 0u;
  uint32_t half;
  float halfFloat = 0.5f;
  std::memcpy(&half, &halfFloat, sizeof(half));
  static const float kCorners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 3; ++i) {
    const boost::shared_ptr<TTexture>& image = mRail[i];
    if (!image || extents[i] <= 0) continue;
    int fullW = 0, fullH = 0;
    image->GetFullSize(fullW, fullH);
    float us = fullW > 0 ? static_cast<float>(image->GetWidth()) / static_cast<float>(fullW) : 1.0f;
    float vs =
        fullH > 0 ? static_cast<float>(image->GetHeight()) / static_cast<float>(fullH) : 1.0f;
    float crossPos = static_cast<float>((across - image->GetWidth()) / 2);
    float alongPos = static_cast<float>(starts[i]);
    float crossExt = static_cast<float>(image->GetWidth());
    float alongExt = static_cast<float>(extents[i]);
    TLitVertex v[6];
    for (int k = 0; k < 6; ++k) {
      float cx = kCorners[k][0], cy = kCorners[k][1];
      float x = crossPos + cx * crossExt, y = alongPos + cy * alongExt;
      if (mHorizontal) std::swap(x, y);
      v[k].x = x;
      v[k].y = y;
      v[k].z = 0.1f;
      v[k].reserved = half;
      v[k].diffuse = (alpha << 24) | 0x00FFFFFFu;
      v[k].specular = 0xFF000000u;
      v[k].u = cx * us;
      v[k].v = cy * vs;
    }
    r->SetTexture(image);
    r->DrawVertices(4, TVertexList{TVertexList::kLit2d, v, 6});
  }
}
