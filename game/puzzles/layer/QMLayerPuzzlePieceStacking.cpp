// The stacking moves of a layer piece. A raise or lower never passes a piece
// that does not overlap the moving one: the picture moves just far enough for
// one more of the grid cells it covers to show (raise) or to hide (lower), and
// the pieces passed over close the gap.
#include <algorithm>

#include "game/puzzles/layer/QMLayerGrid.h"
#include "game/puzzles/layer/QMLayerPuzzlePiece.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "render/TSprite.h"

void QMLayerPuzzlePiece::ComputeCoveredCells() {
  mCoveredCells.clear();
  QMLayerGrid* grid = FindGrid();
  if (!grid || !mSprite || !mPuzzleWindow) return;
  TSprite* root = mPuzzleWindow->GetRootSprite();
  const TDrawParams state = root ? root->GetDrawState() : TDrawParams(TVec2(0, 0), 1, 1, 0);
  const TRect b = GetPictureBounds();
  // Cells are numbered from 1: a picture reaching left of the grid starts at
  // the first.
  const int32_t first = std::max(grid->GetCellIndex(TPoint(b.left, b.top)), 1);
  const int32_t last =
      grid->GetCellIndex(TPoint(b.right - grid->GetCellWidth(), b.bottom - grid->GetCellHeight()));
  // A cell counts as covered where the picture is opaque just inside its
  // top-left corner.
  for (int32_t idx = last; idx >= first; --idx) {
    const TPoint p = grid->GetCellPosition(idx);
    if (mSprite->HitTest(TPoint(p.x + 1, p.y + 1), state, 1, 0)) mCoveredCells.push_back(idx);
  }
}

int QMLayerPuzzlePiece::FindSharedCell(QMLayerPuzzlePiece* other,
                                       const std::list<int>& cells) const {
  if (!other) return -1;
  for (int cell : cells)
    if (other->CoversCell(cell)) return cell;
  return -1;
}

bool QMLayerPuzzlePiece::CoversCell(int cell) const {
  return std::find(mCoveredCells.begin(), mCoveredCells.end(), cell) != mCoveredCells.end();
}

int32_t QMLayerPuzzlePiece::FindLayerAbove() {
  int32_t result = mLayer;
  ComputeCoveredCells();
  const int32_t n = mPuzzleWindow ? mPuzzleWindow->GetLayerCount() : 0;
  if (mLayer >= n) return result;
  // From the top down, each piece claims the cells it covers: the answer is the
  // lowest layer that is the top-most cover of at least one of this picture's
  // cells.
  for (int32_t i = n; i >= mLayer + 1; --i) {
    QMLayerPuzzlePiece* p = PieceOfLayer(i);
    if (!p || !p->IsOnGrid()) continue;
    p->ComputeCoveredCells();
    if (FindSharedCell(p, mCoveredCells) == -1) continue;
    result = i;
    mCoveredCells.remove_if([p](int cell) { return p->CoversCell(cell); });
  }
  return result;
}

int32_t QMLayerPuzzlePiece::FindLayerBelow() {
  int32_t result = mLayer;
  ComputeCoveredCells();
  const int32_t n = mPuzzleWindow ? mPuzzleWindow->GetLayerCount() : 0;
  if (mLayer < n) {
    // Cells hidden by higher pieces do not count.
    for (int32_t i = n; i >= mLayer + 1; --i) {
      QMLayerPuzzlePiece* p = PieceOfLayer(i);
      if (!p || !p->IsOnGrid()) continue;
      p->ComputeCoveredCells();
      mCoveredCells.remove_if([p](int cell) { return p->CoversCell(cell); });
    }
  }
  for (int32_t j = mLayer - 1; j >= 1; --j) {
    QMLayerPuzzlePiece* q = PieceOfLayer(j);
    if (!q || !q->IsOnGrid()) continue;
    q->ComputeCoveredCells();
    if (FindSharedCell(q, mCoveredCells) != -1) return j;
  }
  return result;
}

void QMLayerPuzzlePiece::MoveUp() {
  if (!mPuzzleWindow) return;
  if (mLayer < mPuzzleWindow->GetLayerCount()) {
    const int32_t target = FindLayerAbove();
    if (target > mLayer) {
      const int32_t old = mLayer;
      // Off the stack while the others shift, so it is never taken for the
      // piece of a layer.
      mLayer = -1;
      for (int32_t i = old + 1; i <= target; ++i) {
        QMLayerPuzzlePiece* p = PieceOfLayer(i);
        if (p && p->mLayer > 1) p->SetLayer(p->mLayer - 1);
      }
      SetLayer(target);
    }
  }
  mPuzzleWindow->CheckRoundComplete();
}

void QMLayerPuzzlePiece::MoveDown() {
  if (!mPuzzleWindow) return;
  if (mLayer > 1) {
    const int32_t target = FindLayerBelow();
    if (target < mLayer) {
      const int32_t old = mLayer;
      mLayer = -1;
      const int32_t n = mPuzzleWindow->GetLayerCount();
      for (int32_t i = old - 1; i >= target; --i) {
        QMLayerPuzzlePiece* p = PieceOfLayer(i);
        if (p && p->mLayer < n) p->SetLayer(p->mLayer + 1);
      }
      SetLayer(target);
    }
  }
  mPuzzleWindow->CheckRoundComplete();
}
