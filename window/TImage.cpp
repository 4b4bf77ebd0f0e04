#include "window/TImage.h"

#include "render/TTexture.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

void TImage::Init(TWindowStyle& style) {
  TWindow::Init(style);
  str image = style.GetString("image", str());
  if (!image.IsEmpty()) SetTexture(TTexture::Get(image), 1.0f);
}

void TImage::SetTexture(const boost::shared_ptr<TTexture>& texture, float alpha) {
  mTexture = texture;
  mAlpha = alpha;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}
