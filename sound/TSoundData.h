// What a loaded sound holds: its PCM fully decoded when short, else an open decoder that
// its instances read through; and the sound's live instances, whose streams report their end
// here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <vorbis/vorbisfile.h>

#include "core/str.h"
#include "sound/TStreamSpooler.h"

class TFile;
class TSound;
class TSoundInstance;

class TSoundData : public TStreamNotify {
public:
  TSoundData() = default;
  ~TSoundData() override;
  TSoundData(const TSoundData&) = delete;
  TSoundData& operator=(const TSoundData&) = delete;

  // Opens the Ogg Vorbis file; the data takes the file over. Short sounds read into memory
  // are decoded whole; the others keep their decoder open for playing.
  bool Open(std::unique_ptr<TFile> file, bool streamFromFile);
  void Notify(TSoundStream* stream) override;

  // Whether a sound of this length is decoded at load time.
  static bool DecodesWhole(double seconds, bool streamFromFile) {
    return !streamFromFile && seconds <= 2.0;
  }

  bool IsDecoded() const { return mPcm != nullptr; }
  bool HasDecoder() const { return mDecoder != nullptr; }
  int32_t GetSampleRate() const { return mSampleRate; }
  int32_t GetChannels() const { return mChannels; }
  double GetLength() const { return mLength; }
  int32_t GetCapacity() const { return mCapacity; }
  int32_t GetDecodedBytes() const { return mDecodedBytes; }
  const uint8_t* GetPcm() const { return mPcm.get(); }
  OggVorbis_File* GetDecoder() const { return mDecoder.get(); }
  const str& GetName() const { return mName; }
  int32_t GetVolumeGroup() const { return mVolumeGroup; }
  size_t GetInstanceCount() const { return mInstances.size(); }
  bool IsPlaying(TSoundInstance* instance) const { return mInstances.count(instance) != 0; }

private:
  friend class TSound;

  void CloseDecoder();
  // Decodes the whole sound into the block; false, with the decoder kept, past the cap.
  bool DecodeWhole();

  std::map<TSoundInstance*, boost::shared_ptr<TSoundInstance>> mInstances;
  int32_t mVolumeGroup = 0;
  std::unique_ptr<uint8_t[]> mPcm;
  int32_t mCapacity = 0;
  int32_t mDecodedBytes = 0;
  int32_t mSampleRate = 0;
  int32_t mChannels = 0;
  double mLength = 0.0;
  std::unique_ptr<OggVorbis_File> mDecoder;
  str mName;
  TSound* mOwner = nullptr;
};

// The highest sample rate a sound file may claim (far above any real recording).
constexpr long kMaxSampleRate = 768000;

// The most a sound decoded at load time may hold (2 s of stereo at 44.1 kHz is 353 kB); a
// short sound that decodes to more plays from its decoder instead.
constexpr int32_t kMaxDecodedBytes = 1 << 20;

// How often a negative answer of the decoder (a hole, a bad link) is retried before the
// rest of the data counts as missing.
constexpr int kDecoderRetries = 8;

// One ov_read call that retries negative answers a bounded number of times; 0 at the end.
long ReadDecoded(OggVorbis_File* decoder, uint8_t* out, int bytes);
