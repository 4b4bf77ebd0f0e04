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
class TTexture;

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

  void SetAutoLoad(bool autoLoad) { mAutoLoad = autoLoad; }
  bool GetAutoLoad() const { return mAutoLoad; }
  size_t GetSize() const { return mAssets.size(); }

private:
  template <typename T>
  boost::shared_ptr<T> Lookup(const str& name, const char* kind);

  std::map<str, boost::shared_ptr<TAsset>> mAssets;
  bool mAutoLoad = false;
};
