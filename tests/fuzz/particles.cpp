// Particle descriptions (Lua text declaring members, init and anim expressions, generators and
// an Update function), as the game uses them: compiled into a particle system on the running
// engine, which is then updated and drawn for a few frames of varied lengths. Descriptions
// with a loop are not run: the engine's scripts have no instruction budget, and a loop that
// never ends would stop the game as it stops the fuzzer.
#include <cstdint>
#include <string>

#include "EngineFuzz.h"
#include "LuaFuzz.h"
#include "particles/TLuaParticleSystem.h"
#include "render/TRenderer.h"
#include "script/binding/TScript.h"

namespace {

bool EndsByItself(const std::string& text) {
  lua_State* L = lua_open();
  if (!L) return false;
  const bool ends =
      luaL_loadbuffer(L, text.data(), text.size(), "=description") == 0 && fuzz::TopEndsByItself(L);
  lua_close(L);
  return ends;
}

int TestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos || !EndsByItself(text)) return 0;
  TLuaParticleSystem system;
  system.GetScript()->DoLuaString(text.c_str());
  TRenderer* r = TRenderer::Instance();
  for (int ms : {16, 0, 33, 250, 16, 1000, 16}) {
    system.Update(ms);
    if (r->BeginDraw()) {
      if (r->Begin2d()) {
        system.Draw(TVec3(80, 60, 0));
        r->End2d();
      }
      r->EndDraw();
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
