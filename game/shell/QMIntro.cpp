#include "game/shell/QMIntro.h"

#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TWindowStyle.h"

QMIntro::~QMIntro() {
  if (boost::shared_ptr<TSoundInstance> playing = mMusic.lock()) playing->Stop();
}

void QMIntro::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  const str audio = style.GetString("backgroundAudio", "");
  if (audio.IsEmpty()) return;
  boost::shared_ptr<TSound> music = TSound::Get(audio, false, 1001);
  if (!music) return;
  // The playing instance holds the sound; the window only watches it, to stop it at the end.
  if (boost::shared_ptr<TSoundInstance> playing = music->Play(true)) {
    playing->HoldSoundUntilEnd();
    mMusic = playing;
  }
}
