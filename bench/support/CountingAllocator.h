// Counts heap allocations for the benchmarks that report allocations per operation or frame.
// Include it in exactly one file of a benchmark executable: it replaces the C library's
// allocation functions for the whole process, so everything that takes memory from the heap
// is counted, on any thread: operator new (which allocates through malloc), the script
// interpreter's allocator and the C libraries alike. A realloc counts as an allocation unless it
// only frees.
#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
void __libc_free(void* block);
}

namespace bench {
inline std::atomic<long> gAllocations{0};
inline long Allocations() { return gAllocations.load(); }
inline void CountAllocation() { gAllocations.fetch_add(1, std::memory_order_relaxed); }
}  // namespace bench

extern "C" {
void* malloc(std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
  if (size != 0 || block == nullptr) bench::CountAllocation();
  return __libc_realloc(block, size);
}
void free(void* block) noexcept { __libc_free(block); }
void* memalign(std::size_t alignment, std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  bench::CountAllocation();
  void* block = __libc_memalign(alignment, size);
  if (!block) return ENOMEM;
  *out = block;
  return 0;
}
void* valloc(std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_valloc(size);
}
void* pvalloc(std::size_t size) noexcept {
  bench::CountAllocation();
  return __libc_pvalloc(size);
}
}
