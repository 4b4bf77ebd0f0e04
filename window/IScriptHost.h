// What the window system asks of the script host above it: running scripts with a window as
// their context, delivering messages to the scripts and knowing the scripts' window types. The
// script library's window host implements it; the window system never includes the bindings.
#pragma once

#include "core/str.h"
#include "window/TWindow.h"

class TLuaObjectWrapper;
class TMessage;
class TTask;
class TWindowManager;
struct lua_State;

class IScriptHost {
public:
  virtual ~IScriptHost() = default;

  // The host runs as one of the platform's tasks.
  virtual TTask* AsTask() = 0;
  // Called once by the manager that takes the host: binds the scripts' globals to it.
  virtual void BindManager(TWindowManager* manager) = 0;
  // The Lua state whose globals hold the windows' bound methods.
  virtual lua_State* ScriptState() const = 0;

  // Owns m from here on; the command is not owned.
  virtual bool HandleMessage(TMessage* m, TLuaObjectWrapper* command) = 0;
  virtual void RegisterWindowType(const str& name, TWindow::Creator creator) = 0;

  // Push adds a window that is not on the context stack yet and answers whether it did; Raise
  // moves (or adds) an entry to the top; Pop removes the entry a successful Push added.
  virtual bool PushContextWindow(TWindow* w) = 0;
  virtual void RaiseContextWindow(TWindow* w) = 0;
  virtual void PopContextWindow(TWindow* w) = 0;

  virtual bool RunFile(const str& name) = 0;
  virtual void RunString(const str& text) = 0;
  virtual void SetGlobalText(const str& name, const str& value) = 0;
  // Whether text windows translate their labels; returns the previous value.
  virtual bool SetFlag(bool localised) = 0;
};
