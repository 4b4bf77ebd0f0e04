#include <gtest/gtest.h>

#include <memory>

#include "BindingTestSupport.h"
#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaMessage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScriptCode.h"
#include "window/TMessage.h"

namespace {

std::string Fixture(const char* name) {
  return std::string(ENGINE_FIXTURES_DIR) + "/windows/" + name;
}

void Index(const char* name) { SetIndexedFile(name, Fixture(name).c_str()); }

// Records the arguments a bound function receives.
struct Recorder {
  void Take(str s, int n, float f, bool b) {
    text = s.CStr();
    number = n;
    real = f;
    flag = b;
    ++calls;
  }
  str Echo(str s) { return s + "!"; }
  std::string text;
  int number = -1;
  float real = -1;
  bool flag = true;
  int calls = 0;
};

int gFreeCalls = 0;
bool FreeFunction(str) { return ++gFreeCalls > 0; }

}  // namespace

TEST_F(BindingTest, BoundCallsConvertArgumentsWithoutEverRaising) {
  Recorder r;
  BindMethod(L, "Take", &r, &Recorder::Take);
  BindMethod(L, "Echo", &r, &Recorder::Echo);
  BindFunction(L, "Free", &FreeFunction);
  struct Case {
    const char* call;
    std::string text;
    int number;
    float real;
    bool flag;
  } cases[] = {
      {"Take()", "", 0, 0.0f, false},
      {"Take(3, '7', 2.5, 0)", "3", 7, 2.5f, true},
      {"Take({}, 'x', nil, false)", "", 0, 0.0f, false},
      {"Take('a', -2.9, 1e300, 'yes')", "a", -2, static_cast<float>(1e300), true},
      {"Take('b', 0/0, 1, nil)", "b", 0, 1.0f, false},
  };
  for (const Case& c : cases) {
    Run(c.call);
    EXPECT_EQ(r.text, c.text) << c.call;
    EXPECT_EQ(r.number, c.number) << c.call;
    EXPECT_EQ(r.real, c.real) << c.call;
    EXPECT_EQ(r.flag, c.flag) << c.call;
  }
  EXPECT_EQ(r.calls, 5);
  Run("gE = Echo(12) gF = tostring(Free()) gW = Echo(L\"wide\")");
  EXPECT_EQ(Global("gE"), "12!");
  EXPECT_EQ(Global("gW"), "wide!");
  EXPECT_EQ(Global("gF"), "true");
  // Binding a name again replaces the first binding.
  Recorder other;
  BindMethod(L, "Echo", &other, &Recorder::Take);
  Run("Echo('again')");
  EXPECT_EQ(other.text, "again");
}

TEST_F(BindingTest, TableWrappersReadFieldsWithDefaultsAndKeepTheStack) {
  Run("gT = { n = '12', bad = 'abc', off = false, sub = { 1, 2 }, f = print, "
      "[1] = 'first', [2] = { 0.5, 0.25 } }");
  lua_pushstring(L, "gT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TLuaTable* t = new TLuaTable(L);
  int top = lua_gettop(L);
  EXPECT_EQ(t->GetNumber("n", 5), 12);
  EXPECT_EQ(t->GetNumber("bad", 5), 0);
  EXPECT_EQ(t->GetNumber("missing", 5), 5);
  EXPECT_FALSE(t->GetBool("off", true));
  EXPECT_EQ(t->GetStringAt(1, "d"), str("first"));
  TVec4 v = t->GetVec4At(2, TVec4(9, 9, 9, 9));
  EXPECT_EQ(v.x, 0.5f);
  EXPECT_EQ(v.y, 0.25f);
  EXPECT_EQ(v.z, 9.0f);
  TLuaFunction* f = t->GetFunction("f");
  EXPECT_NE(f, nullptr);
  EXPECT_EQ(t->GetFunction("n"), nullptr);
  EXPECT_EQ(t->GetTable("n"), nullptr);
  delete f;
  EXPECT_EQ(lua_gettop(L), top);

  int keys = 0;
  TLuaObjectWrapper* key = nullptr;
  while (TLuaObjectWrapper* value = t->Next(key)) {
    ++keys;
    delete value;
  }
  EXPECT_EQ(keys, 7);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(lua_gettop(L), top);

  // A copy outlives its source.
  TLuaTable* copy = new TLuaTable(*t);
  delete t;
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(copy->GetNumber("n", 0), 12);
  delete copy;
}

TEST_F(BindingTest, ValueWrappersAndStackAccessorsConvertAsLuaDoesAndKeepTheStack) {
  int top = lua_gettop(L);
  struct Case {
    const char* value;
    bool table;
    const char* text;
    double number;
  } cases[] = {
      {"12", false, "12", 12}, {"'7.5'", false, "7.5", 7.5}, {"'abc'", false, "abc", 0},
      {"{ 1 }", true, "", 0},  {"nil", false, "", 0},        {"true", false, "", 0},
  };
  for (const Case& c : cases) {
    Run(std::string("gV = ") + c.value);
    lua_pushstring(L, "gV");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaObjectWrapper w(L);
    EXPECT_EQ(w.IsTable(), c.table) << c.value;
    EXPECT_EQ(w.GetString(), str(c.text)) << c.value;
    EXPECT_EQ(w.GetNumber(), c.number) << c.value;
    EXPECT_EQ(GetWrappedMessage(w), nullptr) << c.value;
    EXPECT_EQ(lua_gettop(L), top) << c.value;
  }
  // A message userdata reads back as its message.
  TMessage* m = new TMessage(kUserMessageBase, "boxed");
  PushLuaMessage(L, m);
  TLuaObjectWrapper boxed(L);
  EXPECT_EQ(GetWrappedMessage(boxed), m);
  // Fields of values that cannot be indexed are absent rather than errors.
  for (const char* value : {"12", "'text'", "newproxy and newproxy() or 1"}) {
    Run(std::string("gV = ") + value);
    lua_pushstring(L, "gV");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaTable t(L);
    EXPECT_EQ(t.GetString("field", "dflt"), str("dflt")) << value;
    EXPECT_EQ(lua_gettop(L), top) << value;
  }
  EXPECT_EQ(Log().find("rror"), std::string::npos) << Log();

  mHost->SetGlobalString("gS", "text");
  mHost->SetGlobalNumber("gN", 4.5);
  EXPECT_EQ(mHost->GetGlobalString("gS"), str("text"));
  EXPECT_EQ(mHost->GetGlobalNumber("gN"), 4.5);
  EXPECT_EQ(mHost->GetGlobalString("gNone"), str());
  EXPECT_EQ(mHost->GetGlobalNumber("gNone"), 0);
  EXPECT_EQ(mHost->GetGlobalTable("gS"), nullptr);
  Run("gT = { 1, 2 }");
  TLuaTable* t = mHost->GetGlobalTable("gT");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetNumberAt(2, 0), 2);
  delete t;
  EXPECT_EQ(lua_gettop(L), top);

  mHost->DoLuaString("return 3, 'word', { 1, 2 }", -1, 3);
  TVec4 v = mHost->PopVec4();
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 2.0f);
  EXPECT_EQ(v.z, 0.0f);
  EXPECT_EQ(mHost->PopString(), str("word"));
  EXPECT_EQ(mHost->PopNumber(), 3);
  EXPECT_EQ(lua_gettop(L), top);
}

TEST_F(BindingTest, TableArgumentAdoptedByAnOuterCallSurvivesNestedCalls) {
  // The callee runs Lua text (a nested call) and then still reads its argument.
  struct Reader {
    explicit Reader(TWindowScript* h) : mHost(h) {}
    void Read(TLuaTable* t) {
      mHost->DoLuaString("gNested = 1");
      seen = t->GetString("name", "gone").CStr();
    }
    TWindowScript* mHost;
    std::string seen;
  };
  Reader reader(mHost);
  BindMethod(L, "Read", &reader, &Reader::Read);
  Run("Read({ name = 'kept' })");
  EXPECT_EQ(reader.seen, "kept");
  // The adopted wrapper is gone after the next outermost call.
  Run("gDone = 1");
  EXPECT_EQ(mHost->GetAdoptedCount(), 0u);
}

TEST_F(BindingTest, ScriptFilesCompileOnceAndRunAsCoroutinesStepByStep) {
  TAssetManager assets;
  Index("steps.lua");
  EXPECT_TRUE(mHost->DoFile("steps.lua"));
  EXPECT_EQ(Number("gSteps"), 1);
  Tick();
  EXPECT_EQ(Number("gSteps"), 2);
  Tick();
  EXPECT_EQ(Number("gSteps"), 3);
  EXPECT_FALSE(mHost->IsYielded());
  EXPECT_FALSE(mHost->Ready(0));
  // A coroutine that ends without yielding leaves nothing scheduled to resume.
  Run("return function() gOnce = (gOnce or 0) + 1 end");
  EXPECT_EQ(Number("gOnce"), 1);
  EXPECT_FALSE(mHost->Ready(0));
  Run("function gStray() gStrayRan = 1 end");
  lua_pushstring(L, "gStray");
  lua_gettable(L, LUA_GLOBALSINDEX);
  mHost->Animate();  // must not start what lies on the stack
  lua_pop(L, 1);
  EXPECT_EQ(Number("gStrayRan"), 0);
  EXPECT_EQ(Log().find("lua_resume"), std::string::npos) << Log();
  // The second run loads the cached chunk.
  str error;
  auto code = TScriptCode::Get("steps.lua", "", &error);
  ASSERT_TRUE(code);
  EXPECT_EQ(TScriptCode::Get("steps.lua", "", &error).get(), code.get());
  EXPECT_TRUE(mHost->DoFile("steps.lua"));
  EXPECT_EQ(Number("gLoaded"), 2);
  int top = lua_gettop(L);
  EXPECT_FALSE(mHost->DoFile(""));
  EXPECT_FALSE(mHost->DoFile("no_such_file.lua"));
  EXPECT_EQ(lua_gettop(L), top);
}

TEST_F(BindingTest, ScriptErrorsAreLoggedAndTheHostGoesOn) {
  Index("syntax_error.lua");
  Index("runtime_error.lua");
  EXPECT_FALSE(mHost->DoFile("syntax_error.lua"));
  EXPECT_FALSE(mHost->DoFile("runtime_error.lua"));
  Run("local x = nil + 1");
  Run("gX = = 2");
  std::string log = Log();
  EXPECT_NE(log.find(": Lua error: syntax_error.lua:1:"), std::string::npos) << log;
  EXPECT_NE(log.find(": Lua error: runtime_error.lua:2: attempt to index"), std::string::npos)
      << log;
  EXPECT_NE(log.find(": Failed to run script runtime_error.lua: 1"), std::string::npos) << log;
  EXPECT_NE(log.find("when parsing gX = = 2"), std::string::npos) << log;
  // A file that failed is compiled again when asked again, reporting the error each time.
  for (int i = 0; i < 2; ++i) {
    str error;
    EXPECT_FALSE(TScriptCode::Get("syntax_error.lua", "", &error));
    EXPECT_NE(std::string(error.CStr()).find("syntax_error.lua:1:"), std::string::npos) << i;
  }
  Run("gAfter = 'alive'");
  EXPECT_EQ(Global("gAfter"), "alive");
}

// A short text run over and over is compiled once, and still runs in full every time: against
// the globals of the moment, a new environment given to its chunk recompiling it, and many
// other texts in between leaving it correct.
TEST_F(BindingTest, ARepeatedTextRunsEveryTimeAgainstTheGlobalsItWouldBeCompiledWith) {
  const char* tick = "gTicks = (gTicks or 0) + 1";
  for (int i = 0; i < 3; ++i) Run(tick);
  EXPECT_EQ(Global("gTicks"), "3");
  // A text that moves its own chunk to another table of globals: the next run sees the
  // globals again.
  for (int i = 0; i < 2; ++i) Run("gRuns = (gRuns or 0) + 1 setfenv(1, {})");
  EXPECT_EQ(Global("gRuns"), "2");
  for (int i = 0; i < 200; ++i) Run("gOther = " + std::to_string(i));
  Run(tick);
  EXPECT_EQ(Global("gTicks"), "4");
  EXPECT_EQ(Global("gOther"), "199");
  // A text that fails to compile is reported on every run.
  Run("gY = = 1");
  Run("gY = = 1");
  std::string log = Log();
  const size_t first = log.find("when parsing gY = = 1");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find("when parsing gY = = 1", first + 1), std::string::npos) << log;
}

// The search path reaches LUA_PATH as written, also when a handler on the globals sees the
// assignment: quotes and backslashes in it are never read as source text, and a handler that
// fails is logged without stopping the text.
TEST_F(BindingTest, TheSearchPathReachesLuaPathAsWrittenThroughAGlobalsHandler) {
  const str saved = TScript::GetLuaSearchPath();
  const char* path = "C:\\it's \"here\"\\?.lua;?";
  TScript::SetLuaSearchPath(path);
  Run("LUA_PATH = nil setmetatable(_G, { __newindex = function(t, k, v) "
      "rawset(t, 'gHandled', (rawget(t, 'gHandled') or '') .. k) rawset(t, k, v) end })");
  Run("gSeen = LUA_PATH");
  EXPECT_EQ(Global("gSeen"), path);
  EXPECT_EQ(Global("gHandled"), "LUA_PATHgSeen") << "the handler saw the assignment";
  Run("rawset(_G, 'LUA_PATH', nil) setmetatable(_G, { __newindex = function(t, k, v) "
      "if k == 'LUA_PATH' then error('refused') end rawset(t, k, v) end })");
  Run("gAfter = 'ran'");
  EXPECT_EQ(Global("gAfter"), "ran");
  EXPECT_NE(Log().find("setting LUA_PATH failed:"), std::string::npos) << Log();
  EXPECT_NE(Log().find("refused"), std::string::npos) << Log();
  Run("setmetatable(_G, nil)");
  TScript::SetLuaSearchPath(saved);
}

TEST_F(BindingTest, ACoroutineThatFailsAtOnceIsReportedAndUnscheduled) {
  // Call the chunk result's producer through RunFunction as DoLuaString would.
  luaL_loadbuffer(L, "return function() error('boom') end", 35, "chunk");
  EXPECT_NE(mHost->RunFunction(0, 1), 0);
  EXPECT_FALSE(mHost->Ready(0));
  EXPECT_NE(Log().find("lua_resume error: "), std::string::npos);
  // Too many results on a failure names both numbers.
  luaL_loadbuffer(L, "error('x')", 10, "chunk");
  EXPECT_NE(mHost->RunFunction(0, 2), 0);
  EXPECT_NE(Log().find("Too many return results? (2, FAILURE CODE 1)"), std::string::npos) << Log();
}

// One coroutine at a time: one asked for while another waits (or from inside the running one)
// waits its turn, with a log line naming the script it came from, and starts when the one
// before it ends; one that fails at once does not hold up the next.
TEST_F(BindingTest, ACoroutineAskedForWhileAnotherRunsStartsWhenThatOneEnds) {
  std::unique_ptr<TScript> thread(mHost->NewThread());
  thread->DoLuaString("return function() gFirst = 1 coroutine.yield() gFirst = 2 end");
  ASSERT_TRUE(thread->IsYielded());
  thread->DoLuaString("return function() gSecond = gFirst coroutine.yield() gSecond = 3 end");
  thread->DoLuaString("return function() error('third fails') end");
  thread->DoLuaString("return function() gFourth = gSecond end");
  EXPECT_EQ(Number("gSecond"), 0);
  EXPECT_EQ(thread->GetWaitingCount(), 3u);
  EXPECT_NE(Log().find("a coroutine is already running; the one from [string \"return "
                       "function() gFourth = gSecond end\"]:1 waits for it"),
            std::string::npos)
      << Log();
  EXPECT_EQ(thread->Resume(0), 0);
  EXPECT_EQ(Number("gFirst"), 2) << "the running one goes on";
  EXPECT_EQ(Number("gSecond"), 2) << "the next starts as soon as it ends";
  EXPECT_TRUE(thread->IsYielded());
  EXPECT_EQ(thread->Resume(0), 0);
  EXPECT_EQ(Number("gSecond"), 3);
  EXPECT_NE(Log().find("third fails"), std::string::npos) << Log();
  EXPECT_EQ(Number("gFourth"), 3);
  EXPECT_FALSE(thread->IsYielded());
  EXPECT_EQ(thread->GetWaitingCount(), 0u);

  // Asked for by the running coroutine itself: it starts once its caller has ended.
  thread->DoLuaString("gInner = 0 function Inner() DoInner() end");
  thread->DoLuaString("return function() coroutine.yield() gOuter = 1 end");
  ASSERT_TRUE(thread->IsYielded());
  lua_State* T = thread->GetState();
  lua_pushstring(T, "DoInner");
  lua_pushlightuserdata(T, thread.get());
  lua_pushcclosure(
      T,
      [](lua_State* S) {
        auto* script = static_cast<TScript*>(lua_touserdata(S, lua_upvalueindex(1)));
        script->DoLuaString("return function() gInner = 1 end");
        return 0;
      },
      1);
  lua_settable(T, LUA_GLOBALSINDEX);
  thread->DoLuaString("return function() Inner() gAfterInner = gInner coroutine.yield() end");
  EXPECT_EQ(thread->Resume(0), 0);
  EXPECT_EQ(Number("gOuter"), 1);
  EXPECT_EQ(Number("gAfterInner"), 0) << "the inner one waits for its caller";
  EXPECT_TRUE(thread->IsYielded());
  EXPECT_EQ(thread->Resume(0), 0);
  EXPECT_EQ(Number("gInner"), 1);
  EXPECT_FALSE(thread->IsYielded());
}

TEST_F(BindingTest, DumpTableStopsAfterFiveLevels) {
  std::string got;
  static std::string* sink;
  sink = &got;
  BindFunction(
      L, "DebugOut", +[](str s) { *sink = s.CStr(); });
  Run("DumpTable({ a = { b = { c = { d = { e = { f = { g = 1 } } } } } } })");
  EXPECT_NE(got.find("Dump Table:"), std::string::npos);
  EXPECT_NE(got.find("...\n"), std::string::npos) << got;
  EXPECT_EQ(got.find("g ->"), std::string::npos) << got;
}

TEST_F(BindingTest, ThreadScriptsShareGlobalsAndRunTheirOwnCoroutines) {
  TScript* thread = mHost->NewThread();
  thread->DoLuaString("return function() gThread = 1 coroutine.yield() gThread = 2 end");
  EXPECT_EQ(Number("gThread"), 1);
  EXPECT_TRUE(thread->IsYielded());
  EXPECT_FALSE(mHost->IsYielded());
  if (thread->Ready(0)) thread->DoTask();
  EXPECT_EQ(Number("gThread"), 2);
  EXPECT_FALSE(thread->Ready(0));
  // The thread's script took _SCRIPT over; deleting it hands it back to its parent.
  lua_pushstring(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_touserdata(L, -1), thread);
  lua_pop(L, 1);
  delete thread;
  lua_pushstring(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_touserdata(L, -1), mHost);
  lua_pop(L, 1);
  // The function wrapper calls through _ALERT and leaves the handler and result behind.
  Run("function gF() return 'r' end");
  lua_pushstring(L, "gF");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TLuaFunction f(L);
  int top = lua_gettop(L);
  f.Call();
  EXPECT_EQ(lua_gettop(L), top + 2);
  EXPECT_EQ(LuaToStr(L, -1), str("r"));
  lua_settop(L, top);
}

TEST_F(BindingTest, AScriptFileIsCompiledOncePerRunAndAFailedOneAgain) {
  TAssetManager assets;
  std::filesystem::path file = mFolder / "once.lua";
  SetIndexedFile("once.lua", file.c_str());
  std::ofstream(file) << "gVersion = 1 gRuns = (gRuns or 0) + 1\n";
  EXPECT_TRUE(mHost->DoFile("once.lua"));
  // Nobody holds the chunk between the runs; the file changes on disk and is not read again.
  std::ofstream(file) << "gVersion = 2 gRuns = (gRuns or 0) + 1\n";
  EXPECT_TRUE(mHost->DoFile("once.lua"));
  EXPECT_EQ(Number("gRuns"), 2);
  EXPECT_EQ(Number("gVersion"), 1);

  std::filesystem::path broken = mFolder / "broken.lua";
  SetIndexedFile("broken.lua", broken.c_str());
  std::ofstream(broken) << "gFixed = = 1\n";
  EXPECT_FALSE(mHost->DoFile("broken.lua"));
  std::ofstream(broken) << "gFixed = 1\n";
  EXPECT_TRUE(mHost->DoFile("broken.lua"));
  EXPECT_EQ(Number("gFixed"), 1);
}
