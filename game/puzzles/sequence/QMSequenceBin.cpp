#include "game/puzzles/sequence/QMSequenceBin.h"

#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "render/TSprite.h"
#include "window/TWindowStyle.h"

QMSequenceAssetMap& QMSequenceBin::AssetMap() {
  static QMSequenceAssetMap map;
  return map;
}

QMSequenceBin::QMSequenceBin() { mRect = TRect(0, 0, 800, 513); }

QMSequenceBin::~QMSequenceBin() { AssetMap().Clear(); }

void QMSequenceBin::Init(TWindowStyle& style) {
  mName = style.GetString("name", str());
  TAssetMap& map = AssetMap().Get();
  map.SetAutoLoad(true);
  boost::shared_ptr<TTexture> art;
  map.GetTexture(art, style.GetString("art", str()));
  mImage = TSprite::Create(0, art);
  const double x = style.GetNumber("x", 100), y = style.GetNumber("y", 100);
  TSpriteDrawState& state = mImage->GetDrawState();
  state.transform(2, 0) = static_cast<float>(x);
  state.transform(2, 1) = static_cast<float>(y);
  state.origin = TVec2(0, 0);
  state.flags |= TDrawParams::kUseOrigin;
  mPiecePosition = TPoint(static_cast<int32_t>(x + style.GetNumber("offsetX", 0)),
                          static_cast<int32_t>(y + style.GetNumber("offsetY", 0)));
  mWindow = WindowCast<QMSequencePuzzleWindow>(mParent);
  if (mWindow) {
    mWindow->AddSprite(mImage);
    mWindow->AddBin(this);
  }
  mNumber = static_cast<int32_t>(style.GetNumber("number", 0));
  mEnabled = true;
  mImage->SetVisible(true);
}
