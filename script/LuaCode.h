// Code generator: emits the register-based instructions of one prototype while the parser
// walks the source (register allocation, constants, jump lists, line information).
#pragma once

#include "script/LuaLexer.h"
#include "script/LuaObject.h"
#include "script/LuaOpcodes.h"
#include "script/LuaParser.h"

// Binary operators in the numbering of the priority table; the first nine map onto the
// arithmetic opcodes from OP_ADD on.
enum BinOpr {
  OPR_ADD,
  OPR_SUB,
  OPR_MULT,
  OPR_DIV,
  OPR_BAND,
  OPR_BOR,
  OPR_SHL,
  OPR_SHR,
  OPR_POW,
  OPR_CONCAT,
  OPR_NE,
  OPR_EQ,
  OPR_LT,
  OPR_LE,
  OPR_GT,
  OPR_GE,
  OPR_AND,
  OPR_OR,
  OPR_NOBINOPR
};

#define binopistest(op) ((op) >= OPR_NE)

enum UnOpr { OPR_MINUS, OPR_NOT, OPR_NOUNOPR };

#define getcode(fs, e) ((fs)->f->code[(e)->info])
#define luaK_codeAsBx(fs, o, A, sBx) luaK_codeABx(fs, o, A, (sBx) + MAXARG_sBx)

int luaK_code(FuncState* fs, Instruction i, int line);
int luaK_codeABx(FuncState* fs, OpCode o, int A, unsigned int Bx);
int luaK_codeABC(FuncState* fs, OpCode o, int A, int B, int C);
void luaK_fixline(FuncState* fs, int line);
void luaK_nil(FuncState* fs, int from, int n);
void luaK_reserveregs(FuncState* fs, int n);
void luaK_checkstack(FuncState* fs, int n);
int luaK_stringK(FuncState* fs, TString* s);
int luaK_wstringK(FuncState* fs, TString* s);
int luaK_numberK(FuncState* fs, lua_Number r);
void luaK_dischargevars(FuncState* fs, expdesc* e);
int luaK_exp2anyreg(FuncState* fs, expdesc* e);
void luaK_exp2nextreg(FuncState* fs, expdesc* e);
void luaK_exp2val(FuncState* fs, expdesc* e);
int luaK_exp2RK(FuncState* fs, expdesc* e);
void luaK_self(FuncState* fs, expdesc* e, expdesc* key);
void luaK_indexed(FuncState* fs, expdesc* t, expdesc* k);
void luaK_goiftrue(FuncState* fs, expdesc* e);
void luaK_goiffalse(FuncState* fs, expdesc* e);
void luaK_storevar(FuncState* fs, expdesc* var, expdesc* e);
void luaK_setcallreturns(FuncState* fs, expdesc* var, int nresults);
int luaK_jump(FuncState* fs);
void luaK_patchlist(FuncState* fs, int list, int target);
void luaK_patchtohere(FuncState* fs, int list);
void luaK_concat(FuncState* fs, int* l1, int l2);
int luaK_getlabel(FuncState* fs);
void luaK_prefix(FuncState* fs, UnOpr op, expdesc* v);
void luaK_infix(FuncState* fs, BinOpr op, expdesc* v);
void luaK_posfix(FuncState* fs, BinOpr op, expdesc* v1, expdesc* v2);
