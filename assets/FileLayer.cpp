// Virtual file names: the file index, the folder roots, name resolution and the free
// functions over TFile handles.
#include "assets/FileLayer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/TDiskFileData.h"
#include "assets/TFlatFileMap.h"
#include "assets/TFile.h"
#include "assets/TMemoryFile.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "platform/os/Directory.h"
#include "platform/os/SpecialFolders.h"

namespace {

TFileIndex& Index() {
  static TFileIndex index;
  return index;
}

struct FolderRoots {
  str user, common, desktop;
};

FolderRoots& Roots() {
  static FolderRoots roots;
  return roots;
}

bool StartsWith(const str& text, const char* head) {
  size_t n = std::strlen(head);
  return text.Length() >= n && std::memcmp(text.CStr(), head, n) == 0;
}

std::string ToStd(const str& s) { return std::string(s.CStr(), s.Length()); }
str FromStd(const std::string& s) { return str(s.data(), static_cast<unsigned>(s.size())); }

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string StripTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Joins base and a relative path, taking for each part the spelling found on disk when the
// given spelling does not exist, so names stay case-insensitive on a case-sensitive disk.
std::string MatchCaseOnDisk(const std::string& base, const std::string& rel) {
  std::string path = base;
  size_t i = 0;
  bool matching = true;
  while (i <= rel.size()) {
    size_t j = rel.find('/', i);
    if (j == std::string::npos) j = rel.size();
    std::string part = rel.substr(i, j - i);
    std::string dir = path.empty() ? "." : path;
    std::string joined = path.empty() ? part : (path == "/" ? "/" + part : path + "/" + part);
    if (matching && !part.empty() && part != "." && part != ".." &&
        !platform::os::CanRead(joined)) {
      std::vector<platform::os::DirectoryEntry> entries;
      matching = false;
      if (platform::os::ListDirectory(dir, entries)) {
        for (const auto& entry : entries) {
          if (EqualsIgnoringCase(entry.name, part)) {
            joined = path.empty() ? entry.name
                                  : (path == "/" ? "/" + entry.name : path + "/" + entry.name);
            matching = true;
            break;
          }
        }
      }
    }
    path = joined;
    if (j == rel.size()) break;
    i = j + 1;
  }
  return path;
}

// Makes each missing folder along `location` from character `start` on, outermost first;
// the last part (the file) is left alone. Failures are ignored: the open then fails.
void MakeFoldersAlong(const std::string& location, size_t start) {
  for (size_t i = location.find('/', start); i != std::string::npos;
       i = location.find('/', i + 1)) {
    if (i == 0) continue;
    std::string prefix = location.substr(0, i);
    if (!platform::os::CanReadWrite(prefix)) platform::os::CreateFolder(prefix);
  }
}

}  // namespace

TFileIndex& GetFileIndex() { return Index(); }

void SetIndexedFile(const str& name, const str& location) { Index()[LowerAscii(name)] = location; }
void ForgetIndexedFile(const str& name) { Index().erase(LowerAscii(name)); }

str ResolveFilePath(const str& name, bool checkExisting) {
  str lower = LowerAscii(name);
  auto found = Index().find(lower);
  if (found != Index().end()) return found->second;

  if (StartsWith(lower, "::")) {
    std::string rest = Slashes(ToStd(name).substr(2));
    if (rest.empty()) return str();
    std::string path =
        MatchCaseOnDisk(rest[0] == '/' ? "/" : "", rest[0] == '/' ? rest.substr(1) : rest);
    return platform::os::CanRead(path) ? FromStd(path) : str();
  }

  if (checkExisting && !IsAllowedName(lower)) return str();

  const char* heads[] = {"user:", "common:", "desktop:"};
  const str* roots[] = {&Roots().user, &Roots().common, &Roots().desktop};
  for (int i = 0; i < 3; ++i) {
    if (!StartsWith(lower, heads[i])) continue;
    if (roots[i]->IsEmpty()) {
      // Without a root the name would land at the top of the file system.
      EngineLog("No folder set for file %s", name.CStr());
      return str();
    }
    std::string rest = Slashes(ToStd(name).substr(std::strlen(heads[i])));
    std::string location = MatchCaseOnDisk(ToStd(*roots[i]), rest);
    if (checkExisting && !platform::os::CanReadWrite(location)) return str();
    str result = FromStd(location);
    Index()[lower] = result;
    return result;
  }

  if (lower.Length() > 6 && StartsWith(lower, "assets") && (lower[6] == '/' || lower[6] == '\\'))
    return ResolveFilePath(name.Substr(7), false);
  return str();
}

namespace {

// The open file object a location calls for; null for a disk path.
std::unique_ptr<TFileData> NewFileData(const str& location) {
  if (location[0] == '&') return std::make_unique<TMemoryFile>();
  if (location[0] == '@') return std::make_unique<TFlatFileMap>();
  return nullptr;
}

}  // namespace

bool TFile::Open(const str& name, int mode) {
  Close();
  str location = ResolveFilePath(name, mode < 2);
  if (location.IsEmpty()) return false;
  std::unique_ptr<TFileData> data = NewFileData(location);
  if (!data) {
    std::string path = ToStd(location);
    if (mode >= 2) {
      size_t start = 0;
      std::string user = ToStd(Roots().user), common = ToStd(Roots().common);
      std::string desktop = ToStd(Roots().desktop);
      for (const std::string* root : {&user, &common, &desktop}) {
        if (!root->empty() && path.size() > root->size() &&
            path.compare(0, root->size(), *root) == 0 && path[root->size()] == '/') {
          // The root itself may be missing (a desktop folder never made).
          MakeFoldersAlong(*root + "/", 0);
          start = root->size() + 1;
          break;
        }
      }
      MakeFoldersAlong(path, start);
    }
    data = std::make_unique<TDiskFileData>();
  }
  if (!data->Open(location, mode)) return false;
  mData = std::move(data);
  return true;
}

TFile* FileOpen(const char* name, int mode) {
  if (!name) return nullptr;
  TFile* file = new TFile;
  if (!file->Open(str(name), mode)) {
    delete file;
    return nullptr;
  }
  return file;
}

void FileClose(TFile* file) {
  if (!file) return;
  file->Close();
  delete file;
}

int FileGetC(TFile* file) {
  if (!file || file->Eof()) return -1;
  unsigned char byte = 0;
  if (file->Read(&byte, 1) != 1) return -1;
  return byte;
}

void FileUngetC(TFile* file) {
  if (file) file->Unget();
}

int32_t FileRead(TFile* file, void* buffer, int count) {
  return file ? file->Read(buffer, count) : 0;
}

int32_t FileWrite(TFile* file, const void* buffer, int count) {
  return file ? file->Write(buffer, count) : 0;
}

void FileSeek(TFile* file, int offset, int mode) {
  if (file) file->Seek(offset, mode);
}

int32_t FileTell(TFile* file) { return file ? file->Tell() : -1; }

int FileEof(TFile* file) { return !file || file->Eof() ? 1 : 0; }

int FileError(TFile* file) { return !file || !file->IsOpen() ? 1 : 0; }

char* FileGetS(TFile* file, char* buffer, int size) {
  if (!buffer || size <= 0) return nullptr;
  int stored = 0;
  while (stored < size - 1) {
    int c = FileGetC(file);
    if (c < 0) break;
    buffer[stored++] = static_cast<char>(c);
    if (c == '\n' || c == '\r') break;
  }
  buffer[stored] = 0;
  return FileEof(file) ? nullptr : buffer + stored;
}

bool FileExists(const str& name) { return !ResolveFilePath(name, true).IsEmpty(); }

void RegisterMemoryFile(const char* name, const void* data, uint32_t size) {
  if (!name) return;
  str key = LowerAscii(str(name));
  if (!data) {
    Index().erase(key);
    return;
  }
  Index()[key] = str::Format("&%" PRIuPTR ",%" PRIu32, reinterpret_cast<uintptr_t>(data), size);
}

bool FindIndexedFile(const str& prefixIn, str& name, bool includeSubfolders) {
  str prefix = LowerAscii(prefixIn);
  const TFileIndex& index = Index();
  auto it = index.lower_bound(name.IsEmpty() ? prefix : name);
  for (; it != index.end(); ++it) {
    const str& key = it->first;
    if (!name.IsEmpty() && key == name) continue;
    if (!StartsWith(key, prefix.CStr()) || key.Length() < prefix.Length()) return false;
    if (!includeSubfolders) {
      // The first character after the prefix is passed over, so a leading "/" counts
      // as top level.
      unsigned from = prefix.Length() + 1;
      if (from < key.Length() && key.Find('/', 0, from) >= 0) continue;
    }
    name = key;
    return true;
  }
  return false;
}

void ClearFileIndex() { Index().clear(); }

void SetFileFolders(const str& user, const str& common, const str& desktop) {
  Roots().user = FromStd(StripTrailingSeparators(Slashes(ToStd(user))));
  Roots().common = FromStd(StripTrailingSeparators(Slashes(ToStd(common))));
  Roots().desktop = FromStd(StripTrailingSeparators(Slashes(ToStd(desktop))));
}

const str& GetUserFolder() { return Roots().user; }
const str& GetCommonFolder() { return Roots().common; }
const str& GetDesktopFolderRoot() { return Roots().desktop; }

str GetFullPath(const char* path) {
  if (!path) return str();
  return FromStd(platform::os::FullPath(Slashes(path)));
}

namespace {

// Copies text into out (at most size bytes, always terminated when size > 0).
void CopyOut(const std::string& text, char* out, int size) {
  if (size <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

int MakeAppDataFolder(bool allUsers, const char* gameFolder, char* out, int size) {
  // A setting that exists but is empty still replaces the default publisher.
  const str publisherSetting = GetConfig(kConfigPublisher);
  std::string publisher = !IsConfigSet(kConfigPublisher) ? std::string("Hearthwell/")
                          : publisherSetting.IsEmpty()   ? std::string()
                                                         : Slashes(ToStd(publisherSetting)) + "/";
  if (!gameFolder || !out) return -1;

  std::string special =
      allUsers ? platform::os::GetCommonDataFolder() : platform::os::GetUserDataFolder();
  if (special.empty()) return -1;
  MakeFoldersAlong(special + "/", 0);
  if (!platform::os::IsFolder(special) || (allUsers && !platform::os::CanReadWrite(special)))
    return -1;
  special = platform::os::FullPath(special);
  if (special.empty()) return -1;
  if (special.back() != '/') special += '/';

  std::string game = Slashes(gameFolder);
  // Counted with the trailing "/" and the terminating 0, so a result that fits is whole.
  size_t needed = special.size() + publisher.size() + game.size() + 1 + 1;
  if (size < 0 || needed > static_cast<size_t>(size)) {
    CopyOut(special, out, size);
    return static_cast<int>(needed);
  }
  std::string folder = special + publisher;
  platform::os::CreateFolder(StripTrailingSeparators(folder));
  folder += game + "/";
  platform::os::CreateFolder(StripTrailingSeparators(folder));
  CopyOut(folder, out, size);
  return 0;
}

int GetDesktopFolder(char* out, int size) {
  if (!out) return -1;
  std::string desktop = platform::os::GetDesktopFolderPath();
  if (desktop.empty()) return -1;
  desktop = platform::os::FullPath(desktop);
  if (desktop.empty()) return -1;
  if (desktop.back() != '/') desktop += '/';
  if (size < 0 || desktop.size() + 1 > static_cast<size_t>(size))
    return static_cast<int>(desktop.size() + 1);
  CopyOut(desktop, out, size);
  return 0;
}
