#include "platform/os/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::os {

NamedMutex::~NamedMutex() { Close(); }

std::string NamedMutex::LockFilePath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime && *runtime ? runtime : "/tmp";
  // The name becomes one file name: separators and other awkward bytes are replaced.
  std::string file;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.' || c == '~';
    file += plain ? c : '_';
  }
  if (file.empty() || file[0] == '.') file.insert(0, "_");
  return folder + "/" + file + ".lock";
}

NamedMutex::Result NamedMutex::Create(const std::string& name) {
  Close();
  const std::string path = LockFilePath(name);
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
