#include "game/scenes/QMFlashlight.h"

#include "anim/KPropertyParser.h"
#include "core/TColor.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"

namespace {

boost::shared_ptr<TTexture> BlackTexture(TRenderer* renderer, int width, int height) {
  boost::shared_ptr<TTexture> t = TTexture::Create(width, height, false);
  if (t) renderer->FillRect(TRect(0, 0, width, height), TColor(0, 0, 0, 1), t);
  return t;
}

void AddPanel(TSprite& light, const boost::shared_ptr<TTexture>& texture, int x, int y) {
  boost::shared_ptr<TSprite> panel = TSprite::Create(0, texture);
  panel->GetDrawState().transform.m[2].x = static_cast<float>(x);
  panel->GetDrawState().transform.m[2].y = static_cast<float>(y);
  light.AddChild(panel);
}

}  // namespace

QMFlashlight::QMFlashlight(boost::shared_ptr<TTexture> background, const TVec2&)
    : mLight(TSprite::Create(0)) {
  mNormalCursor = true;
  boost::shared_ptr<TTexture> mask;
  QMTableParserImpl parser;
  parser.AddProperty("offset", &mOffset);
  parser.AddProperty("mask", &mask);
  parser.AddProperty("darken", &mDarken);
  ReadToolDescription(kDescriptionFile, parser);

  mLight->AddChild(TSprite::Create(0, mask));

  TRenderer* renderer = TRenderer::Instance();
  if (renderer) {
    const int mw = mask ? mask->GetWidth() : 0, mh = mask ? mask->GetHeight() : 0;
    const int W = background ? background->GetWidth() : 0;
    const int H = background ? background->GetHeight() : 0;
    // Four panels cover everything at least half the mask's width to either side, two more
    // the column above and below the mask.
    if (boost::shared_ptr<TTexture> wide = BlackTexture(renderer, W, H)) {
      AddPanel(*mLight, wide, mw / 2 + W / 2, H / 2);
      AddPanel(*mLight, wide, -(W / 2) - mw / 2, -(H / 2));
      AddPanel(*mLight, wide, mw / 2 + W / 2, -(H / 2));
      AddPanel(*mLight, wide, -(W / 2) - mw / 2, H / 2);
    }
    if (boost::shared_ptr<TTexture> column = BlackTexture(renderer, mw, H - mh / 2)) {
      AddPanel(*mLight, column, 0, H / 2 + mh / 4);
      AddPanel(*mLight, column, 0, -(H / 2) - mh / 4);
    }
  }
  mLight->GetDrawState().alpha = mDarken;
}

QMFlashlight::~QMFlashlight() { mLight.reset(); }

bool QMFlashlight::MoveTo(const TPoint& p) {
  mLight->GetDrawState().transform.m[2].x =
      static_cast<float>(p.x + static_cast<int32_t>(mOffset.x));
  mLight->GetDrawState().transform.m[2].y =
      static_cast<float>(p.y + static_cast<int32_t>(mOffset.y));
  return true;
}

void QMFlashlight::Draw() {
  if (mLight) mLight->Draw(TSpriteDrawState(), -1);
}
