#include "platform/os/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform::os {

bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  while (dirent* ent = readdir(dir)) {
    std::string name = ent->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry entry;
    entry.name = name;
    if (ent->d_type == DT_DIR) {
      entry.isFolder = true;
    } else if (ent->d_type == DT_UNKNOWN || ent->d_type == DT_LNK) {
      entry.isFolder = IsFolder(folder + "/" + name);
    }
    out.push_back(std::move(entry));
  }
  closedir(dir);
  return true;
}

bool CreateFolder(const std::string& path) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

bool CanRead(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

bool CanReadWrite(const std::string& path) {
  if (path.empty() || access(path.c_str(), R_OK | W_OK) != 0) return false;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  // access() grants everything to root; the permission bits are what marks a file read-only.
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return !from.empty() && !to.empty() && rename(from.c_str(), to.c_str()) == 0;
}

bool LinkFile(const std::string& existing, const std::string& to) {
  return !existing.empty() && !to.empty() && link(existing.c_str(), to.c_str()) == 0;
}

namespace {

bool Flush(const std::string& path, int flags) {
  if (path.empty()) return false;
  int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

}  // namespace

bool FlushFile(const std::string& path) { return Flush(path, O_RDONLY); }

bool FlushFolder(const std::string& path) { return Flush(path, O_RDONLY | O_DIRECTORY); }

std::string FullPath(const std::string& path) {
  if (path.empty()) return {};
  std::string result;
  if (path[0] == '/') {
    result = path;
  } else {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return {};
    result = cwd;
    if (result.empty() || result.back() != '/') result += '/';
    result += path;
  }
  // Fold "." and ".." and doubled separators without touching the disk.
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= result.size()) {
    size_t j = result.find('/', i);
    if (j == std::string::npos) j = result.size();
    std::string part = result.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  return full.empty() ? "/" : full;
}

}  // namespace platform::os
