#include "render/TAssetMap.h"

#include <cstdlib>
#include <cstring>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "core/EngineLog.h"
#include "render/TAnimatedTexture.h"
#include "render/TModel.h"
#include "render/TTexture.h"
#include "script/binding/TScriptCode.h"

namespace {

// Tried in this order after a name that names no file.
const char* const kProbedExtensions[] = {".xml", ".anm", ".jpg", ".png", ".ogg", ".mesh", ".lua"};

str Slashed(const str& name) {
  str s = name;
  s.Replace("\\", "/", str::kReplaceAll);
  return s;
}

boost::shared_ptr<TAsset> LoadByExtension(const str& extension, const str& file) {
  if (extension == "jpg" || extension == "png") return TTexture::Get(file);
  if (extension == "xml" || extension == "anm") return TAnimatedTexture::Get(file, str(), str());
  if (extension == "lua") return TScriptCode::Get(file, str(), nullptr);
  if (extension == "mesh") return TModel::Get(file);
  if (extension == "ogg" && TAssetMap::GetSounds()) return TAssetMap::GetSounds()->Load(file);
  return boost::shared_ptr<TAsset>();
}

// The volume group a query names after "group=", 0 without one.
int32_t QueryGroup(const str& query) {
  const char* at = std::strstr(query.CStr(), "group=");
  return at ? static_cast<int32_t>(std::strtol(at + 6, nullptr, 10)) : 0;
}

}  // namespace

void TAssetMap::AddAsset(const str& nameIn, boost::shared_ptr<TAsset> asset) {
  const str key = Slashed(nameIn);
  if (asset) {
    mAssets[key] = asset;
    return;
  }
  const int q = key.Find('?');
  str file = q >= 0 ? key.Substr(0, static_cast<unsigned>(q)) : key;
  const str query = q >= 0 ? key.Substr(static_cast<unsigned>(q)) : str();
  if (!FileExists(file)) {
    bool found = false;
    for (const char* extension : kProbedExtensions)
      if (FileExists(file + extension)) {
        file += extension;
        found = true;
        break;
      }
    if (!found) {
      EngineLog(
          "TAssetMap::AddAsset: Failed to find asset %s with any standard extension "
          "(jpg/png/anm/xml/ogg/mesh)",
          key.CStr());
      return;
    }
  }
  const int dot = file.Find('.', str::kBackwards);
  const str extension = dot >= 0 ? file.Substr(static_cast<unsigned>(dot) + 1) : str();
  file += query;
  if (boost::shared_ptr<TAsset> loaded = LoadByExtension(extension, file)) {
    // A sound is also known by its entry name, so that others naming it the same way share it.
    if (extension == "ogg")
      if (TAssetManager* manager = TAssetManager::Instance())
        manager->RegisterAsset(str::Format("%s;%d;%d", key.CStr(), 0, int(QueryGroup(query))),
                               loaded);
    mAssets[key] = loaded;
    return;
  }
  EngineLog("TAssetMap::AddAsset: Error loading %s", file.CStr());
}

void TAssetMap::AddAssets(const char* const* names) {
  if (!names) return;
  for (; *names; ++names) AddAsset(*names);
}

boost::shared_ptr<TAsset> TAssetMap::Find(const str& name) {
  // Indexing leaves an empty entry behind for an absent name, as every lookup here does.
  if (boost::shared_ptr<TAsset>& held = mAssets[name]) return held;
  if (!mAutoLoad) return boost::shared_ptr<TAsset>();
  AddAsset(name);
  return mAssets[name];
}

template <typename T>
boost::shared_ptr<T> TAssetMap::Lookup(const str& nameIn, const char* kind) {
  const str name = Slashed(nameIn);
  if (boost::shared_ptr<TAsset> held = Find(name)) return AssetCast<T>(held);
  EngineLog("%s asset not found: %s (auto load set to %s)", kind, name.CStr(),
            mAutoLoad ? "true" : "false");
  return boost::shared_ptr<T>();
}

void TAssetMap::GetTexture(boost::shared_ptr<TTexture>& out, const str& name) {
  out = Lookup<TTexture>(name, "Texture");
}

void TAssetMap::GetAnimatedTexture(boost::shared_ptr<TAnimatedTexture>& out, const str& name) {
  out = Lookup<TAnimatedTexture>(name, "Animated texture");
}

void TAssetMap::GetMesh(boost::shared_ptr<TModel>& out, const str& name) {
  out = Lookup<TModel>(name, "Mesh");
}

void TAssetMap::GetScriptCode(boost::shared_ptr<TScriptCode>& out, const str& name) {
  out = Lookup<TScriptCode>(name, "Script");
}

void TAssetMap::GetSound(boost::shared_ptr<TSound>& out, const str& nameIn) {
  const str name = Slashed(nameIn);
  out.reset();
  boost::shared_ptr<TAsset> held = Find(name);
  if (!held) {
    EngineLog("Sound asset not found: %s", name.CStr());
    return;
  }
  // The sound's own type lives above this library: the hook converts the pointer, and the
  // result shares the entry's ownership.
  if (TSound* sound = GetSounds() ? GetSounds()->AsSound(held.get()) : nullptr)
    out = boost::shared_ptr<TSound>(held, sound);
}
