// The walks the layer puzzle window makes over its direct children. Each skips windows that
// are not pieces and answers whether to go on.
#pragma once

#include <cstdint>

#include "core/str.h"
#include "window/TWindowSpider.h"

class QMLayerPuzzlePiece;

// Shows the pieces of one round and puts their pictures in the puzzle's sprite tree; hides the
// others and takes theirs out.
class DeactivateRoundsSpider : public TWindowSpider {
public:
  explicit DeactivateRoundsSpider(const str& round) : mRound(round) {}
  bool Process(TWindow* w) override;

private:
  str mRound;
};

// Brings back the saved position and layer of each piece of the current round.
class LoadLayerPiecesSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
};

// Stops at the first unsolved piece; mResult tells whether every piece is solved.
class CheckWindowsForWinSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
  bool mResult = true;
};

// The first visible piece, other than the excluded one, on the given layer.
class GetPieceByLayerSpider : public TWindowSpider {
public:
  GetPieceByLayerSpider(const QMLayerPuzzlePiece* excluded, int32_t layer)
      : mExcluded(excluded), mLayer(layer) {}
  bool Process(TWindow* w) override;
  QMLayerPuzzlePiece* mFound = nullptr;

private:
  const QMLayerPuzzlePiece* mExcluded;
  int32_t mLayer;
};

// The first visible piece away from its target cell.
class FindLayerHintPieceSpider : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
  QMLayerPuzzlePiece* mFound = nullptr;
};
