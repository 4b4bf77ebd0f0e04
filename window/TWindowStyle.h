// Read access to the Lua table a window is created from. A key the table lacks is looked up in
// the global "gCurrentDefaultStyle" and then along the "parent" chain of that table.
#pragma once

#include <vector>

#include "core/TColor.h"
#include "core/str.h"

class TLuaFunction;
class TLuaTable;
struct lua_State;

class TWindowStyle {
public:
  // The table is not owned.
  explicit TWindowStyle(TLuaTable* table) : mTable(table) {}
  virtual ~TWindowStyle() = default;

  double GetNumber(const str& key, double def);
  int GetInt(const str& key, int def);
  str GetString(const str& key, const str& def);
  bool GetBool(const str& key, bool def);
  void GetColor(const str& key, float& r, float& g, float& b, float& a, float dr, float dg,
                float db, float da);
  // The caller owns the results; null when absent.
  TLuaTable* GetTable(const str& key);
  TLuaFunction* GetFunction(const str& key);
  TLuaTable* GetLuaTable() const { return mTable; }

private:
  // Pushes the value found for key, or returns false with the stack as it was.
  bool PushValue(const str& key);
  static bool Lookup(lua_State* L, const char* key, bool firstLevel, int depth);

  TLuaTable* mTable;
};

// The numbers of the key's table (entries 1..n, up to the first nil) read over the defaults in
// order: a number replaces the default at its place, any other entry keeps it, and a longer
// table lengthens the list (with 0 under its non-numbers). Anything but a table leaves the list.
void GetStyleFloats(TWindowStyle* style, const str& key, std::vector<float>& values);
// A colour from the key's table of numbers r, g, b, a; missing entries keep the default's.
TColor GetStyleColor(TWindowStyle* style, const str& key, const TColor& def);
