// Lenient reading of Lua description tables: a missing key takes its default, a key of the
// wrong type reads as 0, false, empty or no floats. Vectors are float lists.
#pragma once

#include <vector>

#include "core/TVec.h"
#include "core/str.h"

struct lua_State;
class TLuaTable;

using KFloatList = std::vector<float>;

// Overwrites the list from the front with the floats of the value at idx: a table gives its
// values that are numbers or numeric strings in traversal order (array entries first); when
// scalars is set, a number or numeric string that is not in a table gives itself. The list
// grows by four zeros whenever it is full. Answers how many floats were read.
int KReadLuaFloats(lua_State* L, int idx, KFloatList& list, bool scalars);

inline KFloatList KFloatsOf(const TVec2& v) { return KFloatList{v.x, v.y, 0.0f, 0.0f}; }
inline KFloatList KFloatsOf(float f) { return KFloatList{f, f, f, f}; }
inline TVec2 KVec2Of(const KFloatList& l) {
  return TVec2(l.size() > 0 ? l[0] : 0.0f, l.size() > 1 ? l[1] : 0.0f);
}

// An absolute stack index for idx.
int KLuaAbsolute(lua_State* L, int idx);
bool KLuaHas(lua_State* L, int table, const char* key);
double KLuaNumber(lua_State* L, int table, const char* key, double def);
// Strings and numbers; anything else is empty.
str KLuaString(lua_State* L, int table, const char* key);
// Only a boolean true is true.
bool KLuaBool(lua_State* L, int table, const char* key);
// The floats of table[key] (a number counts as one) read over list.
void KLuaFloats(lua_State* L, int table, const char* key, KFloatList& list);
// Pushes table[key] when it is a table and answers true; otherwise pushes nothing.
bool KLuaPushTable(lua_State* L, int table, const char* key);

// The first two numbers of table[key]; def when the key holds no numbers.
TVec2 GetTableVec2(const TLuaTable& table, const char* key, const TVec2& def);
// Runs a Lua text in the window manager's script.
void RunLuaString(const str& text);
