// Walks over the sequence puzzle window's children: one shows the current round's pieces and
// hides the others, one finds the piece a hint points at.
#pragma once

#include "core/str.h"
#include "window/TWindowSpider.h"

class QMSequencePuzzlePiece;
class QMSequencePuzzleWindow;

class DeactivateRoundsSpiderS : public TWindowSpider {
public:
  DeactivateRoundsSpiderS(QMSequencePuzzleWindow* window, const str& roundName)
      : mWindow(window), mRoundName(roundName) {}
  bool Process(TWindow* child) override;

  int32_t shownCount = 0;

private:
  QMSequencePuzzleWindow* mWindow;
  str mRoundName;
};

// The first visible piece out of its target slot.
class FindHintPieceSpider : public TWindowSpider {
public:
  bool Process(TWindow* child) override;

  QMSequencePuzzlePiece* found = nullptr;
};
