// Window layouts as the game's screens give them to the window script: a modal made with
// "MakeDialog" from nested window styles ("Window({ ... })", "Button({ ... })", ...), each
// window made by GenericCreate and initialised from its style, then drawn and closed again.
// The input is read as a tree of windows, each of a registered type with style keys the
// window types read and values at and past their edges (zero, negative, the int range,
// huge, not a number, empty and long texts, texts of the input).
#include <cstdint>
#include <string>

#include "EngineFuzz.h"
#include "FuzzSupport.h"
#include "render/TRenderer.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

const char* const kTypes[] = {"Window",   "Text",        "Button",       "Bitmap",  "Slider",
                              "TextEdit", "XSellWindow", "SpriteWindow", "KButton", "SearchWindow"};

const char* const kKeys[] = {"name",
                             "x",
                             "y",
                             "w",
                             "h",
                             "flags",
                             "align",
                             "alpha",
                             "font",
                             "fontcolor",
                             "fontsize",
                             "label",
                             "image",
                             "mask",
                             "graphics",
                             "sound",
                             "rolloversound",
                             "tooltip",
                             "command",
                             "close",
                             "cancel",
                             "default",
                             "sliderimage",
                             "sliderrollimage",
                             "railtop",
                             "railmid",
                             "railbot",
                             "length",
                             "hslider",
                             "password",
                             "ignore",
                             "utf8",
                             "scale",
                             "rotation",
                             "rotate",
                             "hflip",
                             "vflip",
                             "padding",
                             "columnwidth",
                             "columngap",
                             "headercolor",
                             "hiliteColor",
                             "yoffset",
                             "fit",
                             "mipmap",
                             "type",
                             "file",
                             "runfile",
                             "darken",
                             "duration",
                             "time",
                             "on",
                             "enablewindow",
                             "defflags",
                             "clearinitial",
                             "sendToParent",
                             "text"};

const char* const kValues[] = {"0",
                               "-1",
                               "1",
                               "0.5",
                               "2147483647",
                               "-2147483648",
                               "4294967296",
                               "1e9",
                               "-1e9",
                               "1e30",
                               "-1e30",
                               "0/0",
                               "1/0",
                               "-1/0",
                               "''",
                               "'fonts/sans.mvec'",
                               "'<b>x</b><br>y'",
                               "'#label'"};

template <size_t N>
const char* Pick(const char* const (&list)[N], uint8_t b) {
  return list[b % N];
}

// A Lua string of the bytes, every byte escaped.
std::string Quoted(const std::string& bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) s += "\\" + std::to_string(unsigned(c));
  return s + "\"";
}

void Window(fuzz::Input& in, int depth, std::string& out) {
  out += Pick(kTypes, in.Byte());
  out += "({ ";
  const int keys = in.Byte() % 12;
  for (int k = 0; k < keys && !in.Empty(); ++k) {
    const uint8_t key = in.Byte(), value = in.Byte();
    out += Pick(kKeys, key);
    out += " = ";
    out += value >= 0xE0 ? Quoted(in.Text()) : Pick(kValues, value);
    out += ", ";
  }
  const int children = depth < 3 ? in.Byte() % 4 : 0;
  for (int c = 0; c < children && !in.Empty(); ++c) {
    Window(in, depth + 1, out);
    out += ", ";
  }
  out += "})";
}

int TestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  std::string layout = "PushModal('fuzzlayout')\nMakeDialog({ ";
  Window(in, 0, layout);
  layout += " })\n";
  TWindowManager* wm = fuzz::EnginePlatform()->GetWindowManager();
  TWindowScript::Of(wm)->DoLuaString(layout.c_str());
  TRenderer* r = TRenderer::Instance();
  if (r->BeginDraw()) {
    wm->DrawModals();
    r->EndDraw();
  }
  wm->DoPopModal("fuzzlayout");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
