// scriptrun FILE [ARGS...]: runs a script file with the standard libraries open; its errors go
// to stderr with exit code 1. scriptrun -o OUT FILE writes the file's precompiled chunk to OUT.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "assets/FileLayer.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"

namespace {

int Usage() {
  fprintf(stderr, "usage: scriptrun FILE [ARGS...]\n       scriptrun -o OUT FILE\n");
  return 1;
}

// The file layer resolves plain names through its index; the name given on the command line
// is entered there with its location on disk, so chunk names and messages keep that name.
bool IndexScript(const char* name) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(name, ec);
  if (ec || !std::filesystem::is_regular_file(path, ec)) {
    fprintf(stderr, "scriptrun: cannot open %s\n", name);
    return false;
  }
  SetIndexedFile(str(name), str(path.string().c_str()));
  return true;
}

void ReportError(lua_State* L) {
  const char* msg = lua_tostring(L, -1);
  fprintf(stderr, "scriptrun: %s\n", msg ? msg : "(error object is not a string)");
  lua_pop(L, 1);
}

void OpenLibraries(lua_State* L) {
  const lua_CFunction libs[] = {luaopen_base, luaopen_string, luaopen_table, luaopen_math,
                                luaopen_io};
  for (lua_CFunction open : libs) {
    open(L);
    lua_settop(L, 0);
  }
}

struct ChunkOut {
  FILE* f;
  bool failed;
};

int ChunkWriter(lua_State* L, const void* p, size_t size, void* ud) {
  (void)L;
  ChunkOut* out = (ChunkOut*)ud;
  if (fwrite(p, 1, size, out->f) != size) out->failed = true;
  return out->failed ? 1 : 0;
}

int Compile(lua_State* L, const char* out, const char* file) {
  if (!IndexScript(file)) return 1;
  if (luaL_loadfile(L, file) != 0) {
    ReportError(L);
    return 1;
  }
  FILE* f = fopen(out, "wb");
  if (f == nullptr) {
    fprintf(stderr, "scriptrun: cannot write %s: %s\n", out, strerror(errno));
    return 1;
  }
  ChunkOut chunk{f, false};
  bool ok = lua_dump(L, ChunkWriter, &chunk) != 0 && !chunk.failed;
  ok = (fclose(f) == 0) && ok;
  if (!ok) {
    fprintf(stderr, "scriptrun: cannot write %s\n", out);
    remove(out);
    return 1;
  }
  return 0;
}

int Run(lua_State* L, int argc, char** argv) {
  const char* file = argv[1];
  if (!IndexScript(file)) return 1;
  // arg[0] is the script, arg[1..] its arguments, as a stand-alone interpreter provides them.
  lua_newtable(L);
  for (int i = 1; i < argc; i++) {
    lua_pushstring(L, argv[i]);
    lua_rawseti(L, -2, i - 1);
  }
  lua_pushliteral(L, "n");
  lua_pushnumber(L, argc - 2);
  lua_rawset(L, -3);
  lua_pushliteral(L, "arg");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);

  if (luaL_loadfile(L, file) != 0) {
    ReportError(L);
    return 1;
  }
  for (int i = 2; i < argc; i++) lua_pushstring(L, argv[i]);
  int status = lua_pcall(L, argc - 2, 0, 0);
  fflush(stdout);
  if (status != 0) {
    ReportError(L);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  bool compile = strcmp(argv[1], "-o") == 0;
  if (compile && argc != 4) return Usage();
  lua_State* L = lua_open();
  if (L == nullptr) {
    fprintf(stderr, "scriptrun: cannot create a script state\n");
    return 1;
  }
  OpenLibraries(L);
  int rc = compile ? Compile(L, argv[2], argv[3]) : Run(L, argc, argv);
  lua_close(L);
  return rc;
}
