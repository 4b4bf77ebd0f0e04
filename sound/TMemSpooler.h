// Reads a loaded sound: from its decoded PCM block, or through its open decoder, seeking to
// this reader's own position first so several instances can share one decoder.
#pragma once

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "sound/TStreamSpooler.h"

class TSoundData;

class TMemSpooler : public TStreamSpooler {
public:
  explicit TMemSpooler(const boost::shared_ptr<TSoundData>& data);

  bool Read(uint32_t bytes, uint8_t* destination, uint32_t& bytesRead, bool loop) override;
  void Seek(float seconds) override;
  float GetLength() override;
  void Release() override { delete this; }
  void Rewind() override;

  int32_t GetPosition() const { return mPosition; }

private:
  // One pass up to the end of the data; `ended` tells whether the end was reached.
  uint32_t ReadOnce(TSoundData& data, uint32_t bytes, uint8_t* destination, bool& ended);

  boost::weak_ptr<TSoundData> mSource;
  int32_t mPosition = 0;
};
