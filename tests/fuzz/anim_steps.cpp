// Animation step tables and the property parser, as the game uses them. The input is a Lua
// chunk run on the window script host that answers a step table and a property table. The step
// table is a sprite's "KAnim" in a "QMSpriteWindow" made by "MakeDialog", as the game's screens
// give it: built into the sprite's queue (timers, commands, message waits, sounds, property
// animations, filters, parallel groups), started, then run and drawn for a few ticks of the
// virtual clock and closed. The property table goes through the parser the search tools use,
// with a field and a setter of every value type. Chunks with a loop anywhere, in the code or
// in a text a command step runs, are not run (LuaFuzz.h).
#include <cstdint>
#include <cstring>
#include <string>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include "EngineFuzz.h"
#include "LuaFuzz.h"
#include "anim/KPropertyParser.h"
#include "game/shell/QMSpriteWindow.h"
#include "platform/os/Clock.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

constexpr char kLayout[] =
    "PushModal('fuzzanim')\n"
    "MakeDialog({ QMSpriteWindow({ name = 'fuzzanim', x = 0, y = 0, w = 160, h = 120,\n"
    "  sprites = { { type = 'image', name = 'target', image = 'images/badge.png',\n"
    "                position = { 80, 60 }, anchorPoint = { 0.5, 0.5 }, KAnim = gFuzzSteps },\n"
    "              { type = 'sprite', name = 'group', position = { 10, 10 },\n"
    "                sprites = { { type = 'image', name = 'child', image = 'images/badge.png' } "
    "},\n"
    "                KAnim = gFuzzSteps } } }) })\n";

void Prepare() {
  static bool once = [] {
    const std::string sample = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/";
    for (auto [name, file] : {std::pair{"images/badge.png", "map/badge.png"},
                              std::pair{"audio/click.ogg", "audio/click.ogg"}}) {
      const std::string bytes = fuzz::ReadDiskFile(sample + file);
      if (bytes.empty()) abort();
      fuzz::PutMemoryFile(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    TWindowManager::Instance()->RegisterWindowType("QMSpriteWindow", &QMSpriteWindow::Create);
    return true;
  }();
  (void)once;
}

// Every key of the table through a parser with a field and a setter of each value type.
void ApplyProperties(lua_State* L) {
  bool b = false;
  int i = 0;
  unsigned int u = 0;
  float f = 0;
  TVec2 v2;
  TVec3 v3;
  TVec4 v4;
  TPoint point;
  str s;
  boost::shared_ptr<TTexture> texture;
  boost::shared_ptr<TSprite> sprite;
  boost::shared_ptr<TSound> sound;
  QMTableParserImpl parser;
  parser.AddProperty("visible", &b);
  parser.AddProperty("layer", &i);
  parser.AddProperty("color", &u);
  parser.AddProperty("darken", &f);
  parser.AddProperty("offset", &v2);
  parser.AddProperty("position", &v3);
  parser.AddProperty("rect", &v4);
  parser.AddProperty("point", &point);
  parser.AddProperty("name", &s);
  parser.AddProperty("image", &texture);
  parser.AddProperty("mask", &sprite);
  parser.AddProperty("sound", &sound);
  float scaled = 0;
  str label;
  parser.AddSetter<float>("scale", [&](float v) { scaled = v * 2; });
  parser.AddSetter<str>("text", [&](str v) { label = v; });
  parser.AddSetter<boost::shared_ptr<TTexture>>("frame", [&](boost::shared_ptr<TTexture> t) {
    if (t) t->GetWidth();
  });
  parser.AddSetter<TVec4>("box", [&](TVec4 v) { v4 = v; });
  // A later registration replaces the earlier one.
  parser.AddProperty("layer", &u);
  TLuaTable table(L);
  parser.ApplyTable(table);
}

void Tick(TPlatform* p, uint32_t ms) {
  platform::os::AdvanceVirtualTime(ms);
  p->GetTaskList()->RunTasks(0);
  TWindowManager* wm = p->GetWindowManager();
  if (auto* top = dynamic_cast<TModalWindow*>(wm->GetTopModal())) top->RunTasks(0);
  TRenderer* r = TRenderer::Instance();
  if (r->BeginDraw()) {
    wm->DrawModals();
    r->EndDraw();
  }
}

int TestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  if (!fuzz::TextEndsByItself(text, size)) return 0;
  Prepare();
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  lua_State* L = host->GetState();
  const int top = lua_gettop(L);
  if (luaL_loadbuffer(L, text, strnlen(text, size), "=steps") != 0 || lua_pcall(L, 0, 2, 0) != 0) {
    lua_settop(L, top);
    return 0;
  }
  if (lua_istable(L, -1)) {
    lua_pushvalue(L, -1);
    ApplyProperties(L);
  }
  lua_pop(L, 1);
  lua_pushstring(L, "gFuzzSteps");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_settop(L, top);

  host->DoLuaString(kLayout);
  TPlatform* p = fuzz::EnginePlatform();
  for (uint32_t ms : {0u, 16u, 16u, 100u, 250u, 16u, 1000u, 16u, 5000u, 16u}) Tick(p, ms);
  p->GetWindowManager()->DoPopModal("fuzzanim");
  Tick(p, 16);
  host->DoLuaString("gFuzzSteps = nil");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
