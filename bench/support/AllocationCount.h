// Counts every allocation made through operator new in the benchmark executable that includes
// it (once), so a benchmark can show that a steady-state loop allocates nothing.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {

inline std::atomic<long> gAllocations{0};

inline long AllocationCount() { return gAllocations.load(); }

}  // namespace bench

void* operator new(std::size_t n) {
  ++bench::gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
