// A named set of loaded assets that a screen, scene or game mode keeps alive while it runs.
// Assets are added by file name, with or without an extension (the standard ones are
// probed), and asked for later by the same name and by type; with auto-load on, asking for a
// name not in the map loads it on the spot. Every load goes through the asset manager, so
// two maps naming one file share one asset.
#pragma once

#include <map>

#include <boost/shared_ptr.hpp>

#include "assets/TAsset.h"
#include "core/str.h"

class TAnimatedTexture;
class TModel;
class TScriptCode;
class TSound;
class TTexture;

// Sounds are made by a library above this one, which tells the maps how to load and recognise
// them when it starts; until then ".ogg" files do not load and no entry reads as a sound.
class IAssetMapSounds {
public:
  virtual ~IAssetMapSounds() = default;
  // The sound of a file name, its query included ("?group=N" picks the volume group); empty
  // when it does not load.
  virtual boost::shared_ptr<TAsset> Load(const str& file) = 0;
  // The asset as a sound; null for any other kind.
  virtual TSound* AsSound(TAsset* asset) = 0;
};

class TAssetMap {
public:
  TAssetMap() = default;
  virtual ~TAssetMap() = default;
  TAssetMap(const TAssetMap&) = delete;
  TAssetMap& operator=(const TAssetMap&) = delete;

  // With an asset, stores it under the name; without one, finds the file and loads it.
  void AddAsset(const str& name, boost::shared_ptr<TAsset> asset = boost::shared_ptr<TAsset>());
  // Each name of a null-terminated list, loaded from its file.
  void AddAssets(const char* const* names);

  // Empty (and a log line) when the name holds nothing; empty without a line when it holds
  // another kind of asset.
  void GetTexture(boost::shared_ptr<TTexture>& out, const str& name);
  void GetAnimatedTexture(boost::shared_ptr<TAnimatedTexture>& out, const str& name);
  void GetMesh(boost::shared_ptr<TModel>& out, const str& name);
  void GetScriptCode(boost::shared_ptr<TScriptCode>& out, const str& name);
  void GetSound(boost::shared_ptr<TSound>& out, const str& name);

  // The sound library's hook; it outlives every map.
  static void SetSounds(IAssetMapSounds* sounds) { SoundsSlot() = sounds; }
  static IAssetMapSounds* GetSounds() { return SoundsSlot(); }

  // Releases every entry; the assets live on while others hold them.
  void Clear() { mAssets.clear(); }

  void SetAutoLoad(bool autoLoad) { mAutoLoad = autoLoad; }
  bool GetAutoLoad() const { return mAutoLoad; }
  size_t GetSize() const { return mAssets.size(); }

private:
  static IAssetMapSounds*& SoundsSlot() {
    static IAssetMapSounds* sounds = nullptr;
    return sounds;
  }
  // The entry of a name in "/" form, loaded first with auto-load on; empty when there is none.
  boost::shared_ptr<TAsset> Find(const str& name);
  template <typename T>
  boost::shared_ptr<T> Lookup(const str& name, const char* kind);

  std::map<str, boost::shared_ptr<TAsset>> mAssets;
  bool mAutoLoad = false;
};
