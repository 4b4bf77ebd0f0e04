// The program's entry: the game's identity first, then the engine runs the game.
#include "startup/PlatformMain.h"
#include "game/shell/GameMain.h"
#include "platform/os/ModuleInfo.h"

int main(int argc, char** argv) {
  platform::os::VersionInfo version;
  version.fileVersion[0] = 1;
  version.productName = "Harbour of Lost Things";
  version.internalName = "harbor";
  platform::os::SetVersionInfo(version);
  SetGameSettings();
  str line = JoinCommandLine(argc, argv);
  return PlatformMain(nullptr, nullptr, line.CStr(), 1, &GameMain, false);
}
