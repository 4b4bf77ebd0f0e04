// Registry by name of every live asset, holding weak references only: a loader finds an
// asset here while some owner keeps it, and the display's loss and restore walk them all.
#pragma once

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <cstddef>
#include <map>
#include <set>

#include "assets/TAsset.h"
#include "core/str.h"

class TAssetManager {
public:
  TAssetManager();
  virtual ~TAssetManager();
  TAssetManager(const TAssetManager&) = delete;
  TAssetManager& operator=(const TAssetManager&) = delete;

  // The program's manager (the first one made and still alive), null when there is none.
  static TAssetManager* Instance();

  // The live asset under the name, else empty. An unknown name leaves an empty entry.
  boost::shared_ptr<TAsset> FindAsset(const str& name);
  void FindAsset(boost::shared_ptr<TAsset>& out, const str& name) { out = FindAsset(name); }
  // Replaces any earlier entry; never keeps the asset alive.
  void RegisterAsset(const str& name, const boost::shared_ptr<TAsset>& asset);
  void RemoveAsset(const str& name);
  // Holds the asset for the rest of the run (the manager's life), for assets that must not be
  // made again each time they are asked for, such as compiled scripts.
  void KeepForRun(const str& name, const boost::shared_ptr<TAsset>& asset) { mKept[name] = asset; }

  // Release on every live asset, dropping the entries of gone ones on the way.
  void ReleaseAll();
  // Restore on every live asset.
  void RestoreAll();
  // Entries, live or not.
  size_t GetAssetCount() const { return mAssets.size(); }
  // True the first time a name is given: a loader that fails again each time it is asked
  // logs the failure once for the run, not once per request.
  bool FirstFailure(const str& name) { return mFailed.insert(name).second; }

private:
  std::set<str> mFailed;
  std::map<str, boost::weak_ptr<TAsset>> mAssets;
  std::map<str, boost::shared_ptr<TAsset>> mKept;
};
