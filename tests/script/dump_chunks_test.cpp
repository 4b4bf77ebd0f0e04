// Precompiled chunks: functions written and read back equal, in both byte orders, and
// malformed chunks rejected with their messages.
#include <gtest/gtest.h>

#include <string>

#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaDump.h"
#include "script/codegen_compile.h"

using compiler_test::Compiler;
using compiler_test::Units;

namespace {

int AppendWriter(lua_State*, const void* p, size_t size, void* ud) {
  static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
  return 0;
}

std::string Dump(const Proto* f) {
  std::string out;
  EXPECT_EQ(luaU_dump(nullptr, f, AppendWriter, &out), 0);
  return out;
}

// Rewrites a chunk this program wrote (little-endian) in big-endian order, field by field.
class Swapper {
public:
  explicit Swapper(const std::string& in) : mIn(in) {}

  std::string Run() {
    Copy(4);       // signature
    Copy(1);       // version
    mOut += '\0';  // byte order: big-endian
    mPos++;
    Copy(8);  // sizes
    Swap(8);  // test number
    Function();
    EXPECT_EQ(mPos, mIn.size());
    return mOut;
  }

private:
  void Copy(size_t n) {
    mOut += mIn.substr(mPos, n);
    mPos += n;
  }
  void Swap(size_t n) {
    for (size_t i = 0; i < n; ++i) mOut += mIn[mPos + n - 1 - i];
    mPos += n;
  }
  uint32_t Int() {
    uint32_t x = 0;
    for (int i = 3; i >= 0; --i) x = (x << 8) | (unsigned char)mIn[mPos + i];
    Swap(4);
    return x;
  }
  void String() { Copy(Int()); }
  void Function() {
    String();                                // source
    Int();                                   // line defined
    Copy(4);                                 // nups, numparams, is_vararg, maxstacksize
    for (uint32_t n = Int(); n; --n) Int();  // lines
    for (uint32_t n = Int(); n; --n) {       // locals
      String();
      Int();
      Int();
    }
    for (uint32_t n = Int(); n; --n) String();  // upvalue names
    for (uint32_t n = Int(); n; --n) {          // constants
      unsigned char tag = mIn[mPos];
      Copy(1);
      if (tag == LUA_TNUMBER) Swap(8);
      if (tag == LUA_TSTRING) String();
      if (tag == LUA_TWSTRING)
        for (uint32_t u = Int(); u; --u) Swap(2);
    }
    for (uint32_t n = Int(); n; --n) Function();
    for (uint32_t n = Int(); n; --n) Swap(4);
  }

  const std::string& mIn;
  size_t mPos = 0;
  std::string mOut;
};

void ExpectSameObject(const TObject* a, const TObject* b) {
  ASSERT_EQ(ttype(a), ttype(b));
  if (ttisnumber(a)) {
    EXPECT_EQ(nvalue(a), nvalue(b));
  } else if (ttisstring(a)) {
    EXPECT_STREQ(svalue(a), svalue(b));
  } else if (ttiswstring(a)) {
    EXPECT_EQ(Units(a), Units(b));
  }
}

void ExpectSameProto(const Proto* a, const Proto* b) {
  EXPECT_STREQ(getstr(a->source), getstr(b->source));
  EXPECT_EQ(a->lineDefined, b->lineDefined);
  EXPECT_EQ(a->nups, b->nups);
  EXPECT_EQ(a->numparams, b->numparams);
  EXPECT_EQ(a->is_vararg, b->is_vararg);
  EXPECT_EQ(a->maxstacksize, b->maxstacksize);
  ASSERT_EQ(a->sizecode, b->sizecode);
  for (int i = 0; i < a->sizecode; ++i) EXPECT_EQ(a->code[i], b->code[i]) << i;
  ASSERT_EQ(a->sizelineinfo, b->sizelineinfo);
  for (int i = 0; i < a->sizelineinfo; ++i) EXPECT_EQ(a->lineinfo[i], b->lineinfo[i]);
  ASSERT_EQ(a->sizelocvars, b->sizelocvars);
  for (int i = 0; i < a->sizelocvars; ++i) {
    EXPECT_STREQ(getstr(a->locvars[i].varname), getstr(b->locvars[i].varname));
    EXPECT_EQ(a->locvars[i].startpc, b->locvars[i].startpc);
    EXPECT_EQ(a->locvars[i].endpc, b->locvars[i].endpc);
  }
  ASSERT_EQ(a->sizeupvalues, b->sizeupvalues);
  for (int i = 0; i < a->sizeupvalues; ++i)
    EXPECT_STREQ(getstr(a->upvalues[i]), getstr(b->upvalues[i]));
  ASSERT_EQ(a->sizek, b->sizek);
  for (int i = 0; i < a->sizek; ++i) ExpectSameObject(&a->k[i], &b->k[i]);
  ASSERT_EQ(a->sizep, b->sizep);
  for (int i = 0; i < a->sizep; ++i) ExpectSameProto(a->p[i], b->p[i]);
}

const char* kProgram =
    "local w = L\"caf\\xe9 \\x263A\\x0\"\n"
    "local t = {&4; 1.5, 'two', nil, w}\n"
    "function t:m(a, ...)\n"
    "  local function inner() return a, self, w end\n"
    "  return inner, arg\n"
    "end\n"
    "x = t[1] and -3 or 2^10\n";

TEST(Dump, ChunksReadBackEqualInBothByteOrders) {
  Compiler source, little, big;
  ASSERT_EQ(source.Compile(kProgram, "@game.lua"), 0) << source.Error();
  std::string chunk = Dump(source.Main());
  ASSERT_EQ(chunk.substr(0, 6), std::string("\x1bLua\x50\x01", 6));

  ASSERT_EQ(little.Compile(chunk, "=chunk"), 0) << little.Error();
  ExpectSameProto(source.Main(), little.Main());

  std::string swapped = Swapper(chunk).Run();
  ASSERT_NE(swapped, chunk);
  ASSERT_EQ(big.Compile(swapped, "=chunk"), 0) << big.Error();
  ExpectSameProto(source.Main(), big.Main());

  // Nested functions inherit the source instead of repeating it.
  EXPECT_EQ(chunk.find("@game.lua"), chunk.rfind("@game.lua"));
}

// Runs a chunk (text or precompiled) and returns its first result as text.
std::string RunChunk(lua_State* L, const std::string& chunk) {
  lua_settop(L, 0);
  int status = luaL_loadbuffer(L, chunk.data(), chunk.size(), "=chunk");
  if (status == 0) status = lua_pcall(L, 0, 1, 0);
  const char* s = lua_tostring(L, -1);
  return (status ? "error: " : "") + std::string(s ? s : "?");
}

TEST(Dump, LoadedChunksRunInBothByteOrders) {
  const char* program =
      "local w = L\"\\x263A\"\n"
      "local function count(n) local s = 0 for i = 1, n do s = s + i end return s end\n"
      "local t = {&0 &4; 1.5, 'two'}\n"
      "local f = function(...) return arg.n .. t[2] .. count(4) end\n"
      "return (w == L\"\\x263A\" and 'w' or '-') .. f(1, 2, 3) .. (6 ^ 3)";
  Compiler c;
  ASSERT_EQ(c.Compile(program), 0) << c.Error();
  std::string chunk = Dump(c.Main());
  lua_State* L = lua_open();
  EXPECT_EQ(RunChunk(L, program), "w3two105");
  EXPECT_EQ(RunChunk(L, chunk), "w3two105");
  EXPECT_EQ(RunChunk(L, Swapper(chunk).Run()), "w3two105");
  lua_close(L);
}

TEST(Dump, WriterFailureStopsTheDump) {
  Compiler c;
  ASSERT_EQ(c.Compile(kProgram), 0);
  int calls = 0;
  auto failing = [](lua_State*, const void*, size_t, void* ud) {
    ++*static_cast<int*>(ud);
    return 7;
  };
  EXPECT_EQ(luaU_dump(nullptr, c.Main(), failing, &calls), 7);
  EXPECT_EQ(calls, 1);
}

TEST(Dump, HeaderIsFixedOnEveryHost) {
  char h[LUAC_HEADERSIZE];
  luaU_header(h);
  EXPECT_EQ(std::string(h, 14), std::string("\x1bLua\x50\x01\x04\x04\x04\x06\x08\x09\x09\x08", 14));
  EXPECT_EQ(luaU_endianness(), 1);
}

// A minimal chunk built by hand: the main function returning nothing, with the given
// constant records.
std::string Int(uint32_t x) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char((x >> (8 * i)) & 0xFF);
  return s;
}

std::string Header() {
  char h[LUAC_HEADERSIZE];
  luaU_header(h);
  return std::string(h, LUAC_HEADERSIZE);
}

std::string MainFunction(const std::string& constants, uint32_t nupnames = 0,
                         Instruction last = CREATE_ABC(OP_RETURN, 0, 1, 0)) {
  std::string s = Int(0);           // no source
  s += Int(0);                      // line defined
  s += std::string("\0\0\1\2", 4);  // nups, params, vararg, stack
  s += Int(0);                      // line info
  s += Int(0);                      // locals
  s += Int(nupnames);               // upvalue names
  for (uint32_t i = 0; i < nupnames; ++i) s += Int(2) + std::string("u\0", 2);
  s += constants;
  s += Int(0);              // nested functions
  s += Int(1) + Int(last);  // code
  return s;
}

TEST(Dump, MalformedChunksAreRejectedWithTheirMessages) {
  std::string good = Header() + MainFunction(Int(0));
  std::string tooNew = good, tooOld = good, badSig = good, badInt = good, badNum = good;
  tooNew[4] = 0x51;
  tooOld[4] = 0x40;
  badSig[3] = 'x';
  badInt[6] = 8;
  badNum[LUAC_HEADERSIZE - 1] ^= 0x40;
  struct Case {
    std::string chunk;
    const char* message;
  } cases[] = {
      {tooNew, "test too new: read version 5.1; expected at most 5.0"},
      {tooOld, "test too old: read version 4.0; expected at least 5.0"},
      {badSig, "bad signature in test"},
      {badInt, "virtual machine mismatch in test: size of int is 4 but read 8"},
      {badNum, "unknown number format in test"},
      {good.substr(0, good.size() - 3), "unexpected end of file in test"},
      {Header().substr(0, 10), "unexpected end of file in test"},
      {Header() + MainFunction(Int(1) + "\x05"), "bad constant type (5) in test"},
      {Header() + MainFunction(Int(0), 2), "bad nupvalues in test: read 2; expected 0"},
      {Header() + MainFunction(Int(0x80000000u)), "bad integer in test"},
      {Header() + MainFunction(Int(0), 0, CREATE_ABC(OP_MOVE, 0, 1, 0)), "bad code in test"},
      // A string whose count promises far more than the chunk holds.
      {Header() + MainFunction(Int(1) + "\x04" + Int(0xFFFFFFF0u)),
       "unexpected end of file in test"},
  };
  Compiler c;
  ASSERT_EQ(c.Compile(good), 0) << c.Error();
  for (const Case& k : cases) {
    EXPECT_EQ(c.Compile(k.chunk), LUA_ERRRUN) << k.message;
    EXPECT_EQ(c.Error(), k.message);
  }
  // The display name drops a leading @ or =; an unnamed binary chunk is a "binary string".
  c.Compile(badSig, "@file.luac");
  EXPECT_EQ(c.Error(), "bad signature in file.luac");
  c.Compile(badSig, badSig.c_str());
  EXPECT_EQ(c.Error(), "bad signature in binary string");
}

TEST(Dump, ConstantsOfEveryKindLoad) {
  std::string wide = Int(3) + std::string("\x41\x00\x3a\x26\x00\x00", 6);
  std::string ks = Int(4) + std::string(1, '\0') + "\x03" + std::string("\0\0\0\0\0\0\xf8\x3f", 8) +
                   "\x04" + Int(3) + std::string("hi\0", 3) + "\x09" + wide;
  Compiler c;
  ASSERT_EQ(c.Compile(Header() + MainFunction(ks), "=k"), 0) << c.Error();
  const Proto* f = c.Main();
  ASSERT_EQ(f->sizek, 4);
  EXPECT_TRUE(ttisnil(&f->k[0]));
  EXPECT_EQ(nvalue(&f->k[1]), 1.5);
  EXPECT_STREQ(svalue(&f->k[2]), "hi");
  EXPECT_EQ(Units(&f->k[3]), u"\x41\x263a");
  // The main function written without a source takes the chunk's name.
  EXPECT_STREQ(getstr(f->source), "=k");
}

TEST(Dump, FunctionsNestedBeyondTheCompilersLimitAreRejected) {
  const std::string ret = Int(CREATE_ABC(OP_RETURN, 0, 1, 0));
  const std::string tail = Int(0) + Int(1) + ret;
  std::string head = MainFunction(Int(0));
  head = head.substr(0, head.size() - tail.size());
  auto nested = [&](int depth) {
    std::string body = MainFunction(Int(0));
    for (int i = 0; i < depth; ++i) body = head + Int(1) + body + Int(1) + ret;
    return Header() + body;
  };
  Compiler c;
  EXPECT_EQ(c.Compile(nested(150)), 0) << c.Error();
  EXPECT_EQ(c.Compile(nested(300)), LUA_ERRRUN);
  EXPECT_EQ(c.Error(), "bad code in test");
}

}  // namespace

TEST(Dump, AChunkWhoseClosureCapturesACalleeSlotRunsSafely) {
  // The closure `set' is patched to capture register 2, the temporary that `up(set)' uses as
  // the callee's function slot; the callee then overwrites its own function slot through
  // `set'. The checker cannot tell that register from a live local, so the machine must not
  // trust the slot for the running function.
  const char* program =
      "local function inner(set) set() return 1 end\n"
      "local function outer()\n"
      "  local up = inner\n"
      "  local set = function() up = 'after' end\n"
      "  local r = up(set)\n"
      "  return r\n"
      "end\n"
      "return outer()";
  Compiler c;
  ASSERT_EQ(c.Compile(program), 0) << c.Error();
  ASSERT_GE(c.Main()->sizep, 2);
  Proto* outer = c.Main()->p[1];
  bool patched = false;
  for (int pc = 0; pc + 1 < outer->sizecode && !patched; ++pc) {
    Instruction& next = outer->code[pc + 1];
    if (GET_OPCODE(outer->code[pc]) == OP_CLOSURE && GET_OPCODE(next) == OP_MOVE &&
        GETARG_A(next) == 0 && GETARG_B(next) == 0) {
      SETARG_B(next, 2);
      patched = true;
    }
  }
  ASSERT_TRUE(patched);
  std::string chunk = Dump(c.Main());
  lua_State* L = lua_open();
  EXPECT_EQ(RunChunk(L, chunk), "1");
  lua_close(L);
}
