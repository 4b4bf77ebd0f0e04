// The value model: tagged values, the layout of every collectable object (strings and wide
// strings, userdata, prototypes, upvalues, closures, tables) and the generic object helpers.
#pragma once

#include "script/LuaApi.h"
#include "script/LuaConf.h"

// Internal tags, never visible to scripts.
#define LUA_TPROTO (LUA_TWSTRING + 1)
#define LUA_TUPVAL (LUA_TPROTO + 1)
// Number of slots of the per-type metatable row (tags 0 to 10).
#define NUM_TYPETAGS 11

union GCObject;

// Common header of every collectable object.
#define CommonHeader \
  GCObject* next;    \
  lu_byte tt;        \
  lu_byte marked

struct GCheader {
  CommonHeader;
};

union Value {
  GCObject* gc;
  void* p;
  lua_Number n;
  int b;
};

struct TObject {
  int tt;
  Value value;
};

#define ttisnil(o) (ttype(o) == LUA_TNIL)
#define ttisnumber(o) (ttype(o) == LUA_TNUMBER)
#define ttisstring(o) (ttype(o) == LUA_TSTRING)
#define ttiswstring(o) (ttype(o) == LUA_TWSTRING)
#define ttistable(o) (ttype(o) == LUA_TTABLE)
#define ttisfunction(o) (ttype(o) == LUA_TFUNCTION)
#define ttisboolean(o) (ttype(o) == LUA_TBOOLEAN)
#define ttisuserdata(o) (ttype(o) == LUA_TUSERDATA)
#define ttisthread(o) (ttype(o) == LUA_TTHREAD)
#define ttislightuserdata(o) (ttype(o) == LUA_TLIGHTUSERDATA)

#define ttype(o) ((o)->tt)
#define gcvalue(o) ((o)->value.gc)
#define pvalue(o) ((o)->value.p)
#define nvalue(o) ((o)->value.n)
#define tsvalue(o) (&(o)->value.gc->ts)
#define uvalue(o) (&(o)->value.gc->u)
#define clvalue(o) (&(o)->value.gc->cl)
#define hvalue(o) (&(o)->value.gc->h)
#define bvalue(o) ((o)->value.b)
#define thvalue(o) (&(o)->value.gc->th)

#define l_isfalse(o) (ttisnil(o) || (ttisboolean(o) && bvalue(o) == 0))

#define setnvalue(obj, x)  \
  {                        \
    TObject* i_o = (obj);  \
    i_o->tt = LUA_TNUMBER; \
    i_o->value.n = (x);    \
  }
#define chgnvalue(obj, x) ((obj)->value.n = (x))
#define setpvalue(obj, x)         \
  {                               \
    TObject* i_o = (obj);         \
    i_o->tt = LUA_TLIGHTUSERDATA; \
    i_o->value.p = (x);           \
  }
#define setbvalue(obj, x)   \
  {                         \
    TObject* i_o = (obj);   \
    i_o->tt = LUA_TBOOLEAN; \
    i_o->value.b = (x);     \
  }
#define setgcvalue_(obj, x, tag)    \
  {                                 \
    TObject* i_o = (obj);           \
    i_o->tt = (tag);                \
    i_o->value.gc = (GCObject*)(x); \
  }
#define setsvalue(obj, x) setgcvalue_(obj, x, LUA_TSTRING)
#define setwsvalue(obj, x) setgcvalue_(obj, x, LUA_TWSTRING)
#define setuvalue(obj, x) setgcvalue_(obj, x, LUA_TUSERDATA)
#define setthvalue(obj, x) setgcvalue_(obj, x, LUA_TTHREAD)
#define setclvalue(obj, x) setgcvalue_(obj, x, LUA_TFUNCTION)
#define sethvalue(obj, x) setgcvalue_(obj, x, LUA_TTABLE)
#define setptvalue(obj, x) setgcvalue_(obj, x, LUA_TPROTO)
#define setnilvalue(obj) ((obj)->tt = LUA_TNIL)

#define setobj(obj1, obj2)      \
  {                             \
    const TObject* o2 = (obj2); \
    TObject* o1 = (obj1);       \
    o1->tt = o2->tt;            \
    o1->value = o2->value;      \
  }

// Assignment variants kept apart for readers: to stack, to table, to new object.
#define setobjs2s setobj
#define setobj2s setobj
#define setsvalue2s setsvalue
#define setwsvalue2s setwsvalue
#define setobjt2t setobj
#define setobj2t setobj
#define setobj2n setobj
#define setsvalue2n setsvalue
#define setwsvalue2n setwsvalue

#define setttype(obj, t) (ttype(obj) = (t))
#define iscollectable(o) (ttype(o) >= LUA_TSTRING)

typedef TObject* StkId;

// Strings and wide strings share this layout; tt tells them apart. The characters (bytes, or
// 16-bit units for a wide string) follow the header, with one zero character at the end.
union TString {
  L_Umaxalign dummy;
  struct {
    CommonHeader;
    lu_byte reserved;
    lu_hash hash;
    lu_int32 len;
  } tsv;
};

#define getstr(ts) ((const char*)((ts) + 1))
#define svalue(o) getstr(tsvalue(o))
#define getwstr(ts) ((const lua_WChar*)((ts) + 1))
#define wsvalue(o) getwstr(tsvalue(o))

// Full userdata. An odd len marks a boxed pointer: the data holds one pointer that
// lua_touserdata hands out in place of the data's address.
union Udata {
  L_Umaxalign dummy;
  struct {
    CommonHeader;
    struct Table* metatable;
    lu_int32 len;
  } uv;
};

#define isboxedpointer(u) (((u)->uv.len & 1) != 0)

struct LocVar {
  TString* varname;
  int startpc;  // first point where the variable is active
  int endpc;    // first point where the variable is dead
};

struct Proto {
  CommonHeader;
  TObject* k;  // constants
  Instruction* code;
  Proto** p;      // nested functions
  int* lineinfo;  // line of each instruction
  LocVar* locvars;
  TString** upvalues;  // upvalue names
  TString* source;
  int sizeupvalues;
  int sizek;
  int sizecode;
  int sizelineinfo;
  int sizep;
  int sizelocvars;
  int lineDefined;
  GCObject* gclist;
  lu_byte nups;
  lu_byte numparams;
  lu_byte is_vararg;
  lu_byte maxstacksize;
};

struct UpVal {
  CommonHeader;
  TObject* v;  // a stack slot while open, &value once closed
  TObject value;
};

#define ClosureHeader \
  CommonHeader;       \
  lu_byte isC;        \
  lu_byte nupvalues;  \
  GCObject* gclist

struct CClosure {
  ClosureHeader;
  lua_CFunction f;
  TObject upvalue[1];
};

struct LClosure {
  ClosureHeader;
  Proto* p;
  TObject g;  // environment
  UpVal* upvals[1];
};

union Closure {
  CClosure c;
  LClosure l;
};

#define iscfunction(o) (ttype(o) == LUA_TFUNCTION && clvalue(o)->c.isC)
#define isLfunction(o) (ttype(o) == LUA_TFUNCTION && !clvalue(o)->c.isC)

struct Node {
  TObject i_key;
  TObject i_val;
  Node* next;
};

struct Table {
  CommonHeader;
  lu_byte flags;  // 1 << e: metamethod event e known absent
  lu_byte lsizenode;
  Table* metatable;
  TObject* array;
  Node* node;
  Node* firstfree;  // every node above it is in use
  GCObject* gclist;
  int sizearray;
  // t[1..border] are known to be non-nil: every slot handed out for writing at an integer key
  // at or below it lowers it first, so the count of a list resumes from here.
  int border;
};

#define lmod(s, size) ((int)((s) & ((size)-1)))
#define twoto(x) (1 << (x))
#define sizenode(t) (twoto((t)->lsizenode))

extern const TObject luaO_nilobject;

#define ceillog2(x) (luaO_log2((x)-1) + 1)

int luaO_log2(unsigned int x);
// Encodes a size as a "floating point byte" (mantissa in bits 0..2, exponent above).
int luaO_int2fb(unsigned int x);
#define fb2int(x) ((((x)&7)) << ((x) >> 3))

int luaO_rawequalObj(const TObject* t1, const TObject* t2);
int luaO_str2d(const char* s, lua_Number* result);
int luaO_wstr2d(const lua_WChar* s, lua_Number* result);
lua_Number luaO_wstrtod(const lua_WChar* s, const lua_WChar** endptr);

const char* luaO_pushvfstring(lua_State* L, const char* fmt, va_list argp);
const char* luaO_pushfstring(lua_State* L, const char* fmt, ...);
void luaO_chunkid(char* out, const char* source, int len);
