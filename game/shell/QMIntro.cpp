#include "game/shell/QMIntro.h"

#include "sound/TSound.h"
#include "window/TWindowStyle.h"

void QMIntro::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  const str audio = style.GetString("backgroundAudio", "");
  if (audio.IsEmpty()) return;
  mBackgroundSound = TSound::Get(audio, false, 1001);
  if (mBackgroundSound) mBackgroundSound->Play(true);
}
