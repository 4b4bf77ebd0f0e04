#include "game/shell/GameMain.h"

#include <memory>

#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "core/str.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/IWindowSound.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

// Buttons' sounds come from the sound library, which the window system does not know.
class WindowSound : public IWindowSound {
public:
  explicit WindowSound(boost::shared_ptr<TSound> sound) : mSound(std::move(sound)) {}
  void Play() override {
    if (mSound) mSound->Play(false);
  }

private:
  boost::shared_ptr<TSound> mSound;
};

class WindowSoundSource : public IWindowSoundSource {
public:
  std::shared_ptr<IWindowSound> Get(const str& name) override {
    // Short sounds, kept in memory, in the default volume group unless the name asks.
    boost::shared_ptr<TSound> sound = TSound::Get(name, true, 0);
    if (!sound) return nullptr;
    return std::make_shared<WindowSound>(sound);
  }
};

}  // namespace

int GameMain(TPlatform* platform, const char*) {
  // The window's title is the game's own text, from the string table.
  if (TStringTable* strings = platform->GetStringTable())
    platform->SetWindowTitle(strings->GetString("windowtitle"));
  platform->InitScreen(800, 600, false);
  TWindowManager* wm = platform->GetWindowManager();
  TWindowHandle menu;
  if (wm) {
    wm->SetSoundSource(std::make_unique<WindowSoundSource>());
    // The menu script pushes its modal and then waits for the player.
    if (wm->GetRoot() && wm->RunScriptFile(wm->GetRoot(), "scripts/menu.lua") &&
        wm->GetTopModal() != wm->GetRoot())
      menu = TWindowHandle(wm->GetTopModal());
  }
  TPlatformEvent event;
  for (;;) {
    platform->GetEvent(event);
    if (event.type == kEventCloseRequest || event.type == kEventQuit) break;
    wm = platform->GetWindowManager();
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
    // Closing the menu ends the sample.
    if (!menu.SameAs(TWindowHandle()) && !menu) break;
  }
  return 0;
}
