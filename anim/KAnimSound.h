// Sound steps: start a sound (registering its instance under an id), stop the instance of an
// id, or fade a volume group. Each finishes as soon as it has acted; it does not wait for the
// sound.
#pragma once

#include <list>
#include <map>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "core/str.h"
#include "sound/TSoundCallBack.h"

class TSound;
class TSoundInstance;

class KAnimSound : public KAnimProcess {
public:
  KAnimSound(boost::shared_ptr<TSound> sound, bool loop, const str& id);
  // Without a sound: the command "killSound" stops the instance registered under id.
  KAnimSound(const str& command, const str& id);
  void Start() override;

  // The instance registered under id, empty when none plays under it.
  static boost::shared_ptr<TSoundInstance> FindInstance(const str& id);

private:
  boost::shared_ptr<TSound> mSound;
  bool mLoop = false;
  str mId;
  str mCommand;
};

// Keeps every instance a sound step started alive until it ends, and forgets its id then.
class KAnimSoundHolder : public TSoundCallBack {
public:
  static KAnimSoundHolder* Instance();
  // At shutdown.
  static void DestroyInstance();

  void Hold(const boost::shared_ptr<TSoundInstance>& instance);
  void OnSoundEnd(boost::shared_ptr<TSoundInstance> instance,
                  boost::shared_ptr<TSound> queued) override;
  size_t GetHeldCount() const { return mInstances.size(); }

private:
  std::list<boost::shared_ptr<TSoundInstance>> mInstances;
};

// Starts a fade of a volume group as an engine task and finishes at once. A negative from
// fades from the group's current volume; equal ends set the group to that volume; a zero
// duration lands at the end at once.
class KAnimSoundFader : public KAnimProcess {
public:
  KAnimSoundFader(int32_t group, float from, float to, uint32_t ms)
      : mGroup(group), mDuration(ms), mFrom(from), mTo(to) {}
  void Start() override;

private:
  int32_t mGroup;
  uint32_t mDuration;
  float mFrom;
  float mTo;
};
