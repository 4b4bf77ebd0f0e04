// The window shown when a game ends. Its script hands it the outcome through
// "SetGameOverStats"(label, score, level): the heading comes from the string table, the score
// and level are shown as given, the high-score button goes when the score does not reach the
// player's eligible score, and in story mode the screen gets an opaque black background.
#pragma once

#include "core/str.h"
#include "window/TWindow.h"

class QMGameOver : public TWindow {
  T_WINDOW_CLASS(QMGameOver, TWindow)

public:
  QMGameOver();

  void SetGameOverStats(const str& label, const str& score, const str& level);

private:
  void BindScriptFunctions();
};
