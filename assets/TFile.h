// The handle callers hold on an open file; it owns the open file object.
#pragma once

#include <cstdint>
#include <memory>

#include "assets/TFileData.h"
#include "core/str.h"

class TFile {
public:
  TFile() = default;
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  bool Open(const str& name, int mode);
  void Close();
  bool IsOpen() const { return mData != nullptr; }
  bool Eof();
  void Seek(int offset, int mode);
  int32_t Size();
  int32_t Tell();
  int32_t Read(void* buffer, int count);
  int32_t Write(const void* buffer, int count);
  void Unget();

private:
  std::unique_ptr<TFileData> mData;
};
