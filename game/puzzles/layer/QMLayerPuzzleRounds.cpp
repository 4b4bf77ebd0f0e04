#include "game/puzzles/layer/QMLayerPuzzleRounds.h"

#include <memory>

#include "game/puzzles/layer/QMLayerPuzzleWindow.h"
#include "game/shell/QMGameManager.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TWindowStyle.h"

int LuaTableLength(TLuaTable& table) {
  lua_State* L = table.GetState();
  if (!L) return 0;
  table.Push(L);
  const int n = lua_istable(L, -1) ? lua_getmaxn(L, -1) : 0;
  lua_pop(L, 1);
  return n > 0 ? n : 0;
}

QMLayerPuzzleRounds::QMLayerPuzzleRounds() = default;
QMLayerPuzzleRounds::~QMLayerPuzzleRounds() = default;

void QMLayerPuzzleRounds::Init(TWindowStyle& style) {
  if (std::unique_ptr<TLuaTable> rounds{style.GetTable("rounds")}) {
    const int n = LuaTableLength(*rounds);
    for (int i = 1; i <= n; ++i) mNames.push_back(rounds->GetStringAt(i, ""));
  }
  mCurrent = 0;
  BindScriptFunctions();
}

str QMLayerPuzzleRounds::GetCurrentRoundName() const {
  if (mCurrent < 0 || static_cast<size_t>(mCurrent) >= mNames.size()) return str();
  return mNames[static_cast<size_t>(mCurrent)];
}

bool QMLayerPuzzleRounds::SetRound(int32_t round) {
  const int64_t i = int64_t{round} - 1;
  if (i < 0 || i >= static_cast<int64_t>(mNames.size())) return false;
  mCurrent = static_cast<int32_t>(i);
  if (QMLayerPuzzleWindow* puzzle = WindowCast<QMLayerPuzzleWindow>(GetParent()))
    puzzle->BeginRound();
  return true;
}

void QMLayerPuzzleRounds::NextRound() {
  ++mCurrent;
  if (mCurrent < 0 || static_cast<size_t>(mCurrent) >= mNames.size()) mCurrent = 0;
  if (QMLayerPuzzleWindow* puzzle = WindowCast<QMLayerPuzzleWindow>(GetParent())) {
    puzzle->BeginRound();
    if (QMGameManager* game = QMGameManager::Instance()) game->SetLayerPuzzleRound(mCurrent + 1);
  }
}
