// The pieces of one word-puzzle round as the loader reads them from the round's table: the
// panel records, the solution entries and the grid's geometry, and where the letters of a bank
// or a forbidden line stand around the grid.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "core/str.h"

class TTexture;

// One panel picture a cell can show; panel number 0 makes an inactive cell.
struct QMWordPanel {
  boost::shared_ptr<TTexture> texture;
  int32_t rotation = 0;  // degrees
  int32_t number = 0;
};

// One letter the round needs in one cell; fromColumn and fromRow restrict which bank a hint
// may take it from.
struct QMWordSolutionEntry {
  int32_t column = 0;
  int32_t row = 0;
  char letter = 0;
  bool fromColumn = false;
  bool fromRow = false;
};

// Columns and rows of the grid, the cell size (the panels' size) and the grid's "upperLeft".
struct QMWordGridGeometry {
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t x0 = 0;
  int32_t y0 = 0;
};

// A line name made by "row%d" or "column%d": its number, and whether it names a row. 0 (and
// not a row) for any other name.
int QMWordLineNumber(const str& lineName, bool* isRow = nullptr);

// Where the letter at index k (from 0) of a bank stands: left of its row, or above its column.
TPoint QMWordStartingLetterPoint(const QMWordGridGeometry& grid, const str& lineName, int k);
// Where the forbidden letter at index k of a line stands: right of a row, below a column.
TPoint QMWordForbiddenLetterPoint(const QMWordGridGeometry& grid, const str& lineName, int k);
