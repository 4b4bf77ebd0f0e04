#include "game/puzzles/sequence/QMSequenceBin.h"

#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "game/puzzles/sequence/QMSequenceShared.h"
#include "render/TSprite.h"
#include "script/binding/LuaBinding.h"
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
  const double x = QMSequenceCoordinate(style, "x", 100);
  const double y = QMSequenceCoordinate(style, "y", 100);
  TSpriteDrawState& state = mImage->GetDrawState();
  state.transform(2, 0) = static_cast<float>(x);
  state.transform(2, 1) = static_cast<float>(y);
  state.origin = TVec2(0, 0);
  state.flags |= TDrawParams::kUseOrigin;
  mPiecePosition = TPoint(NumberToInt(x + QMSequenceCoordinate(style, "offsetX", 0)),
                          NumberToInt(y + QMSequenceCoordinate(style, "offsetY", 0)));
  mWindow = WindowCast<QMSequencePuzzleWindow>(mParent);
  if (mWindow) {
    mWindow->AddSprite(mImage);
    mWindow->AddBin(this);
  }
  mNumber = NumberToInt(style.GetNumber("number", 0));
  mEnabled = true;
  mImage->SetVisible(true);
}
