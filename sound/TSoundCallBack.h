// What game and animation code derive from to hear that one of their playing sound
// instances has ended; called on the main thread.
#pragma once

#include <map>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class TSound;
class TSoundInstance;

class TSoundCallBack {
public:
  TSoundCallBack() = default;
  TSoundCallBack(const TSoundCallBack&) = delete;
  TSoundCallBack& operator=(const TSoundCallBack&) = delete;
  // Detaches from every instance still alive, so no instance calls a destroyed callback.
  virtual ~TSoundCallBack();

  // `queued` is the sound that was queued to follow on the instance, empty when none.
  virtual void OnSoundEnd(boost::shared_ptr<TSoundInstance> instance,
                          boost::shared_ptr<TSound> queued) = 0;

private:
  friend class TSound;
  friend class TSoundData;
  std::map<TSoundInstance*, boost::weak_ptr<TSoundInstance>> mInstances;
};
