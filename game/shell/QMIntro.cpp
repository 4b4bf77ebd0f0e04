#include "game/shell/QMIntro.h"

#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TWindowStyle.h"

void QMIntro::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  const str audio = style.GetString("backgroundAudio", "");
  if (audio.IsEmpty()) return;
  boost::shared_ptr<TSound> music = TSound::Get(audio, false, 1001);
  if (!music) return;
  // The music runs on after the intro: the playing instance, not the window, holds the sound.
  if (boost::shared_ptr<TSoundInstance> playing = music->Play(true)) playing->HoldSoundUntilEnd();
}
