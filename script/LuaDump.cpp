// Writer and reader of precompiled chunks. Multi-byte values are written little-endian; the
// reader swaps them when a chunk's byte-order byte says it was written the other way.
#include "script/LuaDump.h"

#include <cstring>
#include <vector>

#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaFunc.h"
#include "script/LuaMem.h"
#include "script/LuaOpcodes.h"
#include "script/LuaString.h"

namespace {

constexpr char kSignature[] = "\033Lua";
constexpr lua_Number kTestNumber = 31415926.535897933;

// ---------------------------------------------------------------------------------- writing

struct DumpState {
  lua_State* L;
  lua_Chunkwriter write;
  void* data;
  int status;
};

void DumpBlock(const void* b, size_t size, DumpState* D) {
  if (D->status == 0) D->status = D->write(D->L, b, size, D->data);
}

void DumpByte(int b, DumpState* D) {
  char c = char(b);
  DumpBlock(&c, 1, D);
}

void DumpUInt32(std::uint32_t x, DumpState* D) {
  unsigned char b[4] = {lu_byte(x), lu_byte(x >> 8), lu_byte(x >> 16), lu_byte(x >> 24)};
  DumpBlock(b, 4, D);
}

void DumpInt(int x, DumpState* D) { DumpUInt32(std::uint32_t(x), D); }

void DumpNumber(lua_Number x, DumpState* D) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[i] = lu_byte(bits >> (8 * i));
  DumpBlock(b, 8, D);
}

void DumpString(const TString* s, DumpState* D) {
  if (s == nullptr) {
    DumpUInt32(0, D);
    return;
  }
  DumpUInt32(s->tsv.len + 1, D);  // the terminating zero is written too
  DumpBlock(getstr(s), s->tsv.len + 1, D);
}

void DumpWString(const TString* s, DumpState* D) {
  const size_t n = s->tsv.len + 1;  // with the terminating zero unit
  DumpUInt32(std::uint32_t(n), D);
  const lua_WChar* u = getwstr(s);
  std::vector<lu_byte> bytes(2 * n);
  for (size_t i = 0; i < n; ++i) {
    bytes[2 * i] = lu_byte(u[i] & 0xFF);
    bytes[2 * i + 1] = lu_byte(u[i] >> 8);
  }
  DumpBlock(bytes.data(), bytes.size(), D);
}

void DumpFunction(const Proto* f, const TString* p, DumpState* D);

void DumpConstants(const Proto* f, DumpState* D) {
  DumpInt(f->sizek, D);
  for (int i = 0; i < f->sizek; i++) {
    const TObject* o = &f->k[i];
    DumpByte(ttype(o), D);
    switch (ttype(o)) {
      case LUA_TNUMBER: DumpNumber(nvalue(o), D); break;
      case LUA_TSTRING: DumpString(tsvalue(o), D); break;
      case LUA_TWSTRING: DumpWString(tsvalue(o), D); break;
      default: break;  // nil
    }
  }
  DumpInt(f->sizep, D);
  for (int i = 0; i < f->sizep; i++) DumpFunction(f->p[i], f->source, D);
}

void DumpFunction(const Proto* f, const TString* p, DumpState* D) {
  DumpString(f->source == p ? nullptr : f->source, D);
  DumpInt(f->lineDefined, D);
  DumpByte(f->nups, D);
  DumpByte(f->numparams, D);
  DumpByte(f->is_vararg, D);
  DumpByte(f->maxstacksize, D);
  DumpInt(f->sizelineinfo, D);
  for (int i = 0; i < f->sizelineinfo; i++) DumpInt(f->lineinfo[i], D);
  DumpInt(f->sizelocvars, D);
  for (int i = 0; i < f->sizelocvars; i++) {
    DumpString(f->locvars[i].varname, D);
    DumpInt(f->locvars[i].startpc, D);
    DumpInt(f->locvars[i].endpc, D);
  }
  DumpInt(f->sizeupvalues, D);
  for (int i = 0; i < f->sizeupvalues; i++) DumpString(f->upvalues[i], D);
  DumpConstants(f, D);
  DumpInt(f->sizecode, D);
  for (int i = 0; i < f->sizecode; i++) DumpUInt32(f->code[i], D);
}

// ---------------------------------------------------------------------------------- reading

struct LoadState {
  lua_State* L;
  ZIO* Z;
  Mbuffer* b;
  bool swap;
  const char* name;
  int depth;  // nesting of the function being read
};

[[noreturn]] void UnexpectedEOZ(LoadState* S) {
  luaG_runerror(S->L, "unexpected end of file in %s", S->name);
}

int LoadByte(LoadState* S) {
  int c = zgetc(S->Z);
  if (c == EOZ) UnexpectedEOZ(S);
  return c;
}

void LoadRaw(LoadState* S, void* b, size_t n) {
  if (luaZ_read(S->Z, b, n) != 0) UnexpectedEOZ(S);
}

// n bytes of a value written in the chunk's byte order, as a little-endian number.
std::uint64_t LoadUnsigned(LoadState* S, int n) {
  unsigned char b[8];
  LoadRaw(S, b, size_t(n));
  std::uint64_t x = 0;
  for (int i = 0; i < n; ++i) {
    unsigned char byte = S->swap ? b[i] : b[n - 1 - i];
    x = (x << 8) | byte;
  }
  return x;
}

int LoadInt(LoadState* S) {
  std::int32_t x = std::int32_t(std::uint32_t(LoadUnsigned(S, 4)));
  if (x < 0) luaG_runerror(S->L, "bad integer in %s", S->name);
  return int(x);
}

std::uint32_t LoadSize(LoadState* S) { return std::uint32_t(LoadUnsigned(S, 4)); }

lua_Number LoadNumber(LoadState* S) {
  std::uint64_t bits = LoadUnsigned(S, 8);
  lua_Number x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// Reads `size' bytes into the scratch buffer, growing it only as the bytes arrive, so that a
// corrupt count cannot ask for more memory than the chunk really holds.
char* LoadBytes(LoadState* S, size_t size) {
  constexpr size_t kStep = 64 * 1024;
  size_t done = 0;
  while (done < size) {
    size_t piece = size - done < kStep ? size - done : kStep;
    if (luaZ_sizebuffer(S->b) < done + piece) {
      size_t want = luaZ_sizebuffer(S->b) * 2;
      if (want < done + piece) want = done + piece;
      if (want > size) want = size;
      luaZ_openspace(S->L, S->b, want);
    }
    LoadRaw(S, luaZ_buffer(S->b) + done, piece);
    done += piece;
  }
  return luaZ_buffer(S->b);
}

TString* LoadString(LoadState* S) {
  size_t size = LoadSize(S);
  if (size == 0) return nullptr;
  const char* s = LoadBytes(S, size);
  return luaS_newlstr(S->L, s, size - 1);  // without the terminating zero
}

TString* LoadWString(LoadState* S) {
  size_t n = LoadSize(S);
  if (n == 0) {
    static const lua_WChar none = 0;
    return luaS_newwstr(S->L, &none, 0);
  }
  if (n > MAX_SIZET / 2) UnexpectedEOZ(S);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(LoadBytes(S, 2 * n));
  // Units are rebuilt in place, two bytes at a time, in the buffer's own storage.
  char* out = luaZ_buffer(S->b);
  for (size_t i = 0; i < n; ++i) {
    unsigned lo = S->swap ? b[2 * i + 1] : b[2 * i];
    unsigned hi = S->swap ? b[2 * i] : b[2 * i + 1];
    lua_WChar u = lua_WChar(lo | (hi << 8));
    std::memcpy(out + 2 * i, &u, 2);
  }
  // The buffer comes from the allocator, so it is aligned for 16-bit units.
  return luaS_newwstr(S->L, reinterpret_cast<const lua_WChar*>(out), n - 1);
}

// Names left out of a chunk read as empty strings, so that nothing downstream meets a null.
TString* LoadName(LoadState* S) {
  TString* s = LoadString(S);
  return s ? s : luaS_newlstr(S->L, "", 0);
}

// Grows a vector of a prototype by one slot, filling new slots with `blank' so that the
// prototype stays well formed for the collector if loading fails half-way.
template <typename T>
void GrowSlot(LoadState* S, T*& v, int& size, int used, const T& blank) {
  if (used < size) return;
  int old = size;
  v = static_cast<T*>(luaM_growaux(S->L, v, &size, int(sizeof(T)), MAX_INT, "chunk too large"));
  for (int i = old; i < size; ++i) v[i] = blank;
}

template <typename T>
void Shrink(LoadState* S, T*& v, int& size, int n) {
  luaM_reallocvector(S->L, v, size, n, T);
  size = n;
}

Proto* LoadFunction(LoadState* S, TString* p);

void LoadConstants(LoadState* S, Proto* f) {
  int n = LoadInt(S);
  TObject nil;
  setnilvalue(&nil);
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->k, f->sizek, i, nil);
    TObject* o = &f->k[i];
    int t = LoadByte(S);
    switch (t) {
      case LUA_TNUMBER: setnvalue(o, LoadNumber(S)); break;
      case LUA_TSTRING: setsvalue2n(o, LoadName(S)); break;
      case LUA_TWSTRING: setwsvalue2n(o, LoadWString(S)); break;
      case LUA_TNIL: setnilvalue(o); break;
      default: luaG_runerror(S->L, "bad constant type (%d) in %s", t, S->name);
    }
  }
  Shrink(S, f->k, f->sizek, n);
  n = LoadInt(S);
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->p, f->sizep, i, static_cast<Proto*>(nullptr));
    f->p[i] = LoadFunction(S, f->source);
  }
  Shrink(S, f->p, f->sizep, n);
}

Proto* LoadFunction(LoadState* S, TString* p) {
  // The compiler never nests functions this deep; a chunk that does is corrupt, and reading
  // it recursively would exhaust the native stack.
  if (++S->depth > LUA_MAXPARSERLEVEL) luaG_runerror(S->L, "bad code in %s", S->name);
  Proto* f = luaF_newproto(S->L);
  // Anchored on the stack while its parts are read.
  setptvalue(S->L->top, f);
  incr_top(S->L);
  f->source = LoadString(S);
  if (f->source == nullptr) f->source = p;
  f->lineDefined = LoadInt(S);
  f->nups = lu_byte(LoadByte(S));
  f->numparams = lu_byte(LoadByte(S));
  f->is_vararg = lu_byte(LoadByte(S));
  f->maxstacksize = lu_byte(LoadByte(S));
  int n = LoadInt(S);
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->lineinfo, f->sizelineinfo, i, 0);
    f->lineinfo[i] = int(std::uint32_t(LoadUnsigned(S, 4)));
  }
  Shrink(S, f->lineinfo, f->sizelineinfo, n);
  n = LoadInt(S);
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->locvars, f->sizelocvars, i, LocVar{nullptr, 0, 0});
    f->locvars[i].varname = LoadName(S);
    f->locvars[i].startpc = LoadInt(S);
    f->locvars[i].endpc = LoadInt(S);
  }
  Shrink(S, f->locvars, f->sizelocvars, n);
  n = LoadInt(S);
  if (n != 0 && n != f->nups)
    luaG_runerror(S->L, "bad nupvalues in %s: read %d; expected %d", S->name, n, int(f->nups));
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->upvalues, f->sizeupvalues, i, static_cast<TString*>(nullptr));
    f->upvalues[i] = LoadName(S);
  }
  Shrink(S, f->upvalues, f->sizeupvalues, n);
  LoadConstants(S, f);
  n = LoadInt(S);
  for (int i = 0; i < n; i++) {
    GrowSlot(S, f->code, f->sizecode, i, Instruction(0));
    f->code[i] = Instruction(LoadUnsigned(S, 4));
  }
  Shrink(S, f->code, f->sizecode, n);
  if (!luaG_checkcode(f)) luaG_runerror(S->L, "bad code in %s", S->name);
  S->L->top--;
  S->depth--;
  return f;
}

void LoadSignature(LoadState* S) {
  for (const char* s = kSignature; *s; ++s) {
    if (LoadByte(S) != (unsigned char)*s) luaG_runerror(S->L, "bad signature in %s", S->name);
  }
}

void TestSize(LoadState* S, int s, const char* what) {
  int r = LoadByte(S);
  if (r != s)
    luaG_runerror(S->L, "virtual machine mismatch in %s: size of %s is %d but read %d", S->name,
                  what, s, r);
}

void LoadHeader(LoadState* S) {
  LoadSignature(S);
  int version = LoadByte(S);
  if (version > LUAC_VERSION)
    luaG_runerror(S->L, "%s too new: read version %d.%d; expected at most %d.%d", S->name,
                  version >> 4, version & 15, LUAC_VERSION >> 4, LUAC_VERSION & 15);
  if (version < LUAC_VERSION)
    luaG_runerror(S->L, "%s too old: read version %d.%d; expected at least %d.%d", S->name,
                  version >> 4, version & 15, LUAC_VERSION >> 4, LUAC_VERSION & 15);
  S->swap = LoadByte(S) != luaU_endianness();
  TestSize(S, 4, "int");
  TestSize(S, 4, "size_t");
  TestSize(S, 4, "Instruction");
  TestSize(S, SIZE_OP, "OP");
  TestSize(S, SIZE_A, "A");
  TestSize(S, SIZE_B, "B");
  TestSize(S, SIZE_C, "C");
  TestSize(S, 8, "number");
  if (lua_number2int64(LoadNumber(S)) != lua_number2int64(kTestNumber))
    luaG_runerror(S->L, "unknown number format in %s", S->name);
}

}  // namespace

int luaU_endianness() { return 1; }

void luaU_header(char* h) {
  std::memcpy(h, kSignature, 4);
  h[4] = char(LUAC_VERSION);
  h[5] = char(luaU_endianness());
  h[6] = 4;  // int
  h[7] = 4;  // size_t
  h[8] = 4;  // Instruction
  h[9] = char(SIZE_OP);
  h[10] = char(SIZE_A);
  h[11] = char(SIZE_B);
  h[12] = char(SIZE_C);
  h[13] = 8;  // number
  std::uint64_t bits;
  std::memcpy(&bits, &kTestNumber, sizeof bits);
  for (int i = 0; i < 8; ++i) h[14 + i] = char(bits >> (8 * i));
}

int luaU_dump(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data) {
  DumpState D{L, w, data, 0};
  char header[LUAC_HEADERSIZE];
  luaU_header(header);
  DumpBlock(header, 4, &D);
  for (int i = 4; i < 14; ++i) DumpByte(header[i], &D);
  DumpBlock(header + 14, 8, &D);
  DumpFunction(f, nullptr, &D);
  return D.status;
}

Proto* luaU_undump(lua_State* L, ZIO* z, Mbuffer* buff) {
  LoadState S;
  const char* s = zname(z);
  if (*s == '@' || *s == '=')
    S.name = s + 1;
  else if (*s == kSignature[0])
    S.name = "binary string";
  else
    S.name = s;
  S.L = L;
  S.Z = z;
  S.b = buff;
  S.swap = false;
  S.depth = 0;
  LoadHeader(&S);
  // A main function written without its source takes the chunk's name.
  return LoadFunction(&S, luaS_new(L, zname(z)));
}
