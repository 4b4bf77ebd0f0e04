// Prototypes, closures and upvalues: creation and freeing, the open-upvalue list of a thread
// and its closing when frames end, and local-variable names for debug information.
#include "script/LuaFunc.h"

#include "script/LuaGc.h"
#include "script/LuaMem.h"
#include "script/LuaState.h"

Closure* luaF_newCclosure(lua_State* L, int nelems) {
  Closure* c = (Closure*)luaM_malloc(L, sizeCclosure(nelems));
  luaC_link(L, valtogco(c), LUA_TFUNCTION);
  c->c.isC = 1;
  c->c.nupvalues = (lu_byte)nelems;
  c->c.gclist = nullptr;
  c->c.f = nullptr;
  for (int i = 0; i < nelems; i++) setnilvalue(&c->c.upvalue[i]);
  return c;
}

Closure* luaF_newLclosure(lua_State* L, int nelems, TObject* e) {
  Closure* c = (Closure*)luaM_malloc(L, sizeLclosure(nelems));
  luaC_link(L, valtogco(c), LUA_TFUNCTION);
  c->l.isC = 0;
  c->l.gclist = nullptr;
  c->l.p = nullptr;
  setobj2n(&c->l.g, e);
  c->l.nupvalues = (lu_byte)nelems;
  for (int i = 0; i < nelems; i++) c->l.upvals[i] = nullptr;
  return c;
}

UpVal* luaF_findupval(lua_State* L, StkId level) {
  GCObject** pp = &L->openupval;
  UpVal* p;
  while (*pp != nullptr && (p = ngcotouv(*pp))->v >= level) {
    if (p->v == level) return p;
    pp = &p->next;
  }
  UpVal* v = luaM_new(L, UpVal);
  v->tt = LUA_TUPVAL;
  v->marked = 1;  // open upvalues are reached through their thread, never swept
  v->v = level;
  setnilvalue(&v->value);
  v->next = *pp;
  *pp = valtogco(v);
  return v;
}

void luaF_close(lua_State* L, StkId level) {
  UpVal* p;
  while (L->openupval != nullptr && (p = ngcotouv(L->openupval))->v >= level) {
    setobj(&p->value, p->v);
    p->v = &p->value;
    L->openupval = p->next;
    luaC_link(L, valtogco(p), LUA_TUPVAL);
    // Counts as reached until the next sweep: a collection may be sweeping right now (a
    // thread freed by it closes its upvalues), and a live closure may still hold this one.
    p->marked = 1;
  }
}

Proto* luaF_newproto(lua_State* L) {
  Proto* f = luaM_new(L, Proto);
  luaC_link(L, valtogco(f), LUA_TPROTO);
  f->k = nullptr;
  f->sizek = 0;
  f->p = nullptr;
  f->sizep = 0;
  f->code = nullptr;
  f->sizecode = 0;
  f->sizelineinfo = 0;
  f->sizeupvalues = 0;
  f->nups = 0;
  f->upvalues = nullptr;
  f->numparams = 0;
  f->is_vararg = 0;
  f->maxstacksize = 0;
  f->lineinfo = nullptr;
  f->sizelocvars = 0;
  f->locvars = nullptr;
  f->lineDefined = 0;
  f->source = nullptr;
  f->gclist = nullptr;
  return f;
}

void luaF_freeproto(lua_State* L, Proto* f) {
  luaM_freearray(L, f->code, f->sizecode, Instruction);
  luaM_freearray(L, f->p, f->sizep, Proto*);
  luaM_freearray(L, f->k, f->sizek, TObject);
  luaM_freearray(L, f->lineinfo, f->sizelineinfo, int);
  luaM_freearray(L, f->locvars, f->sizelocvars, LocVar);
  luaM_freearray(L, f->upvalues, f->sizeupvalues, TString*);
  luaM_freelem(L, f);
}

void luaF_freeclosure(lua_State* L, Closure* c) {
  int size = (c->c.isC) ? sizeCclosure(c->c.nupvalues) : sizeLclosure(c->l.nupvalues);
  luaM_free(L, c, size);
}

const char* luaF_getlocalname(const Proto* f, int local_number, int pc) {
  for (int i = 0; i < f->sizelocvars && f->locvars[i].startpc <= pc; i++) {
    if (pc < f->locvars[i].endpc) {
      local_number--;
      if (local_number == 0) return getstr(f->locvars[i].varname);
    }
  }
  return nullptr;
}
