#include "game/puzzles/codex/QMCodexWindow.h"
#include "script/binding/LuaWindowBinding.h"
#include "window/IScriptHost.h"
#include "window/TWindowManager.h"

// Bound in the window manager's script; each global is reset to nil when the
// window dies, so a level script that calls one after the puzzle has closed
// finds nil instead of the window.
void QMCodexWindow::BindScriptFunctions() {
  TWindowManager* wm = TWindowManager::Instance();
  IScriptHost* host = wm ? wm->GetScript() : nullptr;
  if (!host) return;
  lua_State* L = host->ScriptState();
  BindWindowMethod(L, "AddClueImage", this, &QMCodexWindow::AddClueImage);
  BindWindowMethod(L, "AddClueSlideText", this, &QMCodexWindow::AddClueSlideText);
  BindWindowMethod(L, "NewSlide", this, &QMCodexWindow::NewSlide);
  BindWindowMethod(L, "NewSlideGroup", this, &QMCodexWindow::NewSlideGroup);
  BindWindowMethod(L, "SetCurrentSlide", this, &QMCodexWindow::SetCurrentSlide);
  BindWindowMethod(L, "SetCurrentGroup", this, &QMCodexWindow::SetCurrentGroup);
  BindWindowMethod(L, "GetSlideCount", this, &QMCodexWindow::GetSlideCount);
  BindWindowMethod(L, "SetSolveGrid", this, &QMCodexWindow::SetSolveGrid);
  BindWindowMethod(L, "SetCodeGrid", this, &QMCodexWindow::SetCodeGrid);
  BindWindowMethod(L, "UpdateCodeGridState", this, &QMCodexWindow::UpdateCodeGridState);
  BindWindowMethod(L, "ProcessInstructions", this, &QMCodexWindow::ProcessInstructions);
  BindWindowMethod(L, "ShowCodexHint", this, &QMCodexWindow::ShowCodexHint);
  BindWindowMethod(L, "ResetPuzzle", this, &QMCodexWindow::ResetPuzzle);
  BindWindowMethod(L, "ResolveConflictedColumn", this, &QMCodexWindow::ResolveConflictedColumn);
}
