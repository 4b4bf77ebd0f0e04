#include "sound/TSoundData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "core/EngineLog.h"
#include "platform/audio/AudioDevice.h"
#include "sound/TSound.h"
#include "sound/TSoundCallBack.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "sound/TSoundStream.h"

namespace {

// A whole file read into memory, which the decoder owns from a successful open on.
struct MemorySource {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

size_t MemoryRead(void* out, size_t size, size_t count, void* source) {
  auto* m = static_cast<MemorySource*>(source);
  size_t left = m->bytes.size() - m->position;
  size_t n = size * count < left ? size * count : left;
  if (n == 0) return 0;
  std::memcpy(out, m->bytes.data() + m->position, n);
  m->position += n;
  return n;
}

int MemorySeek(void* source, ogg_int64_t offset, int whence) {
  auto* m = static_cast<MemorySource*>(source);
  ogg_int64_t base;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = ogg_int64_t(m->position); break;
    case SEEK_END: base = ogg_int64_t(m->bytes.size()); break;
    default: return -1;
  }
  ogg_int64_t at = base + offset;
  if (at < 0) at = 0;
  if (at > ogg_int64_t(m->bytes.size())) at = ogg_int64_t(m->bytes.size());
  m->position = size_t(at);
  return 0;
}

long MemoryTell(void* source) { return long(static_cast<MemorySource*>(source)->position); }

int MemoryClose(void* source) {
  delete static_cast<MemorySource*>(source);
  return 0;
}

size_t FileReadItems(void* out, size_t size, size_t count, void* source) {
  auto* file = static_cast<TFile*>(source);
  if (size == 0 || count == 0) return 0;
  int32_t got = file->Read(out, int(size * count));
  if (got <= 0) return 0;
  // Whole items only; a partial one is read again next time.
  size_t partial = size_t(got) % size;
  if (partial) file->Seek(-int(partial), kSeekCurrent);
  return size_t(got) / size;
}

int FileSeekTo(void* source, ogg_int64_t offset, int whence) {
  auto* file = static_cast<TFile*>(source);
  int mode;
  switch (whence) {
    case SEEK_SET: mode = kSeekStart; break;
    case SEEK_CUR: mode = kSeekCurrent; break;
    case SEEK_END: mode = kSeekEnd; break;
    default: return -1;
  }
  file->Seek(int(int32_t(offset)), mode);
  return 0;
}

long FileTellAt(void* source) { return long(static_cast<TFile*>(source)->Tell()); }

int FileCloseSource(void* source) {
  delete static_cast<TFile*>(source);
  return 0;
}

}  // namespace

long ReadDecoded(OggVorbis_File* decoder, uint8_t* out, int bytes) {
  int section = 0;
  for (int attempt = 0; attempt <= kDecoderRetries; ++attempt) {
    long n = ov_read(decoder, reinterpret_cast<char*>(out), bytes, 0, 2, 1, &section);
    if (n >= 0) return n;
  }
  EngineLog("TSoundData: the Ogg stream stays unreadable; the rest plays as silence");
  return 0;
}

TSoundData::~TSoundData() {
  mPcm.reset();
  CloseDecoder();
  mInstances.clear();
}

void TSoundData::CloseDecoder() {
  if (!mDecoder) return;
  ov_clear(mDecoder.get());
  mDecoder.reset();
}

bool TSoundData::Open(std::unique_ptr<TFile> file, bool streamFromFile) {
  if (!file) return false;
  auto decoder = std::make_unique<OggVorbis_File>();
  std::memset(decoder.get(), 0, sizeof(OggVorbis_File));
  int opened;
  if (!streamFromFile) {
    auto* source = new MemorySource;
    file->Seek(0, kSeekEnd);
    int32_t size = file->Tell();
    file->Seek(0, kSeekStart);
    if (size > 0) {
      source->bytes.resize(size_t(size));
      int32_t got = file->Read(source->bytes.data(), size);
      source->bytes.resize(size_t(got > 0 ? got : 0));
    }
    file.reset();
    ov_callbacks calls = {MemoryRead, MemorySeek, MemoryClose, MemoryTell};
    opened = ov_open_callbacks(source, decoder.get(), nullptr, 0, calls);
    // A failed open leaves the source to its caller.
    if (opened != 0) delete source;
  } else {
    TFile* source = file.release();
    ov_callbacks calls = {FileReadItems, FileSeekTo, FileCloseSource, FileTellAt};
    opened = ov_open_callbacks(source, decoder.get(), nullptr, 0, calls);
    if (opened != 0) delete source;
  }
  if (opened != 0) {
    EngineLog("OGG file could not be opened");
    return false;
  }
  vorbis_info* info = ov_info(decoder.get(), -1);
  // The header's rate sizes every buffer made for the sound; a rate no audio has is a damaged
  // or hostile file, not something to allocate for.
  if (!info || info->rate < 1 || info->rate > kMaxSampleRate || info->channels < 1) {
    EngineLog("OGG file could not be opened");
    ov_clear(decoder.get());
    return false;
  }
  if (info->channels > platform::audio::kMaxChannels) {
    EngineLog("OGG file has %d channels; only mono and stereo sounds play", info->channels);
    ov_clear(decoder.get());
    return false;
  }
  mDecoder = std::move(decoder);
  mSampleRate = int32_t(info->rate);
  mChannels = info->channels;
  mLength = ov_time_total(mDecoder.get(), -1);
  if (mLength < 0) mLength = 0;
  if (DecodesWhole(mLength, streamFromFile)) DecodeWhole();
  return true;
}

bool TSoundData::DecodeWhole() {
  // The header's length and rate are a guess at the size, never trusted beyond the cap: the
  // block holds what the decoder delivers.
  const double expected = (mLength + 0.1) * mChannels * mSampleRate * 2.0;
  std::vector<uint8_t> pcm;
  pcm.reserve(size_t(std::clamp(expected, 0.0, double(kMaxDecodedBytes))));
  constexpr size_t kStep = 16384;
  size_t total = 0;
  for (;;) {
    if (total + kStep > pcm.size()) pcm.resize(total + kStep);
    long n = ReadDecoded(mDecoder.get(), pcm.data() + total, int(kStep));
    if (n <= 0) break;
    total += size_t(n);
    if (total > size_t(kMaxDecodedBytes)) {
      // Too much to hold: the sound plays from its decoder like a long one.
      ov_pcm_seek(mDecoder.get(), 0);
      return false;
    }
  }
  mPcm.reset(new uint8_t[total + 4]());
  if (total) std::memcpy(mPcm.get(), pcm.data(), total);
  mCapacity = mDecodedBytes = int32_t(total);
  CloseDecoder();
  return true;
}

void TSoundData::Notify(TSoundStream* stream) {
  TSoundLock lock(TSoundManager::Instance());
  stream->ClearPreviousNotifyTarget();
  if (!mOwner) return;
  // Kept alive for the call: a callback may drop the last other handle.
  boost::shared_ptr<TSound> owner =
      boost::static_pointer_cast<TSound>(mOwner->weak_from_this().lock());
  if (!owner) return;
  boost::shared_ptr<TSoundInstance> instance = stream->GetInstance();
  if (!instance) return;
  boost::shared_ptr<TSound> queued = instance->mQueued.lock();
  instance->mQueued.reset();
  if (TSoundCallBack* callback = instance->mCallBack) {
    callback->mInstances.erase(instance.get());
    instance->mCallBack = nullptr;
    TSoundManager* manager = TSoundManager::Instance();
    if (!manager || !manager->IsShuttingDown()) callback->OnSoundEnd(instance, queued);
  }
  if (!queued) {
    mInstances.erase(instance.get());
    // The sound stays alive through `owner` until this call is over.
    instance->mHeld.reset();
  }
}
