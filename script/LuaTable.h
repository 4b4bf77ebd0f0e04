// Tables: an array part for the integer keys 1..n and a hash part of chained nodes in one
// power-of-two vector, resized only when no free node is left.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaState.h"

#define gnode(t, i) (&(t)->node[i])
#define gkey(n) (&(n)->i_key)
#define gval(n) (&(n)->i_val)

// The hash-part halves of luaH_getnum and luaH_setnum.
const TObject* luaH_getnumnode(Table* t, int key);
TObject* luaH_setnumnode(lua_State* L, Table* t, int key);

inline const TObject* luaH_getnum(Table* t, int key) {
  if ((unsigned)key - 1u < (unsigned)t->sizearray) return &t->array[key - 1];
  return luaH_getnumnode(t, key);
}

// A slot at integer key k is about to be written: the count known non-nil stops below it.
inline void luaH_lowerborder(Table* t, int k) {
  if ((unsigned)k - 1u < (unsigned)t->border) t->border = k - 1;
}

inline TObject* luaH_setnum(lua_State* L, Table* t, int key) {
  luaH_lowerborder(t, key);
  if ((unsigned)key - 1u < (unsigned)t->sizearray) return &t->array[key - 1];
  return luaH_setnumnode(L, t, key);
}
const TObject* luaH_getwstr(Table* t, TString* key);
const TObject* luaH_get(Table* t, const TObject* key);
TObject* luaH_set(lua_State* L, Table* t, const TObject* key);
Table* luaH_new(lua_State* L, int narray, int lnhash);
void luaH_free(lua_State* L, Table* t);
int luaH_next(lua_State* L, Table* t, StkId key);
Node* luaH_mainposition(const Table* t, const TObject* key);

// String lookup, inline: the interpreter loop and the metamethod cache call it constantly.
inline const TObject* luaH_getstr(Table* t, TString* key) {
  Node* n = gnode(t, lmod(key->tsv.hash, sizenode(t)));
  do {
    if (ttisstring(gkey(n)) && tsvalue(gkey(n)) == key) return gval(n);
    n = n->next;
  } while (n);
  return &luaO_nilobject;
}

// The value slot of key, for writing, when it is an integer within the array part or a string
// present in the hash part; null otherwise (the caller then takes the general path).
inline TObject* luaH_fastslot(Table* t, const TObject* key) {
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= (lua_Number)t->sizearray) {
      int k = (int)n;
      if ((lua_Number)k == n) {
        luaH_lowerborder(t, k);
        return &t->array[k - 1];
      }
    }
    return nullptr;
  }
  if (ttisstring(key)) {
    const TObject* v = luaH_getstr(t, tsvalue(key));
    return v == &luaO_nilobject ? nullptr : (TObject*)v;
  }
  return nullptr;
}
