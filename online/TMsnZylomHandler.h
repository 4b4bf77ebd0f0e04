// The handler of a game portal's host window: game-state events become script-call texts
// posted to the host in 8-byte pieces, and the host's numbered commands become flags that the
// scripts and the event pump ask about. All portal state is one process-wide record, since
// the platform asks for it (host pause time, modes) without a handler at hand.
#pragma once

#include <cstdint>

#include "online/TGameStateHandler.h"

class TMsnZylomHandler : public TGameStateHandler {
public:
  bool OnEvent(const char* key, const char* value) override;
  const char* Query(const char* key, const char* defaultValue) override;
  bool QueryRestartMode() override;
  bool QueryJumpToMenu() override;
  bool QueryMuteGame() override;
  bool QueryHostPause() override;
};

// A message text goes to the host cut into these pieces, the terminating zero included.
constexpr int kHostPieceSize = 8;
// Formatted messages are cut to this size, terminator included.
constexpr int kHostMessageSize = 256;
constexpr uint32_t kHostMessageId = 1024;  // WM_USER

// Posts text to the host, piece by piece; false when no host window took it.
bool PostTextToHost(const char* text);

// Back to the start-up state: every flag clear, at the menu, no restart interval.
void ResetPortalState();
