// The engine on the headless display with the sample fonts and a string table in its assets
// folder, description tables made from Lua text, and reading a text sprite's pixels.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <algorithm>

#include "anim/TTextSprite.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/text/TextFixture.h"

class TextSpriteTest : public TextTest {
protected:
  void SetUp() override {
    TextTest::SetUp();
    std::filesystem::copy_file(std::string(ENGINE_FIXTURES_DIR) + "/files/strings.xml",
                               mWork + "/assets/strings.xml");
  }

  // A text sprite from the Lua table constructor `table`.
  static boost::shared_ptr<QMTextSprite> Create(const std::string& table) {
    lua_State* L = lua_open();
    lua_dostring(L, ("gDescription = " + table).c_str());
    lua_pushstring(L, "gDescription");
    lua_gettable(L, LUA_GLOBALSINDEX);
    boost::shared_ptr<QMTextSprite> sprite;
    {
      TLuaTable description(L);
      sprite = CreateTextSprite(description);
    }
    lua_close(L);
    return sprite;
  }

  // The sprite texture's pixels (ARGB), box width by box height; empty without a texture.
  static std::vector<uint32_t> Pixels(QMTextSprite& sprite) {
    std::vector<uint32_t> out;
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    TextureLock lock;
    if (!sprite.GetTexture() || !lock.Lock(px, pitch, sprite.GetTexture().get())) return out;
    for (int y = 0; y < sprite.GetBoxHeight(); ++y)
      for (int x = 0; x < sprite.GetBoxWidth(); ++x)
        out.push_back(px[size_t(y) * size_t(pitch) + size_t(x)]);
    return out;
  }

  static uint32_t PixelAt(QMTextSprite& sprite, int x, int y) {
    return Pixels(sprite).at(size_t(y) * size_t(sprite.GetBoxWidth()) + size_t(x));
  }

  // The largest value of one channel (shift 24 alpha, 16 red, 8 green, 0 blue).
  static uint32_t MaxChannel(QMTextSprite& sprite, int shift) {
    uint32_t best = 0;
    for (uint32_t p : Pixels(sprite)) best = std::max(best, (p >> shift) & 0xFFu);
    return best;
  }
};
