#include "game/shell/LuaText.h"

str LuaStringLiteral(const str& text) {
  str out("\"");
  for (unsigned i = 0; i < text.Length(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\' || c == '"' || c < 0x20 || c == 0x7F) {
      out += str::Format("\\%03u", static_cast<unsigned>(c));
    } else {
      out += static_cast<char>(c);
    }
  }
  out += "\"";
  return out;
}
