#include "game/scenes/QMMagnifyGlass.h"

#include <cstring>

#include "anim/KPropertyParser.h"
#include "render/TSprite.h"
#include "render/TTexture.h"

namespace {

void Anchor(TSprite& sprite, const TVec2& point) {
  sprite.GetDrawState().origin = point;
  sprite.GetDrawState().flags |= TDrawParams::kUseOrigin;
}

}  // namespace

QMMagnifyGlass::QMMagnifyGlass(boost::shared_ptr<TTexture> background, const TVec2& displayScale)
    : mCompositor(std::make_unique<SceneCompositor>(std::move(background), displayScale)),
      mLens(TSprite::Create(0)) {
  mNormalCursor = true;
  boost::shared_ptr<TTexture> frame, mask;
  QMTableParserImpl parser;
  parser.AddProperty("offset", &mOffset);
  parser.AddProperty("image", &frame);
  parser.AddProperty("mask", &mask);
  ReadToolDescription(kDescriptionFile, parser);

  boost::shared_ptr<TSprite> frameSprite = TSprite::Create(1, frame);
  mLens->AddChild(frameSprite);
  Anchor(*frameSprite, mOffset);

  if (mask)
    mSize = TVec2(static_cast<float>(static_cast<unsigned>(mask->GetWidth())),
                  static_cast<float>(static_cast<unsigned>(mask->GetHeight())));
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  TextureLock lock;
  if (mask && lock.Lock(pixels, pitch, mask.get())) {
    const size_t count = size_t(mask->GetHeight()) * size_t(pitch);
    mMask.assign(pixels, pixels + count);
    mMaskPitch = pitch;
  }
  const int w = static_cast<int>(mSize.x), h = static_cast<int>(mSize.y);
  if (w > 0 && h > 0) {
    mLens->SetTexture(TTexture::Create(w, h, mask && mask->HasAlpha()));
    Anchor(*mLens, mOffset);
  }
}

QMMagnifyGlass::~QMMagnifyGlass() {
  mMask.clear();
  mLens.reset();
  mCompositor.reset();
}

void QMMagnifyGlass::ClipSpan(int limit, int& start, int& count, int& skip) {
  if (start < 0) {
    skip = -start;
    count -= skip;
    start = 0;
  }
  // The far end is cut as well, also after a cut at the near end: a lens wider than what is
  // left of the picture never reads past its edge.
  if (start + count > limit) count = limit - start;
  if (count < 0) count = 0;
}

bool QMMagnifyGlass::MoveTo(const TPoint& p) {
  const boost::shared_ptr<TTexture> work = mCompositor->GetWorkTexture();
  const boost::shared_ptr<TTexture> lens = mLens->GetTexture();
  if (!lens || mMask.empty() || !work) return false;
  const TVec2& s = mCompositor->GetScale();
  const int w = static_cast<int>(mSize.x), h = static_cast<int>(mSize.y);
  const TVec2 at(s.x * (mSize.x * 0.5f - mOffset.x) + static_cast<float>(p.x),
                 s.y * (mSize.y * 0.5f - mOffset.y) + static_cast<float>(p.y));
  const TPoint corner = SceneCompositor::LayerTopLeft(at, w, h, s);
  mLens->GetDrawState().transform.m[2].x = static_cast<float>(p.x);
  mLens->GetDrawState().transform.m[2].y = static_cast<float>(p.y);

  int x = corner.x, y = corner.y, cw = w, ch = h, sx = 0, sy = 0;
  ClipSpan(work->GetWidth(), x, cw, sx);
  ClipSpan(work->GetHeight(), y, ch, sy);

  uint32_t *src = nullptr, *dst = nullptr;
  int32_t srcPitch = 0, dstPitch = 0;
  TextureLock workLock, lensLock;
  if (!workLock.Lock(src, srcPitch, work.get())) return false;
  if (!lensLock.Lock(dst, dstPitch, lens.get())) return false;
  for (int r = 0; r < ch; ++r) {
    const uint32_t* from = src + size_t(y + r) * size_t(srcPitch) + size_t(x);
    const uint32_t* mask = mMask.data() + size_t(sy + r) * size_t(mMaskPitch) + size_t(sx);
    uint32_t* to = dst + size_t(sy + r) * size_t(dstPitch) + size_t(sx);
    for (int c = 0; c < cw; ++c) {
      if ((mask[c] & 0x00FF0000u) == 0)
        to[c] &= 0x00FFFFFFu;
      else
        to[c] = from[c];
    }
  }
  return true;
}

void QMMagnifyGlass::Draw() {
  if (mLens) mLens->Draw(TSpriteDrawState(), -1);
}
