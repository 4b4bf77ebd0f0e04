// The layer puzzle's top window and referee. Its layout holds the grid ("QMLAYERGRID"), the
// pieces, the rounds list ("QMRounds") and the two stacking buttons ("PlusButton",
// "MinusButton"); every picture of the current round is a child of its root sprite, so the
// whole puzzle draws as one sprite tree. When each piece of the round sits at its target cell
// above the pieces it must cover, the round-end script runs on the next tick.
#pragma once

#include <cstdint>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "core/TClock.h"
#include "game/puzzles/word/QMWordOverlayBindings.h"
#include "game/scenes/QMPuzzleWindow.h"
#include "window/TWindowHandle.h"

class KSpriteWindow;
class QMLayerGrid;
class QMLayerPuzzlePiece;
class QMLayerPuzzleRounds;
class TButton;
class TLuaTable;
class TSound;
class TSoundInstance;
class TSprite;

class QMLayerPuzzleWindow : public QMPuzzleWindow, public IKAnimListener {
  T_WINDOW_CLASS(QMLayerPuzzleWindow, QMPuzzleWindow)

public:
  QMLayerPuzzleWindow();
  ~QMLayerPuzzleWindow() override;

  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnMouseDown(const TPoint&) override { return false; }
  bool OnMouseMove(const TPoint& point) override;
  bool OnKeyDown(unsigned char, int) override { return false; }
  void OnProcessFinished(KAnimProcess*) override {}

  void BeginRound();
  // Saves the round and every piece, re-stacks the windows and notes a won round; nothing
  // while a hint plays.
  void CheckRoundComplete();
  bool CheckWin();
  // Keeps the child order equal to the layer order and the sprites' layers equal to it.
  void ArrangeLayers();
  void SelectPiece(QMLayerPuzzlePiece* piece);
  void ShowLayerButtons(bool show, const TPoint& at);
  void AddPieceSprite(const boost::shared_ptr<TSprite>& sprite);
  void RemovePieceSprite(const boost::shared_ptr<TSprite>& sprite);

  void PlayPickupSound();
  void PlaySnapSound();
  void PlayCorrectSound();
  void PlayDropSound();
  // False, playing nothing, while the previous layer change still sounds.
  bool PlayLayerChangeSound();

  // The script functions.
  void LayerPlusButton();
  void LayerMinusButton();
  bool LayerShowHint();
  void ReleaseHintSprite();

  TSprite* GetRootSprite() const;
  int32_t GetLayerCount() const { return mLayerCount; }
  QMLayerGrid* GetGrid() const;
  QMLayerPuzzleRounds* GetRounds() const;
  QMLayerPuzzlePiece* GetSelectedPiece() const;
  bool IsRoundWon() const { return mRoundWon; }
  // From the win until the next round begins: the pieces then take no pointer input.
  bool IsRoundOver() const { return mRoundOver; }
  bool IsHintActive() const { return mHintActive; }
  // The piece windows among the direct children, of every round.
  int32_t CountPieces() const;

private:
  void BindScriptFunctions();
  void BindReleaseHintSprite(KSpriteWindow* overlay);
  KSpriteWindow* FindOverlay() const;
  boost::shared_ptr<TSound> LoadSound(TWindowStyle& style, const char* key);
  void CountMetric(const char* key);
  void RunRoundEnd();

  std::unique_ptr<TLuaTable> mEventTarget;
  int32_t mLayerCount = 0;
  TWindowHandle mPlusButton;
  TWindowHandle mMinusButton;
  TWindowHandle mSelectedPiece;
  TWindowHandle mHintPiece;
  // The photo lent to the overlay while a hint runs.
  boost::shared_ptr<TSprite> mHintSprite;
  TWindowHandle mGrid;
  TWindowHandle mRounds;
  bool mRoundWon = false;
  bool mRoundOver = false;
  boost::shared_ptr<TSound> mLayerChangeSound;
  boost::shared_ptr<TSound> mPickupPieceSound;
  boost::shared_ptr<TSound> mDropPieceSound;
  boost::shared_ptr<TSound> mSnapToGridSound;
  boost::shared_ptr<TSound> mRoundCompleteSound;
  boost::shared_ptr<TSound> mLevelCompleteSound;
  boost::shared_ptr<TSound> mCorrectSlotSound;
  boost::shared_ptr<TSoundInstance> mLayerChangeInstance;
  TClock mPlayClock;
  float mLayerChangeBusyUntil = 0;
  bool mHintActive = false;
  // The won round's sound waits this long after the win, and its end dialog that long.
  uint32_t mDelayToPlayWinSound = 0;
  uint32_t mDelayBeforeDialog = 0;
  uint32_t mWonAt = 0;
  bool mWinSoundDue = false;
  // "ReleaseHintSprite" in the overlay's own script, reset there when this window dies.
  QMWordOverlayBindings mOverlayBindings;
};
