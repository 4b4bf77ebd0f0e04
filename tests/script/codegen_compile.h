// Test helper: compiles a chunk through the protected parser and exposes the resulting
// prototype or the error message, without needing the virtual machine.
#pragma once

#include <string>

#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaObject.h"
#include "script/LuaOpcodes.h"
#include "script/LuaState.h"
#include "script/LuaZio.h"

namespace compiler_test {

struct Source {
  const std::string* text;
  bool done;
};

inline const char* ReadAll(lua_State*, void* ud, size_t* size) {
  Source* s = static_cast<Source*>(ud);
  if (s->done) {
    *size = 0;
    return nullptr;
  }
  s->done = true;
  *size = s->text->size();
  return s->text->data();
}

class Compiler {
public:
  Compiler() : L(lua_open()) {}
  ~Compiler() { lua_close(L); }
  Compiler(const Compiler&) = delete;
  Compiler& operator=(const Compiler&) = delete;

  // Status of loading `text' (0 ok, 3 syntax error, 1 malformed precompiled chunk). On
  // success Main() is the chunk's prototype; otherwise Error() holds the message.
  int Compile(const std::string& text, const char* name = "=test") {
    L->top = L->base;
    Source src{&text, false};
    ZIO z;
    luaZ_init(&z, ReadAll, &src, name);
    bool binary = luaZ_lookahead(&z) == 27;
    mStatus = luaD_protectedparser(L, &z, binary);
    return mStatus;
  }

  const Proto* Main() const { return mStatus == 0 ? clvalue(L->top - 1)->l.p : nullptr; }

  std::string Error() const {
    if (mStatus == 0 || !ttisstring(L->top - 1)) return std::string();
    return std::string(svalue(L->top - 1), tsvalue(L->top - 1)->tsv.len);
  }

  lua_State* L;

private:
  int mStatus = -1;
};

// Units of a wide-string value.
inline std::u16string Units(const TObject* o) {
  const TString* ts = tsvalue(o);
  const lua_WChar* w = getwstr(ts);
  return std::u16string(w, w + ts->tsv.len);
}

inline std::string Bytes(const TObject* o) { return std::string(svalue(o), tsvalue(o)->tsv.len); }

// Instruction i of f, decoded as text ("ADD 0 250 251") to compare in tables.
inline std::string Decode(const Proto* f, int i) {
  Instruction ins = f->code[i];
  int op = GET_OPCODE(ins);
  std::string s = luaP_opnames[op];
  s += " " + std::to_string(GETARG_A(ins));
  switch (getOpMode(op)) {
    case iABC:
      s += " " + std::to_string(GETARG_B(ins)) + " " + std::to_string(GETARG_C(ins));
      break;
    case iABx: s += " " + std::to_string(GETARG_Bx(ins)); break;
    case iAsBx: s += " " + std::to_string(GETARG_sBx(ins)); break;
  }
  return s;
}

inline std::string Listing(const Proto* f) {
  std::string out;
  for (int i = 0; i < f->sizecode; ++i) out += Decode(f, i) + "\n";
  return out;
}

}  // namespace compiler_test
