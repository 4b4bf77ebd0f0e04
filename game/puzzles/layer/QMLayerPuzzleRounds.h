// The layer puzzle's rounds: an invisible child of the puzzle window holding the round names
// in play order and the current round. The round-end script moves on through "ChangeRound".
#pragma once

#include <cstdint>
#include <vector>

#include "core/str.h"
#include "window/TWindow.h"

class TLuaTable;

// The number of entries 1..n of a Lua table (its "n", else its largest integer index).
int LuaTableLength(TLuaTable& table);

class QMLayerPuzzleRounds : public TWindow {
  T_WINDOW_CLASS(QMLayerPuzzleRounds, TWindow)

public:
  QMLayerPuzzleRounds();
  ~QMLayerPuzzleRounds() override;

  void Init(TWindowStyle& style) override;

  // Empty when there are no rounds.
  str GetCurrentRoundName() const;
  int32_t GetCurrentRound() const { return mCurrent; }
  size_t GetRoundCount() const { return mNames.size(); }
  const std::vector<str>& GetNames() const { return mNames; }

  // 1-based; a number outside the rounds is refused and changes nothing. Begins the round.
  bool SetRound(int32_t round);
  // "ChangeRound": the next round, wrapping to the first after the last; begins it and
  // saves it as the player's round.
  void NextRound();

private:
  void BindScriptFunctions();

  std::vector<str> mNames;
  int32_t mCurrent = 0;
};
