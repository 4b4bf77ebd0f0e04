// An open archive entry: reads straight out of the archive's mapped view.
#pragma once

#include <cstdint>
#include <memory>

#include "assets/FlatFileArchive.h"
#include "assets/TFileData.h"

class TFlatFileMap : public TFileData {
public:
  // Location "@archive:offset,size"; the range must lie inside the mapped archive.
  bool Open(const str& location, int mode) override;
  void Close() override;
  void Unget() override;
  void Seek(int offset, int mode) override;
  int32_t Size() override { return int32_t(mSize); }
  int32_t Tell() override { return int32_t(mPosition); }
  int32_t Read(void* buffer, int count) override;
  int32_t Write(const void*, int) override { return 0; }
  // Set only by a read cut short at the end, or by Close.
  bool Eof() override { return mEof; }

private:
  // Keeps the view alive even if the archive is mounted again meanwhile.
  std::shared_ptr<TFileMapData> mMapping;
  int32_t mMode = 0;
  const uint8_t* mStart = nullptr;
  uint32_t mSize = 0;
  uint32_t mPosition = 0;
  bool mEof = true;
};
