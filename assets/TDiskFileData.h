// An open file on disk through the runtime's buffered stream.
#pragma once

#include <cstdio>

#include "assets/TFileData.h"

class TDiskFileData : public TFileData {
public:
  TDiskFileData() = default;
  ~TDiskFileData() override;

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
  FILE* mStream = nullptr;
  int32_t mLastByte = -1;
  bool mText = false;
};
