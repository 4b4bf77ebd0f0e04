// The few directory and file operations the file layer needs of the system: listing a
// folder, making folders, access tests, deleting, renaming and linking files, flushing them
// to the disk.
#pragma once

#include <string>
#include <vector>

namespace platform::os {

struct DirectoryEntry {
  std::string name;  // as stored on disk
  bool isFolder = false;
};

// Entries of a folder except "." and "..", in the order the system lists them.
// False when the folder cannot be read.
bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& out);

// Makes one folder; an existing folder counts as success.
bool CreateFolder(const std::string& path);
// True when the path exists (file or folder) and can be read.
bool CanRead(const std::string& path);
// True when the path exists, can be read and written, and is not marked read-only
// (no write permission bit at all), whoever the process runs as.
bool CanReadWrite(const std::string& path);
bool IsFolder(const std::string& path);
bool DeleteFile(const std::string& path);
// Replaces an existing target.
bool RenameFile(const std::string& from, const std::string& to);
// A second name for an existing file; fails when the new name is taken or the file system
// has no links.
bool LinkFile(const std::string& existing, const std::string& to);
// Waits until the file's content, or a folder's entries (renames into it), are on the disk.
bool FlushFile(const std::string& path);
bool FlushFolder(const std::string& path);
// Absolute form of a path (not required to exist); empty on failure.
std::string FullPath(const std::string& path);

}  // namespace platform::os
