#include "game/puzzles/word/QMWordPuzzleRound.h"

int QMWordLineNumber(const str& lineName, bool* isRow) {
  if (isRow) *isRow = false;
  if (lineName.Find(str("row")) >= 0) {
    if (isRow) *isRow = true;
    return lineName.Substr(3).ToInt();
  }
  if (lineName.Find(str("column")) >= 0) return lineName.Substr(6).ToInt();
  return 0;
}

namespace {

// The centre of the grid's upper-left cell less one cell: where both kinds of line start.
TPoint BasePoint(const QMWordGridGeometry& grid) {
  return TPoint(grid.x0 + grid.cellWidth / 2, grid.y0 + grid.cellHeight / 2);
}

}  // namespace

TPoint QMWordStartingLetterPoint(const QMWordGridGeometry& grid, const str& lineName, int k) {
  bool isRow = false;
  const int n = QMWordLineNumber(lineName, &isRow);
  TPoint p = BasePoint(grid);
  if (isRow) {
    p.y += (n - 1) * grid.cellHeight;
    p.x -= (k + 1) * grid.cellWidth;
  } else {
    p.x += (n - 1) * grid.cellWidth;
    p.y -= (k + 1) * grid.cellHeight;
  }
  return p;
}

TPoint QMWordForbiddenLetterPoint(const QMWordGridGeometry& grid, const str& lineName, int k) {
  bool isRow = false;
  const int n = QMWordLineNumber(lineName, &isRow);
  TPoint p = BasePoint(grid);
  if (isRow) {
    p.x += grid.columns * grid.cellWidth + (k + 1) * grid.cellWidth;
    p.y += n * grid.cellHeight;
  } else {
    p.x += (n - 1) * grid.cellWidth;
    p.y += (grid.rows - 1) * grid.cellHeight + (k + 1) * grid.cellHeight;
  }
  return p;
}
