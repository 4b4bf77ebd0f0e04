// The row of equal slots of the sequence puzzle. While a piece is dragged over it, the pieces
// already in the row slide aside to open a gap under it; the slot table is re-read from the
// pieces' positions at each drop.
#pragma once

#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "window/TWindow.h"

class QMSequenceAssetMap;
class QMSequencePuzzlePiece;
class QMSequencePuzzleWindow;
class TSprite;
class TTexture;

class QMSequenceGrid : public TWindow {
  T_WINDOW_CLASS(QMSequenceGrid, TWindow)

public:
  QMSequenceGrid() = default;
  ~QMSequenceGrid() override;

  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  // Lays out a row of n slots centred on the row's mid point, with its tableau art.
  void SetupRound(int n);
  bool ContainsPieceCentre(const TPoint& p) const;
  // The half cell the point is in: 2 per slot, left half even.
  int HoverKey(const TPoint& p) const;
  int SlotIndexAt(const TPoint& p) const;
  // Every row piece slides back to its own slot.
  void ResetSlotPositions();
  // Shifts the row's pieces to open the slot under the dragged piece's image position.
  void MakeRoom(const TPoint& p);
  // Re-reads every row piece's slot from where it is going.
  void RebuildSlots();
  // Every misplaced piece goes back to a bin and leaves the row.
  void EjectWrongPieces();

  // Slots are numbered from 1; a number outside the row changes nothing.
  void SetSlot(int i, QMSequencePuzzlePiece* piece);
  void ClearSlot(int i);
  QMSequencePuzzlePiece* GetSlot(int i) const;
  bool IsFull() const;
  bool IsSolved() const;

  void SetDragOffset(const TPoint& offset) { mDragOffset = offset; }
  const TRect& GetSlotArea() const { return mSlotArea; }
  int GetSlotWidth() const { return mSlotWidth; }
  int GetSlotHeight() const { return mSlotHeight; }
  int GetSlotCount() const { return mSlotCount; }
  size_t GetTableauCount() const { return mTableauSprites.size(); }

  static QMSequenceAssetMap& AssetMap();

private:
  QMSequencePuzzleWindow* PuzzleWindow() const;
  bool ShiftLeft(int probe);
  bool ShiftRight(int probe);
  // The slot under a grid x, counted from 0.
  int CellAt(int x) const { return (x + mSlotWidth / 2) / mSlotWidth; }
  void SlideSlotTo(int index, int gridX);
  void BuildDebugOutline();

  boost::shared_ptr<TSprite> mDebugSprite;
  bool mDebugGridOutline = false;
  TRect mSlotArea;
  int32_t mSlotWidth = 20;
  int32_t mSlotHeight = 20;
  TPoint mDragOffset;
  int32_t mSlotCount = 0;
  int32_t mArtOffsetY = 0, mArtOffsetXBegin = 0, mArtOffsetXEnd = 0, mGridMax = 0;
  int32_t mMidX = 400, mMidY = 300;
  std::vector<QMSequencePuzzlePiece*> mSlots;
  std::vector<boost::shared_ptr<TSprite>> mTableauSprites;
  std::vector<boost::shared_ptr<TTexture>> mTableauArt;
};
