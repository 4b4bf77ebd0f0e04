#include "script/binding/TScript.h"

#include <cstddef>
#include <memory>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/LuaState.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScriptCode.h"

namespace {

str gLuaSearchPath("assets/?;?;../?;../../?");

int Alert(lua_State* L) {
  const str message = LuaToStr(L, -1);
  EngineLog("Lua error: %s", message.CStr());
  if (TScript* script = TScript::FromState(L)) script->NoteError(message);
  return 0;
}

void DiscardText(str) {}

const char kDumpTable[] =
    "function _Internal_DumpEntry( key, value, indent ) \n\tlocal _entry = '' \n\t_entry = "
    "string.rep(' ',indent)..tostring(key)..' -> '; \n   if ( type(value) == 'table' ) then \n  "
    "   _entry = _entry.. [[{\n]] \n\t\t.. _Internal_DumpTable( value, indent+2 ) \n       .. "
    "string.rep(' ',indent)..[[}\n]] \n\telse \n\t  _entry = _entry .. tostring(value) .. "
    "[[\n\n]] ;\n   end \n   return _entry; \nend \nfunction _Internal_DumpTable( t, indent ) "
    "\n\tif indent>10 then return string.rep(' ',indent)..[[...\n]]; end; \n\tlocal "
    "_accumulated_table_data = ''; \n\tif ( not indent ) then indent = 0 end; \n\ttable.foreach( "
    "t, function(k,v) _accumulated_table_data = "
    "_accumulated_table_data.._Internal_DumpEntry(k,v,indent); end ) \n\treturn "
    "_accumulated_table_data; \nend \nfunction DumpTable( t ) \n  local _table = "
    "_Internal_DumpTable(t,2);  \n  DebugOut( [[Dump Table: \n]].._table ); \n  "
    "_accumulated_table_data=''; \nend \n";

const char kGetClosure[] =
    "function GetClosure( f, ... ) return function() return f( arg[1], arg[2], arg[3], arg[4], "
    "arg[5], arg[6] ); end; end";

// A stack height together with the frame it counts from. A call that starts the script's
// coroutine on the state itself may return with the state inside the coroutine's yielded frame,
// where heights are counted from another base, or with the function's slot consumed by a
// coroutine that ended without results.
struct StackMark {
  explicit StackMark(lua_State* L) : top(lua_gettop(L)), base(L->base - L->stack) {}
  // Drops what was pushed since the mark. Inside another frame nothing is touched: a yielded
  // frame's values are discarded when it is resumed, and filling it up to a height counted from
  // another base could run past the stack.
  void Restore(lua_State* L) const {
    if (L->base - L->stack == base && lua_gettop(L) > top) lua_settop(L, top);
  }
  int top;
  std::ptrdiff_t base;
};

// Points LUA_PATH at the search path again before a text runs (a script may have moved it).
// The value is stored directly, which allocates nothing once the global exists. Only a new
// global under a __newindex handler on the globals goes through a chunk, so that the handler
// runs protected as a script's assignment would.
bool NewIndexHandled(lua_State* L) {
  lua_pushstring(L, "LUA_PATH");
  lua_rawget(L, LUA_GLOBALSINDEX);
  const bool exists = !lua_isnil(L, -1);
  lua_pop(L, 1);
  if (exists || !lua_getmetatable(L, LUA_GLOBALSINDEX)) return false;
  lua_pushstring(L, "__newindex");
  lua_rawget(L, -2);
  const bool handled = !lua_isnil(L, -1);
  lua_pop(L, 2);
  return handled;
}

// Assigns the path given as the only argument to LUA_PATH through the globals' handlers.
int AssignSearchPath(lua_State* L) {
  lua_pushstring(L, "LUA_PATH");
  lua_pushvalue(L, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  return 0;
}

void SetSearchPathGlobal(lua_State* L) {
  if (NewIndexHandled(L)) {
    // The path goes in as a value, never as source text: quotes or backslashes in it stay as
    // they are.
    lua_pushcfunction(L, AssignSearchPath);
    lua_pushstring(L, gLuaSearchPath.CStr());
    if (lua_pcall(L, 1, 0, 0) != 0) {
      EngineLog("Script: setting LUA_PATH failed: %s",
                lua_tostring(L, -1) ? lua_tostring(L, -1) : "(error object)");
      lua_pop(L, 1);
    }
    return;
  }
  lua_pushstring(L, "LUA_PATH");
  lua_pushstring(L, gLuaSearchPath.CStr());
  lua_rawset(L, LUA_GLOBALSINDEX);
}

// Compiled chunks of the short texts run again and again (a level's clock tick, a button's
// command), kept in the registry by their text so that a repeated run compiles and allocates
// nothing. Bounded: a full cache starts afresh. A chunk is reused only while its environment is
// still the globals it would be compiled with now.
const char kChunkCacheKey[] = "TScript.chunks";
constexpr size_t kCachedTextLength = 256;
constexpr int kCachedChunks = 64;

bool PushCachedChunk(lua_State* L, const char* text, size_t n) {
  lua_pushstring(L, kChunkCacheKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return false;
  }
  lua_pushlstring(L, text, n);
  lua_rawget(L, -2);
  lua_remove(L, -2);
  if (lua_isfunction(L, -1)) {
    lua_getfenv(L, -1);
    const bool sameGlobals = lua_rawequal(L, -1, LUA_GLOBALSINDEX) != 0;
    lua_pop(L, 1);
    if (sameGlobals) return true;
  }
  lua_pop(L, 1);
  return false;
}

// Keeps the compiled chunk on the top of the stack for the next run of the same text.
void CacheChunk(lua_State* L, const char* text, size_t n) {
  lua_pushstring(L, kChunkCacheKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  int count = 0;
  if (lua_istable(L, -1)) {
    lua_rawgeti(L, -1, 1);
    count = lua_isnumber(L, -1) ? static_cast<int>(lua_tonumber(L, -1)) : 0;
    lua_pop(L, 1);
  }
  if (!lua_istable(L, -1) || count >= kCachedChunks) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushstring(L, kChunkCacheKey);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
    count = 0;
  }
  lua_pushlstring(L, text, n);
  lua_pushvalue(L, -3);
  lua_rawset(L, -3);
  lua_pushnumber(L, count + 1);
  lua_rawseti(L, -2, 1);
  lua_pop(L, 1);
}

// Pushes the text compiled, or the error message; the status of the compilation.
int LoadText(lua_State* L, const str& text, size_t n) {
  // A text cut short is compiled under its whole text as its name: only whole texts are kept.
  const bool cacheable = n == text.Length() && n <= kCachedTextLength;
  if (cacheable && PushCachedChunk(L, text.CStr(), n)) return 0;
  const int status = luaL_loadbuffer(L, text.CStr(), n, text.CStr());
  if (status == 0 && cacheable) CacheChunk(L, text.CStr(), n);
  return status;
}

struct DepthGuard {
  explicit DepthGuard(int& d) : depth(d) { ++depth; }
  ~DepthGuard() { --depth; }
  int& depth;
};

}  // namespace

void TScript::SetLuaSearchPath(const str& path) { gLuaSearchPath = path; }
str TScript::GetLuaSearchPath() { return gLuaSearchPath; }

TScript::TScript(lua_State* L) : mState(L) {
  Cancel();
  if (!mState) mState = lua_open();
  // A state passed in may be in use: leave its stack as it was.
  int top = lua_gettop(mState);
  luaopen_base(mState);
  luaopen_string(mState);
  luaopen_table(mState);
  lua_settop(mState, top);
  lua_register(mState, "_ALERT", &Alert);
  BindFunction(mState, "DebugOut", &DiscardText);
  lua_dobuffer(mState, kDumpTable, sizeof(kDumpTable) - 1, "DumpTable");
  PushGlobal("_SCRIPT");
  mPreviousScript = lua_islightuserdata(mState, -1) ? lua_touserdata(mState, -1) : nullptr;
  lua_pop(mState, 1);
  lua_pushstring(mState, "_SCRIPT");
  lua_pushlightuserdata(mState, this);
  lua_settable(mState, LUA_GLOBALSINDEX);
  // _SCRIPT is shared by every thread of the state; this entry tells whose thread L is.
  lua_pushlightuserdata(mState, mState);
  lua_pushlightuserdata(mState, this);
  lua_settable(mState, LUA_REGISTRYINDEX);
}

TScript* TScript::FromState(lua_State* L) {
  if (!L) return nullptr;
  lua_pushlightuserdata(L, L);
  lua_gettable(L, LUA_REGISTRYINDEX);
  TScript* script =
      lua_islightuserdata(L, -1) ? static_cast<TScript*>(lua_touserdata(L, -1)) : nullptr;
  lua_pop(L, 1);
  return script;
}

TScript::~TScript() {
  mWaiting.clear();
  DeleteAdopted();
  if (mState && FromState(mState) == this) {
    lua_pushlightuserdata(mState, mState);
    lua_pushnil(mState);
    lua_settable(mState, LUA_REGISTRYINDEX);
  }
  if (mThread) {
    // Threads share the globals: hand _SCRIPT back rather than leave it pointing at a dead
    // script that the next adopted wrapper would be handed to.
    PushGlobal("_SCRIPT");
    bool ours = lua_touserdata(mState, -1) == this;
    lua_pop(mState, 1);
    if (ours) {
      lua_pushstring(mState, "_SCRIPT");
      if (mPreviousScript) {
        lua_pushlightuserdata(mState, mPreviousScript);
      } else {
        lua_pushnil(mState);
      }
      lua_settable(mState, LUA_GLOBALSINDEX);
    }
    delete mThread;
    mThread = nullptr;
  } else if (mState) {
    lua_close(mState);
  }
  mState = nullptr;
}

void TScript::PushGlobal(const char* name) {
  lua_pushstring(mState, name);
  lua_gettable(mState, LUA_GLOBALSINDEX);
}

void TScript::DeleteAdopted() {
  std::vector<TLuaObjectWrapper*> doomed;
  doomed.swap(mAdopted);
  for (TLuaObjectWrapper* o : doomed) delete o;
}

void TScript::AdoptObject(TLuaObjectWrapper* object) {
  if (object) mAdopted.push_back(object);
}

TScript* TScript::NewThread() {
  TLuaThread* thread = new TLuaThread(mState);
  TScript* script = new TScript(thread->GetThread());
  script->mThread = thread;
  return script;
}

bool TScript::IsYielded() const {
  if (!mState || mState->ci == mState->base_ci) return false;
  return (mState->ci->state & CI_YIELD) != 0;
}

bool TScript::DoFile(const str& name) {
  StackMark mark(mState);
  if (name.IsEmpty() || !FileExists(name)) {
    mLastError = str::Format("cannot find script \"%s\"", name.CStr());
    return false;
  }
  str error;
  boost::shared_ptr<TScriptCode> code = TScriptCode::Get(name, gLuaSearchPath, &error);
  int status = -1;
  if (code) {
    str bytes = code->GetCode();
    status =
        luaL_loadbuffer(mState, bytes.CStr(), static_cast<size_t>(code->GetLength()), name.CStr());
  }
  if (status != 0) {
    PushGlobal("_ALERT");
    if (!error.IsEmpty()) {
      mLastError = error;
      LuaPushStr(mState, error);
      lua_pcall(mState, 1, 0, 0);
    } else if (code) {
      lua_insert(mState, -2);
      lua_pcall(mState, 1, 0, 0);
    }
    mark.Restore(mState);
    return false;
  }
  status = RunFunction(0, 1);
  mark.Restore(mState);
  if (status != 0) {
    EngineLog("Failed to run script %s: %d", name.CStr(), status);
    return false;
  }
  return true;
}

void TScript::DoLuaString(const str& text, int length, int nresults) {
  RunLuaText(text, length, nresults, true);
}

void TScript::DoLuaStringWithoutWaking(const str& text) { RunLuaText(text, -1, 0, false); }

void TScript::RunLuaText(const str& text, int length, int nresults, bool wake) {
  SetSearchPathGlobal(mState);
  StackMark mark(mState);
  size_t n = length < 0 ? text.Length() : static_cast<size_t>(length);
  if (n > text.Length()) n = text.Length();
  const char* phase = "parsing";
  int status = LoadText(mState, text, n);
  if (status == 0) {
    phase = "running";
    status = RunFunction(0, nresults == 0 ? 1 : nresults, wake);
    if (status == 0) {
      // The one result, or nothing when a coroutine the chunk started took the slot.
      if (nresults == 0) mark.Restore(mState);
      return;
    }
  }
  int top = lua_gettop(mState);
  int type = lua_type(mState, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) {
    str message = str::Format("Lua Error: %s\n\twhen %s", LuaToStr(mState, -1).CStr(), phase);
    EngineLog("DoLuaString %s %s", message.CStr(), text.CStr());
    PushGlobal("LuaErrorMessage");
    if (!lua_isnil(mState, -1)) {
      LuaPushStr(mState, message);
      // Protected: a failing error hook must not take the host down.
      lua_pcall(mState, 1, 0, 0);
    }
  }
  lua_settop(mState, top);
}

int TScript::RunFunction(int nargs, int nresults) { return RunFunction(nargs, nresults, true); }

int TScript::RunFunction(int nargs, int nresults, bool wake) {
  if (mDepth == 0) DeleteAdopted();
  DepthGuard guard(mDepth);
  lua_State* L = mState;
  if (wake && IsYielded() && nresults <= 1) {
    int func = lua_gettop(L) - nargs;
    PushGlobal("_ALERT");
    lua_insert(L, func);
    int handler = func;
    PushGlobal("GetClosure");
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_dostring(L, kGetClosure);
      PushGlobal("GetClosure");
    }
    lua_insert(L, handler + 1);
    int status = lua_pcall(L, nargs + 1, 1, handler);
    lua_remove(L, handler);
    if (status != 0) return status;
    TLuaObjectWrapper closure(L);
    closure.Push(L);
    if (DeliverValue()) return 0;
    closure.Push(L);
    nargs = 0;
  }
  int func = lua_gettop(L) - nargs;
  PushGlobal("_ALERT");
  lua_insert(L, func);
  int status = lua_pcall(L, nargs, nresults, func);
  lua_remove(L, func);
  if (status == 0) {
    if (nresults == 1 && lua_isfunction(L, -1)) {
      // One coroutine at a time, on the state itself: while one waits or runs, the new one
      // waits its turn and starts when the one before it ends.
      if (IsCoroutineActive()) {
        lua_Debug where;
        lua_pushvalue(L, -1);
        lua_getinfo(L, ">S", &where);
        EngineLog("TScript: a coroutine is already running; the one from %s:%d waits for it",
                  where.short_src, where.linedefined);
        lua_pushvalue(L, -1);
        mWaiting.push_back(std::make_unique<TLuaObjectWrapper>(L));
        return 0;
      }
      int rs = StartCoroutine();
      if (rs != 0) {
        // A coroutine that fails at once is over: report it and stop scheduling it.
        Cancel();
        return rs;
      }
      StartWaiting();
      // Finished without yielding: nothing is left to resume on a tick.
      if (!IsYielded()) Cancel();
    }
    return 0;
  }
  if (nresults >= 2)
    EngineLog("TScript::RunFunction failure. Too many return results? (%d, FAILURE CODE %d)",
              nresults, status);
  return status;
}

int TScript::Resume(int nvalues) {
  if (mDepth == 0) DeleteAdopted();
  DepthGuard guard(mDepth);
  int status = lua_resume(mState, nvalues);
  if (status != 0) {
    mLastError = LuaToStr(mState, -1);
    mCoroutineFailed = true;
    EngineLog("lua_resume ERROR: %s", mLastError.CStr());
    lua_pop(mState, 1);
  }
  StartWaiting();
  return status;
}

bool TScript::IsCoroutineActive() const { return mState && mState->ci != mState->base_ci; }

int TScript::StartCoroutine() {
  if (mNext == kNever) SetTimer(0, true, true, false);
  mCoroutineFailed = false;
  int rs = lua_resume(mState, 0);
  if (rs != 0) {
    mLastError = LuaToStr(mState, -1);
    mCoroutineFailed = true;
    EngineLog("lua_resume error: %s", mLastError.CStr());
  }
  return rs;
}

void TScript::StartWaiting() {
  while (!mWaiting.empty() && !IsCoroutineActive()) {
    std::unique_ptr<TLuaObjectWrapper> next = std::move(mWaiting.front());
    mWaiting.pop_front();
    const int top = lua_gettop(mState);
    next->Push(mState);
    next.reset();
    if (StartCoroutine() != 0) {
      lua_pop(mState, 1);
    } else if (!IsYielded() && lua_gettop(mState) > top) {
      lua_settop(mState, top);
    }
  }
}

bool TScript::Animate() {
  // Resuming a state that is not suspended would start whatever lies on top of its stack.
  if (!IsYielded()) {
    Cancel();
    return true;
  }
  if (Resume(0) != 0) Cancel();
  if (!IsYielded()) Cancel();
  return true;
}

bool TScript::DeliverValue() {
  lua_pop(mState, 1);
  return false;
}

double TScript::PopNumber() {
  double d = lua_tonumber(mState, -1);
  lua_pop(mState, 1);
  return d;
}

str TScript::PopString() {
  str s = LuaToStr(mState, -1);
  lua_pop(mState, 1);
  return s;
}

TVec4 TScript::PopVec4() {
  TVec4 v;
  float* out[4] = {&v.x, &v.y, &v.z, &v.w};
  if (lua_istable(mState, -1)) {
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(mState, -1, i + 1);
      *out[i] = static_cast<float>(lua_tonumber(mState, -1));
      lua_pop(mState, 1);
    }
  }
  lua_pop(mState, 1);
  return v;
}

str TScript::GetGlobalString(const str& name) {
  PushGlobal(name.CStr());
  str s = lua_isnil(mState, -1) ? str() : LuaToStr(mState, -1);
  lua_pop(mState, 1);
  return s;
}

double TScript::GetGlobalNumber(const str& name) {
  PushGlobal(name.CStr());
  double d = lua_isnil(mState, -1) ? 0 : lua_tonumber(mState, -1);
  lua_pop(mState, 1);
  return d;
}

TLuaTable* TScript::GetGlobalTable(const str& name) {
  PushGlobal(name.CStr());
  if (!lua_istable(mState, -1)) {
    lua_pop(mState, 1);
    return nullptr;
  }
  return new TLuaTable(mState);
}

void TScript::SetGlobalString(const str& name, const str& value) {
  LuaPushStr(mState, name);
  LuaPushStr(mState, value);
  lua_settable(mState, LUA_GLOBALSINDEX);
}

void TScript::SetGlobalNumber(const str& name, double value) {
  LuaPushStr(mState, name);
  lua_pushnumber(mState, value);
  lua_settable(mState, LUA_GLOBALSINDEX);
}
