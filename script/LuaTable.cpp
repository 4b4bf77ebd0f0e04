// Tables with an array part for integer keys 1..n and a hash part of chained nodes (one
// power-of-two vector, collisions moved to free nodes); rehash sizes both parts from the keys.
#include "script/LuaTable.h"

#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaGc.h"
#include "script/LuaMem.h"
#include "script/LuaState.h"

#define toobig(x) ((((x)-1) >> MAXBITS) != 0)

#define hashpow2(t, n) (gnode(t, lmod((n), sizenode(t))))
#define hashstr(t, str) hashpow2(t, (str)->tsv.hash)
#define hashboolean(t, p) hashpow2(t, p)
#define hashmod(t, n) (gnode(t, ((n) % ((sizenode(t) - 1) | 1))))
#define hashpointer(t, p) hashmod(t, (uintptr_t)(p))

static Node* hashnum(const Table* t, lua_Number n) {
  n += 1;  // -0 and 0 hash alike
  uint32_t a[2];
  memcpy(a, &n, sizeof(a));
  uint32_t h = a[0] + a[1];
  return hashmod(t, h);
}

Node* luaH_mainposition(const Table* t, const TObject* key) {
  switch (ttype(key)) {
    case LUA_TNUMBER: return hashnum(t, nvalue(key));
    case LUA_TSTRING:
    case LUA_TWSTRING: return hashstr(t, tsvalue(key));
    case LUA_TBOOLEAN: return hashboolean(t, (unsigned)bvalue(key));
    case LUA_TLIGHTUSERDATA: return hashpointer(t, pvalue(key));
    default: return hashpointer(t, gcvalue(key));
  }
}

// The key's position in the array part, or -1.
static int arrayindex(const TObject* key) {
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= (lua_Number)(1 << MAXBITS)) {
      int k = (int)n;
      if ((lua_Number)k == n && !toobig(k)) return k;
    }
  }
  return -1;
}

static int luaH_index(lua_State* L, Table* t, StkId key) {
  if (ttisnil(key)) return -1;
  int i = arrayindex(key);
  if (0 <= i && i <= t->sizearray) return i - 1;
  const TObject* v = luaH_get(t, key);
  if (v == &luaO_nilobject) luaG_runerror(L, "invalid key for `next'");
  i = (int)(((const lu_byte*)v - (const lu_byte*)gval(gnode(t, 0))) / sizeof(Node));
  return i + t->sizearray;  // hash entries are numbered after the array slots
}

int luaH_next(lua_State* L, Table* t, StkId key) {
  int i = luaH_index(L, t, key);
  for (i++; i < t->sizearray; i++) {
    if (!ttisnil(&t->array[i])) {
      setnvalue(key, (lua_Number)(i + 1));
      setobj2s(key + 1, &t->array[i]);
      return 1;
    }
  }
  for (i -= t->sizearray; i < sizenode(t); i++) {
    if (!ttisnil(gval(gnode(t, i)))) {
      setobj2s(key, gkey(gnode(t, i)));
      setobj2s(key + 1, gval(gnode(t, i)));
      return 1;
    }
  }
  return 0;
}

static void computesizes(int nums[], int ntotal, int* narray, int* nhash) {
  int a = nums[0];             // entries up to 2^i
  int na = a;                  // entries going to the array part
  int n = (na == 0) ? -1 : 0;  // log of the array size
  for (int i = 1; a < *narray && *narray >= twoto(i - 1); i++) {
    if (nums[i] > 0) {
      a += nums[i];
      if (a >= twoto(i - 1)) {
        n = i;
        na = a;
      }
    }
  }
  *nhash = ntotal - na;
  *narray = (n == -1) ? 0 : twoto(n);
}

static void CountKey(const TObject* key, int nums[], int* narray) {
  int k = arrayindex(key);
  if (k >= 0) {
    nums[luaO_log2((unsigned)(k - 1)) + 1]++;
    (*narray)++;
  }
}

static void numuse(const Table* t, const TObject* extra, int* narray, int* nhash) {
  int nums[MAXBITS + 1];
  int i = 0, lg;
  int totaluse = 0;
  for (lg = 0; lg <= MAXBITS; lg++) {  // slice lg: keys in (2^(lg-1), 2^lg]
    int ttlg = twoto(lg);
    if (ttlg > t->sizearray) {
      ttlg = t->sizearray;
      if (i >= ttlg) break;
    }
    nums[lg] = 0;
    for (; i < ttlg; i++) {
      if (!ttisnil(&t->array[i])) {
        nums[lg]++;
        totaluse++;
      }
    }
  }
  for (; lg <= MAXBITS; lg++) nums[lg] = 0;
  *narray = totaluse;
  i = sizenode(t);
  while (i--) {
    const Node* n = &t->node[i];
    if (!ttisnil(gval(n))) {
      CountKey(gkey(n), nums, narray);
      totaluse++;
    }
  }
  if (extra) {
    CountKey(extra, nums, narray);
    totaluse++;
  }
  computesizes(nums, totaluse, narray, nhash);
}

static void setarrayvector(lua_State* L, Table* t, int size) {
  luaM_reallocvector(L, t->array, t->sizearray, size, TObject);
  for (int i = t->sizearray; i < size; i++) setnilvalue(&t->array[i]);
  t->sizearray = size;
}

static void setnodevector(lua_State* L, Table* t, int lsize) {
  if (lsize > MAXBITS) luaG_runerror(L, "table overflow");
  int size = twoto(lsize);
  if (lsize == 0) {
    t->node = G(L)->dummynode;
  } else {
    Node* nv = luaM_newvector(L, size, Node);
    for (int i = 0; i < size; i++) {
      nv[i].next = nullptr;
      setnilvalue(gkey(&nv[i]));
      setnilvalue(gval(&nv[i]));
    }
    t->node = nv;
  }
  t->lsizenode = (lu_byte)lsize;
  t->firstfree = gnode(t, size - 1);
}

// Every allocation comes before the first change, so that a table whose resize runs out of
// memory keeps its old vectors and all its entries.
static void resize(lua_State* L, Table* t, int nasize, int nhsize) {
  int oldasize = t->sizearray;
  int oldhsize = t->lsizenode;
  Node* nold = t->node;
  bool olddummy = (nold == G(L)->dummynode);
  TObject* shrunk = nullptr;
  if (nasize < oldasize && nasize > 0) shrunk = luaM_newvector(L, nasize, TObject);
  try {
    if (nasize > oldasize) setarrayvector(L, t, nasize);
    setnodevector(L, t, nhsize);
  } catch (...) {
    if (shrunk != nullptr) luaM_freearray(L, shrunk, nasize, TObject);
    throw;
  }
  if (nasize < oldasize) {
    TObject* oldarray = t->array;
    t->sizearray = nasize;
    t->array = shrunk;
    for (int i = 0; i < nasize; i++) setobj(&shrunk[i], &oldarray[i]);
    for (int i = nasize; i < oldasize; i++) {
      if (!ttisnil(&oldarray[i])) setobjt2t(luaH_setnum(L, t, i + 1), &oldarray[i]);
    }
    luaM_freearray(L, oldarray, oldasize, TObject);
  }
  if (!olddummy) {
    for (int i = twoto(oldhsize) - 1; i >= 0; i--) {
      Node* old = nold + i;
      if (!ttisnil(gval(old))) setobjt2t(luaH_set(L, t, gkey(old)), gval(old));
    }
    luaM_freearray(L, nold, twoto(oldhsize), Node);
  }
}

static void rehash(lua_State* L, Table* t, const TObject* extra) {
  int nasize, nhsize;
  numuse(t, extra, &nasize, &nhsize);
  resize(L, t, nasize, nhsize == 0 ? 0 : luaO_log2((unsigned)nhsize) + 1);
}

Table* luaH_new(lua_State* L, int narray, int lnhash) {
  Table* t = luaM_new(L, Table);
  luaC_link(L, valtogco(t), LUA_TTABLE);
  // Tables made while the state is being built get their metatables set by its creator.
  t->metatable = ttistable(&G(L)->typemt[LUA_TTABLE]) ? hvalue(&G(L)->typemt[LUA_TTABLE]) : nullptr;
  t->flags = (lu_byte)(~0);
  t->array = nullptr;
  t->sizearray = 0;
  t->border = 0;
  t->lsizenode = 0;
  t->node = G(L)->dummynode;
  t->firstfree = t->node;
  t->gclist = nullptr;
  if (narray > 0) setarrayvector(L, t, narray);
  if (lnhash > 0) setnodevector(L, t, lnhash);
  return t;
}

void luaH_free(lua_State* L, Table* t) {
  if (t->node != G(L)->dummynode) luaM_freearray(L, t->node, sizenode(t), Node);
  if (t->array != nullptr) luaM_freearray(L, t->array, t->sizearray, TObject);
  luaM_freelem(L, t);
}

// Inserts a key known to be absent. The shared dummy node is never written: a table without
// a hash part is rehashed with the new key counted.
static TObject* newkey(lua_State* L, Table* t, const TObject* key) {
  if (t->node == G(L)->dummynode) {
    rehash(L, t, key);
    return luaH_set(L, t, key);
  }
  Node* mp = luaH_mainposition(t, key);
  if (!ttisnil(gval(mp))) {
    Node* othern = luaH_mainposition(t, gkey(mp));
    Node* n = t->firstfree;
    if (othern != mp) {
      while (othern->next != mp) othern = othern->next;
      othern->next = n;
      *n = *mp;  // the colliding node moves to the free place, its chain link with it
      mp->next = nullptr;
      setnilvalue(gval(mp));
    } else {
      n->next = mp->next;
      mp->next = n;
      mp = n;
    }
  }
  setobj2t(gkey(mp), key);
  for (;;) {
    if (ttisnil(gkey(t->firstfree))) return gval(mp);
    if (t->firstfree == t->node) break;
    t->firstfree--;
  }
  setbvalue(gval(mp), 0);  // keeps the new key alive through the rehash
  try {
    rehash(L, t, nullptr);
  } catch (...) {
    // Out of memory: the old node vector is still in place; the key must not stay visible.
    setnilvalue(gval(mp));
    throw;
  }
  TObject* val = (TObject*)luaH_get(t, key);
  setnilvalue(val);
  return val;
}

static const TObject* luaH_getany(Table* t, const TObject* key) {
  switch (ttype(key)) {
    case LUA_TNIL: return &luaO_nilobject;
    case LUA_TNUMBER:
    case LUA_TBOOLEAN: {
      Node* n = luaH_mainposition(t, key);
      do {
        if (luaO_rawequalObj(gkey(n), key)) return gval(n);
        n = n->next;
      } while (n);
      return &luaO_nilobject;
    }
    default: {  // objects and light userdata: equal when the same
      int tt = ttype(key);
      Node* n = luaH_mainposition(t, key);
      if (tt == LUA_TLIGHTUSERDATA) {
        do {
          if (ttype(gkey(n)) == tt && pvalue(gkey(n)) == pvalue(key)) return gval(n);
          n = n->next;
        } while (n);
      } else {
        do {
          if (ttype(gkey(n)) == tt && gcvalue(gkey(n)) == gcvalue(key)) return gval(n);
          n = n->next;
        } while (n);
      }
      return &luaO_nilobject;
    }
  }
}

const TObject* luaH_getnumnode(Table* t, int key) {
  lua_Number nk = (lua_Number)key;
  Node* n = hashnum(t, nk);
  do {
    if (ttisnumber(gkey(n)) && nvalue(gkey(n)) == nk) return gval(n);
    n = n->next;
  } while (n);
  return &luaO_nilobject;
}

const TObject* luaH_getwstr(Table* t, TString* key) {
  Node* n = hashstr(t, key);
  do {
    if (ttiswstring(gkey(n)) && tsvalue(gkey(n)) == key) return gval(n);
    n = n->next;
  } while (n);
  return &luaO_nilobject;
}

const TObject* luaH_get(Table* t, const TObject* key) {
  switch (ttype(key)) {
    case LUA_TSTRING: return luaH_getstr(t, tsvalue(key));
    case LUA_TWSTRING: return luaH_getwstr(t, tsvalue(key));
    case LUA_TNUMBER: {
      lua_Number n = nvalue(key);
      if (n >= -2147483648.0 && n <= 2147483647.0) {
        int k = (int)n;
        if ((lua_Number)k == n) return luaH_getnum(t, k);
      }
      return luaH_getany(t, key);
    }
    default: return luaH_getany(t, key);
  }
}

TObject* luaH_set(lua_State* L, Table* t, const TObject* key) {
  if (ttisnumber(key) && nvalue(key) >= 1 && nvalue(key) <= (lua_Number)t->border)
    t->border = (int)nvalue(key) - 1;
  const TObject* p = luaH_get(t, key);
  t->flags = 0;
  if (p != &luaO_nilobject) return (TObject*)p;
  if (ttisnil(key)) luaG_runerror(L, "table index is nil");
  if (ttisnumber(key) && nvalue(key) != nvalue(key)) luaG_runerror(L, "table index is NaN");
  return newkey(L, t, key);
}

TObject* luaH_setnumnode(lua_State* L, Table* t, int key) {
  const TObject* p = luaH_getnumnode(t, key);
  if (p != &luaO_nilobject) return (TObject*)p;
  TObject k;
  setnvalue(&k, (lua_Number)key);
  return newkey(L, t, &k);
}
