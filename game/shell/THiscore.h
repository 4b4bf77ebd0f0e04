// The high-score screen: ten rows of one score table at a time, either the local table of the
// current game mode or a table the online score service sent for one category. The player
// switches game mode, category and the local or online view, scrolls the online table and
// opens the submission dialog. The scores and all server traffic belong to the game object's
// high-score object; this window drives it, polls its requests every 20 ms and shows what it
// holds. The layout script's "UpdateButtons()" follows every change of state or view.
#pragma once

#include "core/TRect.h"
#include "core/str.h"
#include "window/TWindow.h"
#include "window/TWindowHandle.h"

class THwHiscores;
struct lua_State;

class THiscore : public TWindow {
  T_WINDOW_CLASS(THiscore, TWindow)

public:
  static constexpr int kRows = 10;

  enum State : int {
    kLocalTable = 0,
    kWaitingForCategories = 1,
    kWaitingForScores = 2,
    kRequestRunning = 3,
    kServerTable = 4,
    kFailed = 5,
  };
  enum SubmitResult : int { kNoSubmission = 0, kQualified = 1, kNotQualified = 2 };

  THiscore();
  ~THiscore() override;

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;
  // Polls a running request; always true, so the timer keeps running.
  bool Animate() override;
  // The screen the layout is designed for.
  virtual bool GetDesignRect(TRect& out);

  // Bound to the scripts.
  int GetState() { return mState; }
  bool ScoreAvailable();
  void UpdateText();
  void OpenBrowser(const str& url);

  // The submission dialog's hand-back after the server accepted a score: the online view
  // follows, with the submission's outcome.
  void ShowSubmissionResult(bool qualified);

  int GetCategory() const { return mCategory; }
  int GetScrollOffset() const { return mScrollOffset; }
  const str& GetMessage() const { return mMessage; }

private:
  void BindScriptFunctions();
  void RestoreCoveredGetState();
  void HideAll();
  void FillTable();
  void ChangeGameMode(int delta);
  void ChangeCategory(int delta);
  void OpenSubmitDialog();
  void RequestScores();
  void AfterAction();
  TWindow* Child(const char* name) { return FindChild(name, -1); }

  int mState = kLocalTable;
  int mSubmitResult = kNoSubmission;
  THwHiscores* mScores = nullptr;
  str mMessage;
  int mCategory = 0;
  int mScrollOffset = 0;
  // Handles, not pointers: a script may take any child away while the screen is open.
  TWindowHandle mNames[kRows];
  TWindowHandle mScoreTexts[kRows];
  TWindowHandle mRanks[kRows];
  TWindowHandle mMarkers[kRows];
  TWindowHandle mModeButton;
  // The script state holding the "GetState" this window covers; its address keys this
  // window's cover there.
  lua_State* mCoveredGetState = nullptr;
};

// Runs a short Lua text in the window system's script.
void RunWindowScriptText(const str& text);
