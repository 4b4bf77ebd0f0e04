// Debug information and run-time errors: stack levels and function information, names of
// values found by symbolic execution of a function's code, error messages with positions, and
// the code checker used for precompiled chunks.
#include "script/LuaDebug.h"

#include <cstdarg>
#include <cstring>

#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaOpcodes.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaTm.h"
#include "script/LuaVm.h"

#define isLuaCI(ci) (!((ci)->state & CI_C))

static const char* getfuncname(CallInfo* ci, const char** name);

static int currentpc(CallInfo* ci) {
  if (!isLuaCI(ci)) return -1;
  if ((ci->state & CI_HASFRAME) && ci->u.l.pc != nullptr) ci->u.l.savedpc = *ci->u.l.pc;
  return pcRel(ci->u.l.savedpc, ci_func(ci)->l.p);
}

static int currentline(CallInfo* ci) {
  int pc = currentpc(ci);
  if (pc < 0) return -1;
  return getline(ci_func(ci)->l.p, pc);
}

void luaG_inithooks(lua_State* L) {
  for (CallInfo* ci = L->ci; ci != L->base_ci; ci--) currentpc(ci);
  L->hookinit = 1;
}

int lua_sethook(lua_State* L, lua_Hook func, int mask, int count) {
  mask &= LUA_MASKCALL | LUA_MASKRET | LUA_MASKLINE | LUA_MASKCOUNT;
  if (count <= 0) mask &= ~LUA_MASKCOUNT;  // a count that never runs out
  if (func == nullptr || mask == 0) {
    mask = 0;
    func = nullptr;
  }
  L->hook = func;
  L->basehookcount = count;
  resethookcount(L);
  L->hookmask = (lu_byte)mask;
  L->hookinit = 0;
  return 1;
}

lua_Hook lua_gethook(lua_State* L) { return L->hook; }

int lua_gethookmask(lua_State* L) { return L->hookmask; }

int lua_gethookcount(lua_State* L) { return L->basehookcount; }

void luaG_traceexec(lua_State* L) {
  if ((L->hookmask & LUA_MASKCOUNT) && --L->hookcount == 0) {
    resethookcount(L);
    luaD_callhook(L, LUA_HOOKCOUNT, -1);
  }
  if (!(L->hookmask & LUA_MASKLINE)) return;
  CallInfo* ci = L->ci;
  const Proto* p = ci_func(ci)->l.p;
  const Instruction* pc = *ci->u.l.pc;
  int npc = pcRel(pc, p);
  if (!L->hookinit) {
    // The frames' last traced positions start where they stand. Hooked in mid-function, the
    // current instruction counts as a new line only when it begins one.
    luaG_inithooks(L);
    if (npc > 0) ci->u.l.savedpc = pc - 1;
  }
  // A new line, a jump back (a loop, even within one line) or the entry of a function.
  if (npc == 0 || pc <= ci->u.l.savedpc || ci->u.l.savedpc <= p->code ||
      getline(p, npc) != getline(p, pcRel(ci->u.l.savedpc, p))) {
    luaD_callhook(L, LUA_HOOKLINE, getline(p, npc));
    ci = L->ci;  // the hook may have moved the frame array
  }
  ci->u.l.savedpc = pc;
}

int lua_getstack(lua_State* L, int level, lua_Debug* ar) {
  CallInfo* ci;
  for (ci = L->ci; level > 0 && ci > L->base_ci; ci--) {
    level--;
    if (!(ci->state & CI_C)) level -= ci->u.l.tailcalls;  // lost tail calls count as levels
  }
  if (level > 0 || ci == L->base_ci) return 0;
  ar->i_ci = (level < 0) ? 0 : (int)(ci - L->base_ci);
  return 1;
}

static Proto* getluaproto(CallInfo* ci) { return isLuaCI(ci) ? ci_func(ci)->l.p : nullptr; }

const char* lua_getlocal(lua_State* L, const lua_Debug* ar, int n) {
  if (ar->i_ci == 0) return nullptr;
  CallInfo* ci = L->base_ci + ar->i_ci;
  Proto* fp = getluaproto(ci);
  if (!fp) return nullptr;
  const char* name = luaF_getlocalname(fp, n, currentpc(ci));
  if (name) {
    setobj2s(L->top, ci->base + (n - 1));
    incr_top(L);
  }
  return name;
}

const char* lua_setlocal(lua_State* L, const lua_Debug* ar, int n) {
  if (ar->i_ci == 0) return nullptr;
  CallInfo* ci = L->base_ci + ar->i_ci;
  Proto* fp = getluaproto(ci);
  L->top--;  // pops the value even when there is no such local
  if (!fp) return nullptr;
  const char* name = luaF_getlocalname(fp, n, currentpc(ci));
  if (!name || name[0] == '(') return nullptr;  // internal variables stay untouched
  setobjs2s(ci->base + (n - 1), L->top);
  return name;
}

static void funcinfo(lua_Debug* ar, StkId func) {
  Closure* cl = clvalue(func);
  if (cl->c.isC) {
    ar->source = "=[C]";
    ar->linedefined = -1;
    ar->what = "C";
  } else {
    ar->source = cl->l.p->source ? getstr(cl->l.p->source) : "=?";
    ar->linedefined = cl->l.p->lineDefined;
    ar->what = (ar->linedefined == 0) ? "main" : "Lua";
  }
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
}

static void info_tailcall(lua_State* L, lua_Debug* ar) {
  ar->name = ar->namewhat = "";
  ar->what = "tail";
  ar->linedefined = ar->currentline = -1;
  ar->source = "=(tail call)";
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
  ar->nups = 0;
  setnilvalue(L->top);
}

static int getinfo(lua_State* L, const char* what, lua_Debug* ar, StkId f, CallInfo* ci) {
  int status = 1;
  for (; *what; what++) {
    switch (*what) {
      case 'S': funcinfo(ar, f); break;
      case 'l': ar->currentline = (ci) ? currentline(ci) : -1; break;
      case 'u': ar->nups = clvalue(f)->c.nupvalues; break;
      case 'n':
        ar->namewhat = (ci) ? getfuncname(ci, &ar->name) : nullptr;
        if (ar->namewhat == nullptr) {
          ar->namewhat = "";
          ar->name = nullptr;
        }
        break;
      case 'f': setobj2s(L->top, f); break;
      default: status = 0;  // invalid option
    }
  }
  return status;
}

int lua_getinfo(lua_State* L, const char* what, lua_Debug* ar) {
  int status = 1;
  if (*what == '>') {
    StkId f = L->top - 1;
    if (!ttisfunction(f)) luaG_runerror(L, "value for `lua_getinfo' is not a function");
    status = getinfo(L, what + 1, ar, f, nullptr);
    L->top--;
  } else if (ar->i_ci != 0) {
    CallInfo* ci = L->base_ci + ar->i_ci;
    TObject f;
    setclvalue(&f, ci->func);
    status = getinfo(L, what, ar, &f, ci);
  } else {
    info_tailcall(L, ar);
  }
  if (strchr(what, 'f')) incr_top(L);
  return status;
}

// Symbolic execution: checks the code and finds the last instruction before lastpc that
// changed register reg.
#define check(x) \
  if (!(x)) return 0;
#define checkreg(pt, reg) check((reg) < (pt)->maxstacksize)
#define NO_REG MAXSTACK

static int precheck(const Proto* pt) {
  check(pt->maxstacksize <= MAXSTACK);
  check(pt->sizelineinfo == pt->sizecode || pt->sizelineinfo == 0);
  check(pt->sizecode > 0);
  check(GET_OPCODE(pt->code[pt->sizecode - 1]) == OP_RETURN);
  return 1;
}

static int checkopenop(const Proto* pt, int pc) {
  check(pc + 1 < pt->sizecode);
  Instruction i = pt->code[pc + 1];
  switch (GET_OPCODE(i)) {
    case OP_CALL:
    case OP_TAILCALL:
    case OP_RETURN: check(GETARG_B(i) == 0); return 1;
    case OP_SETLISTO: return 1;
    default: return 0;  // an open result must be taken by the next instruction
  }
}

static int checkRK(const Proto* pt, int r) {
  return (r < pt->maxstacksize || (r >= MAXSTACK && r - MAXSTACK < pt->sizek));
}

static Instruction luaG_symbexec(const Proto* pt, int lastpc, int reg) {
  int last = pt->sizecode - 1;  // the final return, a neutral instruction
  check(precheck(pt));
  for (int pc = 0; pc < lastpc; pc++) {
    const Instruction i = pt->code[pc];
    int op = GET_OPCODE(i);
    check(op < NUM_OPCODES);
    int a = GETARG_A(i);
    int b = 0;
    int c = 0;
    checkreg(pt, a);
    switch (getOpMode(op)) {
      case iABC:
        b = GETARG_B(i);
        c = GETARG_C(i);
        if (testOpMode(op, OpModeBreg)) {
          checkreg(pt, b);
        } else if (testOpMode(op, OpModeBrk)) {
          check(checkRK(pt, b));
        }
        if (testOpMode(op, OpModeCrk)) check(checkRK(pt, c));
        break;
      case iABx:
        b = GETARG_Bx(i);
        if (testOpMode(op, OpModeK)) check(b < pt->sizek);
        break;
      case iAsBx: b = GETARG_sBx(i); break;
    }
    if (testOpMode(op, OpModesetA) && a == reg) last = pc;
    if (testOpMode(op, OpModeT)) {
      check(pc + 2 < pt->sizecode);  // the skipped jump
      check(GET_OPCODE(pt->code[pc + 1]) == OP_JMP);
    }
    switch (op) {
      case OP_LOADBOOL: check(c == 0 || pc + 2 < pt->sizecode); break;
      case OP_LOADNIL:
        if (a <= reg && reg <= b) last = pc;
        break;
      case OP_GETUPVAL:
      case OP_SETUPVAL: check(b < pt->nups); break;
      case OP_GETGLOBAL:
      case OP_SETGLOBAL: check(ttisstring(&pt->k[b])); break;
      case OP_SELF:
        checkreg(pt, a + 1);
        if (reg == a + 1) last = pc;
        break;
      case OP_CONCAT: check(c < MAXSTACK && b < c); break;
      case OP_TFORLOOP:
        checkreg(pt, a + c + 5);
        if (reg >= a) last = pc;
        break;
      case OP_FORLOOP:
      case OP_TFORPREP: checkreg(pt, a + 2); [[fallthrough]];
      case OP_JMP: {
        int dest = pc + 1 + b;
        check(0 <= dest && dest < pt->sizecode);
        // Follows forward jumps that do not pass lastpc when looking for a register.
        if (reg != NO_REG && pc < dest && dest <= lastpc) pc += b;
        break;
      }
      case OP_CALL:
      case OP_TAILCALL:
        if (b != 0) checkreg(pt, a + b - 1);
        c--;
        if (c == LUA_MULTRET) {
          check(checkopenop(pt, pc));
        } else if (c != 0) {
          checkreg(pt, a + c - 1);
        }
        if (reg >= a) last = pc;
        break;
      case OP_RETURN:
        b--;
        if (b > 0) checkreg(pt, a + b - 1);
        break;
      case OP_SETLIST:
      case OP_SETLISTO: checkreg(pt, a + (b & (LFIELDS_PER_FLUSH - 1)) + 1); break;
      case OP_CLOSURE: {
        check(b < pt->sizep);
        int nup = pt->p[b]->nups;
        check(pc + nup < pt->sizecode);
        for (; nup > 0; nup--) {
          int op1 = GET_OPCODE(pt->code[pc + nup]);
          check(op1 == OP_GETUPVAL || op1 == OP_MOVE);
        }
        break;
      }
      default: break;
    }
  }
  return pt->code[last];
}

int luaG_checkcode(const Proto* pt) { return luaG_symbexec(pt, pt->sizecode, NO_REG) != 0; }

static const char* kname(Proto* p, int c) {
  c = c - MAXSTACK;
  if (c >= 0 && c < p->sizek && ttisstring(&p->k[c])) return svalue(&p->k[c]);
  return "?";
}

static const char* getobjname(CallInfo* ci, int stackpos, const char** name) {
  if (!isLuaCI(ci)) return nullptr;
  Proto* p = ci_func(ci)->l.p;
  int pc = currentpc(ci);
  *name = luaF_getlocalname(p, stackpos + 1, pc);
  if (*name) return "local";
  Instruction i = luaG_symbexec(p, pc, stackpos);
  switch (GET_OPCODE(i)) {
    case OP_GETGLOBAL: {
      int g = GETARG_Bx(i);
      if (g < p->sizek && ttisstring(&p->k[g])) {
        *name = svalue(&p->k[g]);
        return "global";
      }
      break;
    }
    case OP_MOVE: {
      int a = GETARG_A(i);
      int b = GETARG_B(i);
      if (b < a) return getobjname(ci, b, name);
      break;
    }
    case OP_GETTABLE: *name = kname(p, GETARG_C(i)); return "field";
    case OP_SELF: *name = kname(p, GETARG_C(i)); return "method";
    default: break;
  }
  return nullptr;
}

static const char* getfuncname(CallInfo* ci, const char** name) {
  if ((isLuaCI(ci) && ci->u.l.tailcalls > 0) || !isLuaCI(ci - 1)) return nullptr;
  ci--;  // the calling function
  int pc = currentpc(ci);
  if (pc < 0) return nullptr;
  Instruction i = ci_func(ci)->l.p->code[pc];
  if (GET_OPCODE(i) == OP_CALL || GET_OPCODE(i) == OP_TAILCALL)
    return getobjname(ci, GETARG_A(i), name);
  return nullptr;
}

static int isinstack(CallInfo* ci, const TObject* o) {
  for (StkId p = ci->base; p < ci->top; p++)
    if (o == p) return 1;
  return 0;
}

void luaG_typeerror(lua_State* L, const TObject* o, const char* op) {
  const char* name = nullptr;
  const char* t = luaT_typenames[ttype(o)];
  const char* kind = isinstack(L->ci, o) ? getobjname(L->ci, (int)(o - L->base), &name) : nullptr;
  if (kind)
    luaG_runerror(L, "attempt to %s %s `%s' (a %s value)", op, kind, name, t);
  else
    luaG_runerror(L, "attempt to %s a %s value", op, t);
}

void luaG_concaterror(lua_State* L, StkId p1, StkId p2) {
  if (ttisstring(p1)) p1 = p2;
  luaG_typeerror(L, p1, "concatenate");
}

void luaG_aritherror(lua_State* L, const TObject* p1, const TObject* p2) {
  TObject temp;
  if (luaV_tonumber(p1, &temp) == nullptr) p2 = p1;  // the first operand is the wrong one
  luaG_typeerror(L, p2, "perform arithmetic on");
}

void luaG_ordererror(lua_State* L, const TObject* p1, const TObject* p2) {
  const char* t1 = luaT_typenames[ttype(p1)];
  const char* t2 = luaT_typenames[ttype(p2)];
  if (strcmp(t1, t2) == 0)
    luaG_runerror(L, "attempt to compare two %s values", t1);
  else
    luaG_runerror(L, "attempt to compare %s with %s", t1, t2);
}

static void addinfo(lua_State* L, const char* msg) {
  CallInfo* ci = L->ci;
  if (isLuaCI(ci)) {
    char buff[LUA_IDSIZE];
    int line = currentline(ci);
    Proto* p = getluaproto(ci);
    luaO_chunkid(buff, p->source ? getstr(p->source) : "=?", LUA_IDSIZE);
    luaO_pushfstring(L, "%s:%d: %s", buff, line, msg);
  }
}

void luaG_errormsg(lua_State* L) {
  if (L->errfunc != 0) {
    StkId errfunc = restorestack(L, L->errfunc);
    if (!ttisfunction(errfunc)) luaD_throw(L, LUA_ERRERR);
    setobjs2s(L->top, L->top - 1);   // the argument
    setobjs2s(L->top - 1, errfunc);  // the handler
    incr_top(L);
    luaD_call(L, L->top - 2, 1);
  }
  luaD_throw(L, LUA_ERRRUN);
}

void luaG_runerror(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  addinfo(L, luaO_pushvfstring(L, fmt, argp));
  va_end(argp);
  luaG_errormsg(L);
}
