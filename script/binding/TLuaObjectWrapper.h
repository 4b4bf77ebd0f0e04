// Native handles on Lua values. A wrapper keeps its value in the registry under its own
// address, so the value lives exactly as long as the wrapper and can be pushed at any time.
#pragma once

#include "core/TVec.h"
#include "core/str.h"

struct lua_State;

class TLuaObjectWrapper {
public:
  // Pops the value on top of L. The wrapper then works through the main thread of L's state:
  // L may be a coroutine that is collected long before the wrapper goes.
  explicit TLuaObjectWrapper(lua_State* L);
  TLuaObjectWrapper(const TLuaObjectWrapper& other);
  TLuaObjectWrapper& operator=(const TLuaObjectWrapper&) = delete;
  virtual ~TLuaObjectWrapper();

  lua_State* GetState() const { return mState; }
  void Push() const;
  // Pushes the value on L, any thread of the wrapper's state.
  void Push(lua_State* L) const;
  bool IsTable() const;
  str GetString() const;
  double GetNumber() const;
  // The owning script deletes this wrapper at its next resume or call.
  void AdoptByScript();

protected:
  lua_State* mState;
};

class TLuaFunction : public TLuaObjectWrapper {
public:
  explicit TLuaFunction(lua_State* L) : TLuaObjectWrapper(L) {}
  TLuaFunction(const TLuaFunction& other) = default;
  // Calls the function protected, with _ALERT as handler; the handler and the one result
  // stay on the stack.
  void Call();
};

class TLuaTable : public TLuaObjectWrapper {
public:
  explicit TLuaTable(lua_State* L) : TLuaObjectWrapper(L) {}
  explicit TLuaTable(const TLuaObjectWrapper& other) : TLuaObjectWrapper(other) {}
  TLuaTable(const TLuaTable& other) : TLuaObjectWrapper(other) {}

  // Pushes the field and answers true when it is not nil; pushes nothing otherwise.
  bool PushField(const char* key);
  bool PushIndex(double n);
  str GetString(const char* key, const str& def);
  str GetStringAt(double n, const str& def);
  double GetNumber(const char* key, double def);
  double GetNumberAt(double n, double def);
  bool GetBool(const char* key, bool def);
  TLuaFunction* GetFunction(const char* key);
  TLuaTable* GetTable(const char* key);
  TLuaTable* GetTableAt(double n);
  TVec4 GetVec4At(double n, const TVec4& def);
  // One traversal step; deletes the old key wrapper. Null at the end.
  TLuaObjectWrapper* Next(TLuaObjectWrapper*& key);

private:
  bool PushKeyed(bool byIndex, const char* key, double n);
};

// Keeps a coroutine thread of a state alive.
class TLuaThread {
public:
  explicit TLuaThread(lua_State* L);
  TLuaThread(const TLuaThread&) = delete;
  TLuaThread& operator=(const TLuaThread&) = delete;
  virtual ~TLuaThread();
  lua_State* GetThread() const { return mThread; }

private:
  TLuaObjectWrapper* mAnchor;
  lua_State* mThread;
};
