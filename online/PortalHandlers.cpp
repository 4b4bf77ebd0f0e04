#include "online/PortalHandlers.h"

namespace {
bool gMsn = false;
bool gZylom = false;
}  // namespace

void CreateMsnHandler() { gMsn = true; }
void CreateZylomHandler() { gZylom = true; }
bool IsMsnMode() { return gMsn; }
bool IsZylomMode() { return gZylom; }

void ResetPortalModes() {
  gMsn = false;
  gZylom = false;
}
