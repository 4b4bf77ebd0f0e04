#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"

#include <memory>

#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TWindowStyle.h"

void QMSequencePuzzleRounds::Init(TWindowStyle& style) {
  mName = style.GetString("name", str());
  if (std::unique_ptr<TLuaTable> rounds{style.GetTable("rounds")}) {
    lua_State* L = rounds->GetState();
    // The size is read again at each step, as a hole counts as an empty name.
    for (int i = 1;; ++i) {
      rounds->Push(L);
      const int size = lua_getmaxn(L, -1);
      lua_pop(L, 1);
      if (i > size) break;
      mNames.push_back(rounds->GetStringAt(i, str()));
    }
  }
  mCurrentIndex = 0;
  BindScriptFunctions();
}

str QMSequencePuzzleRounds::GetCurrentName() const {
  if (mCurrentIndex < 0 || mCurrentIndex >= static_cast<int32_t>(mNames.size())) return str();
  return mNames[static_cast<size_t>(mCurrentIndex)];
}

void QMSequencePuzzleRounds::ChangeRound() {
  ++mCurrentIndex;
  if (mCurrentIndex >= static_cast<int32_t>(mNames.size())) mCurrentIndex = 0;
  if (QMSequencePuzzleWindow* window = WindowCast<QMSequencePuzzleWindow>(mParent))
    window->BeginRound();
}
