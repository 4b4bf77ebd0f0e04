#include "assets/TMemoryFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// A decimal number that must fill the text up to `end`; false when it does not.
bool ParseDecimal(const char* begin, char end, uint64_t& value) {
  if (*begin < '0' || *begin > '9') return false;
  errno = 0;
  char* stop = nullptr;
  unsigned long long v = std::strtoull(begin, &stop, 10);
  if (errno != 0 || *stop != end) return false;
  value = v;
  return true;
}

}  // namespace

bool TMemoryFile::Open(const str& location, int mode) {
  Close();
  mMode = mode;
  if (mode >= 2 || location.Length() < 2 || location[0] != '&') return false;
  const char* text = location.CStr();
  const char* comma = std::strchr(text, ',');
  uint64_t address = 0, size = 0;
  if (!comma || !ParseDecimal(text + 1, ',', address) || address == 0 ||
      !ParseDecimal(comma + 1, '\0', size)) {
    Close();
    return false;
  }
  mBase = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  mSize = size;
  mPosition = 0;
  return true;
}

void TMemoryFile::Close() {
  mBase = nullptr;
  mPosition = 0;
  mSize = 0;
}

void TMemoryFile::Unget() { Seek(-1, 0); }

void TMemoryFile::Seek(int offset, int mode) {
  // Unsigned wrap-around is intended: a position before the start lands at the end below.
  uint64_t delta = static_cast<uint64_t>(static_cast<int64_t>(offset));
  if (mode == 0)
    mPosition += delta;
  else if (mode == 1)
    mPosition = delta;
  else if (mode == 2)
    mPosition = mSize + delta;
  if (mPosition > mSize) mPosition = mSize;
}

int32_t TMemoryFile::Size() { return mSize > INT32_MAX ? INT32_MAX : static_cast<int32_t>(mSize); }

int32_t TMemoryFile::Tell() {
  return mPosition > INT32_MAX ? INT32_MAX : static_cast<int32_t>(mPosition);
}

int32_t TMemoryFile::Read(void* buffer, int count) {
  if (!mBase || !buffer || count <= 0) return 0;
  uint64_t n = static_cast<uint64_t>(count);
  if (n > mSize - mPosition) n = mSize - mPosition;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  if (mMode == 1) {
    uint64_t stored = 0;
    while (stored < n && mPosition < mSize) {
      uint8_t byte = mBase[mPosition++];
      if (byte != 13) out[stored++] = byte;
    }
    return static_cast<int32_t>(stored);
  }
  std::memcpy(out, mBase + mPosition, static_cast<size_t>(n));
  mPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryFile::Write(const void*, int) { return 0; }

bool TMemoryFile::Eof() { return mPosition == mSize; }
