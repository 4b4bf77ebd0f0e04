#include "assets/TDiskFileData.h"

#include <sys/stat.h>

#include <climits>

TDiskFileData::~TDiskFileData() { Close(); }

bool TDiskFileData::Open(const str& location, int mode) {
  Close();
  if (location.IsEmpty()) return false;
  const char* how = "rb";
  switch (mode) {
    case 0: how = "rb"; break;
    case 2: how = "wb"; break;
    case 3: how = "wb"; break;
    case 4: how = "ab"; break;
    case 5: how = "ab"; break;
    default: how = "rb"; break;
  }
  // Text is written with "\n" as it stands; reading text folds "\r\n" to "\n".
  mText = mode != 0 && mode != 2 && mode != 4;
  mStream = std::fopen(location.CStr(), how);
  mLastByte = -1;
  if (!mStream) return false;
  // A folder opens as a stream here but reads nothing; it is not a file.
  struct stat st;
  if (fstat(fileno(mStream), &st) != 0 || S_ISDIR(st.st_mode)) {
    Close();
    return false;
  }
  return true;
}

void TDiskFileData::Close() {
  if (mStream) std::fclose(mStream);
  mStream = nullptr;
  mLastByte = -1;
}

void TDiskFileData::Unget() {
  if (!mStream || mLastByte < 0) return;
  std::ungetc(mLastByte, mStream);
  mLastByte = -1;
}

void TDiskFileData::Seek(int offset, int mode) {
  if (!mStream) return;
  int whence = mode == 0 ? SEEK_CUR : mode == 2 ? SEEK_END : SEEK_SET;
  std::fseek(mStream, offset, whence);
}

int32_t TDiskFileData::Size() {
  if (!mStream) return 0;
  long here = std::ftell(mStream);
  std::fseek(mStream, 0, SEEK_END);
  long size = std::ftell(mStream);
  std::fseek(mStream, here < 0 ? 0 : here, SEEK_SET);
  if (size < 0) return 0;
  return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

int32_t TDiskFileData::Tell() {
  if (!mStream) return 0;
  long pos = std::ftell(mStream);
  if (pos < 0) return 0;
  return pos > INT32_MAX ? INT32_MAX : static_cast<int32_t>(pos);
}

int32_t TDiskFileData::Read(void* buffer, int count) {
  if (!mStream || !buffer || count <= 0) return 0;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  int32_t got = 0;
  if (!mText) {
    got = static_cast<int32_t>(std::fread(out, 1, static_cast<size_t>(count), mStream));
  } else {
    while (got < count) {
      int c = std::getc(mStream);
      if (c == EOF) break;
      if (c == '\r') {
        int next = std::getc(mStream);
        if (next == '\n') {
          c = '\n';
        } else if (next != EOF) {
          std::ungetc(next, mStream);
        } else {
          // Only a look-ahead hit the end: the "\r" is the last byte delivered,
          // and the end is reported after the next read, as for any other byte.
          std::clearerr(mStream);
        }
      }
      out[got++] = static_cast<unsigned char>(c);
    }
  }
  if (got > 0) mLastByte = out[got - 1];
  return got;
}

int32_t TDiskFileData::Write(const void* buffer, int count) {
  if (!mStream || !buffer || count <= 0) return 0;
  return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), mStream));
}

bool TDiskFileData::Eof() { return !mStream || std::feof(mStream) != 0; }
