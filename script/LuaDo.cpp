// Calls and errors: stack and frame-array growth, calls of Lua and native functions with
// result adjustment, debug hook calls, protected execution (a private C++ exception unwinds to
// the recovery point), coroutine resume and yield, and the protected chunk parser.
#include "script/LuaDo.h"

#include <cstdlib>
#include <cstring>

#include "script/LuaDebug.h"
#include "script/LuaDump.h"
#include "script/LuaFunc.h"
#include "script/LuaGc.h"
#include "script/LuaMem.h"
#include "script/LuaOpcodes.h"
#include "script/LuaParser.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"
#include "script/LuaVm.h"

// A recovery point. Raising an error throws LuaUnwind, which only luaD_rawrunprotected catches.
struct lua_longjmp {
  lua_longjmp* previous;
  int status;
};

namespace {
struct LuaUnwind {};
}  // namespace

static void seterrorobj(lua_State* L, int errcode, StkId oldtop) {
  switch (errcode) {
    case LUA_ERRMEM: setsvalue2s(oldtop, luaS_newliteral(L, MEMERRMSG)); break;
    case LUA_ERRERR: setsvalue2s(oldtop, luaS_newliteral(L, "error in error handling")); break;
    case LUA_ERRSYNTAX:
    case LUA_ERRRUN:
    default:
      setobjs2s(oldtop, L->top - 1);  // the message on the current top
      break;
  }
  L->top = oldtop + 1;
}

void luaD_throw(lua_State* L, int errcode) {
  if (L->errorJmp) {
    L->errorJmp->status = errcode;
    throw LuaUnwind{};
  }
  G(L)->panic(L);
  exit(EXIT_FAILURE);
}

int luaD_rawrunprotected(lua_State* L, Pfunc f, void* ud) {
  lua_longjmp lj;
  lj.status = 0;
  lj.previous = L->errorJmp;
  L->errorJmp = &lj;
  try {
    (*f)(L, ud);
  } catch (const LuaUnwind&) {
    if (lj.status == 0) lj.status = LUA_ERRRUN;
  }
  L->errorJmp = lj.previous;
  return lj.status;
}

static void restore_stack_limit(lua_State* L) {
  L->stack_last = L->stack + L->stacksize - EXTRA_STACK - 1;
  if (L->size_ci > LUA_MAXCALLS) {  // there was an overflow
    int inuse = (int)(L->ci - L->base_ci);
    if (inuse + 1 < LUA_MAXCALLS) luaD_reallocCI(L, LUA_MAXCALLS);
  }
}

void luaD_resetprotection(lua_State* L) { restore_stack_limit(L); }

// The new vector is filled before the old one is freed, so every pointer is moved while both
// are valid.
void luaD_reallocstack(lua_State* L, int newsize) {
  TObject* oldstack = L->stack;
  int oldsize = L->stacksize;
  TObject* ns = luaM_newvector(L, newsize, TObject);
  int keep = oldsize < newsize ? oldsize : newsize;
  memcpy(ns, oldstack, sizeof(TObject) * (size_t)keep);
  for (int i = keep; i < newsize; i++) setnilvalue(ns + i);
  L->top = (L->top - oldstack) + ns;
  for (GCObject* up = L->openupval; up != nullptr; up = up->gch.next)
    gcotouv(up)->v = (gcotouv(up)->v - oldstack) + ns;
  for (CallInfo* ci = L->base_ci; ci <= L->ci; ci++) {
    ci->top = (ci->top - oldstack) + ns;
    ci->base = (ci->base - oldstack) + ns;
  }
  L->base = (L->base - oldstack) + ns;
  L->stack = ns;
  L->stacksize = newsize;
  L->stack_last = ns + newsize - 1 - EXTRA_STACK;
  luaM_freearray(L, oldstack, oldsize, TObject);
}

void luaD_reallocCI(lua_State* L, int newsize) {
  CallInfo* oldci = L->base_ci;
  CallInfo* nc = luaM_newvector(L, newsize, CallInfo);
  int keep = L->size_ci < newsize ? L->size_ci : newsize;
  memcpy(nc, oldci, sizeof(CallInfo) * (size_t)keep);
  if (newsize > keep) memset(nc + keep, 0, sizeof(CallInfo) * (size_t)(newsize - keep));
  L->ci = (L->ci - oldci) + nc;
  luaM_freearray(L, oldci, L->size_ci, CallInfo);
  L->base_ci = nc;
  L->size_ci = (unsigned short)newsize;
  L->end_ci = L->base_ci + L->size_ci;
}

void luaD_growstack(lua_State* L, int n) {
  if (n <= L->stacksize)
    luaD_reallocstack(L, 2 * L->stacksize);
  else
    luaD_reallocstack(L, L->stacksize + n + EXTRA_STACK);
}

static void luaD_growCI(lua_State* L) {
  if (L->size_ci > LUA_MAXCALLS)  // overflow while handling an overflow
    luaD_throw(L, LUA_ERRERR);
  luaD_reallocCI(L, 2 * L->size_ci);
  if (L->size_ci > LUA_MAXCALLS) luaG_runerror(L, "stack overflow");
}

static void adjust_varargs(lua_State* L, int nfixargs, StkId base) {
  int actual = (int)(L->top - base);
  if (actual < nfixargs) {
    luaD_checkstack(L, nfixargs - actual);
    for (; actual < nfixargs; ++actual) setnilvalue(L->top++);
  }
  actual -= nfixargs;  // extra arguments
  Table* htab = luaH_new(L, actual, 1);
  for (int i = 0; i < actual; i++) setobj2n(luaH_setnum(L, htab, i + 1), L->top - actual + i);
  // "n" is interned once per state rather than looked up on every call.
  TObject nname;
  setsvalue(&nname, G(L)->argcount);
  setnvalue(luaH_set(L, htab, &nname), (lua_Number)actual);
  L->top -= actual;
  sethvalue(L->top, htab);
  incr_top(L);
}

static StkId tryfuncTM(lua_State* L, StkId func) {
  const TObject* tm = luaT_gettmbyobj(L, func, TM_CALL);
  ptrdiff_t funcr = savestack(L, func);
  if (!ttisfunction(tm)) luaG_typeerror(L, func, "call");
  TObject tmv = *tm;
  for (StkId p = L->top; p > func; p--) setobjs2s(p, p - 1);  // opens a hole at func
  incr_top(L);
  func = restorestack(L, funcr);
  setobj2s(func, &tmv);
  return func;
}

namespace {
// A hook runs with the thread's hooks off, and as a native call so that it cannot yield: the
// interpreter loop under it has no way to stop there. Both are undone on the way out, also when
// the hook raises an error.
struct HookRunning {
  lua_State* L;
  explicit HookRunning(lua_State* l) : L(l) {
    L->allowhook = 0;
    L->nCcalls++;
  }
  ~HookRunning() {
    L->allowhook = 1;
    L->nCcalls--;
  }
  HookRunning(const HookRunning&) = delete;
  HookRunning& operator=(const HookRunning&) = delete;
};
}  // namespace

void luaD_callhook(lua_State* L, int event, int line) {
  lua_Hook hook = L->hook;
  if (hook == nullptr || !L->allowhook) return;
  ptrdiff_t top = savestack(L, L->top);
  ptrdiff_t ci_top = savestack(L, L->ci->top);
  lua_Debug ar;
  ar.event = event;
  ar.currentline = line;
  ar.i_ci = (event == LUA_HOOKTAILRET) ? 0 : (int)(L->ci - L->base_ci);  // a lost frame has none
  luaD_checkstack(L, LUA_MINSTACK);
  L->ci->top = L->top + LUA_MINSTACK;
  {
    HookRunning running(L);
    hook(L, &ar);
  }
  L->ci->top = restorestack(L, ci_top);
  L->top = restorestack(L, top);
}

void luaD_hookcall(lua_State* L) {
  if (!(L->ci->state & CI_C)) {
    // The hook sees the frame at its first instruction, as if it had begun.
    L->ci->u.l.savedpc++;
    luaD_callhook(L, LUA_HOOKCALL, -1);
    L->ci->u.l.savedpc--;
  } else {
    luaD_callhook(L, LUA_HOOKCALL, -1);
  }
}

StkId luaD_hookreturn(lua_State* L, StkId firstResult) {
  ptrdiff_t fr = savestack(L, firstResult);
  luaD_callhook(L, LUA_HOOKRET, -1);
  if (!(L->ci->state & CI_C)) {
    for (; L->ci->u.l.tailcalls > 0; L->ci->u.l.tailcalls--) luaD_callhook(L, LUA_HOOKTAILRET, -1);
  }
  return restorestack(L, fr);
}

StkId luaD_precall(lua_State* L, StkId func) {
  ptrdiff_t funcr = savestack(L, func);
  if (!ttisfunction(func)) func = tryfuncTM(L, func);
  if (L->ci + 1 == L->end_ci) luaD_growCI(L);
  LClosure* cl = &clvalue(func)->l;
  if (!cl->isC) {
    Proto* p = cl->p;
    if (p->is_vararg) adjust_varargs(L, p->numparams, func + 1);
    luaD_checkstack(L, p->maxstacksize);
    luaD_openluaframe(L, restorestack(L, funcr) + 1, p);
    if (L->hookmask & LUA_MASKCALL) [[unlikely]]
      luaD_hookcall(L);
    return nullptr;
  }
  luaD_checkstack(L, LUA_MINSTACK);
  CallInfo* ci = ++L->ci;
  L->base = L->ci->base = restorestack(L, funcr) + 1;
  ci->func = clvalue(L->base - 1);
  ci->top = L->top + LUA_MINSTACK;
  ci->state = CI_C;
  if (L->hookmask & LUA_MASKCALL) [[unlikely]] {
    luaD_hookcall(L);
    ci = L->ci;
  }
  int n = (*ci->func->c.f)(L);
  return L->top - n;  // above the top when the function yielded (n = -1)
}

void luaD_call(lua_State* L, StkId func, int nResults) {
  if (++L->nCcalls >= LUA_MAXCCALLS) {
    if (L->nCcalls == LUA_MAXCCALLS)
      luaG_runerror(L, "C stack overflow");
    else if (L->nCcalls >= (LUA_MAXCCALLS + (LUA_MAXCCALLS >> 3)))
      luaD_throw(L, LUA_ERRERR);  // error while handling the overflow
  }
  StkId firstResult = luaD_precall(L, func);
  if (firstResult == nullptr) firstResult = luaV_execute(L);
  luaD_poscall(L, nResults, firstResult);
  L->nCcalls--;
  luaC_checkGC(L);
}

static void resume(lua_State* L, void* ud) {
  int nargs = *(int*)ud;
  CallInfo* ci = L->ci;
  StkId firstResult;
  if (ci == L->base_ci) {  // start the coroutine
    firstResult = luaD_precall(L, L->top - (nargs + 1));
    if (firstResult != nullptr) {        // a native function ran at once
      if (firstResult > L->top) return;  // and yielded
      luaD_poscall(L, LUA_MULTRET, firstResult);
      return;
    }
  } else {  // inside a yield: finish the interrupted OP_CALL
    if (ci->state & CI_C) {
      const Instruction* pc = (ci - 1)->u.l.savedpc;
      int nresults = GETARG_C(*(pc - 1)) - 1;
      luaD_poscall(L, nresults, L->top - nargs);
      if (nresults >= 0) L->top = L->ci->top;
    } else {
      ci->state &= ~CI_YIELD;
    }
  }
  firstResult = luaV_execute(L);
  if (firstResult != nullptr) luaD_poscall(L, LUA_MULTRET, firstResult);
}

static int resume_error(lua_State* L, const char* msg) {
  L->top = L->ci->base;
  setsvalue2s(L->top, luaS_new(L, msg));
  incr_top(L);
  return LUA_ERRRUN;
}

int lua_resume(lua_State* L, int nargs) {
  if (L->ci == L->base_ci) {
    if (nargs >= L->top - L->base) return resume_error(L, "cannot resume dead coroutine");
  } else if (!(L->ci->state & CI_YIELD)) {
    return resume_error(L, "cannot resume non-suspended coroutine");
  }
  // Every nested resume runs on the native stack; a chain of them must end in an error
  // before that stack does.
  if (G(L)->nresumes >= LUA_MAXCCALLS) return resume_error(L, "C stack overflow");
  G(L)->nresumes++;
  int status = luaD_rawrunprotected(L, resume, &nargs);
  G(L)->nresumes--;
  if (status != 0) {
    L->ci = L->base_ci;
    L->base = L->ci->base;
    L->nCcalls = 0;
    luaF_close(L, L->base);
    seterrorobj(L, status, L->base);
    restore_stack_limit(L);
  }
  return status;
}

int lua_yield(lua_State* L, int nresults) {
  CallInfo* ci = L->ci;
  if (L->nCcalls > 0) luaG_runerror(L, "attempt to yield across metamethod/C-call boundary");
  if (ci->state & CI_C) {
    if (ci == L->base_ci || ((ci - 1)->state & CI_C)) luaG_runerror(L, "cannot yield a C function");
    if (L->top - nresults > L->base) {  // results above other values: move them down
      for (int i = 0; i < nresults; i++) setobjs2s(L->base + i, L->top - nresults + i);
      L->top = L->base + nresults;
    }
  }
  ci->state |= CI_YIELD;
  return -1;
}

int luaD_pcall(lua_State* L, Pfunc func, void* u, ptrdiff_t old_top, ptrdiff_t ef) {
  unsigned short oldnCcalls = L->nCcalls;
  ptrdiff_t old_ci = saveci(L, L->ci);
  lu_byte old_allowhooks = L->allowhook;
  ptrdiff_t old_errfunc = L->errfunc;
  L->errfunc = ef;
  int status = luaD_rawrunprotected(L, func, u);
  if (status != 0) {
    StkId oldtop = restorestack(L, old_top);
    luaF_close(L, oldtop);
    seterrorobj(L, status, oldtop);
    L->nCcalls = oldnCcalls;
    L->ci = restoreci(L, old_ci);
    L->base = L->ci->base;
    L->allowhook = old_allowhooks;
    restore_stack_limit(L);
  }
  L->errfunc = old_errfunc;
  return status;
}

namespace {
struct SParser {
  ZIO* z;
  Mbuffer buff;  // the lexer's buffer
  int bin;
};
}  // namespace

static void f_parser(lua_State* L, void* ud) {
  SParser* p = (SParser*)ud;
  luaC_checkGC(L);
  if (luaZ_lookahead2(p->z) == 0xFEFF) {  // UTF-16 little-endian byte-order mark
    zgetc(p->z);
    zgetc(p->z);
    p->z->wide = 1;
  }
  Proto* tf = p->bin ? luaU_undump(L, p->z, &p->buff) : luaY_parser(L, p->z, &p->buff);
  if (tf->nups != 0) {
    // A main function has no enclosing function to take upvalues from; its code would read
    // past the closure.
    const char* name = zname(p->z);
    if (*name == '@' || *name == '=')
      name++;
    else if (*name == '\x1b')
      name = "binary string";
    luaG_runerror(L, "bad code in %s", name);
  }
  Closure* cl = luaF_newLclosure(L, 0, gt(L));
  cl->l.p = tf;
  setclvalue(L->top, cl);
  incr_top(L);
}

int luaD_protectedparser(lua_State* L, ZIO* z, int bin) {
  SParser p;
  ptrdiff_t oldtopr = savestack(L, L->top);
  p.z = z;
  p.bin = bin;
  luaZ_initbuffer(L, &p.buff);
  int status = luaD_rawrunprotected(L, f_parser, &p);
  luaZ_freebuffer(L, &p.buff);
  if (status != 0) {
    StkId oldtop = restorestack(L, oldtopr);
    seterrorobj(L, status, oldtop);
  }
  return status;
}
