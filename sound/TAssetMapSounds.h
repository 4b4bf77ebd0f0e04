// How asset maps load and recognise sounds: the map lives below the sound library, so the
// sound library hands it this hook when the sound manager is made at start-up.
#pragma once

#include "render/TAssetMap.h"

class TAssetMapSounds : public IAssetMapSounds {
public:
  // Installs the one hook (again, harmlessly, for every later sound manager).
  static void Register();

  boost::shared_ptr<TAsset> Load(const str& file) override;
  TSound* AsSound(TAsset* asset) override;
};
