// The game-state service: a program-wide map from state key to value. Setting a key passes
// the pair to the registered handlers in order until one accepts it; a key beginning with
// "++" raises the counter of that name by one.
#pragma once

#include <map>
#include <vector>

#include "core/str.h"

class TGameStateHandler;

class TGameState {
public:
  // Made on first use.
  static TGameState* GetInstance();
  // Null when none has been made (or it was deleted).
  static TGameState* Existing();
  // Deletes the service and its handlers (the platform's tear-down).
  static void DeleteInstance();

  void SetState(const str& key, const str& value);
  void SetIntState(const str& key, int value);
  str GetState(const str& key) const;
  // The service owns the handlers it is given.
  void AddHandler(TGameStateHandler* handler);
  bool QueryHostPause() const;

private:
  TGameState() = default;
  ~TGameState();

  std::map<str, str> mStates;
  std::vector<TGameStateHandler*> mHandlers;
};
