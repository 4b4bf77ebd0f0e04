// The native interface: stack access for native code (index resolution with pseudo-indices
// and the integer-key registry index), pushes that grow the stack when needed, table and
// metatable access, calls, loading, coroutines and the collector controls.
#include <cstring>

#include "script/LuaApi.h"
#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaDump.h"
#include "script/LuaFunc.h"
#include "script/LuaGc.h"
#include "script/LuaMem.h"
#include "script/LuaObject.h"
#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"
#include "script/LuaVm.h"

// A push beyond the frame's guaranteed slots grows the stack instead of writing past it.
#define api_incr_top(L)                                                           \
  {                                                                               \
    L->top++;                                                                     \
    if (L->top >= L->ci->top && L->stack_last - L->top < 1) luaD_growstack(L, 1); \
  }

static TObject* negindex(lua_State* L, int idx) {
  if (idx > LUA_REGISTRYINDEX) return L->top + idx;
  if (idx == LUA_REGISTRYINDEX) return registry(L);
  if (idx == LUA_GLOBALSINDEX) return gt(L);
  if (idx < LUA_REGINTINDEX) {
    // Read only: the value stored in the registry under an integer key.
    return (TObject*)luaH_getnum(hvalue(registry(L)), LUA_REGINTINDEX - idx);
  }
  Closure* func = L->ci->func;
  idx = LUA_GLOBALSINDEX - idx;
  if (!func || !func->c.isC) return nullptr;
  return (idx <= func->c.nupvalues) ? &func->c.upvalue[idx - 1] : nullptr;
}

static TObject* luaA_index(lua_State* L, int idx) {
  if (idx > 0) return L->base + idx - 1;
  TObject* o = negindex(L, idx);
  return o ? o : (TObject*)&luaO_nilobject;
}

static TObject* luaA_indexAcceptable(lua_State* L, int idx) {
  if (idx > 0) {
    TObject* o = L->base + (idx - 1);
    if (o >= L->top) return nullptr;
    return o;
  }
  return negindex(L, idx);
}

void luaA_pushobject(lua_State* L, const TObject* o) {
  setobj2s(L->top, o);
  api_incr_top(L);
}

int lua_checkstack(lua_State* L, int size) {
  if (size < 0 || (L->top - L->base + size) > LUA_MAXCSTACK) return 0;
  luaD_checkstack(L, size);
  if (L->ci->top < L->top + size) L->ci->top = L->top + size;
  return 1;
}

void lua_xmove(lua_State* from, lua_State* to, int n) {
  from->top -= n;
  for (int i = 0; i < n; i++) {
    setobj2s(to->top, from->top + i);
    api_incr_top(to);
  }
}

lua_State* lua_newthread(lua_State* L) {
  luaC_checkGC(L);
  lua_State* L1 = luaE_newthread(L);
  setthvalue(L->top, L1);
  api_incr_top(L);
  return L1;
}

int lua_gettop(lua_State* L) { return (int)(L->top - L->base); }

void lua_settop(lua_State* L, int idx) {
  if (idx >= 0) {
    while (L->top < L->base + idx) setnilvalue(L->top++);
    L->top = L->base + idx;
  } else {
    L->top += idx + 1;
  }
}

void lua_remove(lua_State* L, int idx) {
  StkId p = luaA_index(L, idx);
  while (++p < L->top) setobjs2s(p - 1, p);
  L->top--;
}

void lua_insert(lua_State* L, int idx) {
  StkId p = luaA_index(L, idx);
  for (StkId q = L->top; q > p; q--) setobjs2s(q, q - 1);
  setobjs2s(p, L->top);
}

void lua_replace(lua_State* L, int idx) {
  if (idx < LUA_REGINTINDEX) {
    // Integer-key registry slots are written raw; the shared nil value is never written.
    setobj2t(luaH_setnum(L, hvalue(registry(L)), LUA_REGINTINDEX - idx), L->top - 1);
  } else {
    TObject* o = luaA_index(L, idx);
    if (o != &luaO_nilobject) setobj(o, L->top - 1);
  }
  L->top--;
}

void lua_pushvalue(lua_State* L, int idx) {
  setobj2s(L->top, luaA_index(L, idx));
  api_incr_top(L);
}

int lua_type(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == nullptr) ? LUA_TNONE : ttype(o);
}

const char* lua_typename(lua_State*, int t) {
  return (t == LUA_TNONE || t < 0 || t > LUA_TWSTRING) ? "no value" : luaT_typenames[t];
}

int lua_iscfunction(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == nullptr) ? 0 : iscfunction(o);
}

int lua_isnumber(lua_State* L, int idx) {
  TObject n;
  const TObject* o = luaA_indexAcceptable(L, idx);
  return (o != nullptr && tonumber(o, &n));
}

int lua_isstring(lua_State* L, int idx) {
  int t = lua_type(L, idx);
  return (t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING);
}

int lua_isuserdata(lua_State* L, int idx) {
  const TObject* o = luaA_indexAcceptable(L, idx);
  return (o != nullptr && (ttisuserdata(o) || ttislightuserdata(o)));
}

int lua_rawequal(lua_State* L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == nullptr || o2 == nullptr) ? 0 : luaO_rawequalObj(o1, o2);
}

int lua_lessthan(lua_State* L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == nullptr || o2 == nullptr) ? 0 : luaV_lessthan(L, o1, o2);
}

lua_Number lua_tonumber(lua_State* L, int idx) {
  TObject n;
  const TObject* o = luaA_indexAcceptable(L, idx);
  if (o != nullptr && tonumber(o, &n)) return nvalue(o);
  return 0;
}

int lua_toboolean(lua_State* L, int idx) {
  const TObject* o = luaA_indexAcceptable(L, idx);
  return (o != nullptr) && !l_isfalse(o);
}

const char* lua_tostring(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == nullptr) return nullptr;
  if (ttisstring(o)) return svalue(o);
  if (!luaV_tostring(L, o)) return nullptr;
  const char* s = svalue(o);
  luaC_checkGC(L);
  return s;
}

const uint16_t* lua_towstring(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == nullptr) return nullptr;
  if (ttiswstring(o)) return wsvalue(o);
  if (!luaV_towstring(L, o)) return nullptr;
  const uint16_t* s = wsvalue(o);
  luaC_checkGC(L);
  return s;
}

size_t lua_strlen(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == nullptr) return 0;
  if (ttisstring(o) || ttiswstring(o)) return tsvalue(o)->tsv.len;
  return luaV_tostring(L, o) ? tsvalue(o)->tsv.len : 0;
}

void* lua_touserdata(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == nullptr) return nullptr;
  switch (ttype(o)) {
    case LUA_TUSERDATA: {
      Udata* u = uvalue(o);
      if (isboxedpointer(u)) {
        void* p;
        memcpy(&p, u + 1, sizeof(void*));
        return p;
      }
      return u + 1;
    }
    case LUA_TLIGHTUSERDATA: return pvalue(o);
    default: return nullptr;
  }
}

lua_State* lua_tothread(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == nullptr || !ttisthread(o)) ? nullptr : thvalue(o);
}

const void* lua_topointer(lua_State* L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == nullptr) return nullptr;
  switch (ttype(o)) {
    case LUA_TTABLE: return hvalue(o);
    case LUA_TFUNCTION: return clvalue(o);
    case LUA_TTHREAD: return thvalue(o);
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: return lua_touserdata(L, idx);
    default: return nullptr;
  }
}

void lua_pushnil(lua_State* L) {
  setnilvalue(L->top);
  api_incr_top(L);
}

void lua_pushnumber(lua_State* L, lua_Number n) {
  setnvalue(L->top, n);
  api_incr_top(L);
}

void lua_pushlstring(lua_State* L, const char* s, size_t len) {
  luaC_checkGC(L);
  setsvalue2s(L->top, luaS_newlstr(L, len ? s : "", len));
  api_incr_top(L);
}

void lua_pushstring(lua_State* L, const char* s) {
  if (s == nullptr)
    lua_pushnil(L);
  else
    lua_pushlstring(L, s, strlen(s));
}

size_t WideStrLen(const uint16_t* s) {
  size_t n = 0;
  while (s[n] != 0) n++;
  return n;
}

void lua_pushlwstring(lua_State* L, const uint16_t* s, size_t n) {
  static const uint16_t empty[1] = {0};
  luaC_checkGC(L);
  setwsvalue2s(L->top, luaS_newwstr(L, n ? s : empty, n));
  api_incr_top(L);
}

void lua_pushwstring(lua_State* L, const uint16_t* s) {
  if (s == nullptr)
    lua_pushnil(L);
  else
    lua_pushlwstring(L, s, WideStrLen(s));
}

const char* lua_pushvfstring(lua_State* L, const char* fmt, va_list argp) {
  luaC_checkGC(L);
  return luaO_pushvfstring(L, fmt, argp);
}

const char* lua_pushfstring(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaC_checkGC(L);
  const char* ret = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return ret;
}

void lua_pushcclosure(lua_State* L, lua_CFunction fn, int n) {
  luaC_checkGC(L);
  Closure* cl = luaF_newCclosure(L, n);
  cl->c.f = fn;
  L->top -= n;
  while (n--) setobj2n(&cl->c.upvalue[n], L->top + n);
  setclvalue(L->top, cl);
  api_incr_top(L);
}

void lua_pushboolean(lua_State* L, int b) {
  setbvalue(L->top, (b != 0));
  api_incr_top(L);
}

void lua_pushlightuserdata(lua_State* L, void* p) {
  setpvalue(L->top, p);
  api_incr_top(L);
}

void lua_pushboxedpointer(lua_State* L, void* p) {
  luaC_checkGC(L);
  Udata* u = luaS_newboxed(L, p);
  setuvalue(L->top, u);
  api_incr_top(L);
}

void lua_gettable(lua_State* L, int idx) {
  StkId t = luaA_index(L, idx);
  setobj2s(L->top - 1, luaV_gettable(L, t, L->top - 1, 0));
}

void lua_rawget(lua_State* L, int idx) {
  StkId t = luaA_index(L, idx);
  if (!ttistable(t)) {
    setnilvalue(L->top - 1);
    return;
  }
  setobj2s(L->top - 1, luaH_get(hvalue(t), L->top - 1));
}

void lua_rawgeti(lua_State* L, int idx, int n) {
  StkId o = luaA_index(L, idx);
  if (ttistable(o)) {
    setobj2s(L->top, luaH_getnum(hvalue(o), n));
  } else {
    setnilvalue(L->top);
  }
  api_incr_top(L);
}

void lua_newtable(lua_State* L) {
  luaC_checkGC(L);
  sethvalue(L->top, luaH_new(L, 0, 0));
  api_incr_top(L);
}

int lua_getmetatable(lua_State* L, int objindex) {
  const TObject* obj = luaA_indexAcceptable(L, objindex);
  Table* mt = obj ? luaT_getmetatable(L, obj) : nullptr;
  if (mt == nullptr) return 0;
  sethvalue(L->top, mt);
  api_incr_top(L);
  return 1;
}

void lua_getfenv(lua_State* L, int idx) {
  StkId o = luaA_index(L, idx);
  setobj2s(L->top, isLfunction(o) ? &clvalue(o)->l.g : gt(L));
  api_incr_top(L);
}

void lua_pushtypetable(lua_State* L, int tag) {
  if (tag >= 1 && tag < NUM_TYPETAGS) {
    setobj2s(L->top, &G(L)->typemt[tag]);
  } else {
    setnilvalue(L->top);
  }
  api_incr_top(L);
}

void lua_settypetable(lua_State* L, int tag) {
  if (tag >= 1 && tag < NUM_TYPETAGS && ttistable(L->top - 1))
    setobj(&G(L)->typemt[tag], L->top - 1);
  L->top--;
}

int lua_getmaxn(lua_State* L, int idx) {
  StkId o = luaA_index(L, idx);
  if (!ttistable(o)) return 0;
  Table* t = hvalue(o);
  const TObject* n = luaH_getstr(t, luaS_newliteral(L, "n"));
  if (ttisnumber(n)) return lua_number2int32(nvalue(n));
  lua_Number maxn = 0;
  for (int i = t->sizearray; i > 0; i--) {
    if (!ttisnil(&t->array[i - 1])) {
      maxn = i;
      break;
    }
  }
  if (t->node != G(L)->dummynode) {
    for (int i = 0; i < sizenode(t); i++) {
      Node* nd = gnode(t, i);
      if (!ttisnil(gval(nd)) && ttisnumber(gkey(nd)) && nvalue(gkey(nd)) > maxn)
        maxn = nvalue(gkey(nd));
    }
  }
  return lua_number2int32(maxn);
}

void lua_settable(lua_State* L, int idx) {
  StkId t = luaA_index(L, idx);
  luaV_settable(L, t, L->top - 2, L->top - 1);
  L->top -= 2;
}

void lua_rawset(lua_State* L, int idx) {
  StkId t = luaA_index(L, idx);
  if (ttistable(t)) setobj2t(luaH_set(L, hvalue(t), L->top - 2), L->top - 1);
  L->top -= 2;
}

void lua_rawseti(lua_State* L, int idx, int n) {
  StkId o = luaA_index(L, idx);
  if (ttistable(o)) setobj2t(luaH_setnum(L, hvalue(o), n), L->top - 1);
  L->top--;
}

int lua_setmetatable(lua_State* L, int objindex) {
  TObject* obj = luaA_index(L, objindex);
  TObject* mtv = L->top - 1;
  int res = 1;
  // nil gives the value back the metatable a new value of its type starts with.
  Table* mt = ttistable(mtv) ? hvalue(mtv) : nullptr;
  switch (ttype(obj)) {
    case LUA_TTABLE: hvalue(obj)->metatable = mt ? mt : hvalue(&G(L)->typemt[LUA_TTABLE]); break;
    case LUA_TUSERDATA:
      uvalue(obj)->uv.metatable = mt ? mt : hvalue(&G(L)->typemt[LUA_TUSERDATA]);
      break;
    default: res = 0; break;
  }
  L->top--;
  return res;
}

int lua_setfenv(lua_State* L, int idx) {
  StkId o = luaA_index(L, idx);
  L->top--;
  if (isLfunction(o) && ttistable(L->top)) {
    clvalue(o)->l.g = *(L->top);
    return 1;
  }
  return 0;
}

void lua_call(lua_State* L, int nargs, int nresults) {
  StkId func = L->top - (nargs + 1);
  luaD_call(L, func, nresults);
}

namespace {
struct CallS {
  StkId func;
  int nresults;
};
}  // namespace

static void f_call(lua_State* L, void* ud) {
  CallS* c = (CallS*)ud;
  luaD_call(L, c->func, c->nresults);
}

int lua_pcall(lua_State* L, int nargs, int nresults, int errfunc) {
  ptrdiff_t func = (errfunc == 0) ? 0 : savestack(L, luaA_index(L, errfunc));
  CallS c;
  c.func = L->top - (nargs + 1);
  c.nresults = nresults;
  return luaD_pcall(L, f_call, &c, savestack(L, c.func), func);
}

int lua_load(lua_State* L, lua_Chunkreader reader, void* data, const char* chunkname) {
  if (!chunkname) chunkname = "?";
  ZIO z;
  luaZ_init(&z, reader, data, chunkname);
  int c = luaZ_lookahead(&z);
  return luaD_protectedparser(L, &z, (c == 27));  // ESC starts a precompiled chunk
}

int lua_dump(lua_State* L, lua_Chunkwriter writer, void* data) {
  TObject* o = L->top - 1;
  if (isLfunction(o) && clvalue(o)->l.nupvalues == 0) {
    // A writer that failed makes the whole dump fail: the chunk it received is incomplete.
    return luaU_dump(L, clvalue(o)->l.p, writer, data) == 0 ? 1 : 0;
  }
  return 0;
}

int lua_getgcthreshold(lua_State* L) { return (int)(G(L)->GCthreshold >> 10); }

int lua_getgccount(lua_State* L) { return (int)(G(L)->nblocks >> 10); }

void lua_setgcthreshold(lua_State* L, int newthreshold) {
  if (newthreshold < 0 || (lu_mem)newthreshold > (MAX_LUMEM >> 10))
    G(L)->GCthreshold = MAX_LUMEM;
  else
    G(L)->GCthreshold = (lu_mem)newthreshold << 10;
  luaC_checkGC(L);
}

int lua_error(lua_State* L) { luaG_errormsg(L); }

int lua_next(lua_State* L, int idx) {
  StkId t = luaA_index(L, idx);
  int more = ttistable(t) ? luaH_next(L, hvalue(t), L->top - 1) : 0;
  if (more) {
    api_incr_top(L);
  } else {
    L->top -= 1;
  }
  return more;
}

void lua_concat(lua_State* L, int n) {
  if (n >= 2) {
    luaC_checkGC(L);
    luaV_concat(L, n, (int)(L->top - L->base) - 1);
    L->top -= (n - 1);
  } else if (n == 0) {
    setsvalue2s(L->top, luaS_newlstr(L, "", 0));
    api_incr_top(L);
  }
}

void* lua_newuserdata(lua_State* L, size_t size) {
  luaC_checkGC(L);
  Udata* u = luaS_newudata(L, size);
  setuvalue(L->top, u);
  api_incr_top(L);
  return u + 1;
}
