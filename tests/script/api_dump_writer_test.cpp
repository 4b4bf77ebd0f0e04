// lua_dump reports a writer's failure: a chunk cut short must never pass for a whole one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/script/VmTestHelpers.h"

namespace {

// Accepts blocks until the failing call (counted from 1; 0 never fails).
struct Sink {
  explicit Sink(int fail) : failAt(fail) {}
  int failAt;
  int calls = 0;
  std::string bytes;
};

int SinkWriter(lua_State*, const void* p, size_t size, void* ud) {
  Sink* sink = static_cast<Sink*>(ud);
  sink->calls++;
  if (sink->calls == sink->failAt) return 1;
  sink->bytes.append(static_cast<const char*>(p), size);
  return 0;
}

}  // namespace

TEST(ApiDumpWriter, AFailedWriteMakesTheDumpFail) {
  ScriptState s;
  const char* src = "local t = {} for i = 1, 3 do t[i] = i * 2 end return t[3], 'done'";
  ASSERT_EQ(luaL_loadbuffer(s.L, src, strlen(src), "=chunk"), 0);

  Sink whole(0);
  ASSERT_EQ(lua_dump(s.L, SinkWriter, &whole), 1);
  ASSERT_GT(whole.calls, 3);

  for (int failAt : {1, 3, whole.calls}) {
    Sink cut(failAt);
    EXPECT_EQ(lua_dump(s.L, SinkWriter, &cut), 0) << "failing call " << failAt;
    EXPECT_EQ(cut.calls, failAt) << "nothing is written after the failure";
  }

  // The complete chunk still loads and runs.
  lua_settop(s.L, 0);
  ASSERT_EQ(luaL_loadbuffer(s.L, whole.bytes.data(), whole.bytes.size(), "=dumped"), 0);
  ASSERT_EQ(lua_pcall(s.L, 0, 2, 0), 0);
  EXPECT_EQ(ValueText(s.L, 1) + "," + ValueText(s.L, 2), "6,done");

  // Functions that cannot be dumped do not call the writer at all.
  lua_pushcfunction(s.L, luaopen_base);
  Sink none(0);
  EXPECT_EQ(lua_dump(s.L, SinkWriter, &none), 0);
  EXPECT_EQ(none.calls, 0);
}
