#include "sound/TSoundCallBack.h"

#include <vector>

#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"

TSoundCallBack::~TSoundCallBack() {
  TSoundLock lock(TSoundManager::Instance());
  // Copied first: detaching takes each instance out of this very map.
  std::vector<boost::shared_ptr<TSoundInstance>> alive;
  for (auto& entry : mInstances)
    if (auto instance = entry.second.lock()) alive.push_back(instance);
  for (auto& instance : alive) {
    if (instance->GetSound()) {
      instance->SetCallBack(nullptr);
    } else if (instance->GetCallBack() == this) {
      // The sound is gone; detach by hand so the instance forgets this callback all the same.
      instance->mCallBack = nullptr;
    }
  }
  mInstances.clear();
}
