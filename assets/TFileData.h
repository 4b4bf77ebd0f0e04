// The abstract open file behind a TFile handle: disk, memory block or archive entry.
#pragma once

#include <cstdint>

#include "core/str.h"

class TFileData {
public:
  virtual ~TFileData() = default;
  virtual bool Open(const str& location, int mode) = 0;
  virtual void Close() = 0;
  // Steps back one byte.
  virtual void Unget() = 0;
  // Mode 0 from the current position, 1 from the start, 2 from the end.
  virtual void Seek(int offset, int mode) = 0;
  virtual int32_t Size() = 0;
  virtual int32_t Tell() = 0;
  virtual int32_t Read(void* buffer, int count) = 0;
  virtual int32_t Write(const void* buffer, int count) = 0;
  virtual bool Eof() = 0;
};
