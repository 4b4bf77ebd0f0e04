// The word puzzle: a crossword-like grid of cells on a background picture, banks of letters
// left of the rows and above the columns, red forbidden letters beyond the other edges. The
// player clicks a bank letter, the cells where it may go glow, and a click on one of them flies
// the letter there through the overlay sprite window's "word_letter_anim.lua". When every cell
// of the round's solution shows its letter the round-end modal runs and the next round loads,
// or the puzzle is reported complete. The rounds are the "round1", "round2", ... tables of the
// creation table; the current round and each letter's cell are kept for the current player.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/puzzles/RTFHookFunction.h"
#include "game/puzzles/word/QMWordOverlayBindings.h"
#include "game/puzzles/word/QMWordPuzzleRound.h"
#include "game/scenes/QMPuzzleWindow.h"
#include "render/TAssetMap.h"

class KSpriteWindow;
class QMWPLoadSpider;
class QMWordPuzzleGridPiece;
class QMWordPuzzleLetter;
class TAnimatedSprite;
class TLuaTable;
class TSound;
class TSprite;
class TTexture;

class QMWordPuzzleWindow : public QMPuzzleWindow {
  T_WINDOW_CLASS(QMWordPuzzleWindow, QMPuzzleWindow)

public:
  static const char* const kGlowAnimation;
  static const char* const kLetterAnimScript;
  static const char* const kRoundEndModal;
  static const char* const kDefaultRoundEndScript;
  static constexpr int32_t kHintMessage = 2018;

  QMWordPuzzleWindow();
  ~QMWordPuzzleWindow() override;

  // The window as a word puzzle window when it is one, else null.
  static QMWordPuzzleWindow* FromWindow(TWindow* w);

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  bool Animate() override;

  // Bound for the scripts (see QMWordPuzzleWindowBindings.cpp).
  void ChangeRound();
  bool WordShowHint();
  void CheckForWin();

  // What the cells and letters ask of the puzzle.
  void SelectLetter(const str& lineName, QMWordPuzzleLetter* letter);
  void ClearGrid();
  void FlyLetter(QMWordPuzzleGridPiece* target);
  void OnLetterClicked();
  void OnWrongClick();
  void PlayPanelRotateSound();
  void ShowHoverMarker(const TPoint& position);
  void HideHoverMarker();
  // Whether the forbidden letters of a row (column) hold the character; a line the round
  // gave no entry for forbids nothing.
  bool IsForbiddenInRow(int row, char c) const;
  bool IsForbiddenInColumn(int column, char c) const;
  QMWordPuzzleLetter* GetSelectedLetter() const;
  void SetSelectedLetter(QMWordPuzzleLetter* letter);
  bool IsInputEnabled() const { return mInputEnabled; }
  void SetInputEnabled(bool enabled) { mInputEnabled = enabled; }

  // The Lua text that queues the round-end modal and then the next round, or after the last
  // round the puzzle's completion.
  static str RoundEndText(const str& roundEndScript, bool last);

  // The round loader (QMWordPuzzleRoundLoader.cpp).
  void LoadRound(TLuaTable* round);
  void AddStartingLetters(const str& lineName, const str& letters);
  void AddForbiddenLetters(const str& lineName, const str& letters);

  const QMWordGridGeometry& GetGrid() const { return mGrid; }
  const std::vector<QMWordPanel>& GetPanels() const { return mPanels; }
  const std::vector<QMWordSolutionEntry>& GetSolution() const { return mSolution; }
  const std::vector<str>& GetForbiddenByRow() const { return mForbiddenByRow; }
  const std::vector<str>& GetForbiddenByColumn() const { return mForbiddenByColumn; }
  const boost::shared_ptr<TTexture>& GetShaderTexture() const { return mShaderTexture; }
  int32_t GetCurrentRound() const { return mCurrentRound; }
  int32_t GetRoundCount() const { return static_cast<int32_t>(mRounds.size()); }
  size_t GetGlowCount() const { return mGlows.size(); }
  const str& GetClueText() const { return mClueText; }
  const str& GetRoundEndScript() const { return mRoundEndScript; }
  float GetShaderRotationDelay() const { return mShaderRotationDelay; }
  float GetShaderRotationOffsetTime() const { return mShaderRotationOffsetTime; }
  const boost::shared_ptr<TSprite>& GetMarkerSprite() const { return mMarkerSprite; }
  const boost::shared_ptr<TSprite>& GetHoverMarker() const { return mHoverMarker; }
  const boost::shared_ptr<TSprite>& GetSelectionMarker() const { return mSelectionMarker; }
  TAssetMap& GetAssets() { return mAssets; }
  // The sprite that carries the background picture and the cells' panels.
  const boost::shared_ptr<TSprite>& GetWindowSprite() const { return mSceneSprite; }

  // Armed by the real-time feedback zones.
  RTFHookFunction firstLetterClickHook = nullptr;
  RTFHookFunction firstLetterPlaceHook = nullptr;
  RTFHookFunction emptyGridHook = nullptr;

private:
  static boost::shared_ptr<TSound> LoadSound(const str& name);
  void BindScriptFunctions();
  void SetupClueText();
  void AddLetters(const str& lineName, const str& letters, int kind);
  void ClearRound();
  void FadeGlows();
  // A glow sprite at p (in this window's coordinates), playing, kept in the glow list.
  void AddGlow(const TPoint& p, int32_t layer);
  KSpriteWindow* FindOverlay(TWindow* from) const;
  void RunLuaText(const str& text);
  QMWordPuzzleGridPiece* FindCell(int column, int row);
  bool IsEntryMet(const QMWordSolutionEntry& entry);

  boost::shared_ptr<TSprite> mMarkerSprite;
  TAssetMap mAssets;
  QMWordGridGeometry mGrid;
  std::vector<QMWordPanel> mPanels;
  TWindowHandle mSelectedLetter;
  std::vector<str> mForbiddenByRow;
  std::vector<str> mForbiddenByColumn;
  std::vector<QMWordSolutionEntry> mSolution;
  std::deque<boost::shared_ptr<TAnimatedSprite>> mGlows;
  boost::shared_ptr<TSound> mLetterClickedSound;
  boost::shared_ptr<TSound> mPanelRotateSound;
  boost::shared_ptr<TSound> mWrongClickSound;
  std::vector<std::unique_ptr<TLuaTable>> mRounds;
  int32_t mCurrentRound = 0;
  boost::shared_ptr<TSprite> mHoverMarker;
  boost::shared_ptr<TSprite> mSelectionMarker;
  str mClueText;
  float mShaderRotationDelay = 1.0f;
  float mShaderRotationOffsetTime = 20.0f;
  bool mInputEnabled = true;
  str mRoundEndScript;
  std::unique_ptr<QMWPLoadSpider> mPendingLoad;
  boost::shared_ptr<TTexture> mShaderTexture;
  // Set when the round is won and cleared when the next one loads: clicks on the won grid
  // before the round-end dialog must not win it again.
  bool mRoundWon = false;
  QMWordOverlayBindings mOverlayBindings;
};
