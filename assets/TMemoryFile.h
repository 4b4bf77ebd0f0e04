// A read-only view on a registered memory block; it never owns the memory.
#pragma once

#include <cstdint>

#include "assets/TFileData.h"

class TMemoryFile : public TFileData {
public:
  bool Open(const str& location, int mode) override;
  void Close() override;
  void Unget() override;
  void Seek(int offset, int mode) override;
  int32_t Size() override;
  int32_t Tell() override;
  int32_t Read(void* buffer, int count) override;
  int32_t Write(const void* buffer, int count) override;
  bool Eof() override;

private:
  const uint8_t* mBase = nullptr;
  uint64_t mPosition = 0;
  uint64_t mSize = 0;
  int32_t mMode = 0;
};
