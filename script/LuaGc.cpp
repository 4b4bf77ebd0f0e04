// The garbage collector: marks from the roots through a work list, clears weak tables,
// separates userdata awaiting finalizers, sweeps unmarked objects and runs the finalizers.
#include "script/LuaGc.h"

#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaMem.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"

namespace {

struct GCState {
  GCObject* tmark;  // objects marked, still to traverse
  GCObject* wk;     // traversed tables with weak keys
  GCObject* wv;     // ... with weak values
  GCObject* wkv;    // ... with both
  global_State* g;
};

}  // namespace

#define setbit(x, b) ((x) |= (lu_byte)(1 << (b)))
#define resetbit(x, b) ((x) &= (lu_byte)(~(1 << (b))))
#define testbit(x, b) ((x) & (1 << (b)))
#define unmark(x) resetbit((x)->gch.marked, 0)
#define ismarked(x) ((x)->gch.marked & ((1 << 4) | 1))
#define stringmark(s) setbit((s)->tsv.marked, 0)
#define isfinalized(u) (!testbit((u)->uv.marked, 1))
#define markfinalized(u) resetbit((u)->uv.marked, 1)

#define KEYWEAKBIT 1
#define VALUEWEAKBIT 2
#define KEYWEAK (1 << KEYWEAKBIT)
#define VALUEWEAK (1 << VALUEWEAKBIT)

static void reallymarkobject(GCState* st, GCObject* o);

#define markobject(st, o)                                                            \
  {                                                                                  \
    if (iscollectable(o) && !ismarked(gcvalue(o))) reallymarkobject(st, gcvalue(o)); \
  }
#define condmarkobject(st, o, c)                                                            \
  {                                                                                         \
    if (iscollectable(o) && !ismarked(gcvalue(o)) && (c)) reallymarkobject(st, gcvalue(o)); \
  }
#define markvalue(st, t)                                           \
  {                                                                \
    if (!ismarked(valtogco(t))) reallymarkobject(st, valtogco(t)); \
  }

static void reallymarkobject(GCState* st, GCObject* o) {
  setbit(o->gch.marked, 0);
  switch (o->gch.tt) {
    case LUA_TUSERDATA:
      if (gcotou(o)->uv.metatable) markvalue(st, gcotou(o)->uv.metatable);
      break;
    case LUA_TFUNCTION:
      gcotocl(o)->c.gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TTABLE:
      gcotoh(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TTHREAD:
      gcototh(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TPROTO:
      gcotop(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    default:  // strings and wide strings: marked only
      break;
  }
}

static void marktmu(GCState* st) {
  for (GCObject* u = st->g->tmudata; u; u = u->gch.next) {
    unmark(u);  // may be marked, if left from a previous collection
    reallymarkobject(st, u);
  }
}

size_t luaC_separateudata(lua_State* L) {
  size_t deadmem = 0;
  GCObject** p = &G(L)->rootudata;
  GCObject* curr;
  GCObject* collected = nullptr;
  GCObject** lastcollected = &collected;
  while ((curr = *p) != nullptr) {
    Udata* u = gcotou(curr);
    if (ismarked(curr) || isfinalized(u)) {
      p = &curr->gch.next;
    } else if (u->uv.metatable == nullptr || fasttm(L, u->uv.metatable, TM_GC) == nullptr) {
      markfinalized(u);  // needs no finalizer
      p = &curr->gch.next;
    } else {
      deadmem += sizeudata(u->uv.len);
      *p = curr->gch.next;
      curr->gch.next = nullptr;
      *lastcollected = curr;
      lastcollected = &curr->gch.next;
    }
  }
  *lastcollected = G(L)->tmudata;  // new ones go before the older pending ones
  G(L)->tmudata = collected;
  return deadmem;
}

static void removekey(Node* n) {
  setnilvalue(gval(n));
  if (iscollectable(gkey(n))) setttype(gkey(n), LUA_TNONE);  // dead key
}

static void traversetable(GCState* st, Table* h) {
  int weakkey = 0, weakvalue = 0;
  if (h->metatable) markvalue(st, h->metatable);
  const TObject* mode = h->metatable ? gfasttm(st->g, h->metatable, TM_MODE) : nullptr;
  if (mode && ttisstring(mode)) {
    weakkey = (strchr(svalue(mode), 'k') != nullptr);
    weakvalue = (strchr(svalue(mode), 'v') != nullptr);
    if (weakkey || weakvalue) {
      h->marked &= (lu_byte)(~(KEYWEAK | VALUEWEAK));
      h->marked |= (lu_byte)((weakkey << KEYWEAKBIT) | (weakvalue << VALUEWEAKBIT));
      GCObject** weaklist = (weakkey && weakvalue) ? &st->wkv : (weakkey) ? &st->wk : &st->wv;
      h->gclist = *weaklist;
      *weaklist = valtogco(h);
    }
  }
  if (!(weakkey || weakvalue)) h->marked &= (lu_byte)(~(KEYWEAK | VALUEWEAK));
  if (!weakvalue) {
    int i = h->sizearray;
    while (i--) markobject(st, &h->array[i]);
  }
  int i = sizenode(h);
  while (i--) {
    Node* n = gnode(h, i);
    if (!ttisnil(gval(n))) {
      condmarkobject(st, gkey(n), !weakkey);
      condmarkobject(st, gval(n), !weakvalue);
    }
  }
}

static void traverseproto(GCState* st, Proto* f) {
  if (f->source) stringmark(f->source);
  for (int i = 0; i < f->sizek; i++) {
    if (ttisstring(f->k + i) || ttiswstring(f->k + i)) stringmark(tsvalue(f->k + i));
  }
  for (int i = 0; i < f->sizeupvalues; i++)
    if (f->upvalues[i]) stringmark(f->upvalues[i]);
  for (int i = 0; i < f->sizep; i++)
    if (f->p[i]) markvalue(st, f->p[i]);
  for (int i = 0; i < f->sizelocvars; i++)
    if (f->locvars[i].varname) stringmark(f->locvars[i].varname);
}

static void traverseclosure(GCState* st, Closure* cl) {
  if (cl->c.isC) {
    for (int i = 0; i < cl->c.nupvalues; i++) markobject(st, &cl->c.upvalue[i]);
  } else {
    markobject(st, &cl->l.g);
    if (cl->l.p) markvalue(st, cl->l.p);
    for (int i = 0; i < cl->l.nupvalues; i++) {
      UpVal* u = cl->l.upvals[i];
      if (u == nullptr) continue;
      // The current value, so that an open upvalue keeps its slot's value alive even when
      // its thread is not reached.
      markobject(st, u->v);
      u->marked |= 1;
    }
  }
}

static void shrinkstacks(lua_State* L, void* ud) {
  StkId max = *(StkId*)ud;
  int used = (int)(L->ci - L->base_ci);
  if (4 * used < L->size_ci && 2 * BASIC_CI_SIZE < L->size_ci) luaD_reallocCI(L, L->size_ci / 2);
  used = (int)(max - L->stack);
  if (4 * used < L->stacksize && 2 * (BASIC_STACK_SIZE + EXTRA_STACK) < L->stacksize)
    luaD_reallocstack(L, L->stacksize / 2);
}

// The smaller arrays are allocated on the traversed thread, which may be a suspended coroutine
// with no error recovery of its own; and an error in the middle of marking would leave marks
// behind. A shrink the allocator refuses is skipped: the thread keeps its larger arrays.
static void checkstacksizes(lua_State* L, StkId max) {
  luaD_rawrunprotected(L, shrinkstacks, &max);
}

static void traversestack(GCState* st, lua_State* L1) {
  markobject(st, gt(L1));
  if (L1->stack == nullptr || L1->base_ci == nullptr) return;  // a thread whose creation failed
  StkId lim = L1->top;
  for (CallInfo* ci = L1->base_ci; ci <= L1->ci; ci++) {
    if (lim < ci->top) lim = ci->top;
    if (ci->func) markvalue(st, ci->func);
  }
  StkId o;
  for (o = L1->stack; o < L1->top; o++) markobject(st, o);
  for (; o <= lim; o++) setnilvalue(o);
  checkstacksizes(L1, lim);
}

static void propagatemarks(GCState* st) {
  while (st->tmark) {
    switch (st->tmark->gch.tt) {
      case LUA_TTABLE: {
        Table* h = gcotoh(st->tmark);
        st->tmark = h->gclist;
        traversetable(st, h);
        break;
      }
      case LUA_TFUNCTION: {
        Closure* cl = gcotocl(st->tmark);
        st->tmark = cl->c.gclist;
        traverseclosure(st, cl);
        break;
      }
      case LUA_TTHREAD: {
        lua_State* th = gcototh(st->tmark);
        st->tmark = th->gclist;
        traversestack(st, th);
        break;
      }
      case LUA_TPROTO: {
        Proto* p = gcotop(st->tmark);
        st->tmark = p->gclist;
        traverseproto(st, p);
        break;
      }
      default: st->tmark = nullptr; break;
    }
  }
}

static int valismarked(const TObject* o) {
  if (ttisstring(o) || ttiswstring(o)) stringmark(tsvalue(o));  // strings are never weak
  return !iscollectable(o) || testbit(o->value.gc->gch.marked, 0);
}

static void cleartablekeys(GCObject* l) {
  while (l) {
    Table* h = gcotoh(l);
    int i = sizenode(h);
    while (i--) {
      Node* n = gnode(h, i);
      if (!ttisnil(gval(n)) && !valismarked(gkey(n))) removekey(n);
    }
    l = h->gclist;
  }
}

static void cleartablevalues(GCObject* l) {
  while (l) {
    Table* h = gcotoh(l);
    h->border = 0;  // values may be cleared below
    int i = h->sizearray;
    while (i--) {
      TObject* o = &h->array[i];
      if (!valismarked(o)) setnilvalue(o);
    }
    i = sizenode(h);
    while (i--) {
      Node* n = gnode(h, i);
      if (!ttisnil(gval(n)) && !valismarked(gval(n))) removekey(n);
    }
    l = h->gclist;
  }
}

static void freeobj(lua_State* L, GCObject* o) {
  switch (o->gch.tt) {
    case LUA_TPROTO: luaF_freeproto(L, gcotop(o)); break;
    case LUA_TFUNCTION: luaF_freeclosure(L, gcotocl(o)); break;
    case LUA_TUPVAL: luaM_freelem(L, gcotouv(o)); break;
    case LUA_TTABLE: luaH_free(L, gcotoh(o)); break;
    case LUA_TTHREAD: luaE_freethread(L, gcototh(o)); break;
    case LUA_TSTRING: luaM_free(L, o, sizestring(gcotots(o)->tsv.len)); break;
    case LUA_TWSTRING: luaM_free(L, o, sizewstring(gcotots(o)->tsv.len)); break;
    case LUA_TUSERDATA: luaM_free(L, o, sizeudata(gcotou(o)->uv.len)); break;
    default: break;
  }
}

// Frees every object that is not marked (all: every object); weak-mode and finalizer bits do
// not keep an object alive.
static int sweeplist(lua_State* L, GCObject** p, int all) {
  GCObject* curr;
  int count = 0;
  while ((curr = *p) != nullptr) {
    if (!all && ismarked(curr)) {
      unmark(curr);
      p = &curr->gch.next;
    } else {
      count++;
      *p = curr->gch.next;
      freeobj(L, curr);
    }
  }
  return count;
}

static void sweepstrings(lua_State* L, int all) {
  for (int i = 0; i < G(L)->strt.size; i++)
    G(L)->strt.nuse -= (lu_int32)sweeplist(L, &G(L)->strt.hash[i], all);
}

static void checkSizes(lua_State* L, size_t deadmem) {
  global_State* g = G(L);
  if (g->strt.nuse < (lu_int32)(g->strt.size / 4) && g->strt.size > MINSTRTABSIZE * 2)
    luaS_resize(L, g->strt.size / 2);
  if (luaZ_sizebuffer(&g->buff) > LUA_MINBUFFER * 2) {
    size_t newsize = luaZ_sizebuffer(&g->buff) / 2;
    luaZ_resizebuffer(L, &g->buff, newsize);
  }
  g->GCthreshold = 2 * g->nblocks - deadmem;
}

static void do1gcTM(lua_State* L, Udata* udata) {
  if (udata->uv.metatable == nullptr) return;
  const TObject* tm = fasttm(L, udata->uv.metatable, TM_GC);
  if (tm != nullptr && ttisfunction(tm)) {
    setobj2s(L->top, tm);
    setuvalue(L->top + 1, udata);
    L->top += 2;
    luaD_call(L, L->top - 2, 0);
  }
}

void luaC_callGCTM(lua_State* L) {
  luaD_checkstack(L, 3);
  L->top++;  // keeps the userdata alive while its finalizer runs
  while (G(L)->tmudata != nullptr) {
    GCObject* o = G(L)->tmudata;
    Udata* udata = gcotou(o);
    G(L)->tmudata = udata->uv.next;
    udata->uv.next = G(L)->rootudata;
    G(L)->rootudata = o;
    setuvalue(L->top - 1, udata);
    unmark(o);
    markfinalized(udata);
    do1gcTM(L, udata);
  }
  L->top--;
}

void luaC_sweep(lua_State* L, int all) {
  sweeplist(L, &G(L)->rootudata, all);
  sweepstrings(L, all);
  sweeplist(L, &G(L)->rootgc, all);
}

static void markroot(GCState* st, lua_State* L) {
  global_State* g = st->g;
  markobject(st, defaultmeta(L));
  for (int i = 0; i < NUM_TYPETAGS; i++) markobject(st, &g->typemt[i]);
  markobject(st, registry(L));
  traversestack(st, g->mainthread);
  if (L != g->mainthread) markvalue(st, L);
}

static size_t mark(lua_State* L) {
  GCState st;
  st.g = G(L);
  st.tmark = nullptr;
  st.wkv = st.wk = st.wv = nullptr;
  markroot(&st, L);
  propagatemarks(&st);
  cleartablevalues(st.wkv);
  cleartablevalues(st.wv);
  GCObject* wkv = st.wkv;  // keys are cleared after the pending userdata were marked
  st.wkv = nullptr;
  st.wv = nullptr;
  size_t deadmem = luaC_separateudata(L);
  marktmu(&st);
  propagatemarks(&st);
  cleartablekeys(wkv);
  // Tables reached only from pending userdata are cleared too.
  cleartablekeys(st.wk);
  cleartablevalues(st.wv);
  cleartablekeys(st.wkv);
  cleartablevalues(st.wkv);
  return deadmem;
}

void luaC_collectgarbage(lua_State* L) {
  size_t deadmem = mark(L);
  luaC_sweep(L, 0);
  checkSizes(L, deadmem);
  luaC_callGCTM(L);
}

void luaC_link(lua_State* L, GCObject* o, lu_byte tt) {
  o->gch.next = G(L)->rootgc;
  G(L)->rootgc = o;
  o->gch.marked = 0;
  o->gch.tt = tt;
}
