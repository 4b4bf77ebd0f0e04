// Counts the allocations of a benchmark: replaces the global operator new and delete of the
// executable, so it is included by one file of each benchmark only.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> gAllocations{0};

void* operator new(std::size_t n) {
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
