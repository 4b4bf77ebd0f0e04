#include "sound/TAssetMapSounds.h"

#include "sound/TSound.h"

void TAssetMapSounds::Register() {
  static TAssetMapSounds hook;
  TAssetMap::SetSounds(&hook);
}

boost::shared_ptr<TAsset> TAssetMapSounds::Load(const str& file) {
  // Decoded into memory; a "?group=" in the name picks the group, else the default one.
  return TSound::Get(file, true, -1);
}

TSound* TAssetMapSounds::AsSound(TAsset* asset) {
  return asset && asset->IsKindOf(TSound::GetClassId()) ? static_cast<TSound*>(asset) : nullptr;
}
