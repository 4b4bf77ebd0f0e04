#include "game/shell/GameMain.h"

#include <memory>

#include "anim/ISpriteWindowGame.h"
#include "anim/KAnimSound.h"
#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TAnimTask.h"
#include "core/TClock.h"
#include "core/TPlatform.h"
#include "core/str.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/MetricsSession.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "render/TRenderer.h"
#include "script/binding/TWindowScript.h"
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
    // A button that closes its window still sounds its click to the end.
    if (!mSound) return;
    if (boost::shared_ptr<TSoundInstance> playing = mSound->Play(false))
      playing->HoldSoundUntilEnd();
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

namespace detail {

CleanupWait::CleanupWait(uint32_t waitMs) {
  mClock.Start();
  mDeadline = mClock.GetTime() + waitMs;
}

bool CleanupWait::Animate() {
  if (mClock.GetTime() > mDeadline) mDeadlinePassed = true;
  return true;
}

}  // namespace detail

namespace {

TClock* TopModalClock(TWindowManager* wm) {
  TWindow* top = wm->GetTopModal();
  if (!top || !top->IsKindOf(TModalWindow::GetClassId())) return nullptr;
  return &static_cast<TModalWindow*>(top)->GetClock();
}

}  // namespace

bool GameEventLoop(TPlatform* platform, QMGameManager* game, TWindowManager* wm) {
  TWindowScript* host = TWindowScript::Of(wm);
  for (;;) {
    if (host && host->HasCoroutineFailed()) {
      // The main script is the game flow: once it has failed nothing is left to drive the
      // game, so it ends as if the player had quit rather than sit on a frozen screen.
      EngineLog("Main script \"%s\" stopped: %s; the game shuts down", kMainScript,
                host->GetLastError().CStr());
      host->DoFile("scripts/quitverify.lua");
      return false;
    }
    TPlatformEvent event;
    platform->GetEvent(event);
    switch (event.type) {
      case kEventCloseRequest:
      case kEventQuit:
        // The scripts see the game intact: nothing has been shut down yet.
        if (TWindowScript* host = TWindowScript::Of(wm)) host->DoFile("scripts/quitverify.lua");
        return true;
      case kEventActivate:
        if (TClock* clock = wm ? TopModalClock(wm) : nullptr) {
          if (event.code == 1) {
            clock->Start();
          } else if (event.code == 0) {
            clock->Pause();
          }
        }
        break;
      case kEventAltEnter:
        // The event pump has switched the display already; only the choice is kept.
        if (game) game->SaveFullScreenMode();
        continue;
      default: break;
    }
    if (wm) wm->HandleEvent(event);
  }
}

void CloseAllModals(TPlatform* platform, TWindowManager* wm) {
  if (!wm) return;
  bool popped = false;
  for (TWindow* top = wm->GetTopModal(); top; top = wm->GetTopModal()) {
    wm->DoPopModal(top->GetIdString());
    popped = true;
    if (wm->GetTopModal() == top) break;  // a window that refuses to go must not hang the exit
  }
  if (!popped) return;
  // Closing windows may still animate: hand on a few events, bounded by time and count.
  auto wait = std::make_unique<detail::CleanupWait>(100);
  platform->AddTask(wait.get());
  for (;;) {
    if (++wait->mEvents > 20 || wait->mDeadlinePassed) break;
    TPlatformEvent event;
    event.type = 0;
    event.code = 0;
    platform->GetEvent(event);
    wm->HandleEvent(event);
  }
  platform->RemoveTask(wait.get());
}

int GameMain(TPlatform* platform, const char*) {
  TRenderer* renderer = TRenderer::Instance();
  renderer->SetOption("fps", "0");
  renderer->SetOption("texture_rectangle", "1");
  renderer->SetOption("new_subtractive", "1");
  renderer->SetOption("avoid_fillrect_if_16bit", "true");

  SetupMetricsSession();
  CreateGameManager();
  QMGameManager* game = QMGameManager::Instance();
  TWindowManager* wm = TWindowManager::Instance();

  // The window's title is the game's own text, from the string table.
  if (TStringTable* strings = platform->GetStringTable())
    platform->SetWindowTitle(strings->GetString("windowtitle"));
  if (wm) wm->SetSoundSource(std::make_unique<WindowSoundSource>());

  // Without its main script the game has nothing to run: straight to the shutdown. A game that
  // ended that way, or by its main script failing, tells whoever started it with a non-zero exit.
  const bool ranToQuit = RegisterGameTypes(wm) && GameEventLoop(platform, game, wm);

  ReleaseStringTableCache();
  if (game && !RuntimeSettings().disableSave) game->SaveGame();
  CloseAllModals(platform, wm);
  ISpriteWindowGame::Install(nullptr);
  DestroyGameManager();
  KAnimSoundHolder::DestroyInstance();
  return ranToQuit ? 0 : 1;
}
