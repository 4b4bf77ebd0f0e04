#include "assets/TFile.h"

// TFile::Open lives with name resolution in FileLayer.cpp.

TFile::~TFile() = default;

void TFile::Close() { mData.reset(); }

bool TFile::Eof() { return mData ? mData->Eof() : true; }

void TFile::Seek(int offset, int mode) {
  if (mData) mData->Seek(offset, mode);
}

int32_t TFile::Size() { return mData ? mData->Size() : 0; }

int32_t TFile::Tell() { return mData ? mData->Tell() : -1; }

int32_t TFile::Read(void* buffer, int count) {
  if (!mData || !buffer || count <= 0) return 0;
  return mData->Read(buffer, count);
}

int32_t TFile::Write(const void* buffer, int count) {
  if (!mData || !buffer || count <= 0) return 0;
  return mData->Write(buffer, count);
}

void TFile::Unget() {
  if (mData) mData->Unget();
}
