// The sequence puzzle's top window and referee: it owns the slot row, the pieces, the bins,
// the clue panels and the rounds list as children of its layout, routes the mouse to the piece
// being dragged, judges each drop, shows hints and ends the rounds.
#pragma once

#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "anim/QMAnimationRunner.h"
#include "core/TClock.h"
#include "core/TRect.h"
#include "core/str.h"
#include "game/puzzles/RTFHookFunction.h"
#include "game/scenes/QMPuzzleWindow.h"

class QMSequenceBin;
class QMSequenceClue;
class QMSequenceGrid;
class QMSequencePuzzlePiece;
class QMSequencePuzzleRounds;
class TAnimatedSprite;
class TAnimatedTexture;
class TLuaTable;
class TSound;
class TSprite;

class QMSequencePuzzleWindow : public QMPuzzleWindow, public IKAnimListener {
  T_WINDOW_CLASS(QMSequencePuzzleWindow, QMPuzzleWindow)

public:
  QMSequencePuzzleWindow();
  ~QMSequencePuzzleWindow() override;

  // The window itself when it is a sequence puzzle window, else null.
  static QMSequencePuzzleWindow* Cast(TWindow* w) { return WindowCast<QMSequencePuzzleWindow>(w); }

  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnMouseDown(const TPoint&) override { return false; }
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;
  bool OnKeyDown(unsigned char, int) override { return false; }
  void ShowHint(QMSearchHintMessage* message) override;
  void HideHint() override;
  void OnProcessFinished(KAnimProcess*) override {}

  void AddSprite(boost::shared_ptr<TSprite> sprite);
  void RemoveSprite(boost::shared_ptr<TSprite> sprite);
  TSprite* GetWindowSprite() const;

  void PickUp(QMSequencePuzzlePiece* piece);
  void ReleaseHeldPiece();
  void OnPieceHover(QMSequencePuzzlePiece* piece);
  void CheckSolution();
  void BeginRound();
  QMSequenceBin* FindBinByNumber(int number) const;
  QMSequenceBin* NearestFreeBin(const TPoint& p) const;
  void AddBin(QMSequenceBin* bin) { mBins.push_back(bin); }

  void PlayPickupSound();
  void PlayDropSound();
  void PlaySnapSound();
  void PlaySlideSound();

  bool HasRoundEnded() const { return mRoundEnded; }
  QMSequenceGrid* GetGrid() const { return mGrid; }
  QMSequencePuzzleRounds* GetRounds() const { return mRounds; }
  QMSequencePuzzlePiece* GetHeldPiece() const { return mHeldPiece; }
  bool IsHintShown() const { return mHintMarkers[0] != nullptr; }
  boost::shared_ptr<TAnimatedSprite> GetHintMarker(int i) const { return mHintMarkers[i]; }
  size_t GetRunningAnimationCount() const { return mAnimRunner.GetRunningCount(); }

  RTFHookFunction dragCheckHook = nullptr;
  RTFHookFunction pieceClickCheckHook = nullptr;

private:
  enum Sound {
    kPickupSound,
    kDropSound,
    kSnapSound,
    kRoundCompleteSound,
    kLevelCompleteSound,
    kFailSound,
    kClueRollOverSound,
    kSlideSound,
    kGoToBinSound,
    kHintSound,
    kSoundCount
  };
  void Play(Sound sound);
  void RunLua(TWindow* context, const str& text);

  std::unique_ptr<TLuaTable> mEventTarget;
  QMAnimationRunner mAnimRunner;
  QMSequencePuzzlePiece* mHeldPiece = nullptr;
  QMSequencePuzzlePiece* mLastHeldPiece = nullptr;
  QMSequencePuzzlePiece* mHoverPiece = nullptr;
  QMSequencePuzzlePiece* mPreviousHoverPiece = nullptr;
  QMSequenceGrid* mGrid = nullptr;
  QMSequenceClue* mFirstClue = nullptr;
  QMSequenceClue* mSecondClue = nullptr;
  QMSequencePuzzleRounds* mRounds = nullptr;
  bool mRoundEnded = false;
  boost::shared_ptr<TSound> mSounds[kSoundCount];
  float mHintDuration = 0.0f;
  float mDelayToPlayWinSound = 0.0f;
  float mDelayBeforeDialog = 0.0f;
  TClock mPlayClock;
  str mInitialClueArtPath;
  str mInitialClueTextPath;
  int32_t mFailTimePenalty = 0;
  boost::shared_ptr<TAnimatedSprite> mHintMarkers[2];
  boost::shared_ptr<TAnimatedTexture> mHintAnimation;
  boost::shared_ptr<TSprite> mHintLayer;
  TPoint mLastMousePosition;
  std::vector<QMSequenceBin*> mBins;
  bool mClueSoundOn = true;
  bool mClueImageOn = true;
};
