// A sound asset: an Ogg Vorbis file found or loaded by name, cached by the asset manager
// under its name and load options, and played any number of times at once.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "assets/TAsset.h"
#include "core/str.h"

class TSoundCallBack;
class TSoundData;
class TSoundInstance;

class TSound : public TAsset {
public:
  TSound();
  ~TSound() override;

  T_CLASS_IDENTITY(TSound, TAsset)

public:
  // The sound of that name: from the asset manager when loaded, else loaded now. A name may
  // carry "?group=N", which overrides the volume group. Empty when it does not load.
  static boost::shared_ptr<TSound> Get(const str& name, bool loadInMemory, int32_t volumeGroup);
  // The cache key of a name with its options, the name cut before its query, and the group
  // after the query's override.
  static str MakeKey(const str& name, bool loadInMemory, int32_t& volumeGroup, str* cutName);

  // A new playing instance; empty on failure.
  boost::shared_ptr<TSoundInstance> Play(bool loop);
  bool StopInstance(TSoundInstance* instance);
  bool StopAll();
  float GetDuration() const;
  str GetName() const;
  void SetCallBack(TSoundInstance* instance, TSoundCallBack* callback,
                   const boost::shared_ptr<TSound>& next);

  const boost::shared_ptr<TSoundData>& GetData() const { return mData; }

private:
  boost::shared_ptr<TSoundData> mData;
};
