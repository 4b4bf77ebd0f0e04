#include "game/puzzles/sequence/QMSequenceClue.h"

#include <memory>

#include "anim/TTextSprite.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TWindowStyle.h"

namespace {

constexpr int32_t kShownClueLayer = 7;

}  // namespace

QMSequenceClue::QMSequenceClue()
    : mRootSprite(TSprite::Create(0)), mShownImage(TSprite::Create(0)) {
  mRect = TRect(0, 0, 800, 513);
  mRootSprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
}

QMSequenceClue::~QMSequenceClue() = default;

void QMSequenceClue::Init(TWindowStyle& style) {
  mName = style.GetString("name", str());
  TSpriteDrawState& root = mRootSprite->GetDrawState();
  root.transform(2, 0) = static_cast<float>(style.GetNumber("imgX", 0));
  root.transform(2, 1) = static_cast<float>(style.GetNumber("imgY", 0));
  root.origin = TVec2(0, 0);
  mShownImage->GetDrawState().origin = TVec2(0, 0);
  mShownImage->GetDrawState().flags |= TDrawParams::kUseOrigin;
  if (std::unique_ptr<TLuaTable> text{style.GetTable("clueText")})
    mTextSprite = CreateTextSprite(*text);
  mWindow = WindowCast<QMSequencePuzzleWindow>(mParent);
  if (mWindow) mWindow->AddSprite(mRootSprite);
  if (mTextSprite) mRootSprite->AddChild(mTextSprite);
  mRootSprite->AddChild(mShownImage);
}

void QMSequenceClue::SetText(const str& label) {
  if (!mTextSprite) return;
  mTextSprite->SetText(label, true);
  mText = label;
}

void QMSequenceClue::SetArt(const str& name) {
  if (boost::shared_ptr<TTexture> texture = TTexture::Get(name, 0))
    mShownImage->SetTexture(texture);
}

void QMSequenceClue::ShowImage(boost::shared_ptr<TSprite> sprite) {
  if (!sprite) return;
  // The piece's clue picture sits in the panel's own frame, in place of the panel picture.
  const TSpriteDrawState& root = mRootSprite->GetDrawState();
  sprite->GetDrawState().transform(2, 0) = root.transform(2, 0);
  sprite->GetDrawState().transform(2, 1) = root.transform(2, 1);
  sprite->SetLayer(kShownClueLayer);
  if (mShownImage) mShownImage->SetVisible(false);
  mShownImage = sprite;
}
