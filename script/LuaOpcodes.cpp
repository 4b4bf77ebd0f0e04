// Opcode names and the per-opcode mode bytes read by the code checker, the code generator and
// the debug information (which register an instruction sets, which operands are constants).
#include "script/LuaOpcodes.h"

const char* const luaP_opnames[NUM_OPCODES] = {
    "MOVE",     "LOADK",    "LOADBOOL", "LOADNIL", "GETUPVAL", "GETGLOBAL", "GETTABLE", "SETGLOBAL",
    "SETUPVAL", "SETTABLE", "NEWTABLE", "SELF",    "ADD",      "SUB",       "MUL",      "DIV",
    "BAND",     "BOR",      "SHL",      "SHR",     "POW",      "UNM",       "NOT",      "CONCAT",
    "JMP",      "EQ",       "LT",       "LE",      "TEST",     "CALL",      "TAILCALL", "RETURN",
    "FORLOOP",  "TFORLOOP", "TFORPREP", "SETLIST", "SETLISTO", "CLOSE",     "CLOSURE"};

namespace {
constexpr std::uint8_t Mode(int t, int b, int bk, int ck, int sa, int k, int m) {
  return std::uint8_t((t << OpModeT) | (b << OpModeBreg) | (bk << OpModeBrk) | (ck << OpModeCrk) |
                      (sa << OpModesetA) | (k << OpModeK) | m);
}
}  // namespace

const std::uint8_t luaP_opmodes[NUM_OPCODES] = {
    //   T  B  Bk Ck sA K  mode
    Mode(0, 1, 0, 0, 1, 0, iABC),   // OP_MOVE
    Mode(0, 0, 0, 0, 1, 1, iABx),   // OP_LOADK
    Mode(0, 0, 0, 0, 1, 0, iABC),   // OP_LOADBOOL
    Mode(0, 1, 0, 0, 1, 0, iABC),   // OP_LOADNIL
    Mode(0, 0, 0, 0, 1, 0, iABC),   // OP_GETUPVAL
    Mode(0, 0, 0, 0, 1, 1, iABx),   // OP_GETGLOBAL
    Mode(0, 1, 0, 1, 1, 0, iABC),   // OP_GETTABLE
    Mode(0, 0, 0, 0, 0, 1, iABx),   // OP_SETGLOBAL
    Mode(0, 0, 0, 0, 0, 0, iABC),   // OP_SETUPVAL
    Mode(0, 0, 1, 1, 0, 0, iABC),   // OP_SETTABLE
    Mode(0, 0, 0, 0, 1, 0, iABC),   // OP_NEWTABLE
    Mode(0, 1, 0, 1, 1, 0, iABC),   // OP_SELF
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_ADD
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_SUB
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_MUL
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_DIV
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_BAND
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_BOR
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_SHL
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_SHR
    Mode(0, 0, 1, 1, 1, 0, iABC),   // OP_POW
    Mode(0, 1, 0, 0, 1, 0, iABC),   // OP_UNM
    Mode(0, 1, 0, 0, 1, 0, iABC),   // OP_NOT
    Mode(0, 1, 0, 1, 1, 0, iABC),   // OP_CONCAT
    Mode(0, 0, 0, 0, 0, 0, iAsBx),  // OP_JMP
    Mode(1, 0, 1, 1, 0, 0, iABC),   // OP_EQ
    Mode(1, 0, 1, 1, 0, 0, iABC),   // OP_LT
    Mode(1, 0, 1, 1, 0, 0, iABC),   // OP_LE
    Mode(1, 1, 0, 0, 1, 0, iABC),   // OP_TEST
    Mode(0, 0, 0, 0, 0, 0, iABC),   // OP_CALL
    Mode(0, 0, 0, 0, 0, 0, iABC),   // OP_TAILCALL
    Mode(0, 0, 0, 0, 0, 0, iABC),   // OP_RETURN
    Mode(0, 0, 0, 0, 0, 0, iAsBx),  // OP_FORLOOP
    Mode(1, 0, 0, 0, 0, 0, iABC),   // OP_TFORLOOP
    Mode(0, 0, 0, 0, 0, 0, iAsBx),  // OP_TFORPREP
    Mode(0, 0, 0, 0, 0, 0, iABx),   // OP_SETLIST
    Mode(0, 0, 0, 0, 0, 0, iABx),   // OP_SETLISTO
    Mode(0, 0, 0, 0, 0, 0, iABC),   // OP_CLOSE
    Mode(0, 0, 0, 0, 1, 0, iABx),   // OP_CLOSURE
};
