// The virtual machine: the register-based interpreter loop (one loop that continues into
// called Lua functions and back), and the value operations it needs: indexing through
// metamethods and per-type metatables, conversions, comparisons, arithmetic and concatenation.
#include "script/LuaVm.h"

#include <cstdio>
#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaGc.h"
#include "script/LuaMem.h"
#include "script/LuaOpcodes.h"
#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"

// Longest chain of __index / __newindex tables followed.
#define MAXTAGLOOP 100

const TObject* luaV_tonumber(const TObject* obj, TObject* n) {
  lua_Number num;
  if (ttisnumber(obj)) return obj;
  if (ttisstring(obj) && luaO_str2d(svalue(obj), &num)) {
    setnvalue(n, num);
    return n;
  }
  if (ttiswstring(obj) && luaO_wstr2d(wsvalue(obj), &num)) {
    setnvalue(n, num);
    return n;
  }
  return nullptr;
}

int luaV_tostring(lua_State* L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  lua_number2str(s, nvalue(obj));
  setsvalue2s(obj, luaS_new(L, s));
  return 1;
}

int luaV_towstring(lua_State* L, TObject* obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  lua_number2str(s, nvalue(obj));
  lua_WChar w[32];
  size_t n = strlen(s);
  for (size_t i = 0; i < n; i++) w[i] = (lua_WChar)(unsigned char)s[i];
  setwsvalue2s(obj, luaS_newwstr(L, w, n));
  return 1;
}

static void callTMres(lua_State* L, const TObject* f, const TObject* p1, const TObject* p2) {
  setobj2s(L->top, f);
  setobj2s(L->top + 1, p1);
  setobj2s(L->top + 2, p2);
  luaD_checkstack(L, 3);  // after the copies: growing could move p1 and p2
  L->top += 3;
  luaD_call(L, L->top - 3, 1);
  L->top--;  // the result stays at L->top
}

static void callTM(lua_State* L, const TObject* f, const TObject* p1, const TObject* p2,
                   const TObject* p3) {
  setobj2s(L->top, f);
  setobj2s(L->top + 1, p1);
  setobj2s(L->top + 2, p2);
  setobj2s(L->top + 3, p3);
  luaD_checkstack(L, 4);
  L->top += 4;
  luaD_call(L, L->top - 4, 0);
}

// Raw read of a table: integer keys of the array part and string keys inline, the rest through
// the general lookup.
static inline const TObject* RawGet(Table* h, const TObject* key) {
  if (ttisstring(key)) return luaH_getstr(h, tsvalue(key));
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= (lua_Number)h->sizearray) {
      int k = (int)n;
      if ((lua_Number)k == n) return &h->array[k - 1];
    }
  }
  return luaH_get(h, key);
}

static const TObject* luaV_index(lua_State* L, const TObject* t, TObject* key, int loop) {
  const TObject* tm = fasttm(L, hvalue(t)->metatable, TM_INDEX);
  if (tm == nullptr) return &luaO_nilobject;
  if (ttisfunction(tm)) {
    callTMres(L, tm, t, key);
    return L->top;
  }
  return luaV_gettable(L, tm, key, loop);
}

static const TObject* luaV_getnotable(lua_State* L, const TObject* t, TObject* key, int loop) {
  const TObject* tm = luaT_gettmbyobj(L, t, TM_INDEX);
  TObject mtv;
  if (ttisnil(tm)) {
    // No __index: a value's metatable itself serves as its index table.
    Table* mt = luaT_getmetatable(L, t);
    if (mt == nullptr) luaG_typeerror(L, t, "index");
    sethvalue(&mtv, mt);
    tm = &mtv;
  }
  if (ttisfunction(tm)) {
    callTMres(L, tm, t, key);
    return L->top;
  }
  return luaV_gettable(L, tm, key, loop);
}

const TObject* luaV_gettable(lua_State* L, const TObject* t, TObject* key, int loop) {
  if (loop > MAXTAGLOOP) luaG_runerror(L, "loop in gettable");
  if (ttistable(t)) {
    const TObject* v = RawGet(hvalue(t), key);
    if (!ttisnil(v)) return v;
    return luaV_index(L, t, key, loop + 1);
  }
  return luaV_getnotable(L, t, key, loop + 1);
}

void luaV_settable(lua_State* L, const TObject* t, TObject* key, StkId val) {
  const TObject* tm;
  int loop = 0;
  do {
    if (ttistable(t)) {
      Table* h = hvalue(t);
      TObject* oldval = luaH_set(L, h, key);
      if (!ttisnil(oldval) || (tm = fasttm(L, h->metatable, TM_NEWINDEX)) == nullptr) {
        setobj2t(oldval, val);
        return;
      }
    } else if (ttisnil(tm = luaT_gettmbyobj(L, t, TM_NEWINDEX))) {
      luaG_typeerror(L, t, "index");
    }
    if (ttisfunction(tm)) {
      callTM(L, tm, t, key, val);
      return;
    }
    t = tm;
  } while (++loop <= MAXTAGLOOP);
  luaG_runerror(L, "loop in settable");
}

static int call_binTM(lua_State* L, const TObject* p1, const TObject* p2, StkId res, TMS event) {
  ptrdiff_t result = savestack(L, res);
  const TObject* tm = luaT_gettmbyobj(L, p1, event);
  // A plain first operand answers with its type table, which is no function; the second
  // operand's handler must still be found then.
  if (!ttisfunction(tm)) tm = luaT_gettmbyobj(L, p2, event);
  if (!ttisfunction(tm)) return 0;
  callTMres(L, tm, p1, p2);
  res = restorestack(L, result);
  setobjs2s(res, L->top);
  return 1;
}

static const TObject* get_compTM(lua_State* L, Table* mt1, Table* mt2, TMS event) {
  if (mt1 == nullptr || mt2 == nullptr) return nullptr;
  const TObject* tm1 = fasttm(L, mt1, event);
  if (tm1 == nullptr) return nullptr;
  if (mt1 == mt2) return tm1;
  const TObject* tm2 = fasttm(L, mt2, event);
  if (tm2 == nullptr) return nullptr;
  if (luaO_rawequalObj(tm1, tm2)) return tm1;
  return nullptr;
}

static int call_orderTM(lua_State* L, const TObject* p1, const TObject* p2, TMS event) {
  const TObject* tm1 = luaT_gettmbyobj(L, p1, event);
  if (ttisnil(tm1)) return -1;
  const TObject* tm2 = luaT_gettmbyobj(L, p2, event);
  if (!luaO_rawequalObj(tm1, tm2)) return -1;
  callTMres(L, tm1, p1, p2);
  return !l_isfalse(L->top);
}

// strcoll segment by segment between embedded zero bytes.
static int luaV_strcmp(const TString* ls, const TString* rs) {
  const char* l = getstr(ls);
  size_t ll = ls->tsv.len;
  const char* r = getstr(rs);
  size_t lr = rs->tsv.len;
  for (;;) {
    int temp = strcoll(l, r);
    if (temp != 0) return temp;
    size_t len = strlen(l);
    if (len == lr) return (len == ll) ? 0 : 1;
    if (len == ll) return -1;
    len++;
    l += len;
    ll -= len;
    r += len;
    lr -= len;
  }
}

int luaV_lessthan(lua_State* L, const TObject* l, const TObject* r) {
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) < nvalue(r);
  if (ttisstring(l)) return luaV_strcmp(tsvalue(l), tsvalue(r)) < 0;
  int res = call_orderTM(L, l, r, TM_LT);
  if (res != -1) return res;
  luaG_ordererror(L, l, r);
}

int luaV_lessequal(lua_State* L, const TObject* l, const TObject* r) {
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) <= nvalue(r);
  if (ttisstring(l)) return luaV_strcmp(tsvalue(l), tsvalue(r)) <= 0;
  int res = call_orderTM(L, l, r, TM_LE);
  if (res != -1) return res;
  res = call_orderTM(L, r, l, TM_LT);
  if (res != -1) return !res;
  luaG_ordererror(L, l, r);
}

int luaV_equalObj(lua_State* L, const TObject* t1, const TObject* t2) {
  const TObject* tm;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    case LUA_TUSERDATA:
      if (uvalue(t1) == uvalue(t2)) return 1;
      tm = get_compTM(L, uvalue(t1)->uv.metatable, uvalue(t2)->uv.metatable, TM_EQ);
      break;
    case LUA_TTABLE:
      if (hvalue(t1) == hvalue(t2)) return 1;
      tm = get_compTM(L, hvalue(t1)->metatable, hvalue(t2)->metatable, TM_EQ);
      break;
    default: return gcvalue(t1) == gcvalue(t2);
  }
  if (tm == nullptr) return 0;
  callTMres(L, tm, t1, t2);
  return !l_isfalse(L->top);
}

static int ToText(lua_State* L, StkId o, int wide) {
  if (wide) return ttiswstring(o) || luaV_towstring(L, o);
  return ttisstring(o) || luaV_tostring(L, o);
}

void luaV_concat(lua_State* L, int total, int last) {
  // The rightmost text operand decides whether this is a narrow or a wide concatenation.
  int wide = 0;
  for (int j = 0; j < total; j++) {
    StkId o = L->base + last - j;
    if (ttisstring(o)) break;
    if (ttiswstring(o)) {
      wide = 1;
      break;
    }
  }
  do {
    StkId top = L->base + last + 1;
    int n = 2;  // operands handled in this pass
    if (!ToText(L, top - 2, wide) || !ToText(L, top - 1, wide)) {
      if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT))
        luaG_concaterror(L, top - 2, top - 1);
    } else if (tsvalue(top - 1)->tsv.len == 0) {
      // the result is the left operand, converted
    } else {
      lu_mem tl = (lu_mem)tsvalue(top - 1)->tsv.len + (lu_mem)tsvalue(top - 2)->tsv.len;
      while (n < total && ToText(L, top - n - 1, wide)) {
        tl += tsvalue(top - n - 1)->tsv.len;
        n++;
      }
      if (tl > 4294967293u) luaG_runerror(L, "string size overflow");
      size_t unit = wide ? sizeof(lua_WChar) : 1;
      // The scratch buffer keeps its size (the collector counts it) even where a narrow result
      // is built straight into the new string.
      char* buffer = luaZ_openspace(L, &G(L)->buff, tl * unit);
      top = L->base + last + 1;  // a finalizer cannot run here, but stay safe after allocation
      if (wide) {
        size_t pos = 0;
        for (int i = n; i > 0; i--) {
          size_t l = tsvalue(top - i)->tsv.len;
          memcpy(buffer + pos * unit, (const char*)(tsvalue(top - i) + 1), l * unit);
          pos += l;
        }
        setwsvalue2s(top - n, luaS_newwstr(L, (const lua_WChar*)buffer, pos));
      } else {
        TString* ts = luaS_newconcat(L, top - n, n, (size_t)tl);
        setsvalue2s(top - n, ts);
      }
    }
    total -= n - 1;
    last -= n - 1;
  } while (total > 1);
}

static void Arith(lua_State* L, StkId ra, const TObject* rb, const TObject* rc, TMS op) {
  TObject tempb, tempc;
  const TObject *b, *c;
  if ((b = luaV_tonumber(rb, &tempb)) != nullptr && (c = luaV_tonumber(rc, &tempc)) != nullptr) {
    switch (op) {
      case TM_ADD: setnvalue(ra, nvalue(b) + nvalue(c)); break;
      case TM_SUB: setnvalue(ra, nvalue(b) - nvalue(c)); break;
      case TM_MUL: setnvalue(ra, nvalue(b) * nvalue(c)); break;
      case TM_DIV: setnvalue(ra, nvalue(b) / nvalue(c)); break;
      case TM_POW: {
        const TObject* f =
            ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), G(L)->tmname[TM_POW]) : &luaO_nilobject;
        ptrdiff_t res = savestack(L, ra);
        if (!ttisfunction(f)) luaG_runerror(L, "`__pow' (`^' operator) is not a function");
        TObject bv = *b, cv = *c;
        callTMres(L, f, &bv, &cv);
        ra = restorestack(L, res);
        setobjs2s(ra, L->top);
        break;
      }
      default: break;
    }
  } else if (!call_binTM(L, rb, rc, ra, op)) {
    luaG_aritherror(L, rb, rc);
  }
}

// Bitwise operands: truncated toward zero to 64 bits, low 32 bits kept.
static inline uint32_t ToWord(lua_Number d) { return (uint32_t)(uint64_t)lua_number2int64(d); }

static void BitwiseError(lua_State* L, const TObject* rb, const TObject* rc) {
  if (!ttisnumber(rb) && ttisnumber(rc)) luaG_typeerror(L, rb, "perform arithmetic on");
  if (ttisnumber(rb) && !ttisnumber(rc)) luaG_typeerror(L, rc, "perform arithmetic on");
  luaG_aritherror(L, rb, rc);
}

// Raw write to a slot that already exists, when no __newindex can intervene; false sends the
// caller to luaV_settable.
static inline bool FastSet(lua_State* L, Table* h, const TObject* key, const TObject* val) {
  TObject* slot = luaH_fastslot(h, key);
  if (slot == nullptr) return false;
  if (ttisnil(slot) && fasttm(L, h->metatable, TM_NEWINDEX) != nullptr) return false;
  h->flags = 0;  // as luaH_set: the table may serve as a metatable
  setobj2t(slot, val);
  return true;
}

#define RA(i) (base + GETARG_A(i))
#define XRA(i) (L->base + GETARG_A(i))
#define RB(i) (base + GETARG_B(i))
#define RKB(i) ((GETARG_B(i) < MAXSTACK) ? RB(i) : k + GETARG_B(i) - MAXSTACK)
#define RC(i) (base + GETARG_C(i))
#define RKC(i) ((GETARG_C(i) < MAXSTACK) ? RC(i) : k + GETARG_C(i) - MAXSTACK)
#define KBx(i) (k + GETARG_Bx(i))
#define dojump(pc, i) ((pc) += (i))

StkId luaV_execute(lua_State* L) {
  static void* const disptab[64] = {
      &&L_OP_MOVE,      &&L_OP_LOADK,    &&L_OP_LOADBOOL,  &&L_OP_LOADNIL,  &&L_OP_GETUPVAL,
      &&L_OP_GETGLOBAL, &&L_OP_GETTABLE, &&L_OP_SETGLOBAL, &&L_OP_SETUPVAL, &&L_OP_SETTABLE,
      &&L_OP_NEWTABLE,  &&L_OP_SELF,     &&L_OP_ADD,       &&L_OP_SUB,      &&L_OP_MUL,
      &&L_OP_DIV,       &&L_OP_BAND,     &&L_OP_BOR,       &&L_OP_SHL,      &&L_OP_SHR,
      &&L_OP_POW,       &&L_OP_UNM,      &&L_OP_NOT,       &&L_OP_CONCAT,   &&L_OP_JMP,
      &&L_OP_EQ,        &&L_OP_LT,       &&L_OP_LE,        &&L_OP_TEST,     &&L_OP_CALL,
      &&L_OP_TAILCALL,  &&L_OP_RETURN,   &&L_OP_FORLOOP,   &&L_OP_TFORLOOP, &&L_OP_TFORPREP,
      &&L_OP_SETLIST,   &&L_OP_SETLISTO, &&L_OP_CLOSE,     &&L_OP_CLOSURE,  &&L_NOP,
      &&L_NOP,          &&L_NOP,         &&L_NOP,          &&L_NOP,         &&L_NOP,
      &&L_NOP,          &&L_NOP,         &&L_NOP,          &&L_NOP,         &&L_NOP,
      &&L_NOP,          &&L_NOP,         &&L_NOP,          &&L_NOP,         &&L_NOP,
      &&L_NOP,          &&L_NOP,         &&L_NOP,          &&L_NOP,         &&L_NOP,
      &&L_NOP,          &&L_NOP,         &&L_NOP,          &&L_NOP};
  LClosure* cl;
  TObject* k;
  const Instruction* pc;
  Instruction i;
  StkId base, ra;

// With no line or count hook set, tracing costs one test of the mask per instruction.
#define vmdispatch()                                               \
  {                                                                \
    i = *pc++;                                                     \
    if (L->hookmask & (LUA_MASKLINE | LUA_MASKCOUNT)) [[unlikely]] \
      goto trace;                                                  \
    base = L->base;                                                \
    ra = RA(i);                                                    \
    goto* disptab[GET_OPCODE(i)];                                  \
  }

callentry:  // a new function
retentry:   // back in a caller
  L->ci->u.l.pc = &pc;
  L->ci->state = CI_HASFRAME;
  pc = L->ci->u.l.savedpc;
  cl = &L->ci->func->l;
  k = cl->p->k;
  vmdispatch();

trace:
  luaG_traceexec(L);  // may move the stack
  base = L->base;
  ra = RA(i);
  goto* disptab[GET_OPCODE(i)];

L_OP_MOVE:
  setobjs2s(ra, RB(i));
  vmdispatch();
L_OP_LOADK:
  setobj2s(ra, KBx(i));
  vmdispatch();
L_OP_LOADBOOL:
  setbvalue(ra, GETARG_B(i));
  if (GETARG_C(i)) pc++;
  vmdispatch();
L_OP_LOADNIL : {
  TObject* rb = RB(i);
  do {
    setnilvalue(rb--);
  } while (rb >= ra);
  vmdispatch();
}
L_OP_GETUPVAL:
  setobj2s(ra, cl->upvals[GETARG_B(i)]->v);
  vmdispatch();
L_OP_GETGLOBAL : {
  TObject* rb = KBx(i);
  if (ttistable(&cl->g)) {
    const TObject* v = luaH_getstr(hvalue(&cl->g), tsvalue(rb));
    if (!ttisnil(v)) {
      setobj2s(ra, v);
    } else {
      const TObject* r = luaV_index(L, &cl->g, rb, 1);
      setobj2s(XRA(i), r);
    }
  } else {
    const TObject* r = luaV_gettable(L, &cl->g, rb, 0);
    setobj2s(XRA(i), r);
  }
  vmdispatch();
}
L_OP_GETTABLE : {
  StkId rb = RB(i);
  TObject* rc = RKC(i);
  if (ttistable(rb)) {
    const TObject* v = RawGet(hvalue(rb), rc);
    if (!ttisnil(v)) {
      setobj2s(ra, v);
    } else {
      const TObject* r = luaV_index(L, rb, rc, 1);
      setobj2s(XRA(i), r);
    }
  } else {
    const TObject* r = luaV_getnotable(L, rb, rc, 1);
    setobj2s(XRA(i), r);
  }
  vmdispatch();
}
L_OP_SETGLOBAL : {
  TObject* rb = KBx(i);
  if (!ttistable(&cl->g) || !FastSet(L, hvalue(&cl->g), rb, ra)) luaV_settable(L, &cl->g, rb, ra);
  vmdispatch();
}
L_OP_SETUPVAL : {
  UpVal* uv = cl->upvals[GETARG_B(i)];
  setobj(uv->v, ra);
  vmdispatch();
}
L_OP_SETTABLE : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (!ttistable(ra) || !FastSet(L, hvalue(ra), rb, rc)) luaV_settable(L, ra, rb, rc);
  vmdispatch();
}
L_OP_NEWTABLE : {
  int b = GETARG_B(i);
  int shift = b >> 3;
  if (shift > MAXBITS) luaG_runerror(L, "table overflow");
  long long narray = (long long)(b & 7) << shift;
  if (narray > (1 << MAXBITS)) luaG_runerror(L, "table overflow");
  sethvalue(ra, luaH_new(L, (int)narray, GETARG_C(i)));
  luaC_checkGC(L);
  vmdispatch();
}
L_OP_SELF : {
  // The object stays in its register so that an index error can name it; the key is copied
  // because a register key could be the slot that receives the object.
  StkId rb = RB(i);
  TObject key = *RKC(i);
  setobjs2s(ra + 1, rb);
  if (ttistable(rb)) {
    const TObject* v = RawGet(hvalue(rb), &key);
    if (!ttisnil(v)) {
      setobj2s(ra, v);
    } else {
      const TObject* r = luaV_index(L, rb, &key, 1);
      setobj2s(XRA(i), r);
    }
  } else {
    const TObject* r = luaV_getnotable(L, rb, &key, 1);
    setobj2s(XRA(i), r);
  }
  vmdispatch();
}
L_OP_ADD : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttisnumber(rb) && ttisnumber(rc)) {
    setnvalue(ra, nvalue(rb) + nvalue(rc));
  } else {
    Arith(L, ra, rb, rc, TM_ADD);
  }
  vmdispatch();
}
L_OP_SUB : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttisnumber(rb) && ttisnumber(rc)) {
    setnvalue(ra, nvalue(rb) - nvalue(rc));
  } else {
    Arith(L, ra, rb, rc, TM_SUB);
  }
  vmdispatch();
}
L_OP_MUL : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttisnumber(rb) && ttisnumber(rc)) {
    setnvalue(ra, nvalue(rb) * nvalue(rc));
  } else {
    Arith(L, ra, rb, rc, TM_MUL);
  }
  vmdispatch();
}
L_OP_DIV : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttisnumber(rb) && ttisnumber(rc)) {
    setnvalue(ra, nvalue(rb) / nvalue(rc));
  } else {
    Arith(L, ra, rb, rc, TM_DIV);
  }
  vmdispatch();
}
#define BITWISE(expr)                                                \
  {                                                                  \
    TObject* rb = RKB(i);                                            \
    TObject* rc = RKC(i);                                            \
    if (!ttisnumber(rb) || !ttisnumber(rc)) BitwiseError(L, rb, rc); \
    uint32_t x = ToWord(nvalue(rb));                                 \
    uint32_t y = ToWord(nvalue(rc));                                 \
    setnvalue(ra, (lua_Number)(uint32_t)(expr));                     \
    vmdispatch();                                                    \
  }
L_OP_BAND:
  BITWISE(x & y);
L_OP_BOR:
  BITWISE(x | y);
L_OP_SHL:
  BITWISE(x << (y & 31));
L_OP_SHR:
  BITWISE(x >> (y & 31));
L_OP_POW : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  if (ttisnumber(rb) && ttisnumber(rc)) {
    setnvalue(ra, (lua_Number)(ToWord(nvalue(rb)) ^ ToWord(nvalue(rc))));
  } else {
    Arith(L, ra, rb, rc, TM_POW);
  }
  vmdispatch();
}
L_OP_UNM : {
  const TObject* rb = RB(i);
  TObject temp;
  if (tonumber(rb, &temp)) {
    setnvalue(ra, -nvalue(rb));
  } else {
    setnilvalue(&temp);
    if (!call_binTM(L, RB(i), &temp, ra, TM_UNM)) luaG_aritherror(L, RB(i), &temp);
  }
  vmdispatch();
}
L_OP_NOT : {
  int res = l_isfalse(RB(i));
  setbvalue(ra, res);
  vmdispatch();
}
L_OP_CONCAT : {
  int b = GETARG_B(i);
  int c = GETARG_C(i);
  luaV_concat(L, c - b + 1, c);  // may move the stack
  base = L->base;
  setobjs2s(RA(i), base + b);
  luaC_checkGC(L);
  vmdispatch();
}
L_OP_JMP:
  dojump(pc, GETARG_sBx(i));
  vmdispatch();
L_OP_EQ : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  int res = (ttisnumber(rb) && ttisnumber(rc)) ? nvalue(rb) == nvalue(rc) : equalobj(L, rb, rc);
  if (res != GETARG_A(i))
    pc++;
  else
    dojump(pc, GETARG_sBx(*pc) + 1);
  vmdispatch();
}
L_OP_LT : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  int res = (ttisnumber(rb) && ttisnumber(rc)) ? nvalue(rb) < nvalue(rc) : luaV_lessthan(L, rb, rc);
  if (res != GETARG_A(i))
    pc++;
  else
    dojump(pc, GETARG_sBx(*pc) + 1);
  vmdispatch();
}
L_OP_LE : {
  TObject* rb = RKB(i);
  TObject* rc = RKC(i);
  int res =
      (ttisnumber(rb) && ttisnumber(rc)) ? nvalue(rb) <= nvalue(rc) : luaV_lessequal(L, rb, rc);
  if (res != GETARG_A(i))
    pc++;
  else
    dojump(pc, GETARG_sBx(*pc) + 1);
  vmdispatch();
}
L_OP_TEST : {
  TObject* rb = RB(i);
  if (l_isfalse(rb) == GETARG_C(i)) {
    pc++;
  } else {
    setobjs2s(ra, rb);
    dojump(pc, GETARG_sBx(*pc) + 1);
  }
  vmdispatch();
}
L_OP_CALL:
L_OP_TAILCALL : {
  int b = GETARG_B(i);
  if (b != 0) L->top = ra + b;  // else the previous instruction set the top
  int nresults = GETARG_C(i) - 1;
  if (ttisfunction(ra) && !clvalue(ra)->c.isC) {
    // The common Lua-to-Lua call, prepared here as luaD_precall would.
    Proto* p = clvalue(ra)->l.p;
    if (!p->is_vararg && L->ci + 1 != L->end_ci &&
        (char*)L->stack_last - (char*)L->top >
            (ptrdiff_t)p->maxstacksize * (ptrdiff_t)sizeof(TObject)) {
      luaD_openluaframe(L, ra + 1, p);
      if (L->hookmask & LUA_MASKCALL) [[unlikely]]
        luaD_hookcall(L);
      goto luacall;
    }
  }
  {
    StkId firstResult = luaD_precall(L, ra);
    if (firstResult) {
      if (firstResult > L->top) {  // the native function yielded
        (L->ci - 1)->u.l.savedpc = pc;
        (L->ci - 1)->state = CI_SAVEDPC;
        return nullptr;
      }
      luaD_poscall(L, nresults, firstResult);
      if (nresults >= 0) L->top = L->ci->top;
      vmdispatch();
    }
  }
luacall:
  if (GET_OPCODE(i) == OP_CALL) {
    (L->ci - 1)->u.l.savedpc = pc;
    (L->ci - 1)->state = (CI_SAVEDPC | CI_CALLING);
  } else {                     // the callee's frame takes the caller's place
    base = (L->ci - 1)->base;  // precall may have moved the stack
    ra = RA(i);
    if (L->openupval && ngcotouv(L->openupval)->v >= base) luaF_close(L, base);
    int aux;
    for (aux = 0; ra + aux < L->top; aux++) setobjs2s(base + aux - 1, ra + aux);
    (L->ci - 1)->top = L->top = base + aux;
    (L->ci - 1)->u.l.savedpc = L->ci->u.l.savedpc;
    (L->ci - 1)->u.l.tailcalls++;
    (L->ci - 1)->func = L->ci->func;
    (L->ci - 1)->state = CI_SAVEDPC;
    L->ci--;
    L->base = L->ci->base;
  }
  goto callentry;
}
L_OP_RETURN : {
  CallInfo* ci = L->ci - 1;  // the previous frame
  int b = GETARG_B(i);
  if (b != 0) L->top = ra + b - 1;
  // Upvalues below this frame belong to callers and stay open.
  if (L->openupval && ngcotouv(L->openupval)->v >= base) luaF_close(L, base);
  L->ci->state = CI_SAVEDPC;
  L->ci->u.l.savedpc = pc;
  if (!(ci->state & CI_CALLING)) return ra;  // not called from this loop
  int nresults = GETARG_C(*(ci->u.l.savedpc - 1)) - 1;
  luaD_poscall(L, nresults, ra);
  if (nresults >= 0) L->top = L->ci->top;
  goto retentry;
}
L_OP_FORLOOP : {
  const TObject* plimit = ra + 1;
  const TObject* pstep = ra + 2;
  if (!ttisnumber(ra)) luaG_runerror(L, "`for' initial value must be a number");
  if (!tonumber(plimit, ra + 1)) luaG_runerror(L, "`for' limit must be a number");
  if (!tonumber(pstep, ra + 2)) luaG_runerror(L, "`for' step must be a number");
  lua_Number step = nvalue(pstep);
  lua_Number idx = nvalue(ra) + step;
  lua_Number limit = nvalue(plimit);
  if (step > 0 ? idx <= limit : idx >= limit) {
    dojump(pc, GETARG_sBx(i));
    chgnvalue(ra, idx);
  }
  vmdispatch();
}
L_OP_TFORLOOP : {
  int nvar = GETARG_C(i) + 1;
  StkId cb = ra + nvar + 2;  // call base
  setobjs2s(cb, ra);
  setobjs2s(cb + 1, ra + 1);
  setobjs2s(cb + 2, ra + 2);
  L->top = cb + 3;
  luaD_call(L, cb, nvar);
  L->top = L->ci->top;
  ra = XRA(i) + 2;  // where the results go
  cb = ra + nvar;
  do {
    nvar--;
    setobjs2s(ra + nvar, cb + nvar);
  } while (nvar > 0);
  if (ttisnil(ra))
    pc++;
  else
    dojump(pc, GETARG_sBx(*pc) + 1);
  vmdispatch();
}
L_OP_TFORPREP:
  if (ttistable(ra)) {
    setobjs2s(ra + 1, ra);
    const TObject* nx =
        ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), luaS_newliteral(L, "next")) : &luaO_nilobject;
    setobj2s(XRA(i), nx);
  }
  dojump(pc, GETARG_sBx(i));
  vmdispatch();
L_OP_SETLIST:
L_OP_SETLISTO : {
  if (!ttistable(ra)) luaG_runerror(L, "bad code");
  Table* h = hvalue(ra);
  int bc = GETARG_Bx(i);
  int n;
  if (GET_OPCODE(i) == OP_SETLIST) {
    n = (bc & (LFIELDS_PER_FLUSH - 1)) + 1;
  } else {
    n = (int)(L->top - ra) - 1;
    L->top = L->ci->top;
  }
  bc &= ~(LFIELDS_PER_FLUSH - 1);
  for (; n > 0; n--) setobj2t(luaH_setnum(L, h, bc + n), ra + n);
  vmdispatch();
}
L_OP_CLOSE:
  luaF_close(L, ra);
  vmdispatch();
L_OP_CLOSURE : {
  Proto* p = cl->p->p[GETARG_Bx(i)];
  int nup = p->nups;
  Closure* ncl = luaF_newLclosure(L, nup, &cl->g);
  ncl->l.p = p;
  for (int j = 0; j < nup; j++, pc++) {
    if (GET_OPCODE(*pc) == OP_GETUPVAL) {
      ncl->l.upvals[j] = cl->upvals[GETARG_B(*pc)];
    } else {
      ncl->l.upvals[j] = luaF_findupval(L, base + GETARG_B(*pc));
    }
  }
  setclvalue(ra, ncl);
  luaC_checkGC(L);
  vmdispatch();
}
L_NOP:
  vmdispatch();
}
