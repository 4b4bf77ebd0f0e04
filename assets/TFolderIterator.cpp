#include "assets/TFolderIterator.h"

#include <string>
#include <vector>

#include "platform/os/Directory.h"

struct TFolderIterator::Search {
  std::vector<platform::os::DirectoryEntry> entries;
  size_t next = 0;
};

TFolderIterator::TFolderIterator(const char* folder) { Open(folder); }

TFolderIterator::~TFolderIterator() = default;

void TFolderIterator::Open(const char* folder) {
  mSearch.reset();
  if (!folder) return;
  std::string path = folder;
  for (char& c : path)
    if (c == '\\') c = '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  auto search = std::make_unique<Search>();
  if (!platform::os::ListDirectory(path.empty() ? "." : path, search->entries)) return;
  mSearch = std::move(search);
}

bool TFolderIterator::Next(str& name, bool* isFolder) {
  while (mSearch && mSearch->next < mSearch->entries.size()) {
    const platform::os::DirectoryEntry& entry = mSearch->entries[mSearch->next++];
    if (!isFolder && entry.isFolder) continue;
    name = str(entry.name.data(), static_cast<unsigned>(entry.name.size()));
    if (isFolder) *isFolder = entry.isFolder;
    return true;
  }
  mSearch.reset();
  return false;
}
