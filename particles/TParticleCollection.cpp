#include "particles/TParticleCollection.h"

#include <cstddef>

TParticleCollection::~TParticleCollection() { FreeBlock(); }

void TParticleCollection::FreeBlock() {
  if (!borrowed) delete[] records;
  records = nullptr;
}

void TParticleCollection::Init(int count, int floatsPerRecord, float* block) {
  liveList.clear();
  freeList.clear();
  FreeBlock();
  if (count < 0) count = 0;
  if (floatsPerRecord < 0) floatsPerRecord = 0;
  strideBytes = static_cast<uint32_t>(floatsPerRecord) * 4u;
  borrowed = block != nullptr;
  records = block ? block : new float[static_cast<size_t>(count) * floatsPerRecord]();
  capacity = count;
  for (int i = 0; i < count; ++i)
    freeList.push_front(records + static_cast<size_t>(i) * floatsPerRecord);
  liveCount = 0;
}

void TParticleCollection::Reset() {
  FreeBlock();
  capacity = 0;
  strideBytes = 0;
  borrowed = false;
  liveCount = 0;
  liveList.clear();
  freeList.clear();
}
