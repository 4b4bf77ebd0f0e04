// Recursive-descent parser of the dialect: statements, expressions by operator priority,
// table constructors with size hints, and loops that `break' and `continue' may name by depth.
#include "script/LuaParser.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "script/LuaCode.h"
#include "script/LuaFunc.h"
#include "script/LuaMem.h"
#include "script/LuaString.h"

namespace {

constexpr int MAXPARAMS = 100;
constexpr int MAXEXPWHILE = 100;  // instructions a `while' condition may take
constexpr int MAXLOOPNUMBER = 100;
constexpr int UNARY_PRIORITY = 8;

struct Priority {
  lu_byte left;
  lu_byte right;
};

const Priority priority[] = {
    {6, 6},  {6, 6},                                  // + -
    {7, 7},  {7, 7},                                  // * /
    {8, 8},  {8, 8}, {8, 8}, {8, 8},                  // & | << >>
    {10, 9},                                          // ^ (right associative)
    {5, 4},                                           // .. (right associative)
    {3, 3},  {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3},  // ~= == < <= > >=
    {2, 2},  {1, 1}                                   // and or
};

struct ConsControl {
  expdesc v;    // last list item read
  expdesc* t;   // table descriptor
  int nh;       // record items
  int na;       // list items
  int tostore;  // list items waiting for a flush
};

struct LHS_assign {
  LHS_assign* prev;
  expdesc v;
};

void Chunk(LexState* ls);
void Expr(LexState* ls, expdesc* v);

LocVar& GetLocVar(FuncState* fs, int i) { return fs->f->locvars[fs->actvar[i]]; }

void EnterLevel(LexState* ls) {
  if (++ls->nestlevel > LUA_MAXPARSERLEVEL) luaX_syntaxerror(ls, "too many syntax levels");
}
void LeaveLevel(LexState* ls) { ls->nestlevel--; }

void Next(LexState* ls) {
  ls->lastline = ls->linenumber;
  if (ls->lookahead.token != TK_EOS) {
    ls->t = ls->lookahead;
    ls->lookahead.token = TK_EOS;
  } else {
    ls->t.token = luaX_lex(ls, &ls->t.seminfo);
  }
}

void Lookahead(LexState* ls) { ls->lookahead.token = luaX_lex(ls, &ls->lookahead.seminfo); }

[[noreturn]] void ErrorExpected(LexState* ls, int token) {
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected", luaX_token2str(ls, token)));
}

bool TestNext(LexState* ls, int c) {
  if (ls->t.token != c) return false;
  Next(ls);
  return true;
}

void Check(LexState* ls, int c) {
  if (!TestNext(ls, c)) ErrorExpected(ls, c);
}

void CheckCondition(LexState* ls, bool c, const char* msg) {
  if (!c) luaX_syntaxerror(ls, msg);
}

void CheckMatch(LexState* ls, int what, int who, int where) {
  if (TestNext(ls, what)) return;
  if (where == ls->linenumber) ErrorExpected(ls, what);
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected (to close `%s' at line %d)",
                                        luaX_token2str(ls, what), luaX_token2str(ls, who), where));
}

TString* StrCheckName(LexState* ls) {
  CheckCondition(ls, ls->t.token == TK_NAME, "<name> expected");
  TString* ts = ls->t.seminfo.ts;
  Next(ls);
  return ts;
}

void InitExp(expdesc* e, expkind k, int i) {
  e->f = e->t = NO_JUMP;
  e->k = k;
  e->info = i;
  e->aux = 0;
}

void CodeString(LexState* ls, expdesc* e, TString* s) { InitExp(e, VK, luaK_stringK(ls->fs, s)); }

void CheckName(LexState* ls, expdesc* e) { CodeString(ls, e, StrCheckName(ls)); }

int RegisterLocalVar(LexState* ls, TString* varname) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizelocvars;
  luaM_growvector(ls->L, f->locvars, fs->nlocvars, f->sizelocvars, LocVar, MAX_INT, "");
  for (int i = oldsize; i < f->sizelocvars; ++i) f->locvars[i].varname = nullptr;
  f->locvars[fs->nlocvars].varname = varname;
  return fs->nlocvars++;
}

void NewLocalVar(LexState* ls, TString* name, int n) {
  FuncState* fs = ls->fs;
  luaX_checklimit(ls, fs->nactvar + n + 1, MAXVARS, "local variables");
  fs->actvar[fs->nactvar + n] = RegisterLocalVar(ls, name);
}

void NewLocalVarStr(LexState* ls, const char* name, int n) {
  NewLocalVar(ls, luaS_new(ls->L, name), n);
}

void AdjustLocalVars(LexState* ls, int nvars) {
  FuncState* fs = ls->fs;
  fs->nactvar += nvars;
  for (; nvars; nvars--) GetLocVar(fs, fs->nactvar - nvars).startpc = fs->pc;
}

void CreateLocal(LexState* ls, const char* name) {
  NewLocalVarStr(ls, name, 0);
  AdjustLocalVars(ls, 1);
}

void RemoveVars(LexState* ls, int tolevel) {
  FuncState* fs = ls->fs;
  while (fs->nactvar > tolevel) GetLocVar(fs, --fs->nactvar).endpc = fs->pc;
}

int IndexUpvalue(FuncState* fs, TString* name, expdesc* v) {
  Proto* f = fs->f;
  for (int i = 0; i < f->nups; i++) {
    if (fs->upvalues[i].k == v->k && fs->upvalues[i].info == v->info) return i;
  }
  luaX_checklimit(fs->ls, f->nups + 1, MAXUPVALUES, "upvalues");
  int oldsize = f->sizeupvalues;
  luaM_growvector(fs->L, f->upvalues, f->nups, f->sizeupvalues, TString*, MAX_INT, "");
  for (int i = oldsize; i < f->sizeupvalues; ++i) f->upvalues[i] = nullptr;
  f->upvalues[f->nups] = name;
  fs->upvalues[f->nups] = *v;
  return f->nups++;
}

int SearchVar(FuncState* fs, TString* n) {
  for (int i = fs->nactvar - 1; i >= 0; i--) {
    if (n == GetLocVar(fs, i).varname) return i;
  }
  return -1;
}

// The block that holds the local at `level' must close it when it ends.
void MarkUpval(FuncState* fs, int level) {
  BlockCnt* bl = fs->bl;
  while (bl && bl->nactvar > level) bl = bl->previous;
  if (bl) bl->upval = 1;
}

void SingleVarAux(FuncState* fs, TString* n, expdesc* var, int base) {
  if (fs == nullptr) {
    InitExp(var, VGLOBAL, MAXARG_A);  // not found in any function: a global
    return;
  }
  int v = SearchVar(fs, n);
  if (v >= 0) {
    InitExp(var, VLOCAL, v);
    if (!base) MarkUpval(fs, v);  // used as an upvalue by an inner function
    return;
  }
  SingleVarAux(fs->prev, n, var, 0);
  if (var->k == VGLOBAL) {
    if (base) var->info = luaK_stringK(fs, n);
  } else {
    var->info = IndexUpvalue(fs, n, var);
    var->k = VUPVAL;
  }
}

void SingleVar(LexState* ls, expdesc* var, int base) {
  TString* varname = StrCheckName(ls);
  SingleVarAux(ls->fs, varname, var, base);
}

void AdjustAssign(LexState* ls, int nvars, int nexps, expdesc* e) {
  FuncState* fs = ls->fs;
  int extra = nvars - nexps;
  if (e->k == VCALL) {
    extra++;  // the call itself counts
    if (extra <= 0)
      extra = 0;
    else
      luaK_reserveregs(fs, extra - 1);
    luaK_setcallreturns(fs, e, extra);
  } else {
    if (e->k != VVOID) luaK_exp2nextreg(fs, e);
    if (extra > 0) {
      int reg = fs->freereg;
      luaK_reserveregs(fs, extra);
      luaK_nil(fs, reg, extra);
    }
  }
}

void EnterBlock(FuncState* fs, BlockCnt* bl, int isbreakable) {
  bl->breaklist = NO_JUMP;
  bl->continuelist = NO_JUMP;
  bl->isbreakable = isbreakable;
  bl->nactvar = fs->nactvar;
  bl->upval = 0;
  bl->previous = fs->bl;
  fs->bl = bl;
}

void LeaveBlock(FuncState* fs) {
  BlockCnt* bl = fs->bl;
  fs->bl = bl->previous;
  RemoveVars(fs->ls, bl->nactvar);
  if (bl->upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  fs->freereg = fs->nactvar;
  luaK_patchtohere(fs, bl->breaklist);
}

void PushClosure(LexState* ls, FuncState* func, expdesc* v) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizep;
  luaM_growvector(ls->L, f->p, fs->np, f->sizep, Proto*, MAXARG_Bx, "constant table overflow");
  for (int i = oldsize; i < f->sizep; ++i) f->p[i] = nullptr;
  f->p[fs->np++] = func->f;
  InitExp(v, VRELOCABLE, luaK_codeABx(fs, OP_CLOSURE, 0, unsigned(fs->np - 1)));
  for (int i = 0; i < func->f->nups; i++) {
    OpCode o = (func->upvalues[i].k == VLOCAL) ? OP_MOVE : OP_GETUPVAL;
    luaK_codeABC(fs, o, 0, func->upvalues[i].info, 0);
  }
}

void OpenFunc(LexState* ls, FuncState* fs) {
  Proto* f = luaF_newproto(ls->L);
  fs->f = f;
  fs->prev = ls->fs;
  fs->ls = ls;
  fs->L = ls->L;
  ls->fs = fs;
  fs->pc = 0;
  fs->lasttarget = 0;
  fs->jpc = NO_JUMP;
  fs->freereg = 0;
  fs->nk = 0;
  fs->np = 0;
  fs->nlocvars = 0;
  fs->nactvar = 0;
  fs->bl = nullptr;
  f->source = ls->source;
  f->maxstacksize = 2;  // registers 0 and 1 are always valid
}

void CloseFunc(LexState* ls) {
  lua_State* L = ls->L;
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  RemoveVars(ls, 0);
  luaK_codeABC(fs, OP_RETURN, 0, 1, 0);  // final return
  luaM_reallocvector(L, f->code, f->sizecode, fs->pc, Instruction);
  f->sizecode = fs->pc;
  luaM_reallocvector(L, f->lineinfo, f->sizelineinfo, fs->pc, int);
  f->sizelineinfo = fs->pc;
  luaM_reallocvector(L, f->k, f->sizek, fs->nk, TObject);
  f->sizek = fs->nk;
  luaM_reallocvector(L, f->p, f->sizep, fs->np, Proto*);
  f->sizep = fs->np;
  luaM_reallocvector(L, f->locvars, f->sizelocvars, fs->nlocvars, LocVar);
  f->sizelocvars = fs->nlocvars;
  luaM_reallocvector(L, f->upvalues, f->sizeupvalues, f->nups, TString*);
  f->sizeupvalues = f->nups;
  ls->fs = fs->prev;
}

void Field(LexState* ls, expdesc* v) {
  FuncState* fs = ls->fs;
  expdesc key;
  luaK_exp2anyreg(fs, v);
  Next(ls);  // the dot or colon
  CheckName(ls, &key);
  luaK_indexed(fs, v, &key);
}

void Index(LexState* ls, expdesc* v) {
  Next(ls);  // `['
  Expr(ls, v);
  luaK_exp2val(ls->fs, v);
  Check(ls, ']');
}

void RecField(LexState* ls, ConsControl* cc) {
  FuncState* fs = ls->fs;
  int reg = fs->freereg;
  expdesc key, val;
  if (ls->t.token == TK_NAME) {
    luaX_checklimit(ls, cc->nh, MAX_INT, "items in a constructor");
    cc->nh++;
    CheckName(ls, &key);
  } else {
    Index(ls, &key);
  }
  Check(ls, '=');
  luaK_exp2RK(fs, &key);
  Expr(ls, &val);
  luaK_codeABC(fs, OP_SETTABLE, cc->t->info, luaK_exp2RK(fs, &key), luaK_exp2RK(fs, &val));
  fs->freereg = reg;
}

void CloseListField(FuncState* fs, ConsControl* cc) {
  if (cc->v.k == VVOID) return;
  luaK_exp2nextreg(fs, &cc->v);
  cc->v.k = VVOID;
  if (cc->tostore == LFIELDS_PER_FLUSH) {
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, unsigned(cc->na - 1));
    cc->tostore = 0;
    fs->freereg = cc->t->info + 1;
  }
}

void LastListField(FuncState* fs, ConsControl* cc) {
  if (cc->tostore == 0) return;
  if (cc->v.k == VCALL) {
    luaK_setcallreturns(fs, &cc->v, LUA_MULTRET);
    luaK_codeABx(fs, OP_SETLISTO, cc->t->info, unsigned(cc->na - 1));
  } else {
    if (cc->v.k != VVOID) luaK_exp2nextreg(fs, &cc->v);
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, unsigned(cc->na - 1));
  }
  fs->freereg = cc->t->info + 1;
}

void ListField(LexState* ls, ConsControl* cc) {
  Expr(ls, &cc->v);
  luaX_checklimit(ls, cc->na, MAXARG_Bx, "items in a constructor");
  cc->na++;
  cc->tostore++;
}

// One `&' size of a constructor's head; sizes beyond int range saturate.
int SizeHint(LexState* ls) {
  Next(ls);  // `&'
  if (ls->t.token != TK_NUMBER) {
    luaX_syntaxerror(
        ls, luaO_pushfstring(ls->L, "size expected following & (line %d)", ls->linenumber));
  }
  lua_Number r = ls->t.seminfo.r;
  Next(ls);
  if (!(r >= 0)) return 0;
  if (r >= lua_Number(MAX_INT)) return MAX_INT;
  return int(r);
}

// Array size as a floating byte: mantissa in bits 0..2, exponent above.
int FloatingByte(unsigned int x) {
  int e = 0;
  while (x >= 8) {
    x = (x + 1) >> 1;
    e++;
  }
  return (e << 3) | int(x);
}

int CeilLog2Plus(int n) {  // floor(log2(n)) + 1, or 0 for 0
  int bits = 0;
  while (n > 0) {
    n >>= 1;
    bits++;
  }
  return bits;
}

void Constructor(LexState* ls, expdesc* t) {
  FuncState* fs = ls->fs;
  int line = ls->linenumber;
  int pc = luaK_codeABC(fs, OP_NEWTABLE, 0, 0, 0);
  ConsControl cc;
  cc.na = cc.nh = cc.tostore = 0;
  cc.t = t;
  InitExp(t, VRELOCABLE, pc);
  InitExp(&cc.v, VVOID, 0);
  luaK_exp2nextreg(ls->fs, t);  // the table lives at the stack top while it is filled
  Check(ls, '{');
  int hashHint = 0;
  int arrayHint = 0;
  if (ls->t.token == '&') {
    hashHint = SizeHint(ls);
    if (ls->t.token == '&') arrayHint = SizeHint(ls);
  }
  do {
    TestNext(ls, ';');
    if (ls->t.token == '}') break;
    CloseListField(fs, &cc);
    switch (ls->t.token) {
      case TK_NAME:
        Lookahead(ls);
        if (ls->lookahead.token != '=')
          ListField(ls, &cc);
        else
          RecField(ls, &cc);
        break;
      case '[': RecField(ls, &cc); break;
      default: ListField(ls, &cc); break;
    }
  } while (TestNext(ls, ',') || TestNext(ls, ';'));
  CheckMatch(ls, '}', '{', line);
  LastListField(fs, &cc);
  int na = cc.na > arrayHint ? cc.na : arrayHint;
  int nh = cc.nh > hashHint ? cc.nh : hashHint;
  if (na > 0) SETARG_B(fs->f->code[pc], FloatingByte(unsigned(na)));
  SETARG_C(fs->f->code[pc], CeilLog2Plus(nh));
}

void Body(LexState* ls, expdesc* e, int needself, int line);

void ParList(LexState* ls) {
  FuncState* fs = ls->fs;
  int nparams = 0;
  int dots = 0;
  if (ls->t.token != ')') {
    do {
      switch (ls->t.token) {
        case TK_DOTS:
          dots = 1;
          Next(ls);
          break;
        case TK_NAME: NewLocalVar(ls, StrCheckName(ls), nparams++); break;
        default: luaX_syntaxerror(ls, "<name> or `...' expected");
      }
    } while (!dots && TestNext(ls, ','));
  }
  AdjustLocalVars(ls, nparams);
  luaX_checklimit(ls, fs->nactvar, MAXPARAMS, "parameters");
  fs->f->numparams = lu_byte(fs->nactvar);
  fs->f->is_vararg = lu_byte(dots);
  if (dots) CreateLocal(ls, "arg");
  luaK_reserveregs(fs, fs->nactvar);
}

void Body(LexState* ls, expdesc* e, int needself, int line) {
  FuncState new_fs;
  OpenFunc(ls, &new_fs);
  new_fs.f->lineDefined = line;
  Check(ls, '(');
  if (needself) CreateLocal(ls, "self");
  ParList(ls);
  Check(ls, ')');
  Chunk(ls);
  CheckMatch(ls, TK_END, TK_FUNCTION, line);
  CloseFunc(ls);
  PushClosure(ls, &new_fs, e);
}

int ExpList1(LexState* ls, expdesc* v) {
  int n = 1;
  Expr(ls, v);
  while (TestNext(ls, ',')) {
    luaK_exp2nextreg(ls->fs, v);
    Expr(ls, v);
    n++;
  }
  return n;
}

void FuncArgs(LexState* ls, expdesc* f) {
  FuncState* fs = ls->fs;
  expdesc args;
  int line = ls->linenumber;
  switch (ls->t.token) {
    case '(':
      if (line != ls->lastline)
        luaX_syntaxerror(ls, "ambiguous syntax (function call x new statement)");
      Next(ls);
      if (ls->t.token == ')') {
        args.k = VVOID;
      } else {
        ExpList1(ls, &args);
        luaK_setcallreturns(fs, &args, LUA_MULTRET);
      }
      CheckMatch(ls, ')', '(', line);
      break;
    case '{': Constructor(ls, &args); break;
    case TK_STRING:
      CodeString(ls, &args, ls->t.seminfo.ts);
      Next(ls);  // seminfo is read before it is replaced
      break;
    case TK_WSTRING:
      InitExp(&args, VK, luaK_wstringK(fs, ls->t.seminfo.ts));
      Next(ls);
      break;
    default: luaX_syntaxerror(ls, "function arguments expected");
  }
  int base = f->info;  // the function's register
  int nparams;
  if (args.k == VCALL) {
    nparams = LUA_MULTRET;
  } else {
    if (args.k != VVOID) luaK_exp2nextreg(fs, &args);
    nparams = fs->freereg - (base + 1);
  }
  InitExp(f, VCALL, luaK_codeABC(fs, OP_CALL, base, nparams + 1, 2));
  luaK_fixline(fs, line);
  fs->freereg = base + 1;  // the call leaves one result unless changed later
}

void PrefixExp(LexState* ls, expdesc* v) {
  switch (ls->t.token) {
    case '(': {
      int line = ls->linenumber;
      Next(ls);
      Expr(ls, v);
      CheckMatch(ls, ')', '(', line);
      luaK_dischargevars(ls->fs, v);
      return;
    }
    case TK_NAME: SingleVar(ls, v, 1); return;
    default: luaX_syntaxerror(ls, "unexpected symbol");
  }
}

void PrimaryExp(LexState* ls, expdesc* v) {
  FuncState* fs = ls->fs;
  PrefixExp(ls, v);
  for (;;) {
    switch (ls->t.token) {
      case '.': Field(ls, v); break;
      case '[': {
        expdesc key;
        luaK_exp2anyreg(fs, v);
        Index(ls, &key);
        luaK_indexed(fs, v, &key);
        break;
      }
      case ':': {
        expdesc key;
        Next(ls);
        CheckName(ls, &key);
        luaK_self(fs, v, &key);
        FuncArgs(ls, v);
        break;
      }
      case '(':
      case TK_STRING:
      case TK_WSTRING:
      case '{':
        luaK_exp2nextreg(fs, v);
        FuncArgs(ls, v);
        break;
      default: return;
    }
  }
}

void SimpleExp(LexState* ls, expdesc* v) {
  switch (ls->t.token) {
    case TK_NUMBER:
      InitExp(v, VK, luaK_numberK(ls->fs, ls->t.seminfo.r));
      Next(ls);
      break;
    case TK_STRING:
      CodeString(ls, v, ls->t.seminfo.ts);
      Next(ls);
      break;
    case TK_WSTRING:
      InitExp(v, VK, luaK_wstringK(ls->fs, ls->t.seminfo.ts));
      Next(ls);
      break;
    case TK_NIL:
      InitExp(v, VNIL, 0);
      Next(ls);
      break;
    case TK_TRUE:
      InitExp(v, VTRUE, 0);
      Next(ls);
      break;
    case TK_FALSE:
      InitExp(v, VFALSE, 0);
      Next(ls);
      break;
    case '{': Constructor(ls, v); break;
    case TK_FUNCTION:
      Next(ls);
      Body(ls, v, 0, ls->linenumber);
      break;
    default: PrimaryExp(ls, v); break;
  }
}

UnOpr GetUnOpr(int op) {
  switch (op) {
    case TK_NOT: return OPR_NOT;
    case '-': return OPR_MINUS;
    default: return OPR_NOUNOPR;
  }
}

BinOpr GetBinOpr(int op) {
  switch (op) {
    case '+': return OPR_ADD;
    case '-': return OPR_SUB;
    case '*': return OPR_MULT;
    case '/': return OPR_DIV;
    case '&': return OPR_BAND;
    case '|': return OPR_BOR;
    case TK_SHL: return OPR_SHL;
    case TK_SHR: return OPR_SHR;
    case '^': return OPR_POW;
    case TK_CONCAT: return OPR_CONCAT;
    case TK_NE: return OPR_NE;
    case TK_EQ: return OPR_EQ;
    case '<': return OPR_LT;
    case TK_LE: return OPR_LE;
    case '>': return OPR_GT;
    case TK_GE: return OPR_GE;
    case TK_AND: return OPR_AND;
    case TK_OR: return OPR_OR;
    default: return OPR_NOBINOPR;
  }
}

// Reads an expression whose operators bind tighter than `limit'; returns the first operator
// left untreated.
BinOpr SubExpr(LexState* ls, expdesc* v, int limit) {
  EnterLevel(ls);
  UnOpr uop = GetUnOpr(ls->t.token);
  if (uop != OPR_NOUNOPR) {
    Next(ls);
    SubExpr(ls, v, UNARY_PRIORITY);
    luaK_prefix(ls->fs, uop, v);
  } else {
    SimpleExp(ls, v);
  }
  BinOpr op = GetBinOpr(ls->t.token);
  while (op != OPR_NOBINOPR && int(priority[op].left) > limit) {
    expdesc v2;
    Next(ls);
    luaK_infix(ls->fs, op, v);
    BinOpr nextop = SubExpr(ls, &v2, int(priority[op].right));
    luaK_posfix(ls->fs, op, v, &v2);
    op = nextop;
  }
  LeaveLevel(ls);
  return op;
}

void Expr(LexState* ls, expdesc* v) { SubExpr(ls, v, -1); }

bool BlockFollow(int token) {
  switch (token) {
    case TK_ELSE:
    case TK_ELSEIF:
    case TK_END:
    case TK_UNTIL:
    case TK_EOS: return true;
    default: return false;
  }
}

void Block(LexState* ls) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  EnterBlock(fs, &bl, 0);
  Chunk(ls);
  LeaveBlock(fs);
}

// In `a, b.x = ...' with `b' also assigned, the table must be read before `b' changes.
void CheckConflict(LexState* ls, LHS_assign* lh, expdesc* v) {
  FuncState* fs = ls->fs;
  int extra = fs->freereg;
  bool conflict = false;
  for (; lh; lh = lh->prev) {
    if (lh->v.k == VINDEXED) {
      if (lh->v.info == v->info) {
        conflict = true;
        lh->v.info = extra;
      }
      if (lh->v.aux == v->info) {
        conflict = true;
        lh->v.aux = extra;
      }
    }
  }
  if (conflict) {
    luaK_codeABC(fs, OP_MOVE, fs->freereg, v->info, 0);
    luaK_reserveregs(fs, 1);
  }
}

void Assignment(LexState* ls, LHS_assign* lh, int nvars) {
  expdesc e;
  CheckCondition(ls, VLOCAL <= lh->v.k && lh->v.k <= VINDEXED, "syntax error");
  if (TestNext(ls, ',')) {
    // Every further target is one more level of recursion here.
    EnterLevel(ls);
    LHS_assign nv;
    nv.prev = lh;
    PrimaryExp(ls, &nv.v);
    if (nv.v.k == VLOCAL) CheckConflict(ls, lh, &nv.v);
    Assignment(ls, &nv, nvars + 1);
    LeaveLevel(ls);
  } else {
    Check(ls, '=');
    int nexps = ExpList1(ls, &e);
    if (nexps != nvars) {
      AdjustAssign(ls, nvars, nexps, &e);
      if (nexps > nvars) ls->fs->freereg -= nexps - nvars;  // drop the extra values
    } else {
      luaK_setcallreturns(ls->fs, &e, 1);
      luaK_storevar(ls->fs, &lh->v, &e);
      return;
    }
  }
  InitExp(&e, VNONRELOC, ls->fs->freereg - 1);
  luaK_storevar(ls->fs, &lh->v, &e);
}

void Cond(LexState* ls, expdesc* v) {
  Expr(ls, v);
  if (v->k == VNIL) v->k = VFALSE;
  luaK_goiftrue(ls->fs, v);
  luaK_patchtohere(ls->fs, v->t);
}

// The loop block `break N' or `continue N' names, and whether a block left on the way holds
// a captured local that the jump must close.
BlockCnt* TargetLoop(LexState* ls, const char* noloop, bool* upval) {
  int n = 1;
  if (ls->t.token == TK_NUMBER) {
    lua_Number r = ls->t.seminfo.r;
    if (std::floor(r) != r) luaX_syntaxerror(ls, "loop block number must be integer");
    if (r < 1 || r > MAXLOOPNUMBER) luaX_syntaxerror(ls, "loop block number out of range");
    n = int(r);
    Next(ls);
  }
  BlockCnt* bl = ls->fs->bl;
  *upval = false;
  for (;;) {
    n--;
    while (bl && !bl->isbreakable) {
      if (bl->upval) *upval = true;
      bl = bl->previous;
    }
    if (!bl) luaX_syntaxerror(ls, noloop);
    if (n == 0) return bl;
    bl = bl->previous;
  }
}

void BreakStat(LexState* ls) {
  FuncState* fs = ls->fs;
  Next(ls);  // `break'
  bool upval;
  BlockCnt* bl = TargetLoop(ls, "no loop to break", &upval);
  if (upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  luaK_concat(fs, &bl->breaklist, luaK_jump(fs));
}

// The continue point runs the next iteration, which must not share the captured locals of
// this one: close them as `break' does.
void ContinueStat(LexState* ls) {
  FuncState* fs = ls->fs;
  Next(ls);  // `continue'
  bool upval;
  BlockCnt* bl = TargetLoop(ls, "no loop to continue", &upval);
  if (upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  luaK_concat(fs, &bl->continuelist, luaK_jump(fs));
}

void WhileStat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  expdesc v;
  Next(ls);                       // `while'
  int whileinit = luaK_jump(fs);  // to the condition, which is moved after the body
  int expinit = luaK_getlabel(fs);
  Expr(ls, &v);
  if (v.k == VK) v.k = VTRUE;
  int lineexp = ls->linenumber;
  luaK_goiffalse(fs, &v);
  luaK_concat(fs, &v.f, fs->jpc);
  fs->jpc = NO_JUMP;
  int sizeexp = fs->pc - expinit;
  if (sizeexp > MAXEXPWHILE) luaX_syntaxerror(ls, "`while' condition too complex");
  std::vector<Instruction> codeexp(fs->f->code + expinit, fs->f->code + expinit + sizeexp);
  fs->pc = expinit;
  EnterBlock(fs, &bl, 1);
  Check(ls, TK_DO);
  int blockinit = luaK_getlabel(fs);
  Block(ls);
  luaK_patchtohere(fs, whileinit);
  luaK_patchtohere(fs, bl.continuelist);
  bl.continuelist = NO_JUMP;
  // Jump lists thread through the moved code, so their heads move with it.
  if (v.t != NO_JUMP) v.t += fs->pc - expinit;
  if (v.f != NO_JUMP) v.f += fs->pc - expinit;
  for (Instruction i : codeexp) luaK_code(fs, i, lineexp);
  CheckMatch(ls, TK_END, TK_WHILE, line);
  LeaveBlock(fs);
  luaK_patchlist(fs, v.t, blockinit);
  luaK_patchtohere(fs, v.f);
}

void RepeatStat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  int repeat_init = luaK_getlabel(fs);
  expdesc v;
  BlockCnt bl;
  EnterBlock(fs, &bl, 1);
  Next(ls);  // `repeat'
  Block(ls);
  CheckMatch(ls, TK_UNTIL, TK_REPEAT, line);
  luaK_patchtohere(fs, bl.continuelist);
  bl.continuelist = NO_JUMP;
  Cond(ls, &v);
  luaK_patchlist(fs, v.f, repeat_init);
  LeaveBlock(fs);
}

void Exp1(LexState* ls) {
  expdesc e;
  Expr(ls, &e);
  luaK_exp2nextreg(ls->fs, &e);
}

void ForBody(LexState* ls, int base, int line, int nvars, bool isnum) {
  BlockCnt bl;
  FuncState* fs = ls->fs;
  AdjustLocalVars(ls, nvars);
  Check(ls, TK_DO);
  EnterBlock(fs, &bl, 1);
  int prep = luaK_getlabel(fs);
  Block(ls);
  luaK_patchtohere(fs, prep - 1);  // the jump from the preparation
  luaK_patchtohere(fs, bl.continuelist);
  bl.continuelist = NO_JUMP;
  int endfor = isnum ? luaK_codeAsBx(fs, OP_FORLOOP, base, NO_JUMP)
                     : luaK_codeABC(fs, OP_TFORLOOP, base, 0, nvars - 3);
  luaK_fixline(fs, line);  // the loop instruction belongs to the `for' line
  luaK_patchlist(fs, isnum ? endfor : luaK_jump(fs), prep);
  LeaveBlock(fs);
}

void ForNum(LexState* ls, TString* varname, int line) {
  FuncState* fs = ls->fs;
  int base = fs->freereg;
  NewLocalVar(ls, varname, 0);
  NewLocalVarStr(ls, "(for limit)", 1);
  NewLocalVarStr(ls, "(for step)", 2);
  Check(ls, '=');
  Exp1(ls);  // initial value
  Check(ls, ',');
  Exp1(ls);  // limit
  if (TestNext(ls, ',')) {
    Exp1(ls);  // step
  } else {
    luaK_codeABx(fs, OP_LOADK, fs->freereg, unsigned(luaK_numberK(fs, 1)));
    luaK_reserveregs(fs, 1);
  }
  // The loop instruction adds the step before its first test.
  luaK_codeABC(fs, OP_SUB, fs->freereg - 3, fs->freereg - 3, fs->freereg - 1);
  luaK_jump(fs);
  ForBody(ls, base, line, 3, true);
}

void ForList(LexState* ls, TString* indexname) {
  FuncState* fs = ls->fs;
  expdesc e;
  int nvars = 0;
  int base = fs->freereg;
  NewLocalVarStr(ls, "(for generator)", nvars++);
  NewLocalVarStr(ls, "(for state)", nvars++);
  NewLocalVar(ls, indexname, nvars++);
  while (TestNext(ls, ',')) NewLocalVar(ls, StrCheckName(ls), nvars++);
  Check(ls, TK_IN);
  int line = ls->linenumber;
  AdjustAssign(ls, nvars, ExpList1(ls, &e), &e);
  luaK_checkstack(fs, 3);  // room to call the generator
  luaK_codeAsBx(fs, OP_TFORPREP, base, NO_JUMP);
  ForBody(ls, base, line, nvars, false);
}

void ForStat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  EnterBlock(fs, &bl, 0);  // scope of the control variables
  Next(ls);                // `for'
  TString* varname = StrCheckName(ls);
  switch (ls->t.token) {
    case '=': ForNum(ls, varname, line); break;
    case ',':
    case TK_IN: ForList(ls, varname); break;
    default: luaX_syntaxerror(ls, "`=' or `in' expected");
  }
  CheckMatch(ls, TK_END, TK_FOR, line);
  LeaveBlock(fs);
}

void TestThenBlock(LexState* ls, expdesc* v) {
  Next(ls);  // `if' or `elseif'
  Cond(ls, v);
  Check(ls, TK_THEN);
  Block(ls);
}

void IfStat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  expdesc v;
  int escapelist = NO_JUMP;
  TestThenBlock(ls, &v);
  while (ls->t.token == TK_ELSEIF) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, v.f);
    TestThenBlock(ls, &v);
  }
  if (ls->t.token == TK_ELSE) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, v.f);
    Next(ls);  // after the patch, for the line information
    Block(ls);
  } else {
    luaK_concat(fs, &escapelist, v.f);
  }
  luaK_patchtohere(fs, escapelist);
  CheckMatch(ls, TK_END, TK_IF, line);
}

void LocalFunc(LexState* ls) {
  expdesc v, b;
  FuncState* fs = ls->fs;
  NewLocalVar(ls, StrCheckName(ls), 0);
  InitExp(&v, VLOCAL, fs->freereg);
  luaK_reserveregs(fs, 1);
  AdjustLocalVars(ls, 1);
  Body(ls, &b, 0, ls->linenumber);
  luaK_storevar(fs, &v, &b);
  GetLocVar(fs, fs->nactvar - 1).startpc = fs->pc;  // debug information sees it from here
}

void LocalStat(LexState* ls) {
  int nvars = 0;
  int nexps;
  expdesc e;
  do {
    NewLocalVar(ls, StrCheckName(ls), nvars++);
  } while (TestNext(ls, ','));
  if (TestNext(ls, '=')) {
    nexps = ExpList1(ls, &e);
  } else {
    e.k = VVOID;
    nexps = 0;
  }
  AdjustAssign(ls, nvars, nexps, &e);
  AdjustLocalVars(ls, nvars);
}

bool FuncName(LexState* ls, expdesc* v) {
  bool needself = false;
  SingleVar(ls, v, 1);
  while (ls->t.token == '.') Field(ls, v);
  if (ls->t.token == ':') {
    needself = true;
    Field(ls, v);
  }
  return needself;
}

void FuncStat(LexState* ls, int line) {
  expdesc v, b;
  Next(ls);  // `function'
  bool needself = FuncName(ls, &v);
  Body(ls, &b, needself, line);
  luaK_storevar(ls->fs, &v, &b);
  luaK_fixline(ls->fs, line);  // the definition happens on the first line
}

void ExprStat(LexState* ls) {
  FuncState* fs = ls->fs;
  LHS_assign v;
  PrimaryExp(ls, &v.v);
  if (v.v.k == VCALL) {
    luaK_setcallreturns(fs, &v.v, 0);  // a call statement uses no results
  } else {
    v.prev = nullptr;
    Assignment(ls, &v, 1);
  }
}

void RetStat(LexState* ls) {
  FuncState* fs = ls->fs;
  expdesc e;
  int first, nret;
  Next(ls);  // `return'
  if (BlockFollow(ls->t.token) || ls->t.token == ';') {
    first = nret = 0;
  } else {
    nret = ExpList1(ls, &e);
    if (e.k == VCALL) {
      luaK_setcallreturns(fs, &e, LUA_MULTRET);
      if (nret == 1) SET_OPCODE(getcode(fs, &e), OP_TAILCALL);
      first = fs->nactvar;
      nret = LUA_MULTRET;
    } else if (nret == 1) {
      first = luaK_exp2anyreg(fs, &e);
    } else {
      luaK_exp2nextreg(fs, &e);  // the values must be consecutive
      first = fs->nactvar;
    }
  }
  luaK_codeABC(fs, OP_RETURN, first, nret + 1, 0);
}

// Returns true for a statement that must end its block.
bool Statement(LexState* ls) {
  int line = ls->linenumber;
  switch (ls->t.token) {
    case TK_IF: IfStat(ls, line); return false;
    case TK_WHILE: WhileStat(ls, line); return false;
    case TK_DO:
      Next(ls);
      Block(ls);
      CheckMatch(ls, TK_END, TK_DO, line);
      return false;
    case TK_FOR: ForStat(ls, line); return false;
    case TK_REPEAT: RepeatStat(ls, line); return false;
    case TK_FUNCTION: FuncStat(ls, line); return false;
    case TK_LOCAL:
      Next(ls);
      if (TestNext(ls, TK_FUNCTION))
        LocalFunc(ls);
      else
        LocalStat(ls);
      return false;
    case TK_RETURN: RetStat(ls); return true;
    case TK_BREAK: BreakStat(ls); return true;
    case TK_CONTINUE: ContinueStat(ls); return true;
    default: ExprStat(ls); return false;
  }
}

void Chunk(LexState* ls) {
  bool islast = false;
  EnterLevel(ls);
  while (!islast && !BlockFollow(ls->t.token)) {
    islast = Statement(ls);
    TestNext(ls, ';');
    ls->fs->freereg = ls->fs->nactvar;  // free registers
  }
  LeaveLevel(ls);
}

}  // namespace

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff) {
  LexState lexstate;
  FuncState funcstate;
  lexstate.buff = buff;
  luaX_setinput(L, &lexstate, z, luaS_new(L, zname(z)));
  OpenFunc(&lexstate, &funcstate);
  funcstate.f->is_vararg = 1;  // the main function takes the chunk's arguments
  Next(&lexstate);
  Chunk(&lexstate);
  CheckCondition(&lexstate, lexstate.t.token == TK_EOS, "<eof> expected");
  CloseFunc(&lexstate);
  return funcstate.f;
}
