// A cell of the word puzzle's grid: a panel picture (in the puzzle window's sprite), a text
// window that shows the letter standing in the cell, and a small state machine that opens the
// cell when the selected letter may go there. A cell whose panel number is 0 is inactive and
// never takes a letter.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TClock.h"
#include "core/TColor.h"
#include "game/puzzles/word/QMWordOverlayBindings.h"
#include "window/TWindow.h"
#include "window/TWindowHandle.h"

class QMWordPuzzleLetter;
class QMWordPuzzleWindow;
class TSprite;
class TText;
class TTexture;
struct QMWordPanel;

class QMWordPuzzleGridPiece : public TWindow {
  T_WINDOW_CLASS(QMWordPuzzleGridPiece, TWindow)

public:
  enum State : int32_t {
    kIdle = 0,
    kClosed = 3,
    kOpening = 8,
    kOpen = 9,
    kShaderWaiting = 10,
    kShaderTurning = 11,
  };
  static const TColor kTextColour;

  // A default cell, for the window-type registry; it stays empty and inactive.
  QMWordPuzzleGridPiece();
  QMWordPuzzleGridPiece(QMWordPuzzleWindow* window, const QMWordPanel& panel, int column, int row);
  ~QMWordPuzzleGridPiece() override;

  bool Animate() override;
  bool OnMouseDown(const TPoint& point) override;

  // Takes the puzzle window's selected letter (Lua "SetLetterInGrid"); true when it did.
  bool SetLetterInGrid();
  void FlyLetter();

  bool IsActive() const { return mPanelNumber != 0; }
  int32_t GetColumn() const { return mColumn; }
  int32_t GetRow() const { return mRow; }
  int32_t GetState() const { return mState; }
  // Leaving the shader's sweep takes the shader away with it.
  void SetState(int32_t state);
  void SetDelay(int32_t ms) { mDelay = ms; }
  const boost::shared_ptr<TTexture>& GetPanelTexture() const { return mPanelTexture; }
  const boost::shared_ptr<TSprite>& GetPanelSprite() const { return mPanelSprite; }
  const boost::shared_ptr<TSprite>& GetShaderSprite() const { return mShaderSprite; }
  // The round names a shader picture for its cells.
  bool HasShader() const { return mShaderSprite && mShaderSprite->GetTexture(); }
  bool IsShaderAttached() const { return mShaderAttached; }
  TText* GetTextWindow() const { return mText; }
  TText* GetGhostWindow() const { return mGhost; }
  // The character shown, 0 when the cell is empty.
  char GetShownCharacter() const;
  QMWordPuzzleLetter* GetLetter() const;
  // Lets go of the letter standing here: the text goes, the letter is forgotten.
  void ReleaseLetter();
  QMWordOverlayBindings& GetOverlayBindings() { return mBindings; }

private:
  QMWordPuzzleWindow* PuzzleWindow() const;
  void AttachShader(bool attach);
  void ShowShaderTurn();

  boost::shared_ptr<TTexture> mPanelTexture;
  int32_t mRotation = 0;
  float mShaderAngle = 4.712389f;
  boost::shared_ptr<TSprite> mPanelSprite;
  int32_t mColumn = 0;
  int32_t mRow = 0;
  TClock mClock;
  int32_t mLastTime = 0;
  int32_t mDelay = 0;
  int32_t mPanelNumber = 0;
  TText* mText = nullptr;
  TText* mGhost = nullptr;
  boost::shared_ptr<TSprite> mShaderSprite;
  bool mShaderAttached = false;
  TWindowHandle mWindow;
  int32_t mState = kIdle;
  TWindowHandle mLetter;
  QMWordOverlayBindings mBindings;
};
