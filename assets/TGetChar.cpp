#include "assets/TGetChar.h"

#include "assets/FileLayer.h"
#include "assets/TFile.h"

TGetCharFile::TGetCharFile(const str& name) : mName(name) {
  mFile = FileOpen(mName.CStr(), kFileReadBinary);
}

TGetCharFile::~TGetCharFile() { FileClose(mFile); }

int TGetCharFile::Unget(int byte) {
  if (!mFile) return -1;
  FileSeek(mFile, -1, kSeekCurrent);
  return byte;
}

int TGetCharFile::Get() { return mFile ? FileGetC(mFile) : -1; }

void TGetCharFile::Rewind() { FileSeek(mFile, 0, kSeekStart); }

void TGetCharFile::Reopen() {
  FileClose(mFile);
  mFile = FileOpen(mName.CStr(), kFileReadBinary);
}

TGetCharString::TGetCharString(const char* text, size_t length)
    : mText(text), mLength(text ? length : 0) {}

int TGetCharString::Unget(int byte) {
  if (mPosition == 0) return -1;
  --mPosition;
  return byte;
}

int TGetCharString::Get() {
  if (mPosition >= mLength) return -1;
  return static_cast<unsigned char>(mText[mPosition++]);
}

void TGetCharString::Rewind() { mPosition = 0; }
