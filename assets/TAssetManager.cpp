#include "assets/TAssetManager.h"

#include <utility>
#include <vector>

namespace {
TAssetManager* gInstance = nullptr;
}

TAssetManager::TAssetManager() {
  if (!gInstance) gInstance = this;
}

TAssetManager::~TAssetManager() {
  if (gInstance == this) gInstance = nullptr;
}

TAssetManager* TAssetManager::Instance() { return gInstance; }

boost::shared_ptr<TAsset> TAssetManager::FindAsset(const str& name) { return mAssets[name].lock(); }

void TAssetManager::RegisterAsset(const str& name, const boost::shared_ptr<TAsset>& asset) {
  mAssets[name] = asset;
}

void TAssetManager::RemoveAsset(const str& name) { mAssets.erase(name); }

void TAssetManager::ReleaseAll() {
  // Hold every live asset before calling out: a Release may register or remove entries.
  std::vector<boost::shared_ptr<TAsset>> live;
  for (auto it = mAssets.begin(); it != mAssets.end();) {
    if (boost::shared_ptr<TAsset> asset = it->second.lock()) {
      live.push_back(std::move(asset));
      ++it;
    } else {
      it = mAssets.erase(it);
    }
  }
  for (const auto& asset : live) asset->Release();
}

void TAssetManager::RestoreAll() {
  std::vector<boost::shared_ptr<TAsset>> live;
  for (const auto& entry : mAssets)
    if (boost::shared_ptr<TAsset> asset = entry.second.lock()) live.push_back(std::move(asset));
  for (const auto& asset : live) asset->Restore();
}
