// The window system's script host: the one script that owns the program's global Lua state.
// It binds the scripts' window library, keeps the stack of context windows (the parent of
// windows the scripts create), the registry of window types, and delivers messages and
// commands to the scripts' coroutine or to their queues.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/str.h"
#include "script/binding/TScript.h"
#include "window/IScriptHost.h"
#include "window/TWindow.h"

class TMessage;
class TLuaObjectWrapper;
class TWindowManager;
class TWindowStyle;

class TWindowCreationObserver {
public:
  virtual ~TWindowCreationObserver() = default;
  virtual void OnWindowCreated(TWindow* window, TWindowStyle& style) = 0;
};

class TWindowScript : public TScript, public IScriptHost {
public:
  enum WaitState : int32_t { kWaitFailed = 0, kWaitNone = 1, kWaitMessages = 3 };

  explicit TWindowScript(lua_State* L = nullptr);
  ~TWindowScript() override;

  bool DeliverValue() override;
  // Owns m from here on; the command is not owned.
  bool HandleMessage(TMessage* m, TLuaObjectWrapper* command) override;

  void RegisterWindowType(const str& name, TWindow::Creator creator) override;
  TWindow::Creator FindWindowType(const str& name) const;

  // The context stack never empties through PopWindow. Push adds a window that is not on the
  // stack yet and answers whether it did; Raise moves (or adds) an entry to the top.
  bool PushContextWindow(TWindow* w) override;
  void RaiseContextWindow(TWindow* w) override;
  // Removes the entry of w (the one a successful PushContextWindow added).
  void PopContextWindow(TWindow* w) override;
  void PopWindow();
  TWindow* GetContextWindow() const;
  // The live entries, bottom first: a window that died leaves the stack.
  std::vector<TWindow*> GetContextStack() const;

  bool SetFlag(bool localised) override;
  bool GetFlag() const { return mLocalised; }
  int32_t GetWaitState() const { return mWaitState; }
  void SetCreationObserver(TWindowCreationObserver* observer) { mObserver = observer; }
  // The manager whose windows the library drives (the one that attached this host).
  void BindManager(TWindowManager* manager) override;
  // The manager's host when it is a window script (it always is outside tests of the window
  // system alone).
  static TWindowScript* Of(const TWindowManager* manager);
  // The running window manager's script, and its state: null without either.
  static TWindowScript* Current();
  static lua_State* CurrentState();

  TTask* AsTask() override { return this; }
  lua_State* ScriptState() const override { return GetState(); }
  bool RunFile(const str& name) override { return DoFile(name); }
  void RunString(const str& text) override { DoLuaString(text); }
  void SetGlobalText(const str& name, const str& value) override { SetGlobalString(name, value); }

  // Flash movies cannot be hosted on this platform: nothing ever plays.
  bool IsMoviePlaying() { return false; }
  void StopMovie() {}

  // The library's globals (TWindowScriptBindings.cpp).
  void PostCreate(TLuaTable* table, str typeName);
  str GetLabel(str name);
  void RegisterHotkey(str key, str button);
  void SetLabel(str name, str text);
  str TagHotKey(str key, str label, str unused);
  void SetBitmap(str name, str image, float alpha);
  void SetPosition(str name, int x, int y);
  int SetCommand(lua_State* L);
  int StripKeyFromLabel(lua_State* L);
  void SetWindowName(str name);
  void FillRect(TLuaTable* rect, TLuaTable* colour);
  unsigned GetTimer();
  void DoSelectLayer(int layer);
  bool EnableWindow(str name, bool on);
  bool GetButtonToggleState(str name);
  void SetButtonToggleState(str name, bool on);
  void RealSetFocus(str name);
  bool StringToClipboard(str text);
  void UpdateWindow();
  str PushModal(str name);
  void ClearModalChildren();
  int GetWindowDepth();
  void DoPopModal(str name);
  int HandleGetMessage(lua_State* L);
  // (thread, on): while on, a command's coroutine waits on behalf of the script that runs the
  // command, so its waits are that script's waits.
  int HostCommandThread(lua_State* L);
  // (thread, values...): resumes a command's coroutine with the values. While it waits, answers
  // true, the number of values it yielded and the first two of them (or, past two, one table
  // holding them all); once it has returned, false and its first result; when an error stopped
  // it, nil and the error. A command that has ended no longer waits for the script; one that an
  // error stopped takes down the modal windows it left above the one on top when it began.
  int HostCommandStep(lua_State* L);
  int GenericCreate(lua_State* L);
  TMessage* CreateCloseMessage();
  int PostMessage(lua_State* L);
  int PostMessageToParent(lua_State* L);
  str GetString(str label, str a1, str a2, str a3, str a4, str a5);
  bool StartMovie(str name, bool translate, bool allowInput);
  bool ImageLoaded(str name);
  void DestroyWindow(str name);
  void DoFitToChildren();

private:
  void BindLibrary();
  TWindowManager* Manager() const;
  TWindow* TopModal() const;
  TWindow* FindInTopModal(const str& name) const;
  // Pushes the Lua form of m; takes ownership (Lua's, or deletes a wrapper once pushed).
  void PushMessage(TMessage* m);

  void DropDeadContext();
  // A command has ended (by an error: failed) and no longer waits for the script.
  void EndCommand(lua_State* L, lua_State* thread, bool failed);

  // Each running command's coroutine, with the modal window on top when it began.
  struct CommandBase {
    lua_State* thread;
    TWindowHandle modal;
    bool hadModal;
  };
  std::vector<CommandBase> mCommands;

  std::vector<TWindowHandle> mContext;
  std::map<str, TWindow::Creator> mFactories;
  int32_t mWaitState = kWaitNone;
  TWindowCreationObserver* mObserver = nullptr;
  bool mLocalised = false;
  TWindowManager* mManager = nullptr;
};
