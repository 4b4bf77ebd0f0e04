// The two ends of a playing stream: the source it pulls 16-bit PCM bytes from, and the
// receiver told when it has ended.
#pragma once

#include <cstdint>

class TSoundStream;

class TStreamSpooler {
public:
  virtual ~TStreamSpooler() = default;
  // Fills up to `bytes` bytes (the rest is silence); false once the source has ended and
  // was not looped.
  virtual bool Read(uint32_t bytes, uint8_t* destination, uint32_t& bytesRead, bool loop) = 0;
  virtual void Seek(float seconds) = 0;
  virtual float GetLength() = 0;
  // Gives the spooler up; a spooler that owns itself deletes itself here.
  virtual void Release() {}
  virtual void Rewind() {}
};

class TStreamNotify {
public:
  virtual ~TStreamNotify() = default;
  // The stream that played this target's data has ended (or a queued source took over).
  virtual void Notify(TSoundStream* stream) = 0;
};
