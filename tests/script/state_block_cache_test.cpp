// The default allocator's slabs of small blocks: contents survive every resize, freed blocks
// come back for requests of their size, a slab left empty serves other sizes, and
// (under AddressSanitizer) a freed block stays unusable until it is handed out again.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

TEST(StateBlockCache, BlocksOfManySizesKeepTheirContentsWhileOthersComeAndGo) {
  CacheFixture f;
  ASSERT_NE(f.L, nullptr);
  struct Held {
    unsigned char* p;
    size_t size;
  };
  std::vector<Held> held;
  unsigned seed = 1;
  auto fill = [](const Held& h) {
    for (size_t i = 0; i < h.size; i++) h.p[i] = (unsigned char)((uintptr_t)h.p + i);
  };
  auto intact = [](const Held& h) {
    for (size_t i = 0; i < h.size; i++)
      if (h.p[i] != (unsigned char)((uintptr_t)h.p + i)) return false;
    return true;
  };
  // Enough blocks to fill many slabs of every class, freed in an order unlike their making so
  // that slabs empty and go back while their neighbours stay in use.
  for (int round = 0; round < 40000; round++) {
    seed = seed * 1103515245u + 12345u;
    if (held.size() < 3000 || (seed >> 16) % 3 != 0) {
      size_t size = 1 + (seed >> 8) % 300;
      Held h{(unsigned char*)f.Resize(nullptr, 0, size), size};
      ASSERT_NE(h.p, nullptr);
      fill(h);
      held.push_back(h);
    } else {
      size_t at = (seed >> 4) % held.size();
      ASSERT_TRUE(intact(held[at])) << held[at].size;
      f.Resize(held[at].p, held[at].size, 0);
      held[at] = held.back();
      held.pop_back();
    }
  }
  for (const Held& h : held) ASSERT_TRUE(intact(h)) << h.size;
  // A burst freed at once empties many slabs, which the next burst takes up again.
  for (int burst = 0; burst < 2; burst++) {
    std::vector<Held> many;
    for (int i = 0; i < 20000; i++) {
      Held h{(unsigned char*)f.Resize(nullptr, 0, 100), 100};
      ASSERT_NE(h.p, nullptr);
      fill(h);
      many.push_back(h);
    }
    for (const Held& h : many) ASSERT_TRUE(intact(h));
    for (const Held& h : many) f.Resize(h.p, h.size, 0);
  }
  for (const Held& h : held) ASSERT_TRUE(intact(h)) << h.size;
  // Half the small blocks are left for the state's close, which frees their slabs whole.
  for (size_t i = 0; i < held.size(); i++)
    if (held[i].size > 256 || i % 2 == 0) f.Resize(held[i].p, held[i].size, 0);
}

TEST(StateBlockCache, MemoryFreedInOneSizeServesAnother) {
  CacheFixture f;
  ASSERT_NE(f.L, nullptr);
  // Several slabs' worth: the middle ones hold none of the state's own blocks.
  std::vector<void*> small;
  for (int i = 0; i < 3000; i++) small.push_back(f.Resize(nullptr, 0, 24));
  uintptr_t page = (uintptr_t)small[1500] / 16384;
  for (void* b : small) f.Resize(b, 24, 0);
  std::vector<void*> large;
  bool reused = false;
  for (int i = 0; i < 3000; i++) {
    large.push_back(f.Resize(nullptr, 0, 200));
    if ((uintptr_t)large.back() / 16384 == page) reused = true;
  }
  EXPECT_TRUE(reused);
  for (void* b : large) f.Resize(b, 200, 0);
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
