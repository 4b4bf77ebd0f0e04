// Creation and destruction of interpreter states and threads: the global state with its
// registry, globals, per-type metatables and string table, thread stacks and frame arrays.
#include "script/LuaState.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaGc.h"
#include "script/LuaLexer.h"
#include "script/LuaMem.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// Cached blocks stay poisoned, so that a use after free is still reported.
#define POISON_BLOCK(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON_BLOCK(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON_BLOCK(p, n) ((void)(p), (void)(n))
#define UNPOISON_BLOCK(p, n) ((void)(p), (void)(n))
#endif

// The default allocator carves small blocks out of slabs, one size class per slab: scripts
// allocate and free tables, closures and short strings by the thousand at every collection, and
// a slab block costs neither a call into the C library nor its per-block header. Slabs come in
// regions taken from the C library at once. A slab whose blocks are all free (unless it is the
// last one of its class with room) serves any class next, so memory freed in one size serves
// the others. Emptied slabs keep their pages: the collector lets the heap reach twice what is
// live before it frees, so the next cycle needs them again (giving the pages back and faulting
// them in again cost a fifth of the time of allocation-heavy scripts, for no lower peak).
// Closing the state frees region by region. The slabs of a state are its ud (none: plain
// allocation).
namespace {

constexpr size_t kGrain = 16;
constexpr int kClasses = 16;          // blocks up to 256 bytes
constexpr size_t kSlabBytes = 16384;  // also the alignment that finds a block's slab
constexpr size_t kSlabHeader = 64;    // the first blocks start here
constexpr size_t kRegionSlabs = 64;

struct FreeBlock {
  FreeBlock* next;
};

struct Slab {
  Slab* prev;  // in its class's list of slabs with room, or in a list of empty slabs
  Slab* next;
  FreeBlock* free;  // freed blocks
  char* fresh;      // never handed out from here to the end
  int live;         // blocks handed out
  int cls;
  bool listed;  // in its class's list
};
static_assert(sizeof(Slab) <= kSlabHeader, "slab header");

struct Region {
  Region* next;
  void* mem;
};

struct BlockCache {
  Slab* room[kClasses];  // slabs with a free or fresh block
  Slab* empty;           // emptied slabs, linked by next
  Region* regions;
  char* carve;  // next slab never used, up to carveend
  char* carveend;
};

int SizeClass(size_t n) { return n - 1 < kGrain * kClasses ? (int)((n - 1) / kGrain) : -1; }

size_t ClassBytes(int c) { return (size_t)(c + 1) * kGrain; }

Slab* SlabOf(void* block) { return (Slab*)((uintptr_t)block & ~(uintptr_t)(kSlabBytes - 1)); }

void Unlist(BlockCache* cache, Slab* s) {
  if (s->prev != nullptr)
    s->prev->next = s->next;
  else
    cache->room[s->cls] = s->next;
  if (s->next != nullptr) s->next->prev = s->prev;
  s->listed = false;
}

void List(BlockCache* cache, Slab* s) {
  s->prev = nullptr;
  s->next = cache->room[s->cls];
  if (s->next != nullptr) s->next->prev = s;
  cache->room[s->cls] = s;
  s->listed = true;
}

Slab* CarveSlab(BlockCache* cache) {
  if (cache->carve == cache->carveend) {
    Region* r = (Region*)malloc(sizeof(Region));
    if (r == nullptr) return nullptr;
    r->mem = aligned_alloc(kSlabBytes, kSlabBytes * kRegionSlabs);
    if (r->mem == nullptr) {
      free(r);
      return nullptr;
    }
    r->next = cache->regions;
    cache->regions = r;
    cache->carve = (char*)r->mem;
    cache->carveend = cache->carve + kSlabBytes * kRegionSlabs;
    POISON_BLOCK(r->mem, kSlabBytes * kRegionSlabs);
  }
  Slab* s = (Slab*)cache->carve;
  cache->carve += kSlabBytes;
  UNPOISON_BLOCK(s, kSlabHeader);
  return s;
}

Slab* NewSlab(BlockCache* cache, int c) {
  Slab* s = cache->empty;
  if (s != nullptr) {
    cache->empty = s->next;
  } else if ((s = CarveSlab(cache)) == nullptr) {
    return nullptr;
  }
  s->free = nullptr;
  s->fresh = (char*)s + kSlabHeader;
  s->live = 0;
  s->cls = c;
  List(cache, s);
  return s;
}

void* TakeBlock(BlockCache* cache, int c) {
  if (cache == nullptr) return malloc(ClassBytes(c));
  Slab* s = cache->room[c];
  if (s == nullptr && (s = NewSlab(cache, c)) == nullptr) return nullptr;
  void* b;
  if (s->free != nullptr) {
    b = s->free;
    UNPOISON_BLOCK(b, ClassBytes(c));
    s->free = s->free->next;
  } else {
    b = s->fresh;
    UNPOISON_BLOCK(b, ClassBytes(c));
    s->fresh += ClassBytes(c);
  }
  s->live++;
  if (s->free == nullptr && s->fresh + ClassBytes(c) > (char*)s + kSlabBytes) Unlist(cache, s);
  return b;
}

void EmptySlab(BlockCache* cache, Slab* s) {
  Unlist(cache, s);
  POISON_BLOCK((char*)s + kSlabHeader, kSlabBytes - kSlabHeader);
  s->next = cache->empty;
  cache->empty = s;
}

void ReleaseBlock(BlockCache* cache, void* block, int c) {
  if (c < 0 || cache == nullptr) {
    free(block);
    return;
  }
  Slab* s = SlabOf(block);
  FreeBlock* b = (FreeBlock*)block;
  b->next = s->free;
  s->free = b;
  POISON_BLOCK(b, ClassBytes(c));
  s->live--;
  if (!s->listed) List(cache, s);
  if (s->live == 0 && (s->prev != nullptr || s->next != nullptr)) EmptySlab(cache, s);
}

void DestroyCache(BlockCache* cache) {
  while (cache->regions != nullptr) {
    Region* r = cache->regions;
    cache->regions = r->next;
    UNPOISON_BLOCK(r->mem, kSlabBytes * kRegionSlabs);
    free(r->mem);
    free(r);
  }
  free(cache);
}

}  // namespace

static void* DefaultAlloc(void* ud, void* block, size_t oldsize, size_t newsize, int, int) {
  BlockCache* cache = (BlockCache*)ud;
  if (block == nullptr) oldsize = 0;
  int oc = SizeClass(oldsize);
  int nc = SizeClass(newsize);
  if (block == nullptr && nc >= 0) return TakeBlock(cache, nc);  // the common cases first
  if (newsize == 0) {
    if (block != nullptr) ReleaseBlock(cache, block, oc);
    return nullptr;
  }
  if (block != nullptr && oc >= 0 && oc == nc) return block;
  if (nc < 0 && oc < 0) return realloc(block, newsize);
  void* nb = nc >= 0 ? TakeBlock(cache, nc) : malloc(newsize);
  if (nb == nullptr) return nullptr;  // the old block stays valid
  if (block != nullptr) {
    memcpy(nb, block, oldsize < newsize ? oldsize : newsize);
    ReleaseBlock(cache, block, oc);
  }
  return nb;
}

static int DefaultPanic(lua_State*) { return 0; }

lua_Settings* lua_settings(void) {
  static lua_Settings settings = {DefaultAlloc, nullptr, 0, nullptr, nullptr};
  return &settings;
}

static void stack_init(lua_State* L1, lua_State* L) {
  L1->stack = luaM_newvector(L, BASIC_STACK_SIZE + EXTRA_STACK, TObject);
  L1->stacksize = BASIC_STACK_SIZE + EXTRA_STACK;
  for (int i = 0; i < L1->stacksize; i++) setnilvalue(L1->stack + i);
  L1->top = L1->stack;
  L1->stack_last = L1->stack + (L1->stacksize - EXTRA_STACK) - 1;
  L1->base_ci = luaM_newvector(L, BASIC_CI_SIZE, CallInfo);
  memset(L1->base_ci, 0, sizeof(CallInfo) * BASIC_CI_SIZE);
  L1->ci = L1->base_ci;
  L1->ci->state = CI_C;    // not a Lua function
  setnilvalue(L1->top++);  // the "function" slot of the base frame
  L1->base = L1->ci->base = L1->top;
  L1->ci->top = L1->top + LUA_MINSTACK;
  L1->size_ci = BASIC_CI_SIZE;
  L1->end_ci = L1->base_ci + L1->size_ci;
}

static void freestack(lua_State* L, lua_State* L1) {
  luaM_freearray(L, L1->base_ci, L1->size_ci, CallInfo);
  luaM_freearray(L, L1->stack, L1->stacksize, TObject);
}

static void preinit_state(lua_State* L) {
  L->stack = nullptr;
  L->stacksize = 0;
  L->errorJmp = nullptr;
  L->hook = nullptr;
  L->hookmask = 0;
  L->hookinit = 0;
  L->basehookcount = 0;
  L->allowhook = 1;
  resethookcount(L);
  L->openupval = nullptr;
  L->size_ci = 0;
  L->nCcalls = 0;
  L->base_ci = L->ci = nullptr;
  L->errfunc = 0;
  L->allochint = 0;
  L->top = L->base = L->stack_last = nullptr;
  L->end_ci = nullptr;
  setnilvalue(gt(L));
}

static void f_luaopen(lua_State* L, void*) {
  global_State* g = G(L);
  stack_init(L, L);
  // The default metatable is an empty table that is its own metatable.
  Table* dm = luaH_new(L, 0, 0);
  dm->metatable = dm;
  sethvalue(defaultmeta(L), dm);
  for (int t = 1; t < NUM_TYPETAGS; t++) {
    Table* mt = luaH_new(L, 0, 0);
    mt->metatable = dm;
    sethvalue(&g->typemt[t], mt);
  }
  // Tables made so far (only those above) keep the default metatable; from now on new tables
  // take the per-type metatable of tables.
  dm->metatable = dm;
  Table* globals = luaH_new(L, 0, 4);
  sethvalue(gt(L), globals);
  Table* reg = luaH_new(L, 4, 4);
  sethvalue(registry(L), reg);
  luaS_resize(L, MINSTRTABSIZE);
  luaT_init(L);
  luaX_init(L);
  luaS_fix(luaS_newliteral(L, MEMERRMSG));
  g->argcount = luaS_newliteral(L, "n");
  luaS_fix(g->argcount);
  luaZ_resizebuffer(L, &g->buff, lua_settings()->initialbuffer);
  g->GCthreshold = 4 * g->nblocks;
}

static void close_state(lua_State* L) {
  global_State* g = G(L);
  luaF_close(L, L->stack);
  luaC_sweep(L, 1);  // frees every object
  luaS_freeall(L);
  luaZ_freebuffer(L, &g->buff);
  if (L->stack) freestack(L, L);
  lua_Alloc fa = g->frealloc;
  void* ud = g->ud;
  // The state and its global part came from the allocator before the slabs existed.
  void* openud = fa == DefaultAlloc ? nullptr : ud;
  fa(openud, g, sizeof(global_State), 0, 0, 0);
  fa(openud, L, sizeof(lua_State), 0, 0, 0);
  if (fa == DefaultAlloc && ud != nullptr) DestroyCache((BlockCache*)ud);
}

lua_State* lua_open(void) {
  lua_Settings* s = lua_settings();
  lua_State* L = (lua_State*)s->alloc(s->ud, nullptr, 0, sizeof(lua_State), 0, 0);
  if (L == nullptr) return nullptr;
  global_State* g = (global_State*)s->alloc(s->ud, nullptr, 0, sizeof(global_State), 0, 0);
  if (g == nullptr) {
    s->alloc(s->ud, L, sizeof(lua_State), 0, 0, 0);
    return nullptr;
  }
  L->next = nullptr;
  L->gclist = nullptr;
  L->tt = LUA_TTHREAD;
  L->marked = 0;
  preinit_state(L);
  L->l_G = g;
  g->mainthread = L;
  g->nresumes = 0;
  g->GCthreshold = (lu_mem)-1;  // no collection while the state is incomplete
  g->strt.size = 0;
  g->strt.nuse = 0;
  g->strt.hash = nullptr;
  g->frealloc = s->alloc;
  g->ud = s->ud;
  if (s->alloc == DefaultAlloc) g->ud = calloc(1, sizeof(BlockCache));  // no cache if null
  g->panic = DefaultPanic;
  g->threadcreated = s->threadcreated;
  g->threadfreed = s->threadfreed;
  setnilvalue(defaultmeta(L));
  setnilvalue(registry(L));
  for (int t = 0; t < NUM_TYPETAGS; t++) setnilvalue(&g->typemt[t]);
  for (int i = 0; i < TM_N; i++) g->tmname[i] = nullptr;
  g->argcount = nullptr;
  luaZ_initbuffer(L, &g->buff);
  g->rootgc = nullptr;
  g->rootudata = nullptr;
  g->tmudata = nullptr;
  setnilvalue(gkey(g->dummynode));
  setnilvalue(gval(g->dummynode));
  g->dummynode->next = nullptr;
  g->nblocks = sizeof(lua_State) + sizeof(global_State);
  if (luaD_rawrunprotected(L, f_luaopen, nullptr) != 0) {
    close_state(L);
    return nullptr;
  }
  return L;
}

lua_State* luaE_newthread(lua_State* L) {
  lua_State* L1 = (lua_State*)luaM_malloc(L, sizeof(lua_State));
  luaC_link(L, valtogco(L1), LUA_TTHREAD);
  preinit_state(L1);
  L1->l_G = L->l_G;
  stack_init(L1, L);
  setobj2n(gt(L1), gt(L));
  if (G(L)->threadcreated) G(L)->threadcreated(L, L1);
  return L1;
}

void luaE_freethread(lua_State* L, lua_State* L1) {
  // A thread whose stack could not be made was never announced to the creation hook.
  if (G(L)->threadfreed && L1->base_ci != nullptr) G(L)->threadfreed(L, L1);
  luaF_close(L1, L1->stack);
  freestack(L, L1);
  luaM_free(L, L1, sizeof(lua_State));
}

static void callallgcTM(lua_State* L, void*) { luaC_callGCTM(L); }

void lua_close(lua_State* L) {
  L = G(L)->mainthread;  // only the main thread can be closed
  luaF_close(L, L->stack);
  luaC_separateudata(L);
  L->errfunc = 0;  // no error handler during finalizers
  do {
    L->ci = L->base_ci;
    L->base = L->top = L->ci->base;
    L->nCcalls = 0;
  } while (luaD_rawrunprotected(L, callallgcTM, nullptr) != 0);
  close_state(L);
}
