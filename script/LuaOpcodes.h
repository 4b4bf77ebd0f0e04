// Instruction format and the instruction set shared by the code generator, the virtual
// machine, the code checker and precompiled chunks. The four bitwise instructions sit right
// after OP_DIV; stored chunks depend on this numbering, so it never changes.
#pragma once

#include <cstdint>

#include "script/LuaConf.h"

enum OpMode { iABC, iABx, iAsBx };

inline constexpr int SIZE_OP = 6;
inline constexpr int SIZE_C = 9;
inline constexpr int SIZE_B = 9;
inline constexpr int SIZE_Bx = SIZE_C + SIZE_B;
inline constexpr int SIZE_A = 8;

inline constexpr int POS_OP = 0;
inline constexpr int POS_C = POS_OP + SIZE_OP;
inline constexpr int POS_B = POS_C + SIZE_C;
inline constexpr int POS_Bx = POS_C;
inline constexpr int POS_A = POS_B + SIZE_B;

inline constexpr int MAXARG_Bx = (1 << SIZE_Bx) - 1;
inline constexpr int MAXARG_sBx = MAXARG_Bx >> 1;
inline constexpr int MAXARG_A = (1 << SIZE_A) - 1;
inline constexpr int MAXARG_B = (1 << SIZE_B) - 1;
inline constexpr int MAXARG_C = (1 << SIZE_C) - 1;

// End marker of a jump list threaded through sBx fields.
inline constexpr int NO_JUMP = -1;

// Operands B and C marked RK name a register below this value and a constant at or above it.
inline constexpr int RK_CONSTBASE = MAXSTACK;

constexpr Instruction MaskBits(int n, int pos) { return ((Instruction(1) << n) - 1) << pos; }

constexpr int GET_OPCODE(Instruction i) { return int((i >> POS_OP) & MaskBits(SIZE_OP, 0)); }
constexpr int GETARG_A(Instruction i) { return int((i >> POS_A) & MaskBits(SIZE_A, 0)); }
constexpr int GETARG_B(Instruction i) { return int((i >> POS_B) & MaskBits(SIZE_B, 0)); }
constexpr int GETARG_C(Instruction i) { return int((i >> POS_C) & MaskBits(SIZE_C, 0)); }
constexpr int GETARG_Bx(Instruction i) { return int((i >> POS_Bx) & MaskBits(SIZE_Bx, 0)); }
constexpr int GETARG_sBx(Instruction i) { return GETARG_Bx(i) - MAXARG_sBx; }

inline void SET_OPCODE(Instruction& i, int o) {
  i = (i & ~MaskBits(SIZE_OP, POS_OP)) | ((Instruction(o) << POS_OP) & MaskBits(SIZE_OP, POS_OP));
}
inline void SETARG_A(Instruction& i, int v) {
  i = (i & ~MaskBits(SIZE_A, POS_A)) | ((Instruction(v) << POS_A) & MaskBits(SIZE_A, POS_A));
}
inline void SETARG_B(Instruction& i, int v) {
  i = (i & ~MaskBits(SIZE_B, POS_B)) | ((Instruction(v) << POS_B) & MaskBits(SIZE_B, POS_B));
}
inline void SETARG_C(Instruction& i, int v) {
  i = (i & ~MaskBits(SIZE_C, POS_C)) | ((Instruction(v) << POS_C) & MaskBits(SIZE_C, POS_C));
}
inline void SETARG_Bx(Instruction& i, int v) {
  i = (i & ~MaskBits(SIZE_Bx, POS_Bx)) | ((Instruction(v) << POS_Bx) & MaskBits(SIZE_Bx, POS_Bx));
}
inline void SETARG_sBx(Instruction& i, int v) { SETARG_Bx(i, v + MAXARG_sBx); }

constexpr Instruction CREATE_ABC(int o, int a, int b, int c) {
  return (Instruction(o) << POS_OP) | (Instruction(a) << POS_A) | (Instruction(b) << POS_B) |
         (Instruction(c) << POS_C);
}
constexpr Instruction CREATE_ABx(int o, int a, unsigned bc) {
  return (Instruction(o) << POS_OP) | (Instruction(a) << POS_A) | (Instruction(bc) << POS_Bx);
}

enum OpCode {
  OP_MOVE,       // A B      R(A) := R(B)
  OP_LOADK,      // A Bx     R(A) := Kst(Bx)
  OP_LOADBOOL,   // A B C    R(A) := (Bool)B; if (C) pc++
  OP_LOADNIL,    // A B      R(A) := ... := R(B) := nil
  OP_GETUPVAL,   // A B      R(A) := UpValue[B]
  OP_GETGLOBAL,  // A Bx     R(A) := Gbl[Kst(Bx)]
  OP_GETTABLE,   // A B C    R(A) := R(B)[RK(C)]
  OP_SETGLOBAL,  // A Bx     Gbl[Kst(Bx)] := R(A)
  OP_SETUPVAL,   // A B      UpValue[B] := R(A)
  OP_SETTABLE,   // A B C    R(A)[RK(B)] := RK(C)
  OP_NEWTABLE,   // A B C    R(A) := {} (array size B as floating byte, hash size log2 C)
  OP_SELF,       // A B C    R(A+1) := R(B); R(A) := R(B)[RK(C)]
  OP_ADD,        // A B C    R(A) := RK(B) + RK(C)
  OP_SUB,        // A B C    R(A) := RK(B) - RK(C)
  OP_MUL,        // A B C    R(A) := RK(B) * RK(C)
  OP_DIV,        // A B C    R(A) := RK(B) / RK(C)
  OP_BAND,       // A B C    R(A) := RK(B) & RK(C)
  OP_BOR,        // A B C    R(A) := RK(B) | RK(C)
  OP_SHL,        // A B C    R(A) := RK(B) << RK(C)
  OP_SHR,        // A B C    R(A) := RK(B) >> RK(C)
  OP_POW,        // A B C    R(A) := RK(B) ^ RK(C)
  OP_UNM,        // A B      R(A) := -R(B)
  OP_NOT,        // A B      R(A) := not R(B)
  OP_CONCAT,     // A B C    R(A) := R(B).. ... ..R(C)
  OP_JMP,        // sBx      pc += sBx
  OP_EQ,         // A B C    if ((RK(B) == RK(C)) ~= A) then pc++
  OP_LT,         // A B C    if ((RK(B) <  RK(C)) ~= A) then pc++
  OP_LE,         // A B C    if ((RK(B) <= RK(C)) ~= A) then pc++
  OP_TEST,       // A B C    if (R(B) <=> C) then R(A) := R(B) else pc++
  OP_CALL,       // A B C    R(A), ... ,R(A+C-2) := R(A)(R(A+1), ... ,R(A+B-1))
  OP_TAILCALL,   // A B C    return R(A)(R(A+1), ... ,R(A+B-1))
  OP_RETURN,     // A B      return R(A), ... ,R(A+B-2)
  OP_FORLOOP,    // A sBx    R(A)+=R(A+2); if R(A) <?= R(A+1) then pc+=sBx
  OP_TFORLOOP,  // A C      R(A+2), ... ,R(A+2+C) := R(A)(R(A+1), R(A+2)); if R(A+2) ~= nil then pc++
  OP_TFORPREP,  // A sBx    if type(R(A)) == table then R(A+1):=R(A), R(A):=next; pc+=sBx
  OP_SETLIST,   // A Bx     R(A)[Bx-Bx%FPF+i] := R(A+i), 1 <= i <= Bx%FPF+1
  OP_SETLISTO,  // A Bx     same, up to the top
  OP_CLOSE,     // A        close all variables in the stack up to (>=) R(A)
  OP_CLOSURE    // A Bx     R(A) := closure(KPROTO[Bx], R(A), ... ,R(A+n))
};

inline constexpr int NUM_OPCODES = int(OP_CLOSURE) + 1;

// Bits of the per-opcode mode byte: bits 0..1 hold the OpMode.
enum OpModeMask {
  OpModeBreg = 2,  // B is a register
  OpModeBrk,       // B is a register or a constant
  OpModeCrk,       // C is a register or a constant
  OpModesetA,      // the instruction sets register A
  OpModeK,         // Bx is a constant index
  OpModeT          // a test: the next instruction is a jump
};

extern const std::uint8_t luaP_opmodes[NUM_OPCODES];
extern const char* const luaP_opnames[NUM_OPCODES];

inline OpMode getOpMode(int m) { return OpMode(luaP_opmodes[m] & 3); }
inline bool testOpMode(int m, int b) { return (luaP_opmodes[m] & (1 << b)) != 0; }
