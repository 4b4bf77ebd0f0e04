#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void QMSequencePuzzleRounds::BindScriptFunctions() {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  if (!host) return;
  BindWindowMethod(host->GetState(), "ChangeRound", this, &QMSequencePuzzleRounds::ChangeRound);
}
