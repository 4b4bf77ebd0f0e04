// The rounds of the sequence puzzle, by name and in order, and the script function
// "ChangeRound" that moves on to the next one.
#pragma once

#include <vector>

#include "core/str.h"
#include "window/TWindow.h"

class QMSequencePuzzleRounds : public TWindow {
  T_WINDOW_CLASS(QMSequencePuzzleRounds, TWindow)

public:
  void Init(TWindowStyle& style) override;

  str GetCurrentName() const;
  int32_t GetCurrentIndex() const { return mCurrentIndex; }
  size_t GetCount() const { return mNames.size(); }
  // The next round, the first after the last, then the puzzle window begins it.
  void ChangeRound();

private:
  void BindScriptFunctions();

  std::vector<str> mNames;
  int32_t mCurrentIndex = 0;
};
