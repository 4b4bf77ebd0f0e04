#include "game/shell/GameMain.h"

#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "core/str.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

int GameMain(TPlatform* platform, const char*) {
  // The window's title is the game's own text, from the string table.
  if (TStringTable* strings = platform->GetStringTable())
    platform->SetWindowTitle(strings->GetString("windowtitle"));
  platform->InitScreen(800, 600, false);
  TPlatformEvent event;
  for (;;) {
    platform->GetEvent(event);
    if (event.type == kEventCloseRequest || event.type == kEventQuit) break;
    TWindowManager* wm = platform->GetWindowManager();
    if (!wm) continue;
    TWindow* top = wm->GetTopModal();
    if (event.type == kEventActivate && top && top->IsKindOf(TModalWindow::GetClassId())) {
      TClock& clock = static_cast<TModalWindow*>(top)->GetClock();
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
