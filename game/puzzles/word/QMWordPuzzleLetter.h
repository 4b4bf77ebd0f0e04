// A letter of the word puzzle: a movable letter of a row or column bank, or a red forbidden
// letter beside the grid. A bank letter is clicked to select it; once placed it keeps its spot
// in the bank and the cell it stands in shows its character. Each movable letter remembers
// its cell for the current player, so a saved game puts it back.
#pragma once

#include <cstdint>

#include "core/TColor.h"
#include "window/TText.h"
#include "window/TWindowHandle.h"

class QMWordPuzzleGridPiece;
class QMWordPuzzleWindow;

class QMWordPuzzleLetter : public TText {
public:
  enum State : int32_t { kInBank = 0, kForbidden = 1, kPlaced = 3 };

  static const TColor kBankColour;
  static const TColor kForbiddenColour;
  static const char* const kFont;
  static constexpr int kFontSize = 26;
  static constexpr unsigned kAlignment = 5;  // centred both ways

  // The letter stands at (x, y) in a box of the grid's cell size; kind is kInBank or
  // kForbidden.
  QMWordPuzzleLetter(char character, int x, int y, int kind, int boxWidth, int boxHeight);

  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;
  bool OnMouseLeave() override;

  // Leaves the cell it stood in and stands in the given one (none while it flies); the
  // result is its text.
  str PlaceIn(QMWordPuzzleGridPiece* cell);
  void ReturnHome();
  void SavePlacement();

  const str& GetLineName() const { return mLineName; }
  void SetLineName(const str& line) { mLineName = line; }
  int32_t GetState() const { return mState; }
  QMWordPuzzleGridPiece* GetCell() const;
  // Forgets the cell without touching it (the cell is letting go of this letter itself).
  void ForgetCell() { mCell = TWindowHandle(); }
  TPoint GetHomePosition() const { return mHome; }

private:
  QMWordPuzzleWindow* PuzzleWindow() const;

  str mLineName;
  int32_t mState = kInBank;
  TWindowHandle mCell;
  TPoint mHome;
};
