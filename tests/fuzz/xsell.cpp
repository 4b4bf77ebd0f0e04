// The cross-sell description "xsell/xsell.xml", as the game uses it: read from the file by
// the cross-sell screen's "SetupXSell" and applied to the screen's texts and buttons (laid
// out once, as a script lays them out, on the running engine), which are then drawn.
#include <cstdint>
#include <map>
#include <string>

#include "EngineFuzz.h"
#include "FuzzSupport.h"
#include "online/TXSellDescription.h"
#include "online/TXSellWindow.h"
#include "render/TRenderer.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

// Slots 1 to 8 of descriptions and buttons, the site link, the two lines and the logos.
std::string Layout() {
  std::string s =
      "PushModal('xsellscreen')\nMakeDialog({ XSellWindow({ name = 'xsell', x = 0, "
      "y = 0, w = 160, h = 120,\n";
  for (int i = 1; i <= 8; ++i) {
    s += "Text({ name = 'descrip" + std::to_string(i) + "', x = 40, y = " + std::to_string(12 * i) +
         ", w = 100, h = 12 }),\n";
    s += "Window({ name = 'xsellbutton" + std::to_string(i) +
         "', x = 20, y = " + std::to_string(12 * i) + ", w = 10, h = 8 }),\n";
  }
  s += "Window({ name = 'gamesite', x = 80, y = 110, w = 20, h = 8 }),\n"
       "Text({ name = 'centertext1', x = 0, y = 0, w = 160, h = 10 }),\n"
       "Text({ name = 'centertext2', x = 0, y = 6, w = 160, h = 10 }),\n"
       "Window({ name = 'sitelogo', x = 10, y = 110, w = 10, h = 10 }),\n"
       "Window({ name = 'hearthwelllogo', x = 140, y = 110, w = 10, h = 10 }) }) })\n";
  return s;
}

TXSellWindow* Screen() {
  static TXSellWindow* screen = [] {
    TWindowManager* wm = fuzz::EnginePlatform()->GetWindowManager();
    TWindowScript::Of(wm)->DoLuaString(Layout().c_str());
    TWindow* w = wm->GetTopModal() ? wm->GetTopModal()->FindChild("xsell", -1) : nullptr;
    if (!w || !w->IsKindOf(TXSellWindow::GetClassId())) abort();
    return static_cast<TXSellWindow*>(w);
  }();
  return screen;
}

int TestOneInput(const uint8_t* data, size_t size) {
  TXSellWindow* screen = Screen();
  // Applying centres the buttons on their layout points: each input starts from the layout.
  static const std::map<TWindow*, TRect> layout = [screen] {
    std::map<TWindow*, TRect> rects;
    for (TWindow* child : screen->GetChildren()) rects[child] = child->GetRect();
    return rects;
  }();
  for (const auto& [window, rect] : layout) {
    window->SetPosition(rect.left, rect.top);
    window->SetFlags(window->GetFlags() | kWindowShown);
  }

  fuzz::PutMemoryFile(TXSellWindow::kDescriptionFile, data, size);
  screen->SetupXSell();
  for (int n = -1; n <= TXSellDescription::kMaxGames + 1; ++n) (void)screen->GetGameLink(n);

  TRenderer* r = TRenderer::Instance();
  if (r->BeginDraw()) {
    fuzz::EnginePlatform()->GetWindowManager()->DrawModals();
    r->EndDraw();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
