// Mounting flat-file archives and the archive table.
#include "assets/FlatFileArchive.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "assets/TFile.h"
#include "assets/TFolderIterator.h"
#include "core/EngineLog.h"

namespace {

bool ReadInt32(TFile& file, int32_t& value) {
  uint8_t b[4];
  if (file.Read(b, 4) != 4) return false;
  value = int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                  (uint32_t(b[3]) << 24));
  return true;
}

// Reads the directory into the index. Entries whose bytes lie outside the file are left out;
// a directory cut short keeps the entries read before the cut.
void ReadDirectory(TFile& file, TFileIndex& index, const str& name, int number) {
  int64_t fileSize = file.Size();
  int32_t count = 0;
  if (!ReadInt32(file, count) || count <= 0) {
    EngineLog("Flat file %s: no directory (entry count %d); nothing in it is mounted", name.CStr(),
              count);
    return;
  }
  // A count past what the file can hold ends at the first short read below, keeping the
  // entries before it.
  for (int32_t i = 0; i < count; ++i) {
    uint8_t length = 0;
    char entryName[256];
    int32_t offset = 0, size = 0;
    if (file.Read(&length, 1) != 1 || file.Read(entryName, length) != length ||
        !ReadInt32(file, offset) || !ReadInt32(file, size)) {
      EngineLog("Flat file %s: directory cut short after %d of %d entries", name.CStr(), i, count);
      return;
    }
    str key = LowerAscii(str(entryName, length));
    if (offset < 0 || size < 0 || int64_t(offset) + size > fileSize) {
      EngineLog("Flat file %s: entry %s (offset %d, size %d) lies outside the file", name.CStr(),
                key.CStr(), offset, size);
      continue;
    }
    index[key] = str::Format("@%d:%ld,%ld", number, long(offset), long(size));
  }
}

}  // namespace

bool TFileMapData::Open(const str& path) {
  Close();
  str location = ResolveFilePath(path, true);
  if (location.IsEmpty() || location[0] == '@' || location[0] == '&') return false;
  str full = GetFullPath(location.CStr());
  if (full.IsEmpty()) return false;
  return mFile.Open(std::string(full.CStr(), full.Length()));
}

void TFileMapData::Close() { mFile.Close(); }

TFileMapHandler::TFileMapHandler() : mData(std::make_shared<TFileMapData>()) {}

bool TFileMapHandler::Open(const str& path) {
  mPath = path;
  mData = std::make_shared<TFileMapData>();
  return mData->Open(path);
}

void TFileMapHandler::Close() { mData = std::make_shared<TFileMapData>(); }

std::vector<TFileMapHandler>& GetFlatFileTable() {
  static std::vector<TFileMapHandler> table;
  return table;
}

void MountFlatFile(TFileIndex& index, const str& name) {
  std::vector<TFileMapHandler>& table = GetFlatFileTable();
  size_t number = table.size();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].GetPath() == name) {
      number = i;
      table[i].Close();
      break;
    }
  }
  TFile file;
  if (!file.Open(name, kFileReadBinary)) {
    EngineLog("Flat file %s cannot be opened; nothing in it is mounted", name.CStr());
    return;
  }
  char magic[4];
  if (file.Read(magic, 4) != 4 || std::memcmp(magic, "HWPK", 4) != 0) {
    EngineLog("Flat file %s is no archive (it does not begin with HWPK); nothing in it is mounted",
              name.CStr());
    return;
  }
  ReadDirectory(file, index, name, int(number));
  file.Close();

  TFileMapHandler handler;
  if (!handler.Open(name)) EngineLog("Failed to open flat file %s", name.CStr());
  if (number == table.size())
    table.push_back(handler);
  else
    table[number] = handler;
}

void MountFlatFiles(const str& folder, TFileIndex& index) {
  // Archives belong to the assets tree; the user and common folders hold the player's own
  // files, which must not replace the game's content.
  str lower = LowerAscii(folder);
  if (lower != "assets" && lower.Find(str("assets/")) != 0) return;

  std::vector<std::string> names;
  TFolderIterator it(folder.CStr());
  str name;
  while (it.Next(name, nullptr))
    if (name.Find(str(".hwp")) >= 0) names.emplace_back(name.CStr(), name.Length());
  // Byte order: upper-case letters sort before lower-case ones.
  std::sort(names.begin(), names.end());
  for (const std::string& file : names)
    MountFlatFile(index, str("::") + folder + "/" + str(file.data(), unsigned(file.size())));
}
