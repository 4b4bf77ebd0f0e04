// Vector fonts (".mvec"): every count, offset and command stream must stay inside the file,
// whatever it claims; every glyph's measures are read back and every glyph is drawn by the
// vector rasteriser into a locked texture on the running engine, at a scale, turn, outline,
// bold stroke and slant taken from the input. Input: four bytes of drawing settings (size,
// turn, strokes, slant and a quarter larger), then the font file.
#include <cmath>
#include <cstdint>
#include <vector>

#include "EngineFuzz.h"
#include "render/TTexture.h"
#include "window/text/THwMiniVecDraw.h"
#include "window/text/TVecFont.h"

namespace {

void Measure(TVecFont& font) {
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
}

int TestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  TVecFont font(std::vector<uint8_t>(data + 4, data + size));
  Measure(font);

  static boost::shared_ptr<TTexture> target = TTexture::Create(128, 64, true);
  THwMiniVecDraw* draw = THwMiniVecDraw::Instance();
  if (!target || !draw) abort();
  // The text layout's scale for a size of 4 to 67 pixels, drawn a quarter larger or not, a
  // full turn, strokes up to 4 pixels.
  const float extent = font.GetAscent() + font.GetDescent();
  if (!(extent > 0.0f)) return 0;
  const float scale = 0.8f * float(4 + data[0] % 64) * 4.0f / extent * (data[3] & 1 ? 1.25f : 1.0f);
  const float turn = float(data[1]) / 40.7f;
  draw->SetRotation(std::cos(turn), std::sin(turn));
  draw->SetStrokes(float(data[2] & 15) / 4.0f, float(data[2] >> 4) / 4.0f);
  draw->SetItalic(data[3] & 2);
  if (!draw->BeginRun(8.0f, 40.0f, target)) return 0;
  for (int style : {1, 254, 255}) draw->SetStyleColor(style, TColor(1, 1, 1, 1), 1.0f);
  // A run of up to 48 glyphs, from a place the input picks: whole fonts take too long.
  const int count = font.GetGlyphCount(), first = count > 0 ? (data[3] >> 2) * 7 % count : 0;
  int pen = 0;
  for (int i = first; i < count && i < first + 48; ++i) {
    const uint8_t* commands = font.GetGlyphData(i);
    const size_t length = font.GetGlyphDataSize(i);
    if (!commands) continue;
    draw->SetScale(scale, scale * font.GetGlyphScale(i));
    // By content: the font, and with it the commands' address, is gone after this input.
    draw->DrawGlyph(commands, length, pen % 400, (pen / 400) * 64, true);
    pen += 37;
  }
  draw->EndText();
  draw->SetScale(1, 1);
  draw->SetRotation(1, 0);
  draw->SetStrokes(0, 0);
  draw->SetItalic(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
