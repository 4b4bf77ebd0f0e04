// Vector fonts (".mvec"): every count, offset and command stream must stay inside the file,
// whatever it claims; every glyph's measures and commands are read back.
#include <cstdint>
#include <vector>

#include "window/text/TVecFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TVecFont font(std::vector<uint8_t>(data, data + size));
  const int count = font.GetGlyphCount();
  volatile float sink = font.GetAscent() + font.GetDescent() + font.GetMargin(true);
  for (int i = 0; i < count && i < 4096; ++i) {
    sink = sink + font.GetAdvance(i) + font.GetLeft(i) + font.GetRight(i) + font.GetTop(i) +
           font.GetBottom(i) + font.GetGlyphScale(i);
    const uint8_t* commands = font.GetGlyphData(i);
    const size_t length = font.GetGlyphDataSize(i);
    for (size_t k = 0; commands && k < length; ++k) sink = sink + commands[k];
  }
  for (uint32_t code : {32u, 48u, 65u, 87u, 8364u, 0xFFFFu}) sink = sink + font.FindGlyph(code);
  (void)sink;
  return 0;
}
