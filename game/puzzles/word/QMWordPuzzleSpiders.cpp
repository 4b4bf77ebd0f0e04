#include "game/puzzles/word/QMWordPuzzleSpiders.h"

#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

QMWordPuzzleGridPiece* AsCell(TWindow* w) { return WindowCast<QMWordPuzzleGridPiece>(w); }

void SetTranslation(TSprite* sprite, int x, int y) {
  if (!sprite) return;
  sprite->GetDrawState().transform(2, 0) = static_cast<float>(x);
  sprite->GetDrawState().transform(2, 1) = static_cast<float>(y);
}

}  // namespace

bool QMWPArrangePiecesSpider::Process(TWindow* w) {
  QMWordPuzzleGridPiece* cell = AsCell(w);
  if (!cell || !cell->GetPanelTexture()) return true;
  const int width = cell->GetPanelTexture()->GetWidth();
  const int height = cell->GetPanelTexture()->GetHeight();
  const int cx = width * cell->GetColumn() + mX0;
  const int cy = height * cell->GetRow() + mY0;
  SetTranslation(cell->GetPanelSprite().get(), cx, cy);
  SetTranslation(cell->GetShaderSprite().get(), cx, cy);
  // y too is offset by half the width: the layouts are drawn to this rule.
  cell->SetPosition(cx - width / 2, cy - width / 2);
  cell->SetSize(width, height);
  return true;
}

bool QMWPDarkenGridSpider::Process(TWindow* w) {
  QMWordPuzzleGridPiece* cell = AsCell(w);
  if (cell && cell->IsActive()) cell->SetState(QMWordPuzzleGridPiece::kClosed);
  return true;
}

QMWPHighLightGridSpider::QMWPHighLightGridSpider(char character, const str& lineName,
                                                 boost::shared_ptr<PointQueue> queue)
    : mCharacter(character), mQueue(std::move(queue)) {
  bool isRow = false;
  const int n = QMWordLineNumber(lineName, &isRow);
  (isRow ? mRow : mColumn) = n;
}

bool QMWPHighLightGridSpider::Process(TWindow* w) {
  QMWordPuzzleGridPiece* cell = AsCell(w);
  if (!cell) return true;
  if (cell->GetRow() != mRow && cell->GetColumn() != mColumn) {
    if (cell->GetState() == QMWordPuzzleGridPiece::kOpen)
      cell->SetState(QMWordPuzzleGridPiece::kIdle);
    return true;
  }
  QMWordPuzzleWindow* window = QMWordPuzzleWindow::FromWindow(cell->GetParent());
  if (!cell->IsActive() || !window) return true;
  // A row's letter must not be forbidden in the cell's column, a column's not in its row.
  const bool forbidden = mRow != 0 ? window->IsForbiddenInColumn(cell->GetColumn(), mCharacter)
                                   : window->IsForbiddenInRow(cell->GetRow(), mCharacter);
  if (forbidden) return true;
  cell->SetDelay(0);
  cell->SetState(QMWordPuzzleGridPiece::kOpening);
  if (mQueue) mQueue->push(TPoint(cell->GetColumn(), cell->GetRow()));
  return true;
}

bool QMWPClearGridSpider::Process(TWindow* w) {
  QMWordPuzzleGridPiece* cell = AsCell(w);
  if (!cell) return true;
  mCounter += 10;
  // The round's shader sweeps over its active cells from the first to the last.
  if (!cell->IsActive() || !cell->HasShader()) return true;
  if (cell->GetState() == QMWordPuzzleGridPiece::kOpen) {
    cell->SetState(QMWordPuzzleGridPiece::kIdle);
  } else {
    cell->SetDelay(mCounter);
    cell->SetState(QMWordPuzzleGridPiece::kShaderWaiting);
  }
  return true;
}

bool QMWPCheckForWinSpider::Process(TWindow* w) {
  QMWordPuzzleGridPiece* cell = AsCell(w);
  if (!cell || cell->GetColumn() != mColumn || cell->GetRow() != mRow) return true;
  if (cell->GetShownCharacter() != mLetter) return true;
  mFound = true;
  return false;
}

bool QMWPClearRoundSpider::Process(TWindow* w) {
  const bool letterOrText = TText::Cast(w) && w->GetName() != kClueTextWindow;
  if ((AsCell(w) || letterOrText) && mWindow) mWindow->RemoveChild(w);
  return true;
}

bool QMWPFindLetterSpider::Process(TWindow* w) {
  auto* letter = dynamic_cast<QMWordPuzzleLetter*>(w);
  if (!letter) return true;
  const str name = letter->GetName();
  const bool onLine = name.Find(str::Format("row%d", mEntry.row)) >= 0 ||
                      name.Find(str::Format("column%d", mEntry.column)) >= 0;
  if (!onLine || name[0] != mEntry.letter) return true;
  bool eligible = true;
  if (mEntry.fromRow) eligible = name.Contains("row");
  if (mEntry.fromColumn) eligible = name.Contains("column");
  if (!eligible) return true;
  QMWordPuzzleGridPiece* cell = letter->GetCell();
  if (cell && cell->GetShownCharacter() == name[0]) return true;
  mResult = letter;
  return false;
}

bool QMWPLoadSpider::Process(TWindow* w) {
  auto* letter = dynamic_cast<QMWordPuzzleLetter*>(w);
  QMGameManager* game = QMGameManager::Instance();
  TWindowManager* wm = TWindowManager::Instance();
  if (!letter || letter->GetState() == QMWordPuzzleLetter::kForbidden || !game || !wm) return true;
  const str cellName = game->GetUserString(letter->GetName());
  if (cellName.IsEmpty()) return true;
  TWindow* top = wm->GetTopModal();
  QMWordPuzzleGridPiece* cell = AsCell(top ? top->FindChild(cellName, -1) : nullptr);
  QMWordPuzzleWindow* window = cell ? QMWordPuzzleWindow::FromWindow(cell->GetParent()) : nullptr;
  if (!window) return true;
  window->SetSelectedLetter(letter);
  cell->SetLetterInGrid();
  return true;
}
