#include "game/shell/TMainMenu.h"

#include "assets/FileLayer.h"
#include "game/shell/ChildWindows.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/SoundGroups.h"
#include "sound/TSound.h"
#include "window/TText.h"
#include "window/TWindowStyle.h"
#include "window/text/TTextMarkup.h"

namespace {

const char kCrossSellFile[] = "xsell/xsell.xml";

}  // namespace

TMainMenu::TMainMenu() { BindScriptFunctions(); }

TMainMenu::~TMainMenu() {
  if (mBackgroundSound) mBackgroundSound->StopAll();
}

void TMainMenu::SetWelcomeName() {
  QMGameManager* game = QMGameManager::Instance();
  if (!game) return;
  if (game->GetNumUsers() == 0) {
    for (const char* name : {"welcome", "changeplayer", "userName"}) ShowChild(this, name, false);
    return;
  }
  // Profiles but none current (the current one was just deleted): no one to greet by name.
  if (game->GetCurrentUser() < 0) {
    for (const char* name : {"welcome", "userName"}) ShowChild(this, name, false);
    ShowChild(this, "changeplayer", true);
    MarkRedraw();
    return;
  }
  TText* userName = FindChildAs<TText>(this, "userName");
  if (!userName) return;
  userName->SetText(EscapeMarkup(game->GetCurrentUserName()));
  if (!userName->IsVisible())
    for (const char* name : {"userName", "welcome", "changeplayer"}) ShowChild(this, name, true);
  MarkRedraw();
}

void TMainMenu::PostCreate(TWindowStyle& style) {
  SetWelcomeName();
  TWindow::PostCreate(style);
  const str audio = style.GetString("bgAudio", "");
  if (!audio.IsEmpty()) {
    mBackgroundSound = TSound::Get(audio, false, kMusicGroup);
    if (mBackgroundSound) mBackgroundSound->Play(true);
  }
  if (!FileExists(kCrossSellFile)) ShowChild(this, "moregames", false);
}
