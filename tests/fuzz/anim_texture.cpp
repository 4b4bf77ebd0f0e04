// Animated-texture descriptions, binary ".anm" and XML, used as the game uses them: loaded on
// a 32x8 sheet, every frame selected, measured and drawn (plain, mirrored, scaled, turned,
// cut by a source rectangle) on the running engine's headless screen, and the description's
// script played by an animated sprite for a few ticks of the virtual clock. The first input
// byte chooses the form (bit 0) and whether the sheet is named by the caller (bit 1).
#include <cstdint>

#include "EngineFuzz.h"
#include "FuzzSupport.h"
#include "LuaFuzz.h"
#include "platform/display/Image.h"
#include "platform/os/Clock.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"

namespace {

// The sheet every description may name ("sheet.png", next to the description).
void WriteSheet() {
  platform::display::Image sheet;
  sheet.width = 32;
  sheet.height = 8;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 32; ++x)
      sheet.pixels.push_back((x % 8 == 0 ? 0x40u : 0xFFu) << 24 | uint32_t(x * 8) << 16 |
                             uint32_t(y * 32) << 8 | 0x80u);
  const std::string path = fuzz::ScratchFolder() + "/sheet.png";
  if (!sheet.SavePng(path)) abort();
  const std::string png = fuzz::ReadDiskFile(path);
  fuzz::PutMemoryFile("fuzz/sheet.png", reinterpret_cast<const uint8_t*>(png.data()), png.size());
}

void DrawEveryFrame(TAnimatedTexture& texture) {
  TRenderer* r = TRenderer::Instance();
  if (!r->BeginDraw()) return;
  if (r->Begin2d()) {
    const int32_t frames = texture.GetFrameCount();
    for (int32_t i = -1; i <= frames && i < 64; ++i) {
      texture.SelectFrame(i);
      (void)texture.GetWidth();
      (void)texture.GetHeight();
      (void)texture.GetFrameSourceRect(i);
      (void)texture.GetFrameAnchor(i);
      const struct { float scale, turn; } ways[] = {{1, 0}, {0.5f, 0.3f}, {2.5f, -1.2f}};
      for (uint32_t flags : {0u, uint32_t(TDrawParams::kMirrorX),
                             uint32_t(TDrawParams::kMirrorX | TDrawParams::kMirrorY)})
        for (const auto& w : ways) texture.Draw(40.5f, 30.0f, 0.75f, w.scale, w.turn, flags);
      TDrawParams cut(TVec2(100, 60), 1.0f, 1.5f, TDrawParams::kUseSourceRect);
      cut.sourceRect = TRect(-2, 1, 5, 40);
      texture.Draw(cut);
    }
    r->End2d();
  }
  r->EndDraw();
}

// Scripts are played only when every function of them ends by itself: the engine's scripts
// have no instruction budget, and a script that loops without yielding would stop the game
// as it stops the fuzzer.
bool ScriptEndsByItself(const str& script) {
  lua_State* L = lua_open();
  if (!L) return false;
  const bool ends = luaL_loadbuffer(L, script.CStr(), script.Length(), "=script") == 0 &&
                    fuzz::TopEndsByItself(L);
  lua_close(L);
  return ends;
}

int TestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const bool sheet = (WriteSheet(), true);
  (void)sheet;
  const bool binary = data[0] & 1, namedSheet = data[0] & 2;
  const char* name = binary ? "fuzz/description.anm" : "fuzz/description.xml";
  fuzz::PutMemoryFile(name, data + 1, size - 1);
  boost::shared_ptr<TAnimatedTexture> texture =
      TAnimatedTexture::Get(name, namedSheet ? str("sheet.png") : str());
  if (!texture) return 0;
  DrawEveryFrame(*texture);
  if (ScriptEndsByItself(texture->GetScript())) {
    boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create(0);
    sprite->SetTexture(texture);
    sprite->Play("DoAnim");
    TPlatform* platform = fuzz::EnginePlatform();
    for (int tick = 0; tick < 8; ++tick) {
      platform::os::AdvanceVirtualTime(40);
      platform->GetTaskList()->RunTasks(0);
    }
    sprite->Stop();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
