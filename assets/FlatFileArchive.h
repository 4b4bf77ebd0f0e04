// Flat-file archives (".hwp"): a directory of named byte ranges ahead of the data, mapped
// whole into memory. Mounting enters every entry into the file index with a location
// "@archive:offset,size" that TFlatFileMap opens.
//
// Layout, little-endian: "HWPK", int32 entry count, then per entry a u8 name length, the
// name bytes, int32 offset of the data from the start of the file and int32 size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "assets/FileLayer.h"
#include "core/str.h"
#include "platform/os/MappedFile.h"

// One mapping of an archive file; freed when the last handler or open entry lets go of it.
class TFileMapData {
public:
  // Maps the file a virtual name resolves to on disk.
  bool Open(const str& path);
  void Close();
  const uint8_t* GetView() const { return mFile.Data(); }
  size_t GetSize() const { return mFile.Size(); }

private:
  platform::os::MappedFile mFile;
};

class TFileMapHandler {
public:
  TFileMapHandler();
  virtual ~TFileMapHandler() = default;

  // Stores the path and maps the file.
  bool Open(const str& path);
  // Lets go of the mapping (entries still open keep theirs); the path stays.
  void Close();
  const uint8_t* GetView() const { return mData->GetView(); }
  size_t GetViewSize() const { return mData->GetSize(); }
  const str& GetPath() const { return mPath; }
  const std::shared_ptr<TFileMapData>& GetData() const { return mData; }

private:
  std::shared_ptr<TFileMapData> mData;
  str mPath;
};

// The program-wide archive table; an archive's number is its index. Never emptied.
std::vector<TFileMapHandler>& GetFlatFileTable();

// Mounts the archives (names containing ".hwp") of a folder of the assets tree, in byte
// order of their names, so a later one's entries replace an earlier one's.
void MountFlatFiles(const str& folder, TFileIndex& index);
// Mounts one archive by virtual name, or mounts it again under its old number.
void MountFlatFile(TFileIndex& index, const str& name);
