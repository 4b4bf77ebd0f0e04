// Timings of text on the headless display: laying out 2,000 short marked-up lines, drawing
// them (glyph spans replayed from the cache), and a frame that draws them again without any
// new layout pass, as menus and lists do every frame.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/HeadlessEngine.h"
#include "core/TPlatform.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "window/text/THwMiniVecDraw.h"
#include "window/text/TTextLayout.h"

namespace {

constexpr int kLines = 2000;

std::string LineText(int i) {
  static const char* const kWords[] = {"Lantern", "Compass",      "Feather", "Teapot",  "Anchor",
                                       "Violin",  "Pocket watch", "Key",     "Umbrella"};
  char buf[200];
  std::snprintf(buf, sizeof buf,
                "<b>%d.</b> Find the <font color='#a03010'>%s</font> <i>(%d pts)</i>"
                "<tab pos='220'><a id='go%d'>go</a>",
                i + 1, kWords[i % 9], (i * 37) % 500, i);
  return buf;
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  TRenderer* r = TRenderer::Instance();
  std::vector<TTextLayout*> lines(kLines, nullptr);
  bench::Measure("lay out 2000 marked-up lines", 5, [&](int) {
    for (int i = 0; i < kLines; ++i) {
      TTextLayout::Delete(lines[size_t(i)]);
      lines[size_t(i)] = TTextLayout::Create(LineText(i).c_str(), 300, 20, 0, "fonts/sans.mvec", 14,
                                             TColor(0.1f, 0.1f, 0.2f, 1.0f));
    }
  });
  int passes = 0;
  for (TTextLayout* t : lines) passes += t->GetLayoutPasses();

  // Forty columns of fifty lines fill the screen several times over; all lines are drawn.
  auto frame = [&](int) {
    if (!r->BeginDraw()) return;
    r->FillRect(TRect(0, 0, 800, 600), TColor(1, 1, 1, 1));
    if (r->Begin2d()) {
      for (int i = 0; i < kLines; ++i) {
        int column = (i / 50) % 3, row = i % 50;
        {
          TTextLayout* t = lines[size_t(i)];
          t->SetText(LineText(i).c_str());  // unchanged: no new layout pass
          DrawTextBlock(t, TRect(column * 260, row * 12, column * 260 + 300, row * 12 + 20), 1.0f,
                        0, 1.0f, 0, boost::shared_ptr<TTexture>());
        }
      }
      r->End2d();
    }
    r->EndDraw();
  };
  bench::Measure("first frame of 2000 lines (glyphs rasterised)", 1, frame);
  double ms = bench::Measure("frame of 2000 unchanged lines (spans replayed)", 10, frame);
  int after = 0;
  for (TTextLayout* t : lines) after += t->GetLayoutPasses();
  std::printf("layout passes during the frames: %d (glyphs rasterised: %zu, %.1f frames/s)\n",
              after - passes, THwMiniVecDraw::Instance()->GetRasterisedCount(), 1000.0 / ms);
  for (TTextLayout* t : lines) TTextLayout::Delete(t);
  return 0;
}

}  // namespace

int main() {
  return bench::RunHeadlessEngine(
      "text_bench",
      [](const std::string& assets) {
        return bench::CopySampleAsset(ENGINE_SOURCE_DIR, assets, "fonts/sans.mvec");
      },
      &Game);
}
