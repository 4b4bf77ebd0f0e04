#include "game/puzzles/sequence/QMSequenceSpiders.h"

#include "game/puzzles/sequence/QMSequenceBin.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"

bool DeactivateRoundsSpiderS::Process(TWindow* child) {
  QMSequencePuzzlePiece* piece = WindowCast<QMSequencePuzzlePiece>(child);
  if (!piece) return true;
  QMSequencePuzzleWindow* window = piece->GetPuzzleWindow();
  if (piece->GetRound() == mRoundName) {
    piece->SetFlags(piece->GetFlags() | kWindowShown);
    if (window) window->AddSprite(piece->GetDropImage());
    ++shownCount;
    if (QMSequenceBin* bin = mWindow ? mWindow->FindBinByNumber(piece->GetBinNumber()) : nullptr) {
      piece->PlaceAt(bin->GetPiecePosition());
      bin->SetOccupied(true);
    }
  } else {
    piece->SetFlags(piece->GetFlags() & ~kWindowShown);
    if (window) window->RemoveSprite(piece->GetDropImage());
  }
  return true;
}

bool FindHintPieceSpider::Process(TWindow* child) {
  QMSequencePuzzlePiece* piece = WindowCast<QMSequencePuzzlePiece>(child);
  if (!piece || !piece->IsVisible() || piece->GetCurrentSlot() == piece->GetGridPosition())
    return true;
  found = piece;
  return false;
}
