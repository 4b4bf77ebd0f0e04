// The start-up scan that fills the file index: "final.txt" (names kept out of the index),
// the assets folder with its archives, and the user and common data folders.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/FlatFileArchive.h"
#include "assets/TFolderIterator.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"

namespace {

std::set<str>& Excluded() {
  static std::set<str> names;
  return names;
}

void IndexFolderEntries(const str& folder, const str& prefixIn, int depth,
                        std::vector<std::string>& chain);

// Folder nesting met in practice is shallow; the bound is a backstop behind the link test.
constexpr int kMaxFolderDepth = 32;

// The folder with every link resolved; empty when that cannot be worked out.
std::string RealFolder(const str& folder) {
  std::error_code ec;
  std::filesystem::path real = std::filesystem::canonical(folder.CStr(), ec);
  return ec ? std::string() : real.string();
}

// `chain` holds the real paths of the folders being scanned around this one. A link back to
// one of them would repeat the scan without end, and several such links would multiply it.
void IndexFolderAt(const str& folder, const str& prefixIn, int depth,
                   std::vector<std::string>& chain) {
  if (depth > kMaxFolderDepth) {
    EngineLog("Folder %s nested too deep to index", folder.CStr());
    return;
  }
  std::string real = RealFolder(folder);
  if (!real.empty()) {
    for (const std::string& outer : chain) {
      if (outer == real) {
        EngineLog("Folder %s leads back to %s; not indexed again", folder.CStr(), real.c_str());
        return;
      }
    }
  }
  chain.push_back(real);
  IndexFolderEntries(folder, prefixIn, depth, chain);
  chain.pop_back();
}

void IndexFolderEntries(const str& folder, const str& prefixIn, int depth,
                        std::vector<std::string>& chain) {
  MountFlatFiles(folder, GetFileIndex());
  str lowerFolder = LowerAscii(folder);
  str local;
  if (prefixIn.IsEmpty()) {
    if (lowerFolder.Length() >= 6 && std::memcmp(lowerFolder.CStr(), "assets", 6) == 0)
      local = lowerFolder.Length() > 7 ? lowerFolder.Substr(7) : str();
    else
      local = lowerFolder;
  }
  if (!local.IsEmpty()) local += "/";
  str prefix = LowerAscii(prefixIn);

  TFolderIterator it(folder.CStr());
  str name;
  bool isFolder = false;
  TFileIndex& index = GetFileIndex();
  while (it.Next(name, &isFolder)) {
    str lowerName = LowerAscii(name);
    str key = prefix + local + lowerName;
    if (!IsAllowedName(key)) continue;
    // Values keep the disk's spelling: a case-sensitive disk needs it to open the file.
    str path = folder + "/" + name;
    if (!isFolder) {
      index[key] = path;
    } else if (lowerName == ".svn") {
      continue;
    } else if (prefix.IsEmpty()) {
      IndexFolderAt(path, str(), depth + 1, chain);
    } else {
      IndexFolderAt(path, prefix + lowerName + "/", depth + 1, chain);
    }
  }
}

}  // namespace

void ReadNameList(const char* text) {
  if (!text) return;
  const char* separators = " \t\n\r";
  const char* p = text;
  while (*p) {
    p += std::strspn(p, separators);
    size_t n = std::strcspn(p, separators);
    if (n == 0) break;
    str word = LowerAscii(str(p, static_cast<unsigned>(n)));
    if (word == "-*")
      Excluded().clear();
    else
      Excluded().insert(word);
    p += n;
  }
}

bool IsAllowedName(const str& name) { return Excluded().count(name) == 0; }

void ClearNameList() { Excluded().clear(); }

void IndexFolder(const str& folder, const str& prefix) {
  std::vector<std::string> chain;
  IndexFolderAt(folder, prefix, 0, chain);
}

void InitFileSystem() {
  // Read directly from the program folder: the index this file shapes does not exist yet.
  if (FILE* f = std::fopen("final.txt", "rb")) {
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (size >= 0 && size < 100000) {
      std::vector<char> text(static_cast<size_t>(size) + 1, 0);
      if (std::fread(text.data(), 1, static_cast<size_t>(size), f) == static_cast<size_t>(size))
        ReadNameList(text.data());
    }
    std::fclose(f);
  }

  IndexFolder("assets", str());

  bool hosted = GetConfig(kConfigActiveX, "") == "1";
  if (!hosted) {
    if (!GetUserFolder().IsEmpty()) IndexFolder(GetUserFolder(), "user:");
    if (!GetCommonFolder().IsEmpty()) IndexFolder(GetCommonFolder(), "common:");
  }
}
