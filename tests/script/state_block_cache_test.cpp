// The default allocator's cache of small blocks: contents survive every resize, freed blocks
// come back for requests of their size, and (under AddressSanitizer) a cached block stays
// unusable until it is handed out again.
#include <gtest/gtest.h>

#include <cstring>

#include "script/LuaApi.h"
#include "script/LuaState.h"

namespace {

struct CacheFixture {
  lua_State* L = lua_open();
  lua_Alloc alloc = nullptr;
  void* ud = nullptr;
  CacheFixture() {
    if (L != nullptr) {
      alloc = G(L)->frealloc;
      ud = G(L)->ud;
    }
  }
  ~CacheFixture() {
    if (L != nullptr) lua_close(L);
  }
  void* Resize(void* block, size_t oldsize, size_t newsize) {
    return alloc(ud, block, oldsize, newsize, 0, 0);
  }
};

}  // namespace

TEST(StateBlockCache, ContentsSurviveResizesAcrossSmallAndLargeBlocks) {
  CacheFixture f;
  ASSERT_NE(f.L, nullptr);
  ASSERT_NE(f.ud, nullptr);
  const size_t sizes[] = {1, 16, 17, 100, 256, 257, 4000, 200, 8, 300, 300, 48, 0};
  unsigned char* p = nullptr;
  size_t old = 0;
  for (size_t size : sizes) {
    p = (unsigned char*)f.Resize(p, old, size);
    if (size == 0) {
      EXPECT_EQ(p, nullptr);
      break;
    }
    ASSERT_NE(p, nullptr);
    size_t kept = old < size ? old : size;
    for (size_t i = 0; i < kept; i++) ASSERT_EQ(p[i], (unsigned char)(i * 7 + old)) << size;
    for (size_t i = 0; i < size; i++) p[i] = (unsigned char)(i * 7 + size);
    old = size;
  }
}

TEST(StateBlockCache, FreedBlocksServeRequestsOfTheirSize) {
  CacheFixture f;
  ASSERT_NE(f.L, nullptr);
  void* a = f.Resize(nullptr, 0, 40);
  ASSERT_NE(a, nullptr);
  f.Resize(a, 40, 0);
  void* b = f.Resize(nullptr, 0, 33);  // same 16-byte class as 40
  EXPECT_EQ(b, a);
  EXPECT_EQ(f.Resize(b, 33, 48), b);  // growing within the class keeps the block
  memset(b, 0x5a, 48);
  void* c = f.Resize(b, 48, 49);  // the next class: a new block
  EXPECT_NE(c, b);
  EXPECT_EQ(((unsigned char*)c)[47], 0x5a);
  f.Resize(c, 49, 0);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(StateBlockCacheDeathTest, ACachedBlockCannotBeRead) {
  EXPECT_DEATH(
      {
        CacheFixture f;
        volatile char* a = (volatile char*)f.Resize(nullptr, 0, 24);
        a[0] = 1;
        f.Resize((void*)a, 24, 0);
        a[0] = 2;
      },
      "use-after-poison");
}
#endif
