// The interning table that holds every string and wide string (both kinds chained in the same
// buckets, never matching each other), and the allocation of full userdata.
#include "script/LuaString.h"

#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaGc.h"
#include "script/LuaMem.h"

void luaS_freeall(lua_State* L) { luaM_freearray(L, G(L)->strt.hash, G(L)->strt.size, TString*); }

void luaS_resize(lua_State* L, int newsize) {
  GCObject** newhash = luaM_newvector(L, newsize, GCObject*);
  stringtable* tb = &G(L)->strt;
  for (int i = 0; i < newsize; i++) newhash[i] = nullptr;
  for (int i = 0; i < tb->size; i++) {
    GCObject* p = tb->hash[i];
    while (p) {
      GCObject* next = p->gch.next;
      lu_hash h = gcotots(p)->tsv.hash;
      int h1 = lmod(h, newsize);
      p->gch.next = newhash[h1];
      newhash[h1] = p;
      p = next;
    }
  }
  luaM_freearray(L, tb->hash, tb->size, TString*);
  tb->size = newsize;
  tb->hash = newhash;
}

static void Grow(lua_State* L) {
  stringtable* tb = &G(L)->strt;
  if (tb->nuse > (lu_int32)tb->size && tb->size <= (1 << 30) - 2) luaS_resize(L, tb->size * 2);
}

// Links a new string whose characters are already in place after its header.
static TString* LinkEntry(lua_State* L, TString* ts, size_t l, lu_hash h, int tag) {
  size_t unit = tag == LUA_TWSTRING ? sizeof(lua_WChar) : 1;
  ts->tsv.len = (lu_int32)l;
  ts->tsv.hash = h;
  ts->tsv.marked = 0;
  ts->tsv.tt = (lu_byte)tag;
  ts->tsv.reserved = 0;
  memset((char*)(ts + 1) + l * unit, 0, unit);
  stringtable* tb = &G(L)->strt;
  h = lmod(h, tb->size);
  ts->tsv.next = tb->hash[h];
  tb->hash[h] = valtogco(ts);
  tb->nuse++;
  Grow(L);
  return ts;
}

static TString* NewEntry(lua_State* L, const void* str, size_t l, lu_hash h, int tag) {
  size_t unit = tag == LUA_TWSTRING ? sizeof(lua_WChar) : 1;
  lu_mem size = tag == LUA_TWSTRING ? sizewstring(l) : sizestring(l);
  TString* ts = (TString*)luaM_malloc(L, size);
  if (l) memcpy(ts + 1, str, l * unit);
  return LinkEntry(L, ts, l, h, tag);
}

// Lengths whose block could not be allocated anyway are refused before the text is hashed: a
// length near the size limit would wrap the block size and be copied into a tiny block.
static void CheckLength(lua_State* L, size_t l, size_t unit) {
  if (l > (size_t)4294967293u / unit) luaG_runerror(L, "memory allocation error: block too big");
}

TString* luaS_newlstr(lua_State* L, const char* str, size_t l) {
  CheckLength(L, l, 1);
  lu_hash h = (lu_hash)l;
  size_t step = (l >> 5) + 1;  // at most 31 characters take part
  for (size_t l1 = l; l1 >= step; l1 -= step)
    h = h ^ ((h << 5) + (h >> 2) + (unsigned char)str[l1 - 1]);
  for (GCObject* o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != nullptr; o = o->gch.next) {
    TString* ts = gcotots(o);
    if (ts->tsv.tt == LUA_TSTRING && ts->tsv.len == l &&
        (l == 0 || memcmp(str, getstr(ts), l) == 0))
      return ts;
  }
  return NewEntry(L, str, l, h, LUA_TSTRING);
}

// The characters at positions counted from the end of the concatenation, walked backwards.
namespace {
struct PieceReader {
  const TObject* pieces;
  int piece;     // current piece index
  size_t start;  // position of the current piece's first character
  char At(size_t pos) {
    while (pos < start) {
      piece--;
      start -= tsvalue(&pieces[piece])->tsv.len;
    }
    return getstr(tsvalue(&pieces[piece]))[pos - start];
  }
};

bool SameAsPieces(const TString* ts, const TObject* pieces, int n) {
  const char* s = getstr(ts);
  for (int i = 0; i < n; i++) {
    size_t l = tsvalue(&pieces[i])->tsv.len;
    if (l != 0 && memcmp(s, getstr(tsvalue(&pieces[i])), l) != 0) return false;
    s += l;
  }
  return true;
}
}  // namespace

TString* luaS_newconcat(lua_State* L, const TObject* pieces, int n, size_t l) {
  lu_hash h = (lu_hash)l;
  size_t step = (l >> 5) + 1;
  PieceReader r{pieces, n - 1, l - tsvalue(&pieces[n - 1])->tsv.len};
  for (size_t l1 = l; l1 >= step; l1 -= step)
    h = h ^ ((h << 5) + (h >> 2) + (unsigned char)r.At(l1 - 1));
  for (GCObject* o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != nullptr; o = o->gch.next) {
    TString* ts = gcotots(o);
    if (ts->tsv.tt == LUA_TSTRING && ts->tsv.len == l && SameAsPieces(ts, pieces, n)) return ts;
  }
  TString* ts = (TString*)luaM_malloc(L, sizestring(l));
  char* d = (char*)(ts + 1);
  for (int i = 0; i < n; i++) {
    size_t pl = tsvalue(&pieces[i])->tsv.len;
    if (pl != 0) memcpy(d, getstr(tsvalue(&pieces[i])), pl);
    d += pl;
  }
  return LinkEntry(L, ts, l, h, LUA_TSTRING);
}

TString* luaS_newwstr(lua_State* L, const lua_WChar* str, size_t l) {
  CheckLength(L, l, sizeof(lua_WChar));
  lu_hash h = (lu_hash)l;
  size_t step = (l >> 5) + 1;
  for (size_t l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + str[l1 - 1]);
  for (GCObject* o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != nullptr; o = o->gch.next) {
    TString* ts = gcotots(o);
    if (ts->tsv.tt == LUA_TWSTRING && ts->tsv.len == l &&
        (l == 0 || memcmp(str, getwstr(ts), l * sizeof(lua_WChar)) == 0))
      return ts;
  }
  return NewEntry(L, str, l, h, LUA_TWSTRING);
}

static Udata* LinkUdata(lua_State* L, Udata* u, lu_int32 len) {
  u->uv.marked = (1 << 1);  // finalizer not yet decided
  u->uv.tt = LUA_TUSERDATA;
  u->uv.len = len;
  u->uv.metatable = hvalue(&G(L)->typemt[LUA_TUSERDATA]);
  u->uv.next = G(L)->rootudata;
  G(L)->rootudata = valtogco(u);
  return u;
}

Udata* luaS_newudata(lua_State* L, size_t s) {
  if (s > 4294967200u) luaG_runerror(L, "memory allocation error: block too big");
  lu_int32 len = (lu_int32)((s + 1) & ~(size_t)1);  // even: odd lengths mark boxed pointers
  Udata* u = (Udata*)luaM_malloc(L, sizeudata(len));
  return LinkUdata(L, u, len);
}

Udata* luaS_newboxed(lua_State* L, void* p) {
  Udata* u = (Udata*)luaM_malloc(L, sizeudata(1));
  memcpy(u + 1, &p, sizeof(void*));
  return LinkUdata(L, u, 1);
}
