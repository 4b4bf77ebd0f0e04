#include "window/TImage.h"

#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

TImage::TImage() { mFlags |= kWindowOpaque; }

TImage::~TImage() = default;

void TImage::Init(TWindowStyle& style) {
  str image = style.GetString("image", str());
  str mask = style.GetString("mask", str());
  float scale = static_cast<float>(style.GetNumber("scale", 1.0));
  bool alpha = style.GetBool("alpha", false);
  bool mipmap = style.GetBool("mipmap", false);
  uint32_t flags = 0;
  if (style.GetBool("hflip", false)) flags |= kDrawMirrorX;
  if (style.GetBool("vflip", false)) flags |= kDrawMirrorY;
  mRotate = style.GetBool("rotate", false);
  mDrawFlags = flags;
  if (alpha) SetFlags(mFlags & ~static_cast<uint32_t>(kWindowOpaque));

  boost::shared_ptr<TTexture> texture;
  if (!image.IsEmpty() && !mask.IsEmpty()) {
    texture = TTexture::GetWithMask(image, mask, mipmap);
  } else if (!image.IsEmpty()) {
    texture = TTexture::Get(
        image, (mipmap ? TTexture::kGetMipmap : 0) | (alpha ? TTexture::kGetAlpha : 0));
  }
  SetTexture(texture, scale);
  // A size that the style gives wins over the texture's.
  TWindow::Init(style);
}

void TImage::SizeToTexture() {
  if (!mTexture) return;
  int w = static_cast<int>(static_cast<float>(mTexture->GetWidth()) * mScale + 0.5f);
  int h = static_cast<int>(static_cast<float>(mTexture->GetHeight()) * mScale + 0.5f);
  if (mRotate) {
    SetSize(h, w);
  } else {
    SetSize(w, h);
  }
}

void TImage::SetTexture(const boost::shared_ptr<TTexture>& texture, float scale) {
  mTexture = texture;
  mScale = scale;
  SizeToTexture();
  MarkRedraw();
}

void TImage::SetAlpha(float alpha) {
  mAlpha = alpha;
  bool opaque = alpha == 1.0f && mTexture && !mTexture->HasAlpha();
  SetFlags(opaque ? (mFlags | kWindowOpaque) : (mFlags & ~static_cast<uint32_t>(kWindowOpaque)));
  MarkRedraw();
}

void TImage::SetDrawFlags(uint32_t flags) {
  mDrawFlags = flags;
  MarkRedraw();
}

void TImage::SetRotate(bool rotate) {
  if (rotate == mRotate) return;
  mRotate = rotate;
  SizeToTexture();
  MarkRedraw();
}

void TImage::Draw() {
  if (!mTexture) return;
  TScoped2d in2d;
  TDrawParams params(TVec2(0, 0), mAlpha, mScale, mDrawFlags | TDrawParams::kUseOrigin);
  if (mRotate) {
    params.origin = TVec2(0, static_cast<float>(mTexture->GetHeight()));
    params.transform.Rotate(1.5707964f);
  }
  mTexture->Draw(params);
}
