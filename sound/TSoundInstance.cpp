#include "sound/TSoundInstance.h"

#include "sound/TSound.h"
#include "sound/TSoundData.h"
#include "sound/TSoundManager.h"
#include "sound/TSoundStream.h"

void TSoundInstance::SetPaused(bool paused) {
  TSoundLock lock(TSoundManager::Instance());
  if (mStream) mStream->Pause(paused);
}

void TSoundInstance::Stop() {
  if (auto sound = mSound.lock()) sound->StopInstance(this);
}

void TSoundInstance::SetCallBack(TSoundCallBack* callback) {
  if (auto sound = mSound.lock()) sound->SetCallBack(this, callback, boost::shared_ptr<TSound>());
}

void TSoundInstance::HoldSoundUntilEnd() {
  TSoundLock lock(TSoundManager::Instance());
  boost::shared_ptr<TSound> sound = mSound.lock();
  if (!sound || !mStream || !sound->GetData()) return;
  if (sound->GetData()->IsPlaying(this)) mHeld = sound;
}
