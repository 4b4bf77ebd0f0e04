// A game-state handler for tests: it records every published change as "key=value", in order,
// and consumes none. The service owns it once added; the list it writes to is the test's.
#pragma once

#include <string>
#include <vector>

#include "online/TGameStateHandler.h"

class GameStateRecorder : public TGameStateHandler {
public:
  explicit GameStateRecorder(std::vector<std::string>* events) : mEvents(events) {}
  bool OnEvent(const char* key, const char* value) override {
    mEvents->push_back(std::string(key) + "=" + value);
    return false;
  }

private:
  std::vector<std::string>* mEvents;
};
