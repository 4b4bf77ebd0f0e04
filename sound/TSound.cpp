#include "sound/TSound.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <memory>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "assets/TFile.h"
#include "core/EngineLog.h"
#include "sound/TMemSpooler.h"
#include "sound/TSoundCallBack.h"
#include "sound/TSoundData.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "sound/TSoundStream.h"

namespace {

bool ContainsOgg(const str& name) {
  const char* s = name.CStr();
  for (; *s; ++s)
    if (strncasecmp(s, ".ogg", 4) == 0) return true;
  return false;
}

}  // namespace

TSound::TSound() : mData(new TSoundData) { mData->mOwner = this; }

TSound::~TSound() {
  TSoundLock lock(TSoundManager::Instance());
  for (auto& [raw, instance] : mData->mInstances) {
    if (TSoundCallBack* callback = instance->mCallBack) callback->mInstances.erase(raw);
    instance->mCallBack = nullptr;
  }
  mData->mOwner = nullptr;
  StopAll();
  mData.reset();
}

str TSound::MakeKey(const str& name, bool loadInMemory, int32_t& volumeGroup, str* cutName) {
  std::string text = name.CStr();
  size_t query = text.find('?');
  if (query != std::string::npos) {
    size_t option = text.find("group=", query + 1);
    if (option != std::string::npos)
      volumeGroup = int32_t(std::strtol(text.c_str() + option + 6, nullptr, 10));
    text.resize(query);
  }
  if (cutName) *cutName = str(text.c_str());
  char key[64];
  std::snprintf(key, sizeof key, ";%d;%d", loadInMemory ? 1 : 0, int(volumeGroup));
  return str((text + key).c_str());
}

boost::shared_ptr<TSound> TSound::Get(const str& name, bool loadInMemory, int32_t volumeGroup) {
  if (name.IsEmpty()) return boost::shared_ptr<TSound>();
  str cut;
  str key = MakeKey(name, loadInMemory, volumeGroup, &cut);
  TAssetManager* assets = TAssetManager::Instance();
  if (assets) {
    if (auto found = AssetCast<TSound>(assets->FindAsset(key))) return found;
  }
  boost::shared_ptr<TSound> sound(new TSound);
  if (assets) assets->RegisterAsset(key, sound);
  sound->mData->mName = cut;
  sound->mData->mVolumeGroup = volumeGroup;
  if (!ContainsOgg(cut)) return boost::shared_ptr<TSound>();
  auto file = std::make_unique<TFile>();
  if (!file->Open(cut, kFileReadBinary)) {
    EngineLog("TSound::Get: OGG file not found: %s", cut.CStr());
    return boost::shared_ptr<TSound>();
  }
  if (!sound->mData->Open(std::move(file), !loadInMemory)) {
    EngineLog("TSound::Get: Error loading %s", cut.CStr());
    return boost::shared_ptr<TSound>();
  }
  return sound;
}

boost::shared_ptr<TSoundInstance> TSound::Play(bool loop) {
  if (!mData) {
    EngineLog("Play of uninitialized sound");
    return boost::shared_ptr<TSoundInstance>();
  }
  TSoundManager* manager = TSoundManager::Instance();
  if (!manager) {
    EngineLog("No Sound Manager");
    return boost::shared_ptr<TSoundInstance>();
  }
  TSoundLock lock(manager);
  auto* spooler = new TMemSpooler(mData);
  auto stream = TSoundStream::Make(manager, spooler, loop, mData->mVolumeGroup, mData);
  boost::shared_ptr<TSoundInstance> instance(new TSoundInstance);
  instance->mStream = stream.get();
  instance->mSound = boost::static_pointer_cast<TSound>(shared_from_this());
  mData->mInstances[instance.get()] = instance;
  stream->SetInstance(instance);
  stream->Create(mData->mSampleRate, mData->mChannels, 16, 2.0f);
  bool oneShot = !loop && stream->GetBufferLength() > mData->mLength;
  stream->Start(oneShot);
  return instance;
}

bool TSound::StopInstance(TSoundInstance* instance) {
  if (!instance) return false;
  // An instance's hold may be the last handle on this sound: it goes after this call is over.
  boost::shared_ptr<TSound> held;
  TSoundLock lock(TSoundManager::Instance());
  boost::shared_ptr<TSoundInstance> keep;
  auto it = mData->mInstances.find(instance);
  if (it != mData->mInstances.end()) {
    keep = it->second;
    mData->mInstances.erase(it);
    held.swap(instance->mHeld);
  }
  TSoundStream* stream = instance->mStream;
  if (stream && stream->GetNotifyTarget().get() == mData.get()) stream->Stop(false);
  return true;
}

bool TSound::StopAll() {
  // Stopping a holding instance must not end this sound while the others are still stopped.
  boost::shared_ptr<TAsset> self = weak_from_this().lock();
  TSoundLock lock(TSoundManager::Instance());
  std::vector<TSoundInstance*> all;
  for (auto& entry : mData->mInstances) all.push_back(entry.first);
  bool any = false;
  for (TSoundInstance* instance : all) any = StopInstance(instance) || any;
  return any;
}

float TSound::GetDuration() const { return mData ? float(mData->mLength) : 0.0f; }

str TSound::GetName() const { return mData ? mData->mName : str(); }

void TSound::SetCallBack(TSoundInstance* instance, TSoundCallBack* callback,
                         const boost::shared_ptr<TSound>& next) {
  if (!instance) return;
  TSoundLock lock(TSoundManager::Instance());
  auto attach = [&] {
    if (instance->mCallBack && instance->mCallBack != callback)
      instance->mCallBack->mInstances.erase(instance);
    callback->mInstances[instance] = instance->weak_from_this();
    instance->mCallBack = callback;
  };
  if (next) {
    if (!next->mData || !instance->mStream) return;
    auto* spooler = new TMemSpooler(next->mData);
    if (!instance->mStream->QueueNext(next->mData, spooler)) {
      spooler->Release();
      return;
    }
    instance->mQueued = next;
    if (callback) {
      attach();
    } else {
      if (instance->mCallBack) instance->mCallBack->mInstances.erase(instance);
      instance->mCallBack = nullptr;
    }
  } else if (callback) {
    attach();
  } else {
    if (instance->mCallBack) instance->mCallBack->mInstances.erase(instance);
    instance->mCallBack = nullptr;
  }
}
