// The dialog in which the player sends the eligible score to the online score service: a name
// field, an optional account name and password with a "remember" box, the score and a submit
// button. The high-score window opens it and runs "scripts/ui/hiscoresubmit.lua" for it; the
// script's button calls "SubmitToServer". The dialog polls the submission every 20 ms without
// holding up the game; once the service has accepted it the dialog closes and the high-score
// window shows the online table. A failure stays in the dialog with the service's text.
#pragma once

#include "core/str.h"
#include "window/TModalWindow.h"
#include "window/TWindowHandle.h"

// Room for a status message of the score server, with its ending.
inline constexpr int kScoreMessageSize = 512;

class THiscore;
class THwHiscores;

class THiscoreSubmit : public TModalWindow {
public:
  explicit THiscoreSubmit(THiscore* owner);
  ~THiscoreSubmit() override;

  bool OnMessage(TMessage* message) override;
  bool Animate() override;

  // The globals the dialog's script starts from: "gNameEdit", "gAccountEdit", "gPassEdit",
  // "gRemember" and "gEligibleScore", every text an escaped Lua literal.
  static str PrefillText();
  // Fills the fields from the current player and the stored login, hides the progress and
  // error notes and takes the keyboard focus.
  void Setup();
  // Bound to the scripts as "SubmitToServer".
  void SubmitToServer(const str& name, const str& account, const str& password, bool remember);

private:
  void BindScriptFunctions();
  void ShowError(const str& text);

  TWindowHandle mOwner;
  THwHiscores* mScores = nullptr;
};
