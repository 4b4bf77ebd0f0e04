#include "particles/TParticleCollection.h"

#include <cstddef>

TParticleCollection::~TParticleCollection() { FreeBlock(); }

void TParticleCollection::FreeBlock() {
  if (!mBorrowed) delete[] mRecords;
  mRecords = nullptr;
}

void TParticleCollection::Init(int count, int floatsPerRecord, float* block) {
  mLiveList.clear();
  mFreeList.clear();
  FreeBlock();
  if (count < 0) count = 0;
  if (floatsPerRecord < 0) floatsPerRecord = 0;
  mStrideBytes = static_cast<uint32_t>(floatsPerRecord) * 4u;
  mBorrowed = block != nullptr;
  mRecords = block ? block : new float[static_cast<size_t>(count) * floatsPerRecord]();
  mCapacity = count;
  for (int i = 0; i < count; ++i)
    mFreeList.push_front(mRecords + static_cast<size_t>(i) * floatsPerRecord);
  mLiveCount = 0;
}

void TParticleCollection::Reset() {
  FreeBlock();
  mCapacity = 0;
  mStrideBytes = 0;
  mBorrowed = false;
  mLiveCount = 0;
  mLiveList.clear();
  mFreeList.clear();
}
