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

bool LoadLayerPiecesSpider::Process(TWindow* w) {
  if (auto* piece = WindowCast<QMLayerPuzzlePiece>(w)) piece->LoadState();
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
