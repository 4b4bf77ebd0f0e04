#include "platform/os/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::os {

bool MappedFile::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  size_t size = size_t(info.st_size);
  void* view = nullptr;
  if (size > 0) {
    view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      ::close(fd);
      return false;
    }
  }
  // The mapping stays valid without the descriptor.
  ::close(fd);
  mData = static_cast<const uint8_t*>(view);
  mSize = size;
  mOpen = true;
  return true;
}

void MappedFile::Close() {
  if (mData != nullptr) ::munmap(const_cast<uint8_t*>(mData), mSize);
  mData = nullptr;
  mSize = 0;
  mOpen = false;
}

}  // namespace platform::os
