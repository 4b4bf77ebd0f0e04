#include "game/puzzles/layer/QMLayerPuzzleRounds.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void QMLayerPuzzleRounds::BindScriptFunctions() {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  if (!host) return;
  BindWindowMethod(host->GetState(), "ChangeRound", this, &QMLayerPuzzleRounds::NextRound);
}
