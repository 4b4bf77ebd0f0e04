// Messages as Lua sees them: a read-only userdata with the metatable "hwMessageMetatable", and
// the wrapper that lets a script post a message it holds without a second Lua form.
#pragma once

#include "script/binding/TLuaObjectWrapper.h"
#include "window/TMessage.h"

struct lua_State;

class TLuaMessage : public TLuaObjectWrapper {
public:
  explicit TLuaMessage(lua_State* L) : TLuaObjectWrapper(L) {}
};

class TLuaMessageWrapper : public TMessage {
public:
  static TClassId GetClassId() { return MakeClassId(&TLuaMessageWrapper::GetClassId); }
  const char* GetClassName() const override { return "TLuaMessageWrapper"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TMessage::IsKindOf(id); }

  // Pops the script's message value; copies id, name and target of the message it holds.
  explicit TLuaMessageWrapper(lua_State* L);
  // Pushes the script's own value on L.
  void PushLua(lua_State* L) const { mLua.Push(L); }
  // The message the script's value holds, alive as long as this wrapper; null when none.
  TMessage* GetWrapped() const { return mWrapped; }
  TMessage* GetOffered() override { return mWrapped ? mWrapped : this; }

private:
  TLuaMessage mLua;
  TMessage* mWrapped = nullptr;
};

// The message the wrapped value holds; null when it holds none.
TMessage* GetWrappedMessage(const TLuaObjectWrapper& value);

// Creates the metatable in the registry.
void RegisterMessageMetatable(lua_State* L);
// Whether the value at idx is a message userdata (carries the message metatable).
bool IsLuaMessage(lua_State* L, int idx);
