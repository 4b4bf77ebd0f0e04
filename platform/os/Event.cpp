#include "platform/os/Event.h"

#include <chrono>

namespace platform::os {

Event::Event(bool manualReset, bool initiallySet) : mManualReset(manualReset), mSet(initiallySet) {}

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mSet = true;
  }
  if (mManualReset)
    mCondition.notify_all();
  else
    mCondition.notify_one();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mMutex);
  mSet = false;
}

bool Event::Wait(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mMutex);
  const auto isSet = [this] { return mSet; };
  if (timeoutMs == kInfinite)
    mCondition.wait(lock, isSet);
  else if (!mCondition.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
    return false;
  if (!mManualReset) mSet = false;
  return true;
}

}  // namespace platform::os
