// A picture piece of the sequence puzzle: a window covering the whole play area that finds its
// own image under the mouse, rests in a bin or a slot of the row, is dragged by the player and
// slides to where it is sent.
#pragma once

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "core/str.h"
#include "window/TWindow.h"

class QMSequenceAssetMap;
class QMSequenceGrid;
class QMSequencePuzzleWindow;
class TSprite;

class QMSequencePuzzlePiece : public TWindow {
  T_WINDOW_CLASS(QMSequencePuzzlePiece, TWindow)

public:
  QMSequencePuzzlePiece();
  ~QMSequencePuzzlePiece() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle&) override {}
  bool Animate() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;

  // Both images go to the point at once.
  void PlaceAt(const TPoint& p);
  // The images slide to the point on the piece's animation task.
  void SlideTo(const TPoint& p);
  // Slides to the nearest free bin, when there is one, and leaves the row.
  void ReturnToBin();

  boost::shared_ptr<TSprite> GetClueImage() const { return mClueImage; }
  boost::shared_ptr<TSprite> GetDropImage() const { return mDropImage; }
  boost::shared_ptr<TSprite> GetDragImage() const { return mDragImage; }
  str GetRound() const { return mRound; }
  str GetClueText() const { return mClueText; }
  TRect GetDragBounds() const;
  // The drop image's position, truncated.
  TPoint GetDropPosition() const;

  int32_t GetBinNumber() const { return mBinNumber; }
  int32_t GetCurrentSlot() const { return mCurrentSlot; }
  void SetCurrentSlot(int32_t slot) { mCurrentSlot = slot; }
  int32_t GetGridPosition() const { return mGridPosition; }
  const TPoint& GetTarget() const { return mTarget; }
  void SetTarget(const TPoint& target) { mTarget = target; }
  bool IsHeld() const { return mHeld; }
  void SetHeld(bool held) { mHeld = held; }
  bool IsSliding() const { return mSliding; }
  QMSequencePuzzleWindow* GetPuzzleWindow() const { return mWindow; }

  static QMSequenceAssetMap& AssetMap();

private:
  bool HitsDropImage(const TPoint& p) const;
  bool RoundHasEnded() const;
  QMSequenceGrid* FindGrid() const;
  void SetImagePositions(float x, float y);
  // A release after a drag: into the slot under it, or back to a bin.
  void Drop(const TPoint& p);

  boost::shared_ptr<TSprite> mDragImage;
  boost::shared_ptr<TSprite> mDropImage;
  boost::shared_ptr<TSprite> mClueImage;
  bool mDragging = false;
  TPoint mDragOffset;
  int32_t mBinNumber = -1;
  int32_t mCurrentSlot = -1;
  str mClueText;
  int32_t mGridPosition = 0;
  str mRound;
  bool mMoved = false;
  bool mHeld = false;
  QMSequencePuzzleWindow* mWindow = nullptr;
  TPoint mTarget;
  int32_t mLastHoverKey = -1;
  bool mSliding = false;
};
