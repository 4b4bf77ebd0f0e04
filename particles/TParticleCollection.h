// The particle records of one particle system: a block of fixed-size float records with a free
// list and a live list. Spawning and dying only move records between the lists.
#pragma once

#include <cstdint>
#include <list>

class TParticleCollection {
public:
  TParticleCollection() = default;
  TParticleCollection(const TParticleCollection&) = delete;
  TParticleCollection& operator=(const TParticleCollection&) = delete;
  virtual ~TParticleCollection();

  // count records of floatsPerRecord floats each, in block when given (borrowed, not freed
  // here); the free list runs from the last record to the first.
  void Init(int count, int floatsPerRecord, float* block);
  void Reset();

  int GetLiveCount() const { return mLiveCount; }
  int GetCapacity() const { return mCapacity; }
  uint32_t GetStrideFloats() const { return mStrideBytes / 4; }

  float* mRecords = nullptr;
  int mCapacity = 0;
  uint32_t mStrideBytes = 0;
  bool mBorrowed = false;
  std::list<float*> mLiveList;
  std::list<float*> mFreeList;
  int mLiveCount = 0;

private:
  void FreeBlock();
};
