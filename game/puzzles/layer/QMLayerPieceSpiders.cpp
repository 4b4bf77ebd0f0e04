#include "game/puzzles/layer/QMLayerPieceSpiders.h"

#include "game/puzzles/layer/QMLayerPuzzlePiece.h"
#include "game/puzzles/layer/QMLayerPuzzleWindow.h"

bool DeactivateRoundsSpider::Process(TWindow* w) {
  auto* piece = WindowCast<QMLayerPuzzlePiece>(w);
  if (!piece) return true;
  QMLayerPuzzleWindow* puzzle = piece->GetPuzzleWindow();
  if (piece->GetRound() == mRound) {
    piece->SetFlags(piece->GetFlags() | kWindowShown);
    if (puzzle) puzzle->AddPieceSprite(piece->GetSprite());
  } else {
    piece->SetFlags(piece->GetFlags() & ~kWindowShown);
    if (puzzle) puzzle->RemovePieceSprite(piece->GetSprite());
  }
  return true;
}

// Only the resumed round's pieces (the shown ones): another round's record may be what an
// earlier play of the puzzle left, and would bring that round back already placed.
bool LoadLayerPiecesSpider::Process(TWindow* w) {
  auto* piece = WindowCast<QMLayerPuzzlePiece>(w);
  if (piece && piece->IsVisible()) piece->LoadState();
  return true;
}

bool CheckWindowsForWinSpider::Process(TWindow* w) {
  auto* piece = WindowCast<QMLayerPuzzlePiece>(w);
  if (!piece) return true;
  mResult = piece->IsSolved();
  return mResult;
}

bool GetPieceByLayerSpider::Process(TWindow* w) {
  auto* piece = WindowCast<QMLayerPuzzlePiece>(w);
  if (!piece || piece == mExcluded || !piece->IsVisible() || piece->GetLayer() != mLayer)
    return true;
  mFound = piece;
  return false;
}

bool FindLayerHintPieceSpider::Process(TWindow* w) {
  auto* piece = WindowCast<QMLayerPuzzlePiece>(w);
  if (!piece || !piece->IsVisible() || piece->IsAtTarget()) return true;
  mFound = piece;
  return false;
}
