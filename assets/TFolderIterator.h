// Lists the entries of one folder ("." and ".." left out), names as stored on disk.
#pragma once

#include <memory>

#include "core/str.h"

class TFolderIterator {
public:
  explicit TFolderIterator(const char* folder);
  ~TFolderIterator();
  TFolderIterator(const TFolderIterator&) = delete;
  TFolderIterator& operator=(const TFolderIterator&) = delete;

  // Starts a new listing, closing any earlier one; a null folder leaves none open.
  void Open(const char* folder);
  // Next entry; with a null isFolder, folders are skipped. False when the listing is done.
  bool Next(str& name, bool* isFolder);

private:
  struct Search;
  std::unique_ptr<Search> mSearch;
};
