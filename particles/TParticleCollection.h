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

  int GetLiveCount() const { return liveCount; }
  int GetCapacity() const { return capacity; }
  uint32_t GetStrideFloats() const { return strideBytes / 4; }

  float* records = nullptr;
  int capacity = 0;
  uint32_t strideBytes = 0;
  bool borrowed = false;
  std::list<float*> liveList;
  std::list<float*> freeList;
  int liveCount = 0;

private:
  void FreeBlock();
};
