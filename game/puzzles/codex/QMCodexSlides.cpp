#include "game/puzzles/codex/QMCodexSlides.h"

#include "anim/TTextSprite.h"
#include "game/puzzles/codex/QMCodexSolveGrid.h"
#include "render/TSprite.h"
#include "render/TTexture.h"

void QMCodexSlides::NewSlideGroup() { mGroups.push_back(std::make_unique<SlideList>()); }

void QMCodexSlides::NewSlide() {
  if (mGroups.empty()) return;
  mUnderConstruction = TSprite::Create(0);
  mGroups.back()->push_back(mUnderConstruction);
}

void QMCodexSlides::AddClueSlideText(TLuaTable& description) {
  if (!mUnderConstruction) return;
  if (boost::shared_ptr<QMTextSprite> text = CreateTextSprite(description))
    mUnderConstruction->AddChild(text);
}

void QMCodexSlides::AddClueImage(const str& texture, float x, float y) {
  if (!mUnderConstruction) return;
  boost::shared_ptr<TTexture> t = TTexture::Get(texture);
  if (!t) return;
  boost::shared_ptr<TSprite> picture = TSprite::Create(0, t);
  PlaceSpriteTopLeft(*picture, x, y);
  mUnderConstruction->AddChild(picture);
}

void QMCodexSlides::SetCurrentSlide(int32_t n) {
  mCurrentSlide = n;
  mHolder->RemoveAllChildren();
  const SlideList* slides = GetGroup(mCurrentGroup);
  if (slides && static_cast<uint32_t>(n) < slides->size()) mHolder->AddChild((*slides)[n]);
}

void QMCodexSlides::SetCurrentGroup(uint32_t g) {
  mCurrentGroup = g;
  SetCurrentSlide(0);
}

int32_t QMCodexSlides::GetSlideCount() const {
  const SlideList* slides = GetGroup(mCurrentGroup);
  return slides ? static_cast<int32_t>(slides->size()) : -1;
}
