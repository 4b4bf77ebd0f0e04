#include "assets/TFlatFileMap.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/EngineLog.h"

namespace {

// The decimal number at p (optionally signed); false when there is none.
bool ParseNumber(const char* p, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(p, &end, 10);
  return end != p && errno == 0;
}

}  // namespace

bool TFlatFileMap::Open(const str& location, int mode) {
  Close();
  const char* text = location.CStr();
  long long number = 0, offset = 0, size = 0;
  if (text[0] != '@' || !ParseNumber(text + 1, number)) return false;
  const std::vector<TFileMapHandler>& table = GetFlatFileTable();
  if (number < 0 || static_cast<unsigned long long>(number) >= table.size()) return false;

  const TFileMapHandler& handler = table[size_t(number)];
  if (handler.GetView() == nullptr) {
    EngineLog("error reading %s from flat file", text);
    return false;
  }
  const char* colon = std::strchr(text, ':');
  const char* comma = colon ? std::strchr(colon, ',') : nullptr;
  if (colon == nullptr || comma == nullptr || !ParseNumber(colon + 1, offset) ||
      !ParseNumber(comma + 1, size))
    return false;
  // The directory was checked at mount time, but the archive may have been mounted again
  // since with a shorter file.
  if (offset < 0 || size < 0 || size > INT32_MAX ||
      static_cast<unsigned long long>(offset) + static_cast<unsigned long long>(size) >
          handler.GetViewSize()) {
    EngineLog("error reading %s from flat file", text);
    return false;
  }
  mMapping = handler.GetData();
  mMode = mode;
  mStart = handler.GetView() + offset;
  mSize = uint32_t(size);
  mPosition = 0;
  mEof = false;
  return true;
}

void TFlatFileMap::Close() {
  mMapping.reset();
  mStart = nullptr;
  mSize = 0;
  mPosition = 0;
  mEof = true;
}

void TFlatFileMap::Unget() {
  Seek(-1, 0);
  mEof = false;
}

void TFlatFileMap::Seek(int offset, int mode) {
  int64_t position;
  switch (mode) {
    case 0: position = int64_t(mPosition) + offset; break;
    case 1: position = offset; break;
    case 2: position = int64_t(mSize) + offset; break;
    default: return;
  }
  // Before the start counts as past the end, as an unsigned comparison would have it.
  if (position < 0 || position > int64_t(mSize)) {
    mPosition = mSize;
  } else {
    mPosition = uint32_t(position);
    mEof = false;
  }
}

int32_t TFlatFileMap::Read(void* buffer, int count) {
  if (mStart == nullptr || buffer == nullptr || count <= 0) return 0;
  uint32_t want = uint32_t(count);
  if (uint64_t(mPosition) + want > mSize) {
    want = mSize - mPosition;
    mEof = true;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  if (mMode == kFileReadText) {
    uint32_t stored = 0;
    while (stored < want && mPosition < mSize) {
      uint8_t byte = mStart[mPosition++];
      if (byte != 13) out[stored++] = byte;
    }
    return int32_t(stored);
  }
  std::memcpy(out, mStart + mPosition, want);
  mPosition += want;
  return int32_t(want);
}
