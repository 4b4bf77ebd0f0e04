// Wide reads and raw wide writes of the io library, checked byte for byte against files made
// and read by the test itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"

namespace {

class IoLib : public ::testing::Test {
protected:
  void SetUp() override {
    L = lua_open();
    ASSERT_NE(L, nullptr);
    for (lua_CFunction open : {luaopen_base, luaopen_string, luaopen_table, luaopen_io}) {
      open(L);
      lua_settop(L, 0);
    }
    path = (std::filesystem::temp_directory_path() /
            ("lib_io_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name()))
               .string();
    lua_pushstring(L, "path");
    lua_pushstring(L, path.c_str());
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  void TearDown() override {
    lua_close(L);
    std::remove(path.c_str());
  }

  void WriteFile(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string ReadFile() {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Runs the code; leaves its one result on the stack.
  void Run(const std::string& code) {
    lua_settop(L, 0);
    int status = luaL_loadbuffer(L, code.data(), code.size(), "=t");
    if (status == 0) status = lua_pcall(L, 0, 1, 0);
    ASSERT_EQ(status, 0) << code << ": " << (lua_tostring(L, -1) ? lua_tostring(L, -1) : "");
  }

  std::vector<uint16_t> WideResult() {
    EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
    const uint16_t* w = lua_towstring(L, -1);
    if (w == nullptr) return {};
    return std::vector<uint16_t>(w, w + lua_strlen(L, -1));
  }

  lua_State* L = nullptr;
  std::string path;
};

TEST_F(IoLib, WideLinesReadUnitsByTheStreamsMode) {
  const std::vector<uint16_t> ab = {0x41, 0x42};
  WriteFile(std::string("A\0B\0\n\0", 6));
  Run("local f = io.open(path, 'rb') local l = f:read(towstring('*l')) f:close() return l");
  EXPECT_EQ(WideResult(), ab);
  WriteFile("AB\n");
  Run("local f = io.open(path, 'r') local l = f:read(towstring('*l')) f:close() return l");
  EXPECT_EQ(WideResult(), ab);
  WriteFile(std::string("A\0B\0", 4));
  Run("local f = io.open(path, 'r') local l = f:read(towstring('*a')) f:close() return l");
  EXPECT_EQ(WideResult(), ab);
}

TEST_F(IoLib, LongWideLinesAreJoinedWhole) {
  std::string bytes;
  for (int i = 0; i < 700; i++) bytes += std::string(1, char('a' + i % 26)) + '\0';
  bytes += std::string("\n\0", 2);
  WriteFile(bytes);
  Run("local f = io.open(path, 'rb') local l = f:read(towstring('*l')) f:close() return l");
  std::vector<uint16_t> units = WideResult();
  ASSERT_EQ(units.size(), 700u);
  EXPECT_EQ(units[699], uint16_t('a' + 699 % 26));
}

TEST_F(IoLib, EmptyWideReadsGiveEmptyWideStrings) {
  WriteFile(std::string("\n\0", 2));
  for (const char* mode : {"rb", "r"}) {
    Run(std::string("local f = io.open(path, '") + mode + "') local l = f:read(towstring('*l')) " +
        "local rest = f:read(towstring('*a')) f:close() return type(l) .. ':' .. type(rest) .. " +
        "':' .. tostring(l == L\"\" and rest == L\"\")");
    EXPECT_EQ(std::string(lua_tostring(L, -1)), "wstring:wstring:true") << mode;
  }
  WriteFile("");
  Run("local f = io.open(path, 'rb') local a = f:read(towstring('*a')) f:close() return a");
  EXPECT_TRUE(WideResult().empty());
}

TEST_F(IoLib, WideStringsAreWrittenAsRawUnits) {
  Run("local f = io.open(path, 'wb') "
      "local _, w = string.unpack('\\58\\38', 'wA1') "
      "local ok = f:write(w, {}, 'x', 5) f:close() return ok");
  EXPECT_EQ(lua_toboolean(L, -1), 1);
  EXPECT_EQ(ReadFile(), "\x3A\x26x5");
}

}  // namespace
