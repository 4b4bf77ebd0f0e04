#include "game/shell/GameMain.h"

#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "core/str.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

void SetGameSettings() {
  SetConfig(kConfigGameName, "Harbor of Lost Things");
  SetConfig(kConfigHwGameHandle, "harboroflostthings");
  SetConfig(kConfigEncryptionKey, "Qx7!harbor#2");
  SetConfig(str(kConfigHwGameModeName) + "1", "story");
  SetConfig(str(kConfigHwGameModeName) + "2", "arcade");
  for (int i = 1; i <= 7; ++i)
    SetConfig(str::Format("hwgamemedalname%d", i), str::Format("medal%d", i));
}

int GameMain(TPlatform* platform, const char*) {
  platform->SetWindowTitle(platform->GetTitle());
  platform->InitScreen(800, 600, false);
  TPlatformEvent event;
  for (;;) {
    platform->GetEvent(event);
    if (event.type == kEventCloseRequest || event.type == kEventQuit) break;
    TWindowManager* wm = platform->GetWindowManager();
    if (!wm) continue;
    TWindow* top = wm->GetTopModal();
    TModalWindow* modal = WindowCast<TModalWindow>(top);
    if (event.type == kEventActivate && modal) {
      TClock& clock = modal->GetClock();
      if (event.code == 1) {
        clock.Start();
      } else {
        clock.Pause();
      }
    }
    // Each event reaches the windows once; the manager draws the screen on idle and paint.
    wm->HandleEvent(event);
  }
  return 0;
}
