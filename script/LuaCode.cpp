// Code generator: expression descriptors discharged lazily into registers, constants shared
// through RK operands, jump lists threaded through the jump offsets, and line information.
#include "script/LuaCode.h"

#include <cstdlib>

#include "script/LuaDo.h"
#include "script/LuaMem.h"

namespace {

constexpr int NO_REG = MAXARG_A;

bool HasJumps(const expdesc* e) { return e->t != e->f; }

int CondJump(FuncState* fs, OpCode op, int A, int B, int C) {
  luaK_codeABC(fs, op, A, B, C);
  return luaK_jump(fs);
}

void FixJump(FuncState* fs, int pc, int dest) {
  Instruction* jmp = &fs->f->code[pc];
  int offset = dest - (pc + 1);
  if (std::abs(offset) > MAXARG_sBx) luaX_syntaxerror(fs->ls, "control structure too long");
  SETARG_sBx(*jmp, offset);
}

int GetJump(FuncState* fs, int pc) {
  int offset = GETARG_sBx(fs->f->code[pc]);
  if (offset == NO_JUMP) return NO_JUMP;  // a jump to itself ends the list
  return (pc + 1) + offset;
}

// The instruction that controls a jump: the test before it, if any.
Instruction* GetJumpControl(FuncState* fs, int pc) {
  Instruction* pi = &fs->f->code[pc];
  if (pc >= 1 && testOpMode(GET_OPCODE(*(pi - 1)), OpModeT)) return pi - 1;
  return pi;
}

// Whether the list holds a jump that produces no value (or an inverted one).
bool NeedValue(FuncState* fs, int list, int cond) {
  for (; list != NO_JUMP; list = GetJump(fs, list)) {
    Instruction i = *GetJumpControl(fs, list);
    if (GET_OPCODE(i) != OP_TEST || GETARG_C(i) != cond) return true;
  }
  return false;
}

void PatchTestReg(Instruction* i, int reg) {
  if (reg == NO_REG) reg = GETARG_B(*i);
  SETARG_A(*i, reg);
}

void PatchListAux(FuncState* fs, int list, int ttarget, int treg, int ftarget, int freg,
                  int dtarget) {
  while (list != NO_JUMP) {
    int next = GetJump(fs, list);
    Instruction* i = GetJumpControl(fs, list);
    if (GET_OPCODE(*i) != OP_TEST) {
      FixJump(fs, list, dtarget);
    } else if (GETARG_C(*i)) {
      PatchTestReg(i, treg);
      FixJump(fs, list, ttarget);
    } else {
      PatchTestReg(i, freg);
      FixJump(fs, list, ftarget);
    }
    list = next;
  }
}

void DischargeJpc(FuncState* fs) {
  PatchListAux(fs, fs->jpc, fs->pc, NO_REG, fs->pc, NO_REG, fs->pc);
  fs->jpc = NO_JUMP;
}

void FreeReg(FuncState* fs, int reg) {
  if (reg >= fs->nactvar && reg < MAXSTACK) fs->freereg--;
}

void FreeExp(FuncState* fs, expdesc* e) {
  if (e->k == VNONRELOC) FreeReg(fs, e->info);
}

int AddK(FuncState* fs, const TObject* v) {
  Proto* f = fs->f;
  int oldsize = f->sizek;
  luaM_growvector(fs->L, f->k, fs->nk, f->sizek, TObject, MAXARG_Bx, "constant table overflow");
  // Unused slots stay nil so that the collector may traverse the whole vector.
  for (int i = oldsize; i < f->sizek; ++i) setnilvalue(&f->k[i]);
  setobj2n(&f->k[fs->nk], v);
  return fs->nk++;
}

int NilConstant(FuncState* fs) {
  if (fs->knil < 0) {
    TObject v{};
    setnilvalue(&v);
    fs->knil = AddK(fs, &v);
  }
  return fs->knil;
}

int CodeLabel(FuncState* fs, int A, int b, int jump) {
  luaK_getlabel(fs);  // these instructions may be jump targets
  return luaK_codeABC(fs, OP_LOADBOOL, A, b, jump);
}

void Discharge2Reg(FuncState* fs, expdesc* e, int reg) {
  luaK_dischargevars(fs, e);
  switch (e->k) {
    case VNIL: luaK_nil(fs, reg, 1); break;
    case VFALSE:
    case VTRUE: luaK_codeABC(fs, OP_LOADBOOL, reg, e->k == VTRUE, 0); break;
    case VK: luaK_codeABx(fs, OP_LOADK, reg, unsigned(e->info)); break;
    case VRELOCABLE: SETARG_A(getcode(fs, e), reg); break;
    case VNONRELOC:
      if (reg != e->info) luaK_codeABC(fs, OP_MOVE, reg, e->info, 0);
      break;
    default: return;  // VVOID or VJMP: nothing to load
  }
  e->info = reg;
  e->k = VNONRELOC;
}

void Discharge2AnyReg(FuncState* fs, expdesc* e) {
  if (e->k != VNONRELOC) {
    luaK_reserveregs(fs, 1);
    Discharge2Reg(fs, e, fs->freereg - 1);
  }
}

void Exp2Reg(FuncState* fs, expdesc* e, int reg) {
  Discharge2Reg(fs, e, reg);
  if (e->k == VJMP) luaK_concat(fs, &e->t, e->info);
  if (HasJumps(e)) {
    int p_f = NO_JUMP;  // position of a LOADBOOL false
    int p_t = NO_JUMP;  // position of a LOADBOOL true
    if (NeedValue(fs, e->t, 1) || NeedValue(fs, e->f, 0)) {
      int fj = (e->k == VJMP) ? NO_JUMP : luaK_jump(fs);
      p_f = CodeLabel(fs, reg, 0, 1);
      p_t = CodeLabel(fs, reg, 1, 0);
      luaK_patchtohere(fs, fj);
    }
    int final = luaK_getlabel(fs);
    PatchListAux(fs, e->f, p_f, NO_REG, final, reg, p_f);
    PatchListAux(fs, e->t, final, reg, p_t, NO_REG, p_t);
  }
  e->f = e->t = NO_JUMP;
  e->info = reg;
  e->k = VNONRELOC;
}

void InvertJump(FuncState* fs, expdesc* e) {
  Instruction* pc = GetJumpControl(fs, e->info);
  SETARG_A(*pc, !GETARG_A(*pc));
}

int JumpOnCond(FuncState* fs, expdesc* e, int cond) {
  if (e->k == VRELOCABLE) {
    Instruction ie = getcode(fs, e);
    if (GET_OPCODE(ie) == OP_NOT) {
      fs->pc--;  // drop the OP_NOT and test its operand the other way
      return CondJump(fs, OP_TEST, NO_REG, GETARG_B(ie), !cond);
    }
  }
  Discharge2AnyReg(fs, e);
  FreeExp(fs, e);
  return CondJump(fs, OP_TEST, NO_REG, e->info, cond);
}

void CodeNot(FuncState* fs, expdesc* e) {
  luaK_dischargevars(fs, e);
  switch (e->k) {
    case VNIL:
    case VFALSE: e->k = VTRUE; break;
    case VK:
    case VTRUE: e->k = VFALSE; break;
    case VJMP: InvertJump(fs, e); break;
    case VRELOCABLE:
    case VNONRELOC:
      Discharge2AnyReg(fs, e);
      FreeExp(fs, e);
      e->info = luaK_codeABC(fs, OP_NOT, 0, e->info, 0);
      e->k = VRELOCABLE;
      break;
    default: break;
  }
  int temp = e->f;
  e->f = e->t;
  e->t = temp;
}

void CodeBinop(FuncState* fs, expdesc* res, BinOpr op, int o1, int o2) {
  if (op <= OPR_POW) {
    OpCode opc = OpCode(int(op) - OPR_ADD + OP_ADD);
    res->info = luaK_codeABC(fs, opc, 0, o1, o2);
    res->k = VRELOCABLE;
  } else {
    static const OpCode ops[] = {OP_EQ, OP_EQ, OP_LT, OP_LE, OP_LT, OP_LE};
    int cond = 1;
    if (op >= OPR_GT) {
      int temp = o1;  // a > b is b < a
      o1 = o2;
      o2 = temp;
    } else if (op == OPR_NE) {
      cond = 0;
    }
    res->info = CondJump(fs, ops[op - OPR_NE], cond, o1, o2);
    res->k = VJMP;
  }
}

}  // namespace

int luaK_code(FuncState* fs, Instruction i, int line) {
  Proto* f = fs->f;
  DischargeJpc(fs);  // `pc' will change
  luaM_growvector(fs->L, f->code, fs->pc, f->sizecode, Instruction, MAX_INT, "code size overflow");
  f->code[fs->pc] = i;
  luaM_growvector(fs->L, f->lineinfo, fs->pc, f->sizelineinfo, int, MAX_INT, "code size overflow");
  f->lineinfo[fs->pc] = line;
  return fs->pc++;
}

int luaK_codeABC(FuncState* fs, OpCode o, int a, int b, int c) {
  return luaK_code(fs, CREATE_ABC(o, a, b, c), fs->ls->lastline);
}

int luaK_codeABx(FuncState* fs, OpCode o, int a, unsigned int bc) {
  return luaK_code(fs, CREATE_ABx(o, a, bc), fs->ls->lastline);
}

void luaK_fixline(FuncState* fs, int line) { fs->f->lineinfo[fs->pc - 1] = line; }

void luaK_nil(FuncState* fs, int from, int n) {
  // Extend a LOADNIL just before, unless a jump lands between the two.
  if (fs->pc > fs->lasttarget) {
    Instruction* previous = &fs->f->code[fs->pc - 1];
    if (GET_OPCODE(*previous) == OP_LOADNIL) {
      int pfrom = GETARG_A(*previous);
      int pto = GETARG_B(*previous);
      if (pfrom <= from && from <= pto + 1) {
        if (from + n - 1 > pto) SETARG_B(*previous, from + n - 1);
        return;
      }
    }
  }
  luaK_codeABC(fs, OP_LOADNIL, from, from + n - 1, 0);
}

int luaK_jump(FuncState* fs) {
  int jpc = fs->jpc;  // jumps to here now jump to where this one goes
  fs->jpc = NO_JUMP;
  int j = luaK_codeAsBx(fs, OP_JMP, 0, NO_JUMP);
  luaK_concat(fs, &j, jpc);
  return j;
}

int luaK_getlabel(FuncState* fs) {
  fs->lasttarget = fs->pc;
  return fs->pc;
}

void luaK_patchlist(FuncState* fs, int list, int target) {
  if (target == fs->pc)
    luaK_patchtohere(fs, list);
  else
    PatchListAux(fs, list, target, NO_REG, target, NO_REG, target);
}

void luaK_patchtohere(FuncState* fs, int list) {
  luaK_getlabel(fs);
  luaK_concat(fs, &fs->jpc, list);
}

void luaK_concat(FuncState* fs, int* l1, int l2) {
  if (l2 == NO_JUMP) return;
  if (*l1 == NO_JUMP) {
    *l1 = l2;
    return;
  }
  int list = *l1;
  int next;
  while ((next = GetJump(fs, list)) != NO_JUMP) list = next;
  FixJump(fs, list, l2);
}

void luaK_checkstack(FuncState* fs, int n) {
  int newstack = fs->freereg + n;
  if (newstack > fs->f->maxstacksize) {
    if (newstack >= MAXSTACK) luaX_syntaxerror(fs->ls, "function or expression too complex");
    fs->f->maxstacksize = lu_byte(newstack);
  }
}

void luaK_reserveregs(FuncState* fs, int n) {
  luaK_checkstack(fs, n);
  fs->freereg += n;
}

int luaK_stringK(FuncState* fs, TString* s) {
  auto it = fs->kstrings.find(s);
  if (it != fs->kstrings.end()) return it->second;
  TObject o;
  setsvalue(&o, s);
  int idx = AddK(fs, &o);
  fs->kstrings.emplace(s, idx);
  return idx;
}

int luaK_wstringK(FuncState* fs, TString* s) {
  auto it = fs->kstrings.find(s);
  if (it != fs->kstrings.end()) return it->second;
  TObject o;
  setwsvalue(&o, s);
  int idx = AddK(fs, &o);
  fs->kstrings.emplace(s, idx);
  return idx;
}

int luaK_numberK(FuncState* fs, lua_Number r) {
  auto it = fs->knumbers.find(r);
  if (it != fs->knumbers.end()) return it->second;
  TObject o;
  setnvalue(&o, r);
  int idx = AddK(fs, &o);
  fs->knumbers.emplace(r, idx);
  return idx;
}

void luaK_setcallreturns(FuncState* fs, expdesc* e, int nresults) {
  if (e->k == VCALL) {
    SETARG_C(getcode(fs, e), nresults + 1);
    if (nresults == 1) {
      e->k = VNONRELOC;
      e->info = GETARG_A(getcode(fs, e));
    }
  }
}

void luaK_dischargevars(FuncState* fs, expdesc* e) {
  switch (e->k) {
    case VLOCAL: e->k = VNONRELOC; break;
    case VUPVAL:
      e->info = luaK_codeABC(fs, OP_GETUPVAL, 0, e->info, 0);
      e->k = VRELOCABLE;
      break;
    case VGLOBAL:
      e->info = luaK_codeABx(fs, OP_GETGLOBAL, 0, unsigned(e->info));
      e->k = VRELOCABLE;
      break;
    case VINDEXED:
      FreeReg(fs, e->aux);
      FreeReg(fs, e->info);
      e->info = luaK_codeABC(fs, OP_GETTABLE, 0, e->info, e->aux);
      e->k = VRELOCABLE;
      break;
    case VCALL: luaK_setcallreturns(fs, e, 1); break;
    default: break;
  }
}

void luaK_exp2nextreg(FuncState* fs, expdesc* e) {
  luaK_dischargevars(fs, e);
  FreeExp(fs, e);
  luaK_reserveregs(fs, 1);
  Exp2Reg(fs, e, fs->freereg - 1);
}

int luaK_exp2anyreg(FuncState* fs, expdesc* e) {
  luaK_dischargevars(fs, e);
  if (e->k == VNONRELOC) {
    if (!HasJumps(e)) return e->info;
    if (e->info >= fs->nactvar) {  // a temporary: put the value there
      Exp2Reg(fs, e, e->info);
      return e->info;
    }
  }
  luaK_exp2nextreg(fs, e);
  return e->info;
}

void luaK_exp2val(FuncState* fs, expdesc* e) {
  if (HasJumps(e))
    luaK_exp2anyreg(fs, e);
  else
    luaK_dischargevars(fs, e);
}

int luaK_exp2RK(FuncState* fs, expdesc* e) {
  luaK_exp2val(fs, e);
  switch (e->k) {
    case VNIL:
      if (fs->nk + MAXSTACK <= MAXARG_C) {
        e->info = NilConstant(fs);
        e->k = VK;
        return e->info + MAXSTACK;
      }
      break;
    case VK:
      if (e->info + MAXSTACK <= MAXARG_C) return e->info + MAXSTACK;
      break;
    default: break;
  }
  return luaK_exp2anyreg(fs, e);
}

void luaK_storevar(FuncState* fs, expdesc* var, expdesc* ex) {
  switch (var->k) {
    case VLOCAL:
      FreeExp(fs, ex);
      Exp2Reg(fs, ex, var->info);
      return;
    case VUPVAL: {
      int e = luaK_exp2anyreg(fs, ex);
      luaK_codeABC(fs, OP_SETUPVAL, e, var->info, 0);
      break;
    }
    case VGLOBAL: {
      int e = luaK_exp2anyreg(fs, ex);
      luaK_codeABx(fs, OP_SETGLOBAL, e, unsigned(var->info));
      break;
    }
    case VINDEXED: {
      int e = luaK_exp2RK(fs, ex);
      luaK_codeABC(fs, OP_SETTABLE, var->info, var->aux, e);
      break;
    }
    default: break;
  }
  FreeExp(fs, ex);
}

void luaK_self(FuncState* fs, expdesc* e, expdesc* key) {
  luaK_exp2anyreg(fs, e);
  FreeExp(fs, e);
  int func = fs->freereg;
  luaK_reserveregs(fs, 2);
  luaK_codeABC(fs, OP_SELF, func, e->info, luaK_exp2RK(fs, key));
  FreeExp(fs, key);
  e->info = func;
  e->k = VNONRELOC;
}

void luaK_goiftrue(FuncState* fs, expdesc* e) {
  int pc;
  luaK_dischargevars(fs, e);
  switch (e->k) {
    case VK:
    case VTRUE:
      pc = NO_JUMP;  // always true
      break;
    case VFALSE:
      pc = luaK_jump(fs);  // always false
      break;
    case VJMP:
      InvertJump(fs, e);
      pc = e->info;
      break;
    default: pc = JumpOnCond(fs, e, 0); break;
  }
  luaK_concat(fs, &e->f, pc);
}

void luaK_goiffalse(FuncState* fs, expdesc* e) {
  int pc;
  luaK_dischargevars(fs, e);
  switch (e->k) {
    case VNIL:
    case VFALSE: pc = NO_JUMP; break;
    case VTRUE: pc = luaK_jump(fs); break;
    case VJMP: pc = e->info; break;
    default: pc = JumpOnCond(fs, e, 1); break;
  }
  luaK_concat(fs, &e->t, pc);
}

void luaK_indexed(FuncState* fs, expdesc* t, expdesc* k) {
  t->aux = luaK_exp2RK(fs, k);
  t->k = VINDEXED;
}

void luaK_prefix(FuncState* fs, UnOpr op, expdesc* e) {
  if (op == OPR_MINUS) {
    luaK_exp2val(fs, e);
    if (e->k == VK && ttisnumber(&fs->f->k[e->info])) {
      e->info = luaK_numberK(fs, -nvalue(&fs->f->k[e->info]));
    } else {
      luaK_exp2anyreg(fs, e);
      FreeExp(fs, e);
      e->info = luaK_codeABC(fs, OP_UNM, 0, e->info, 0);
      e->k = VRELOCABLE;
    }
  } else {
    CodeNot(fs, e);
  }
}

void luaK_infix(FuncState* fs, BinOpr op, expdesc* v) {
  switch (op) {
    case OPR_AND:
      luaK_goiftrue(fs, v);
      luaK_patchtohere(fs, v->t);
      v->t = NO_JUMP;
      break;
    case OPR_OR:
      luaK_goiffalse(fs, v);
      luaK_patchtohere(fs, v->f);
      v->f = NO_JUMP;
      break;
    case OPR_CONCAT:
      luaK_exp2nextreg(fs, v);  // operands of a concatenation must be consecutive registers
      break;
    default: luaK_exp2RK(fs, v); break;
  }
}

void luaK_posfix(FuncState* fs, BinOpr op, expdesc* e1, expdesc* e2) {
  switch (op) {
    case OPR_AND:
      luaK_dischargevars(fs, e2);
      luaK_concat(fs, &e1->f, e2->f);
      e1->k = e2->k;
      e1->info = e2->info;
      e1->aux = e2->aux;
      e1->t = e2->t;
      break;
    case OPR_OR:
      luaK_dischargevars(fs, e2);
      luaK_concat(fs, &e1->t, e2->t);
      e1->k = e2->k;
      e1->info = e2->info;
      e1->aux = e2->aux;
      e1->f = e2->f;
      break;
    case OPR_CONCAT:
      luaK_exp2val(fs, e2);
      if (e2->k == VRELOCABLE && GET_OPCODE(getcode(fs, e2)) == OP_CONCAT) {
        FreeExp(fs, e1);
        SETARG_B(getcode(fs, e2), e1->info);
        e1->k = e2->k;
        e1->info = e2->info;
      } else {
        luaK_exp2nextreg(fs, e2);
        FreeExp(fs, e2);
        FreeExp(fs, e1);
        e1->info = luaK_codeABC(fs, OP_CONCAT, 0, e1->info, e2->info);
        e1->k = VRELOCABLE;
      }
      break;
    default: {
      int o1 = luaK_exp2RK(fs, e1);
      int o2 = luaK_exp2RK(fs, e2);
      FreeExp(fs, e2);
      FreeExp(fs, e1);
      CodeBinop(fs, e1, op, o1, o2);
    }
  }
}
