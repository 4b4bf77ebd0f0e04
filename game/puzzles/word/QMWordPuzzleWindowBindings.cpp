#include "game/puzzles/word/QMWordPuzzleWindow.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Reset to nil when this window dies, so a round-end command queued before the puzzle closed
// finds no puzzle instead of a dead one.
void QMWordPuzzleWindow::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "ChangeRound", this, &QMWordPuzzleWindow::ChangeRound);
  BindWindowMethod(script->GetState(), "WordShowHint", this, &QMWordPuzzleWindow::WordShowHint);
}
