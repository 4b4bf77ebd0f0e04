// A Lua state (or a coroutine thread of one) driven as an animation task: a chunk that returns
// a function starts that function as the script's coroutine, resumed once per due tick until it
// ends. Also the scripting layer's error reporting and the clean-up of objects native code
// handed to the script.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "core/TAnimTask.h"
#include "core/TVec.h"
#include "core/str.h"

class TLuaObjectWrapper;
class TLuaTable;
class TLuaThread;
struct lua_State;

class TScript : public TAnimTask {
public:
  // L null opens a new state, which the script then owns.
  explicit TScript(lua_State* L = nullptr);
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;
  ~TScript() override;

  // Resumes the coroutine.
  bool Animate() override;
  // Takes a value a caller pushed for the script; false when it was not taken (popped).
  virtual bool DeliverValue();

  lua_State* GetState() const { return mState; }
  // The script that runs on L (its state or its thread); null when none does.
  static TScript* FromState(lua_State* L);
  TScript* NewThread();
  bool DoFile(const str& name);
  void DoLuaString(const str& text, int length = -1, int nresults = 0);
  // Runs the text on the state at once, even while the coroutine waits: it is not handed to
  // the waiting coroutine, so it wakes nothing.
  void DoLuaStringWithoutWaking(const str& text);
  int RunFunction(int nargs, int nresults);
  int Resume(int nvalues);
  bool IsYielded() const;
  // A coroutine has started and not yet ended (it waits, or it is the caller).
  bool IsCoroutineActive() const;
  // Coroutines asked for while another was active, to start in turn.
  size_t GetWaitingCount() const { return mWaiting.size(); }
  // True once the script's coroutine has ended in an error; a new coroutine clears it.
  bool HasCoroutineFailed() const { return mCoroutineFailed; }
  // The last error a chunk or the coroutine of this script reported, with its file and line
  // where Lua knows them.
  const str& GetLastError() const { return mLastError; }
  void NoteError(const str& message) { mLastError = message; }
  // Deleted at the next outermost resume or call, or with the script.
  void AdoptObject(TLuaObjectWrapper* object);
  size_t GetAdoptedCount() const { return mAdopted.size(); }

  double PopNumber();
  str PopString();
  TVec4 PopVec4();
  str GetGlobalString(const str& name);
  double GetGlobalNumber(const str& name);
  TLuaTable* GetGlobalTable(const str& name);
  void SetGlobalString(const str& name, const str& value);
  void SetGlobalNumber(const str& name, double value);

  // The path scripts search, "assets/?;?;../?;../../?" at first.
  static void SetLuaSearchPath(const str& path);
  static str GetLuaSearchPath();

protected:
  void DeleteAdopted();
  void RunLuaText(const str& text, int length, int nresults, bool wake);
  int RunFunction(int nargs, int nresults, bool wake);
  void PushGlobal(const char* name);
  // Starts the function on top as the coroutine; the status of its first run.
  int StartCoroutine();
  // Starts the waiting coroutines in order while none is active.
  void StartWaiting();

  lua_State* mState;
  TLuaThread* mThread = nullptr;
  // The _SCRIPT this script replaced in the shared globals (a thread's parent script).
  void* mPreviousScript = nullptr;
  std::vector<TLuaObjectWrapper*> mAdopted;
  str mLastError;
  bool mCoroutineFailed = false;
  // Native calls in progress: only the outermost one may delete adopted objects, since an
  // outer native call may still be using what it adopted.
  int mDepth = 0;
  std::deque<std::unique_ptr<TLuaObjectWrapper>> mWaiting;
};
