#include "platform/os/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/SpecialFolders.h"

namespace platform::os {

NamedMutex::~NamedMutex() { Close(); }

std::string NamedMutex::LockFilePath(const std::string& name) {
  // Per user: a folder shared by all users would let another user's lock file block this
  // user, or let two copies run. The runtime folder of the XDG rules (an absolute path, else
  // it is invalid), else the user's data folder.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) : GetUserDataFolder();
  // Without either (no HOME either), a name of this user's own in the shared folder.
  if (folder.empty()) folder = "/tmp/uid" + std::to_string(::getuid());
  // The name becomes one file name: separators and other awkward bytes are replaced.
  std::string file;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.' || c == '~';
    file += plain ? c : '_';
  }
  // A hidden or empty name gets a leading '_'.
  const char* lead = (file.empty() || file[0] == '.') ? "/_" : "/";
  return folder + lead + file + ".lock";
}

NamedMutex::Result NamedMutex::Create(const std::string& name) {
  Close();
  const std::string path = LockFilePath(name);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!(runtime && runtime[0] == '/')) {
    // The data folder may not exist yet on a first run; the runtime folder is the session's.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Result::AlreadyExists : Result::Failed;
  }
  mFd = fd;
  return Result::Created;
}

void NamedMutex::Close() {
  if (mFd < 0) return;
  // The file stays: removing it could let a third process lock a different file of that name.
  ::close(mFd);
  mFd = -1;
}

}  // namespace platform::os
