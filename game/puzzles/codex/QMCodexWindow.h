// The codex puzzle: a logic grid of checks and X marks between the round's words and its clue
// pictures, a code grid that fills in the deduced words, and clue slides per round. Every click
// on a solve-grid cell goes to the level script's event target, whose answer (an instruction
// table) the window carries out; a particle effect follows the pointer over the grid.
#pragma once

#include <cstdint>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/QMAnimationRunner.h"
#include "core/TColor.h"
#include "core/TVec.h"
#include "game/puzzles/RTFHookFunction.h"
#include "game/puzzles/codex/CodexParticleFunc.h"
#include "game/puzzles/codex/QMCodexCodeGrid.h"
#include "game/puzzles/codex/QMCodexSlides.h"
#include "game/puzzles/codex/QMCodexSolveGrid.h"
#include "game/scenes/QMPuzzleWindow.h"
#include "anim/KAnimProcess.h"
#include "particles/TLuaParticleSystem.h"
#include "window/TWindowHandle.h"

class QMCodexFadeListener;
class TAnimatedSprite;
class TAnimatedTexture;
class TLuaTable;
class TSound;

class QMCodexWindow : public QMPuzzleWindow {
  T_WINDOW_CLASS(QMCodexWindow, QMPuzzleWindow)

public:
  QMCodexWindow();
  ~QMCodexWindow() override;
  // Null for a sound that did not load.
  const boost::shared_ptr<TSound>& GetClickSound() const { return mClickSound; }
  const boost::shared_ptr<TSound>& GetGroupSolvedSound() const { return mGroupSolvedSound; }
  const boost::shared_ptr<TSound>& GetPuzzleSolvedSound() const { return mPuzzleSolvedSound; }

  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* msg) override;
  bool Animate() override;
  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;
  bool OnKeyDown(unsigned char, int) override { return false; }

  // The end of the round-change fade-out: the next round's grid fades in.
  void OnProcessFinished(KAnimProcess* process);

  // The script functions (bound by the constructor, reset to nil when the window dies).
  void AddClueImage(str texture, int x, int y);
  void AddClueSlideText(TLuaTable* description);
  void NewSlide();
  void NewSlideGroup();
  void SetCurrentSlide(int slide);
  void SetCurrentGroup(int group);
  int GetSlideCount();
  void SetSolveGrid(int count, int offset, TLuaTable* cells);
  void SetCodeGrid(TLuaTable* icons, TLuaTable* cells);
  void UpdateCodeGridState(TLuaTable* updates);
  void ProcessInstructions(TLuaTable* instructions);
  void ShowCodexHint() {}
  void ResetPuzzle();
  void ResolveConflictedColumn(int cell);

  void SetSolveCellState(int32_t cell, int32_t state);
  void UpdateSolveGrid(TLuaTable& updates);
  void SetCodeGridCellWord(int32_t k, int32_t w, bool highlight) {
    mCodeGrid.SetCellWord(k, w, highlight);
  }
  void ResetWordColors() { mCodeGrid.ResetWordColors(); }
  void SyncCodeGridFromChecks();

  // Hook slots armed by the feedback zones; null while no zone listens.
  RTFHookFunction greenCheckHook = nullptr;
  RTFHookFunction redXHook = nullptr;
  RTFHookFunction doubleRowHook = nullptr;
  RTFHookFunction doubleColumnHook = nullptr;

  const QMCodexSolveGrid& GetSolveGrid() const { return mSolveGrid; }
  const QMCodexCodeGrid& GetCodeGrid() const { return mCodeGrid; }
  const QMCodexSlides& GetSlides() const { return mSlides; }
  TSprite* GetSlideHolder() const { return mSlideHolder.get(); }
  TSprite* GetSolveGridSprite() const { return mSolveGridSprite.get(); }
  TSprite* GetCodeGridSprite() const { return mCodeGridSprite.get(); }
  TAnimatedSprite* GetCoverHolder() const { return mCoverHolder.get(); }
  TAnimatedSprite* GetScrollSprite() const { return mScrollSprite.get(); }
  TLuaTable* GetEventTarget() const { return mEventTarget.get(); }
  TLuaParticleSystem& GetParticles() { return mParticles; }
  const CodexParticleFunc& GetLocus() const { return mLocus; }
  bool IsPointerAway() const { return mPointerAway; }
  bool IsSkippingNextCodeGridUpdate() const { return mSkipNextCodeGridUpdate; }
  uint32_t GetPendingGroup() const { return mPendingGroup; }

private:
  void BindScriptFunctions();
  void ReadStyle(TWindowStyle& style);
  void Complete();
  void ChangeRound(uint32_t group, TLuaTable& instructions);
  void FadeSolveGrid(float from, float to, float ms, bool listen);
  void RunParticleText(const char* text);
  // Lua text for the window manager's script, handed to the scripts' waiting loop.
  static void RunHostText(const str& text);
  // Sounds that did not load are skipped.
  static void PlayOnce(const boost::shared_ptr<TSound>& sound);

  uint32_t mPendingGroup = 0;
  int32_t mPendingGridSize = 0;
  int32_t mPendingGridOffset = 0;
  boost::shared_ptr<TSprite> mSlideHolder;
  boost::shared_ptr<TSprite> mSolveGridSprite;
  boost::shared_ptr<TSprite> mCodeGridSprite;
  boost::shared_ptr<TAnimatedTexture> mCoverTexture;
  boost::shared_ptr<TAnimatedSprite> mCoverHolder;
  QMCodexSolveGrid mSolveGrid;
  QMCodexCodeGrid mCodeGrid;
  QMCodexSlides mSlides;
  boost::shared_ptr<TSound> mClickSound, mGroupSolvedSound, mPuzzleSolvedSound;
  std::unique_ptr<TLuaTable> mEventTarget;
  str mPuzzleId, mClueImagePrefix, mCodeIconPrefix;
  TLuaParticleSystem mParticles;
  bool mPointerAway = false;
  CodexParticleFunc mLocus;
  TVec2 mLastPointer{0, 0};
  boost::shared_ptr<TAnimatedSprite> mScrollSprite;
  bool mSkipNextCodeGridUpdate = false;
  // From a round change until its fade-out ends: the grid on show is the old round's.
  bool mRoundChanging = false;
  // Told by the fade-out; it outlives the window when the fade still runs, and then tells
  // nobody.
  QMCodexFadeListener* mFadeListener = nullptr;
  // The solve grid's fades run on the puzzle's own clock: cancelled when the puzzle goes.
  QMAnimationRunner mFades;
};

// Tells the window that the round-change fade has ended; it outlives a window that closed
// meanwhile, and then tells nobody.
class QMCodexFadeListener : public IKAnimListener {
public:
  explicit QMCodexFadeListener(QMCodexWindow* window) : mWindow(window) {}
  void OnProcessFinished(KAnimProcess* process) override {
    if (auto* window = static_cast<QMCodexWindow*>(mWindow.Get()))
      window->OnProcessFinished(process);
  }

private:
  TWindowHandle mWindow;
};
