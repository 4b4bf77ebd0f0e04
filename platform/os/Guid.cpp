#include "platform/os/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace platform::os {

bool CreateGuid(unsigned char out[16]) {
  size_t got = 0;
  while (got < 16) {
    const ssize_t n = getrandom(out + got, 16 - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::memset(out, 0, 16);
      return false;
    }
    got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace platform::os
