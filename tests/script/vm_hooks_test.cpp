// Debug hooks: the count hook that stops a script (in the main thread and in coroutines), the
// line, call and return events, turning a hook off, and errors and yields raised by hooks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/script/VmTestHelpers.h"

namespace {

void StopHook(lua_State* L, lua_Debug*) {
  lua_pushstring(L, "instruction budget spent");
  lua_error(L);
}

void YieldHook(lua_State* L, lua_Debug*) { lua_yield(L, 0); }

// limit(n): from now on the calling thread stops after n instructions.
int Limit(lua_State* L) {
  lua_sethook(L, StopHook, LUA_MASKCOUNT, (int)lua_tonumber(L, 1));
  return 0;
}

int YieldEvery(lua_State* L) {
  lua_sethook(L, YieldHook, LUA_MASKCOUNT, (int)lua_tonumber(L, 1));
  return 0;
}

int Native(lua_State*) { return 0; }

// The events a hook saw, one word each: "call:NAME", "line:N", "return", "tailreturn", "count".
std::string gEvents;

void RecordHook(lua_State* L, lua_Debug* ar) {
  switch (ar->event) {
    case LUA_HOOKCALL:
      lua_getinfo(L, "nS", ar);
      gEvents += std::string("call:") + (ar->name ? ar->name : ar->what) + " ";
      break;
    case LUA_HOOKRET: gEvents += "return "; break;
    case LUA_HOOKTAILRET: gEvents += "tailreturn "; break;
    case LUA_HOOKLINE: {
      lua_getinfo(L, "l", ar);  // the current line agrees with the event's
      gEvents += "line:" + std::to_string(ar->currentline) + " ";
      break;
    }
    case LUA_HOOKCOUNT: gEvents += "count "; break;
  }
}

void OnceHook(lua_State* L, lua_Debug* ar) {
  RecordHook(L, ar);
  lua_sethook(L, nullptr, 0, 0);
}

// Raises an error at line 2. Level 1 of a hook is the caller of the hooked function, here
// native, so the message carries no position.
void ErrorHook(lua_State* L, lua_Debug* ar) {
  if (ar->currentline == 2) luaL_error(L, "stopped at line %d", ar->currentline);
}

// traceon(): line events from here on.
int TraceOn(lua_State* L) {
  lua_sethook(L, RecordHook, LUA_MASKLINE, 0);
  return 0;
}

std::string Events(lua_State* L, int mask, int count, const char* code) {
  gEvents.clear();
  lua_sethook(L, RecordHook, mask, count);
  std::string result = RunScript(L, code);
  lua_sethook(L, nullptr, 0, 0);
  return gEvents + "=> " + result;
}

}  // namespace

TEST(VmHooks, CountHookErrorStopsEndlessLoopsAndCoroutines) {
  ScriptState s;
  lua_register(s.L, "limit", Limit);
  lua_register(s.L, "yieldevery", YieldEvery);
  const ScriptCase cases[] = {
      {"limit(1000) while true do end", "error: instruction budget spent"},
      {"limit(1000) local function f() return f() end f()", "error: instruction budget spent"},
      {"local co = coroutine.create(function() limit(1000) while true do end end) "
       "local ok, m = coroutine.resume(co) return ok, m, coroutine.status(co), "
       "coroutine.resume(co)",
       "false,instruction budget spent,dead,false,cannot resume dead coroutine"},
      // Set inside a coroutine, stopping a loop of a function it calls; wrap passes it on.
      {"local function spin() local n = 0 while true do n = n + 1 end end "
       "local f = coroutine.wrap(function() coroutine.yield(1) limit(500) spin() end) "
       "return f(), pcall(f)",
       "1,false,instruction budget spent"},
      // The count goes on across yields and resumes.
      {"local co = coroutine.wrap(function() limit(300) while true do coroutine.yield() end end) "
       "for i = 1, 1000 do co() end",
       "error: test:1: instruction budget spent"},
      // A protected call inside the coroutine catches it like any error.
      {"local co = coroutine.create(function() limit(1000) "
       "local ok, m = pcall(function() while true do end end) return 'caught', m end) "
       "return coroutine.resume(co)",
       "true,caught,instruction budget spent"},
      // A new thread starts without the hook of the thread that made it.
      {"limit(2000) local co = coroutine.create(function() for i = 1, 5000 do end return 'free' "
       "end) return coroutine.resume(co)",
       "true,free"},
      // A hook cannot yield, not even at a coroutine's top level.
      {"local co = coroutine.create(function() yieldevery(10) while true do end end) "
       "return coroutine.resume(co)",
       "false,test:1: attempt to yield across metamethod/C-call boundary"},
  };
  for (const ScriptCase& c : cases) {
    EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
    lua_sethook(s.L, nullptr, 0, 0);
    EXPECT_EQ(RunScript(s.L, "local t = {} for i = 1, 100 do t[i] = i end return t[1], t[100]"),
              "1,100")
        << c.code;
  }
}

TEST(VmHooks, LineCallAndReturnEvents) {
  ScriptState s;
  lua_register(s.L, "native", Native);
  const char* code =
      "local function add(a, b)\n"  // 1
      "  return a + b\n"            // 2
      "end\n"                       // 3
      "local x = add(1, 2)\n"       // 4
      "for i = 1, 2 do\n"           // 5
      "  x = x + i\n"               // 6
      "end\n"                       // 7
      "native()\n"                  // 8
      "return x";                   // 9
  EXPECT_EQ(Events(s.L, LUA_MASKLINE, 0, code),
            "line:3 line:4 line:2 line:5 line:6 line:5 line:6 line:5 line:8 line:9 => 6");
  EXPECT_EQ(Events(s.L, LUA_MASKCALL | LUA_MASKRET, 0, code),
            "call:main call:add return call:native return return => 6");
  // A loop on one line reports the line on every turn.
  EXPECT_EQ(Events(s.L, LUA_MASKLINE, 0, "local n = 0 while n < 3 do n = n + 1 end return n"),
            "line:1 line:1 line:1 line:1 => 3");
  // Hooked from inside a running function: its frames go on from where they stand, and the
  // current line is not reported again.
  lua_register(s.L, "traceon", TraceOn);
  const ScriptCase midway[] = {
      {"local a = 1\ntraceon()\nlocal b = 2\nreturn a + b", "line:3 line:4 => 3"},
      {"local function f()\n  traceon()\nend\nf()\nlocal x = 1\nreturn x",
       "line:3 line:5 line:6 => 1"},
  };
  for (const ScriptCase& c : midway) {
    gEvents.clear();
    std::string result = RunScript(s.L, c.code);
    lua_sethook(s.L, nullptr, 0, 0);
    EXPECT_EQ(gEvents + "=> " + result, c.expected) << c.code;
  }
  // Calls lost to tail calls end with one more return each.
  EXPECT_EQ(Events(s.L, LUA_MASKCALL | LUA_MASKRET, 0,
                   "local function g() return 1 end local function f() return g() end "
                   "return (f())"),
            "call:main call:f call:Lua return tailreturn return => 1");
  // 100 rounds of the three-instruction loop count 300 and more.
  std::string counted =
      Events(s.L, LUA_MASKCOUNT, 100, "local n = 0 for i = 1, 100 do n = n + i end return n");
  EXPECT_EQ(counted.substr(0, 12), "count count ");
  EXPECT_EQ(counted.substr(counted.size() - 7), "=> 5050");
}

TEST(VmHooks, SettingReadingAndClearingTheHook) {
  ScriptState s;
  lua_sethook(s.L, RecordHook, LUA_MASKLINE | LUA_MASKCOUNT, 7);
  EXPECT_EQ(lua_gethook(s.L), RecordHook);
  EXPECT_EQ(lua_gethookmask(s.L), LUA_MASKLINE | LUA_MASKCOUNT);
  EXPECT_EQ(lua_gethookcount(s.L), 7);
  const struct {
    lua_Hook hook;
    int mask;
    int count;
  } offs[] = {{nullptr, LUA_MASKLINE, 0}, {RecordHook, 0, 5}, {RecordHook, LUA_MASKCOUNT, 0}};
  for (const auto& off : offs) {
    lua_sethook(s.L, RecordHook, LUA_MASKLINE | LUA_MASKCOUNT, 7);
    lua_sethook(s.L, off.hook, off.mask, off.count);
    EXPECT_EQ(lua_gethook(s.L), nullptr);
    EXPECT_EQ(lua_gethookmask(s.L), 0);
    gEvents.clear();
    EXPECT_EQ(RunScript(s.L, "local n = 0 for i = 1, 50 do n = n + i end return n"), "1275");
    EXPECT_EQ(gEvents, "");
  }
  // Cleared from inside the hook itself: the events end there.
  gEvents.clear();
  lua_sethook(s.L, OnceHook, LUA_MASKLINE, 0);
  EXPECT_EQ(RunScript(s.L, "local a = 1\nlocal b = 2\nreturn a + b"), "3");
  EXPECT_EQ(gEvents, "line:1 ");
}

TEST(VmHooks, HookErrorsUnwindAndTheHookRunsAgainAfterwards) {
  ScriptState s;
  const char* code = "local a = 1\nlocal b = 2\nreturn a + b";
  for (int round = 0; round < 2; round++) {
    lua_sethook(s.L, ErrorHook, LUA_MASKLINE, 0);
    EXPECT_EQ(RunScript(s.L, code), "error: stopped at line 2");
    // Inside a coroutine, set there: the coroutine ends, resume answers the message.
    lua_sethook(s.L, nullptr, 0, 0);
    lua_State* co = lua_newthread(s.L);
    lua_sethook(co, ErrorHook, LUA_MASKLINE, 0);
    ASSERT_EQ(luaL_loadbuffer(co, code, strlen(code), "=co"), 0);
    EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
    EXPECT_EQ(ValueText(co, -1), "stopped at line 2");
    lua_pop(s.L, 1);
  }
}
