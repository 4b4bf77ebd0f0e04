// Float lists read from Lua values, as animation and overlay tables give vectors.
#pragma once

#include <vector>

#include "core/TVec.h"

struct lua_State;

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
