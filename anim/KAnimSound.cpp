#include "anim/KAnimSound.h"

#include <memory>

#include "anim/KSoundFadeTask.h"
#include "core/TPlatform.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

std::map<str, boost::shared_ptr<TSoundInstance>>& Registry() {
  static std::map<str, boost::shared_ptr<TSoundInstance>> registry;
  return registry;
}

std::unique_ptr<KAnimSoundHolder>& HolderSlot() {
  static std::unique_ptr<KAnimSoundHolder> holder;
  return holder;
}

}  // namespace

KAnimSound::KAnimSound(boost::shared_ptr<TSound> sound, bool loop, const str& id)
    : mSound(std::move(sound)), mLoop(loop), mId(id) {}

KAnimSound::KAnimSound(const str& command, const str& id) : mId(id), mCommand(command) {}

boost::shared_ptr<TSoundInstance> KAnimSound::FindInstance(const str& id) {
  auto it = Registry().find(id);
  return it == Registry().end() ? boost::shared_ptr<TSoundInstance>() : it->second;
}

void KAnimSound::Start() {
  if (mSound) {
    boost::shared_ptr<TSoundInstance> instance = mSound->Play(mLoop);
    if (instance) {
      if (!mId.IsEmpty()) Registry().emplace(mId, instance);
      KAnimSoundHolder::Instance()->Hold(instance);
    }
  } else if (mCommand == "killSound") {
    if (auto instance = FindInstance(mId)) instance->Stop();
  }
  Finish();
}

KAnimSoundHolder* KAnimSoundHolder::Instance() {
  auto& slot = HolderSlot();
  if (!slot) slot.reset(new KAnimSoundHolder());
  return slot.get();
}

void KAnimSoundHolder::DestroyInstance() {
  HolderSlot().reset();
  Registry().clear();
}

void KAnimSoundHolder::Hold(const boost::shared_ptr<TSoundInstance>& instance) {
  mInstances.push_back(instance);
  instance->SetCallBack(this);
}

void KAnimSoundHolder::OnSoundEnd(boost::shared_ptr<TSoundInstance> instance,
                                  boost::shared_ptr<TSound>) {
  // Taken out first: the list may hold the last handle to the instance.
  mInstances.remove(instance);
  auto& r = Registry();
  for (auto it = r.begin(); it != r.end(); ++it) {
    if (it->second == instance) {
      r.erase(it);
      break;
    }
  }
}

void KAnimSoundFader::Start() {
  // Equal ends are a level, not a fade: the group is set, and a level of zero stops nothing.
  if (mFrom == mTo) {
    if (TSoundManager* sm = TSoundManager::Instance()) sm->SetGroupVolume(mGroup, mTo);
    Finish();
    return;
  }
  // Nothing to spread over: the group is where the fade would end, before anything plays on.
  if (mDuration == 0) {
    KEndSoundFade(mGroup, mTo);
    Finish();
    return;
  }
  float from = mFrom;
  if (from < 0.0f) {
    TSoundManager* sm = TSoundManager::Instance();
    from = sm ? sm->GetVolume(mGroup) : 1.0f;
  }
  TPlatform* platform = TPlatform::Instance();
  if (from != mTo && platform) {
    auto* fade = new KSoundFadeTask(mGroup, from, mTo, static_cast<int>(mDuration));
    fade->SetTimer(10, true, true, false);
    // Without a modal window the fade stays on the platform timer.
    TWindowManager* wm = TWindowManager::Instance();
    TWindow* top = wm ? wm->GetTopModal() : nullptr;
    if (top && top->IsKindOf(TModalWindow::GetClassId()))
      fade->RunOnClockOf(static_cast<TModalWindow*>(top));
    platform->AddTask(fade);
  }
  Finish();
}
