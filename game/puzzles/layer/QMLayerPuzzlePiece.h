// One picture of the layer puzzle. The picture is a sprite in the puzzle window's sprite tree;
// the piece window only catches the mouse: the player picks the picture up, drags it (it snaps
// to grid points over the grid), drops it, and raises or lowers it in the stack. A piece is
// solved at its target cell when it lies above every piece it must cover.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "core/str.h"
#include "render/TAssetMap.h"
#include "window/TWindow.h"

class QMLayerGrid;
class QMLayerPuzzleWindow;
class TLuaTable;
class TSprite;

class QMLayerPuzzlePiece : public TWindow {
  T_WINDOW_CLASS(QMLayerPuzzlePiece, TWindow)

public:
  // Every piece window keeps this rectangle: the pictures live in the puzzle window's area.
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 513;

  QMLayerPuzzlePiece();
  ~QMLayerPuzzlePiece() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override {}
  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseUp(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;

  // The selection overlay: a half-transparent yellow sprite over the picture.
  void Highlight();
  // The picture lies wholly inside the grid's rectangle.
  bool IsOnGrid();
  // The picture's top-left is in the target cell.
  bool IsAtTarget();
  bool IsSolved();
  // The lowest layer no visible piece holds; false off the grid or when every layer is held.
  bool FindFreeLayer(int32_t& layer);
  // Keeps the picture's position and layer for the current player under the window's name.
  void SaveState();
  // Brings back what SaveState kept; false when nothing was kept.
  bool LoadState();

  // Stacking moves: the picture rises or sinks just far enough to change what shows.
  void ComputeCoveredCells();
  int FindSharedCell(QMLayerPuzzlePiece* other, const std::list<int>& cells) const;
  bool CoversCell(int cell) const;
  int32_t FindLayerAbove();
  int32_t FindLayerBelow();
  void MoveUp();
  void MoveDown();

  // The picture's bounds in the puzzle window's coordinates.
  TRect GetPictureBounds() const;
  void SetPicturePosition(int32_t x, int32_t y);
  TPoint GetPicturePosition() const;

  const boost::shared_ptr<TSprite>& GetSprite() const { return mSprite; }
  int32_t GetLayer() const { return mLayer; }
  // The member and the sprite's layer together.
  void SetLayer(int32_t layer);
  int32_t GetGridPosition() const { return mGridPosition; }
  const str& GetRound() const { return mRound; }
  bool IsSelected() const { return mSelected; }
  void SetSelected(bool selected) { mSelected = selected; }
  bool IsDragging() const { return mDragging; }
  bool IsInStack() const { return mInStack; }
  void SetHintPlaced(bool placed) { mHintPlaced = placed; }
  const std::list<int>& GetCoveredCells() const { return mCoveredCells; }
  QMLayerPuzzleWindow* GetPuzzleWindow() const { return mPuzzleWindow; }

  // Where the pieces take their pictures from; each piece's end empties it.
  static TAssetMap sAssets;

private:
  QMLayerGrid* FindGrid() const;
  // The puzzle's round is won and waits for its end dialog.
  bool RoundOver() const;
  // The first visible piece of the puzzle window holding the layer, other than this one.
  QMLayerPuzzlePiece* PieceOfLayer(int32_t layer) const;

  boost::shared_ptr<TSprite> mSprite;
  bool mDragging = false;
  TPoint mDragOffset;
  int32_t mLayer = 0;
  bool mInStack = false;
  std::unique_ptr<TLuaTable> mPiecesCovered;
  int32_t mGridPosition = 0;
  str mRound;
  bool mMoved = false;
  bool mSelected = false;
  std::list<int> mCoveredCells;
  QMLayerPuzzleWindow* mPuzzleWindow = nullptr;
  int32_t mOffsetX = 0;
  int32_t mOffsetY = 0;
  int32_t mStartingLayer = 0;
  bool mHintPlaced = false;
};
