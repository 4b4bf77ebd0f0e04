// The target area of the layer puzzle: a rectangle of equal cells numbered from 1 in reading
// order. It converts between points and cell numbers and, while the pointer moves over it,
// works out the grid point a dragged piece snaps to.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "window/TWindow.h"

class TSprite;
class TTexture;

// Where the dragged piece's picture snaps to, in the puzzle window's coordinates; (0, 0) while
// there is no snap point. Written by the grid, cleared when the pointer leaves it or moves over
// the puzzle window's background, read and cleared by the dragged piece.
extern TPoint LayerSnapPoint;

class QMLayerGrid : public TWindow {
  T_WINDOW_CLASS(QMLayerGrid, TWindow)

public:
  static constexpr int32_t kDefaultCellSize = 20;

  QMLayerGrid();
  ~QMLayerGrid() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;
  bool OnMouseLeave() override;

  // Cell numbers and points are in the coordinates of the grid's parent (the puzzle window),
  // where the pieces' pictures live. A point maps to the cell of its nearest grid point; there
  // is no right or bottom bound. -1 left of the first column's half.
  int32_t GetCellIndex(const TPoint& point) const;
  TPoint GetCellPosition(int32_t index);

  int32_t GetColumns() const;
  int32_t GetCellWidth() const { return mCellWidth; }
  int32_t GetCellHeight() const { return mCellHeight; }
  void SetDragOffset(const TPoint& offset) { mDragOffset = offset; }
  const TPoint& GetDragOffset() const { return mDragOffset; }

private:
  void BuildDebugOutline();

  boost::shared_ptr<TSprite> mDebugSprite;
  bool mDebugGridOutline = false;
  boost::shared_ptr<TTexture> mOutlineTexture;
  TRect mArea;
  int32_t mCellWidth = 0;
  int32_t mCellHeight = 0;
  TPoint mDragOffset;
  TPoint mCellPoint;
};
