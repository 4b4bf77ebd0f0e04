#include "sound/TSoundInstance.h"

#include "sound/TSound.h"
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
