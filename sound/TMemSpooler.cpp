#include "sound/TMemSpooler.h"

#include <cmath>
#include <cstring>

#include "sound/TSoundData.h"

TMemSpooler::TMemSpooler(const boost::shared_ptr<TSoundData>& data) : mSource(data) {}

uint32_t TMemSpooler::ReadOnce(TSoundData& data, uint32_t bytes, uint8_t* destination,
                               bool& ended) {
  ended = false;
  if (const uint8_t* pcm = data.GetPcm()) {
    int64_t remaining = int64_t(data.GetDecodedBytes()) - mPosition;
    if (remaining < 0) remaining = 0;
    uint32_t k = bytes;
    if (remaining < int64_t(bytes)) {
      k = uint32_t(remaining);
      ended = true;
    }
    std::memcpy(destination, pcm + mPosition, k);
    mPosition += int32_t(k);
    return k;
  }
  OggVorbis_File* decoder = data.GetDecoder();
  if (!decoder) {
    ended = true;
    return 0;
  }
  // Instances share the decoder, so each read starts from this reader's own place.
  if (ov_pcm_tell(decoder) != mPosition) ov_pcm_seek(decoder, mPosition);
  uint32_t got = 0;
  while (got < bytes) {
    long n = ReadDecoded(decoder, destination + got, int(bytes - got));
    if (n <= 0) {
      ended = true;
      break;
    }
    got += uint32_t(n);
  }
  mPosition = int32_t(ov_pcm_tell(decoder));
  return got;
}

bool TMemSpooler::Read(uint32_t bytes, uint8_t* destination, uint32_t& bytesRead, bool loop) {
  bytesRead = 0;
  boost::shared_ptr<TSoundData> data = mSource.lock();
  if (!data) return false;
  std::memset(destination, 0, bytes);
  uint32_t total = 0;
  for (;;) {
    int32_t startedAt = mPosition;
    bool ended = false;
    uint32_t k = ReadOnce(*data, bytes - total, destination + total, ended);
    total += k;
    bytesRead = total;
    if (!ended) return true;
    if (!loop) return false;
    // A sound with nothing in it would wrap forever without delivering a byte.
    if (k == 0 && startedAt == 0) return false;
    if (OggVorbis_File* decoder = data->GetDecoder()) ov_pcm_seek(decoder, 0);
    mPosition = 0;
    if (total >= bytes) return true;
  }
}

void TMemSpooler::Seek(float seconds) {
  boost::shared_ptr<TSoundData> data = mSource.lock();
  if (!data) return;
  if (data->GetPcm()) {
    // Kept within the decoded block: a position past it would be read from.
    double frames = std::floor(double(seconds) * data->GetSampleRate());
    double at = frames * data->GetChannels() * 2.0;
    const int32_t end = data->GetDecodedBytes();
    mPosition = !(at > 0.0) ? 0 : at >= double(end) ? end : int32_t(at);
  } else if (OggVorbis_File* decoder = data->GetDecoder()) {
    ov_time_seek(decoder, seconds);
    mPosition = int32_t(ov_pcm_tell(decoder));
  }
}

float TMemSpooler::GetLength() {
  boost::shared_ptr<TSoundData> data = mSource.lock();
  return data ? float(data->GetLength()) : 0.0f;
}

void TMemSpooler::Rewind() {
  boost::shared_ptr<TSoundData> data = mSource.lock();
  if (!data) return;
  if (OggVorbis_File* decoder = data->GetDecoder()) {
    ov_pcm_seek(decoder, 0);
    mPosition = 0;
  }
}
