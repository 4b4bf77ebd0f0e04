#include "game/puzzles/word/QMWordPuzzleLetter.h"

#include "game/puzzles/word/QMWordPuzzleGridPiece.h"
#include "game/puzzles/word/QMWordPuzzleSpiders.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "window/TWindowManager.h"

const TColor QMWordPuzzleLetter::kBankColour(54 / 255.0f, 54 / 255.0f, 54 / 255.0f, 1.0f);
const TColor QMWordPuzzleLetter::kForbiddenColour(1.0f, 0.0f, 0.0f, 1.0f);
const char* const QMWordPuzzleLetter::kFont = "assets/fonts/comic.mvec";

namespace {

// A placed letter stays in its bank, faded, while its cell shows it.
const TColor kPlacedColour(54 / 255.0f, 54 / 255.0f, 54 / 255.0f, 0.3f);

TColor KindColour(int kind) {
  switch (kind) {
    case QMWordPuzzleLetter::kInBank: return QMWordPuzzleLetter::kBankColour;
    case QMWordPuzzleLetter::kForbidden: return QMWordPuzzleLetter::kForbiddenColour;
    default: return TColor(1, 1, 1, 1);
  }
}

}  // namespace

QMWordPuzzleLetter::QMWordPuzzleLetter(char character, int x, int y, int kind, int boxWidth,
                                       int boxHeight)
    : mState(kind), mHome(x, y) {
  SetupText(str::Format("%c", character), boxWidth, boxHeight, kAlignment, kFont, kFontSize,
            KindColour(kind));
  SetPosition(x, y);
}

QMWordPuzzleWindow* QMWordPuzzleLetter::PuzzleWindow() const {
  return QMWordPuzzleWindow::FromWindow(GetParent());
}

QMWordPuzzleGridPiece* QMWordPuzzleLetter::GetCell() const {
  return WindowCast<QMWordPuzzleGridPiece>(mCell.Get());
}

bool QMWordPuzzleLetter::OnMouseDown(const TPoint& point) {
  TRect client;
  GetClientRect(client);
  QMWordPuzzleWindow* window = PuzzleWindow();
  if (!client.Contains(point) || mState != kInBank || !window || !window->IsInputEnabled())
    return false;
  QMWPDarkenGridSpider darken;
  window->ForEachChild(darken, false);
  if (QMWordPuzzleGridPiece* cell = GetCell()) {
    cell->ReleaseLetter();
    mCell = TWindowHandle();
  }
  window->OnLetterClicked();
  window->SelectLetter(mLineName, this);
  window->PlayPanelRotateSound();
  OnMouseLeave();
  return true;
}

bool QMWordPuzzleLetter::OnMouseMove(const TPoint& point) {
  QMWordPuzzleWindow* window = PuzzleWindow();
  if ((mState == kInBank || mState == kPlaced) && window) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
    window->ShowHoverMarker(TPoint(GetRect().left, GetRect().top));
  }
  return TText::OnMouseMove(point);
}

bool QMWordPuzzleLetter::OnMouseLeave() {
  if (QMWordPuzzleWindow* window = PuzzleWindow()) {
    window->HideHoverMarker();
    if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  }
  return TText::OnMouseLeave();
}

str QMWordPuzzleLetter::PlaceIn(QMWordPuzzleGridPiece* cell) {
  if (QMWordPuzzleGridPiece* old = GetCell()) old->ReleaseLetter();
  mCell = TWindowHandle(cell);
  mState = kPlaced;
  SetColor(kPlacedColour);
  SavePlacement();
  return GetText();
}

void QMWordPuzzleLetter::ReturnHome() {
  SetColor(kBankColour);
  SetPosition(mHome.x, mHome.y);
  mCell = TWindowHandle();
  mState = kInBank;
  SavePlacement();
}

void QMWordPuzzleLetter::SavePlacement() {
  QMGameManager* game = QMGameManager::Instance();
  if (!game) return;
  QMWordPuzzleGridPiece* cell = GetCell();
  game->SetUserString(GetName(), cell ? cell->GetName() : str());
}
