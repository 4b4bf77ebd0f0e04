// Counts heap allocations for the benchmarks that report allocations per operation or frame.
// Include it in exactly one file of a benchmark executable: it replaces operator new there.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {
inline std::atomic<long> gAllocations{0};
inline long Allocations() { return gAllocations.load(); }
}  // namespace bench

void* operator new(std::size_t n) {
  ++bench::gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
