#include "script/binding/TScriptCode.h"

#include <cstdlib>
#include <cstring>

#include "assets/TAssetManager.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"

namespace {

struct Buffer {
  char* data = nullptr;
  size_t size = 0;
};

int AppendBlock(lua_State*, const void* p, size_t sz, void* ud) {
  Buffer* b = static_cast<Buffer*>(ud);
  if (sz == 0) return 0;
  // A block that cannot be kept fails the dump: a chunk with a hole must not be cached.
  if (sz > static_cast<size_t>(0x7FFFFFFF) - b->size) return 1;
  char* grown = static_cast<char*>(std::realloc(b->data, b->size + sz));
  if (!grown) return 1;
  b->data = grown;
  std::memcpy(b->data + b->size, p, sz);
  b->size += sz;
  return 0;
}

}  // namespace

TScriptCode::TScriptCode(const char* bytes, int length)
    : mCode(bytes ? str(bytes, static_cast<unsigned>(length)) : str()), mLength(length) {}

boost::shared_ptr<TScriptCode> TScriptCode::Get(const str& name, const str& path, str* error) {
  boost::shared_ptr<TScriptCode> code;
  if (name.IsEmpty()) return code;
  TAssetManager* am = TAssetManager::Instance();
  if (am) {
    code = AssetCast<TScriptCode>(am->FindAsset(name));
    if (code) return code;
  }
  lua_State* L = lua_open();
  if (!L) return code;
  str usePath = path.IsEmpty() ? str("assets/?;../?;?") : path;
  lua_dostring(L, (str("LUA_PATH='") + usePath + "' ;").CStr());
  if (luaL_loadfile(L, name.CStr()) == 0) {
    Buffer buffer;
    if (lua_dump(L, &AppendBlock, &buffer)) {
      code.reset(new TScriptCode(buffer.data, static_cast<int>(buffer.size)));
    } else if (error) {
      *error = name + ": could not keep the compiled chunk";
    }
    std::free(buffer.data);
  } else if (error) {
    *error = LuaToStr(L, -1);
  }
  lua_close(L);
  if (am) {
    am->RegisterAsset(name, code);
    // The manager's registry is weak and nothing else holds a chunk between two runs of the
    // file: keep it, so a file is parsed once per run and name. A name that failed is not
    // kept, so it is compiled again when asked again.
    if (code) am->KeepForRun(name, code);
  }
  return code;
}
