#include "game/puzzles/word/QMWordPuzzleGridPiece.h"

#include <algorithm>
#include <cmath>

#include "game/puzzles/word/QMWordPuzzleLetter.h"
#include "game/puzzles/word/QMWordPuzzleSpiders.h"
#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "window/TText.h"

const TColor QMWordPuzzleGridPiece::kTextColour(194 / 255.0f, 195 / 255.0f, 182 / 255.0f, 1.0f);

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kShaderRestAngle = 3 * kPi / 2;

// A click on the text window, which covers the cell, goes on to the cell: the text takes none.
TText* AddCellText(TWindow* cell, const str& name, int width, int height) {
  auto made = std::make_unique<TText>();
  TText* text = made.get();
  text->SetName(name);
  text->SetupText(str(), width, height, QMWordPuzzleLetter::kAlignment, QMWordPuzzleLetter::kFont,
                  QMWordPuzzleLetter::kFontSize, QMWordPuzzleGridPiece::kTextColour);
  return cell->AddChild(std::move(made)) ? text : nullptr;
}

}  // namespace

QMWordPuzzleGridPiece::QMWordPuzzleGridPiece() = default;

QMWordPuzzleGridPiece::QMWordPuzzleGridPiece(QMWordPuzzleWindow* window, const QMWordPanel& panel,
                                             int column, int row)
    : mPanelTexture(panel.texture),
      mRotation(panel.rotation),
      mColumn(column),
      mRow(row),
      mPanelNumber(panel.number),
      mWindow(window) {
  SetName(str::Format("Grid_%d_%d", column, row));
  mClock.Start();
  mPanelSprite = TSprite::Create(0, mPanelTexture);
  mPanelSprite->GetDrawState().transform.Rotate(static_cast<float>(mRotation) * kPi / 180.0f);
  if (window && window->GetWindowSprite()) window->GetWindowSprite()->AddChild(mPanelSprite);
  mShaderSprite = TSprite::Create(0, window ? window->GetShaderTexture() : nullptr);
  mShaderSprite->GetDrawState().transform.Rotate(kShaderRestAngle);
  const int w = mPanelTexture ? mPanelTexture->GetWidth() : 0;
  const int h = mPanelTexture ? mPanelTexture->GetHeight() : 0;
  SetSize(w, h);
  mText = AddCellText(this, str::Format("Grid_Text_%d_%d", column, row), w, h);
  mGhost = AddCellText(this, str::Format("ghost_%d_%d", column, row), w, h);
  if (mGhost) {
    // It only carries the text over; the text window shows it.
    mGhost->SetFlags(mGhost->GetFlags() & ~kWindowShown);
    mGhost->SetZOrder(0);
  }
}

QMWordPuzzleGridPiece::~QMWordPuzzleGridPiece() = default;

QMWordPuzzleWindow* QMWordPuzzleGridPiece::PuzzleWindow() const {
  return QMWordPuzzleWindow::FromWindow(mWindow.Get());
}

QMWordPuzzleLetter* QMWordPuzzleGridPiece::GetLetter() const {
  return dynamic_cast<QMWordPuzzleLetter*>(mLetter.Get());
}

char QMWordPuzzleGridPiece::GetShownCharacter() const { return mText ? mText->GetText()[0] : 0; }

void QMWordPuzzleGridPiece::ReleaseLetter() {
  if (mText) mText->SetText(str());
  mLetter = TWindowHandle();
}

void QMWordPuzzleGridPiece::AttachShader(bool attach) {
  QMWordPuzzleWindow* window = PuzzleWindow();
  TSprite* own = window ? window->GetWindowSprite().get() : nullptr;
  if (attach == mShaderAttached || !own) return;
  if (attach) {
    own->AddChild(mShaderSprite);
  } else {
    own->RemoveChild(mShaderSprite);
  }
  mShaderAttached = attach;
}

void QMWordPuzzleGridPiece::SetState(int32_t state) {
  if (state != kShaderWaiting && state != kShaderTurning) AttachShader(false);
  mState = state;
}

// The shader turns about its upright axis: seen face-on at 2 pi, edge-on at rest.
void QMWordPuzzleGridPiece::ShowShaderTurn() {
  TMat3& m = mShaderSprite->GetDrawState().transform;
  const float x = m(2, 0), y = m(2, 1);
  m = TMat3();
  m.Scale(std::max(std::abs(std::cos(mShaderAngle)), 0.01f), 1.0f);
  m.Rotate(kShaderRestAngle);
  m(2, 0) = x;
  m(2, 1) = y;
}

bool QMWordPuzzleGridPiece::Animate() {
  const int32_t now = static_cast<int32_t>(mClock.GetTime());
  const int32_t dt = now - mLastTime;
  mLastTime = now;
  switch (mState) {
    case kOpening:
      mDelay -= dt;
      if (mDelay < 0) {
        mState = kOpen;
        AttachShader(false);
      }
      break;
    case kShaderWaiting:
      mDelay -= dt;
      if (mDelay < 0) {
        mShaderAngle = 2 * kPi;
        ShowShaderTurn();
        AttachShader(true);
        mState = kShaderTurning;
      }
      break;
    case kShaderTurning: {
      // The shader turns back to rest; at rest it goes.
      QMWordPuzzleWindow* window = PuzzleWindow();
      const float delay = window ? window->GetShaderRotationDelay() : 1.0f;
      mShaderAngle -= static_cast<float>(dt) * 0.005f / delay;
      if (mShaderAngle < kShaderRestAngle) {
        mShaderAngle = kShaderRestAngle;
        SetState(kIdle);
      } else {
        ShowShaderTurn();
      }
      break;
    }
    default: break;
  }
  return true;
}

bool QMWordPuzzleGridPiece::OnMouseDown(const TPoint&) {
  QMWordPuzzleWindow* window = PuzzleWindow();
  // While a letter flies (a hint's too) the selected letter is already on its way.
  if (!window || !window->IsInputEnabled()) return false;
  TWindowHandle puzzle(window);
  if (mState != kClosed && IsActive() && window->GetSelectedLetter()) {
    FlyLetter();
    if (puzzle) window->CheckForWin();
    return true;
  }
  QMWordPuzzleLetter* letter = GetLetter();
  if (letter && window->IsInputEnabled()) {
    QMWPDarkenGridSpider darken;
    window->ForEachChild(darken, false);
    window->OnLetterClicked();
    window->SelectLetter(letter->GetLineName(), letter);
    window->PlayPanelRotateSound();
  } else if (!letter) {
    window->OnWrongClick();
  }
  if (puzzle) window->CheckForWin();
  return false;
}

void QMWordPuzzleGridPiece::FlyLetter() {
  if (QMWordPuzzleWindow* window = PuzzleWindow()) window->FlyLetter(this);
}

bool QMWordPuzzleGridPiece::SetLetterInGrid() {
  QMWordPuzzleWindow* window = PuzzleWindow();
  if (!window) return false;
  QMWordPuzzleLetter* letter = window->GetSelectedLetter();
  bool set = false;
  if (IsActive() && letter) {
    const str text = letter->PlaceIn(this);
    if (mGhost) mGhost->SetText(text);
    if (mText) mText->SetText(mGhost ? mGhost->GetText() : text);
    QMWordPuzzleLetter* previous = GetLetter();
    if (previous && previous != letter) previous->ReturnHome();
    mLetter = TWindowHandle(letter);
    window->ClearGrid();
    set = true;
  }
  window->SetInputEnabled(true);
  return set;
}
