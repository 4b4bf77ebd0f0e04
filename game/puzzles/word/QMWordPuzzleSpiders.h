// The walks over the word puzzle window's children: placing the cells, closing and opening
// them for a selected letter, clearing the selection, testing the solution, finding a letter
// for a hint, clearing a round and restoring a saved one.
#pragma once

#include <cstdint>
#include <queue>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "core/str.h"
#include "game/puzzles/word/QMWordPuzzleRound.h"
#include "window/TWindowSpider.h"

class QMWordPuzzleLetter;
class QMWordPuzzleWindow;

// The name of the text child that shows the round's clue (not a letter).
inline constexpr const char* kClueTextWindow = "word_puzzle_text";

// Places each cell by its panel size: the panel's centre at (W * column + X0, H * row + Y0).
class QMWPArrangePiecesSpider : public TWindowSpider {
public:
  QMWPArrangePiecesSpider(int columns, int rows, int x0, int y0)
      : mColumns(columns), mRows(rows), mX0(x0), mY0(y0) {}
  bool Process(TWindow* w) override;

private:
  int32_t mColumns, mRows, mX0, mY0;
};

// Closes every active cell.
class QMWPDarkenGridSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
};

// Opens the cells of a letter's line that may take it, queueing their points; other cells
// that stood open go idle.
class QMWPHighLightGridSpider : public TWindowSpider {
public:
  using PointQueue = std::queue<TPoint>;
  QMWPHighLightGridSpider(char character, const str& lineName, boost::shared_ptr<PointQueue> queue);
  bool Process(TWindow* w) override;

  int32_t GetRowNumber() const { return mRow; }
  int32_t GetColumnNumber() const { return mColumn; }

private:
  char mCharacter;
  int32_t mRow = 0;
  int32_t mColumn = 0;
  boost::shared_ptr<PointQueue> mQueue;
};

// Ends the selection's effects on the cells (the panel shader's turn, where one is shown).
class QMWPClearGridSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;

private:
  int32_t mCounter = 0;
};

// Whether the cell at (column, row) shows the letter.
class QMWPCheckForWinSpider : public TWindowSpider {
public:
  QMWPCheckForWinSpider(int column, int row, char letter)
      : mColumn(column), mRow(row), mLetter(letter) {}
  bool Process(TWindow* w) override;
  bool IsFound() const { return mFound; }

private:
  bool mFound = false;
  int32_t mColumn, mRow;
  char mLetter;
};

// Takes every cell and every letter out of the puzzle window (the clue text stays).
class QMWPClearRoundSpider : public TWindowSpider {
public:
  explicit QMWPClearRoundSpider(QMWordPuzzleWindow* window) : mWindow(window) {}
  bool Process(TWindow* w) override;

private:
  QMWordPuzzleWindow* mWindow;
};

// A letter that can supply a solution entry and does not stand in a cell yet.
class QMWPFindLetterSpider : public TWindowSpider {
public:
  QMWPFindLetterSpider(const std::vector<QMWordSolutionEntry>& solution,
                       const QMWordSolutionEntry& entry, QMWordPuzzleWindow* window)
      : mSolution(solution), mEntry(entry), mWindow(window) {}
  bool Process(TWindow* w) override;
  QMWordPuzzleLetter* GetResult() const { return mResult; }

private:
  const std::vector<QMWordSolutionEntry>& mSolution;
  QMWordSolutionEntry mEntry;
  QMWordPuzzleWindow* mWindow;
  QMWordPuzzleLetter* mResult = nullptr;
};

// Puts each letter back into the cell the current player's saved game names for it.
class QMWPLoadSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
};
