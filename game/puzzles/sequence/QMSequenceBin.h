// A resting place for one piece of the sequence puzzle: a picture and the point where a piece
// resting in it is placed.
#pragma once

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "window/TWindow.h"

class QMSequenceAssetMap;
class QMSequencePuzzleWindow;
class TSprite;

class QMSequenceBin : public TWindow {
  T_WINDOW_CLASS(QMSequenceBin, TWindow)

public:
  QMSequenceBin();
  ~QMSequenceBin() override;

  void Init(TWindowStyle& style) override;

  int32_t GetNumber() const { return mNumber; }
  bool IsEnabled() const { return mEnabled; }
  bool IsOccupied() const { return mOccupied; }
  void SetOccupied(bool occupied) { mOccupied = occupied; }
  const TPoint& GetPiecePosition() const { return mPiecePosition; }
  boost::shared_ptr<TSprite> GetImage() const { return mImage; }

  static QMSequenceAssetMap& AssetMap();

private:
  boost::shared_ptr<TSprite> mImage;
  QMSequencePuzzleWindow* mWindow = nullptr;
  int32_t mNumber = 0;
  bool mEnabled = false;
  TPoint mPiecePosition;
  bool mOccupied = false;
};
