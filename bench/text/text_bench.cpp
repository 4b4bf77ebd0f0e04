// Timings of text on the headless display: laying out 2,000 short marked-up lines, drawing
// them (glyph spans replayed from the cache), and a frame that draws them again without any
// new layout pass, as menus and lists do every frame. With pixman (found when its development
// files are installed) the same spans are drawn through it too, as a text renderer on pixman
// would: per line and colour one A8 mask of the spans' alphas composited over the frame with
// the solid colour; the engine and pixman take turns frame by frame, and the ratio is the
// engine's time over pixman's (below 1: the engine is faster). Times of the turns are the
// thread's CPU time.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/support/HeadlessEngine.h"
#include "core/TPlatform.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "window/text/THwMiniVecDraw.h"
#include "window/text/TTextLayout.h"

#if defined(ENGINE_BENCH_PIXMAN)
#include <pixman.h>

#include <map>
#endif

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

double ThreadSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

#if defined(ENGINE_BENCH_PIXMAN)
// The spans of every line as pixman draws text: for each line and colour an A8 mask holding
// the alphas of its spans (a later span over an earlier one keeps its own), composited over
// the frame with the colour as a solid source.
class PixmanText {
public:
  PixmanText(int w, int h, const std::vector<std::vector<platform::display::FlatSpan>>& lines)
      : mWidth(w), mHeight(h), mBits(size_t(w) * size_t(h)) {
    mFrame = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, mBits.data(), w * 4);
    for (const auto& spans : lines) {
      std::map<uint32_t, std::vector<platform::display::FlatSpan>> byColour;
      for (const platform::display::FlatSpan& s : spans)
        if (s.x1 > s.x0) byColour[s.colour & 0xFFFFFFu].push_back(s);
      for (auto& [rgb, group] : byColour) {
        int x0 = group[0].x0, x1 = group[0].x1, y0 = group[0].y, y1 = group[0].y + 1;
        for (const auto& s : group) {
          x0 = std::min(x0, s.x0), x1 = std::max(x1, s.x1);
          y0 = std::min(y0, s.y), y1 = std::max(y1, s.y + 1);
        }
        Mask m;
        m.x = x0, m.y = y0, m.w = x1 - x0, m.h = y1 - y0;
        int stride = (m.w + 3) & ~3;
        m.alphas.assign(size_t(stride) * size_t(m.h), 0);
        for (const auto& s : group)
          std::fill_n(m.alphas.begin() + (s.y - y0) * stride + (s.x0 - x0), s.x1 - s.x0,
                      uint8_t(s.colour >> 24));
        m.mask = pixman_image_create_bits(PIXMAN_a8, m.w, m.h,
                                          reinterpret_cast<uint32_t*>(m.alphas.data()), stride);
        auto it = mSolids.find(rgb);
        if (it == mSolids.end()) {
          pixman_color_t c{uint16_t(((rgb >> 16) & 0xFF) * 257),
                           uint16_t(((rgb >> 8) & 0xFF) * 257), uint16_t((rgb & 0xFF) * 257),
                           0xFFFF};
          it = mSolids.emplace(rgb, pixman_image_create_solid_fill(&c)).first;
        }
        m.solid = it->second;
        mMasks.push_back(std::move(m));
      }
    }
  }
  ~PixmanText() {
    for (Mask& m : mMasks) pixman_image_unref(m.mask);
    for (auto& [rgb, solid] : mSolids) pixman_image_unref(solid);
    pixman_image_unref(mFrame);
  }
  // The clear, and the spans when asked.
  void Frame(bool spans) {
    pixman_color_t white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    pixman_box32_t all{0, 0, mWidth, mHeight};
    pixman_image_fill_boxes(PIXMAN_OP_SRC, mFrame, &white, 1, &all);
    if (!spans) return;
    for (const Mask& m : mMasks)
      pixman_image_composite32(PIXMAN_OP_OVER, m.solid, m.mask, mFrame, 0, 0, 0, 0, m.x, m.y, m.w,
                               m.h);
  }
  size_t MaskCount() const { return mMasks.size(); }

private:
  struct Mask {
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<uint8_t> alphas;
    pixman_image_t* mask = nullptr;
    pixman_image_t* solid = nullptr;
  };
  int mWidth, mHeight;
  std::vector<uint32_t> mBits;
  pixman_image_t* mFrame = nullptr;
  std::map<uint32_t, pixman_image_t*> mSolids;
  std::vector<Mask> mMasks;
};
#endif

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
  size_t spans = 0;
  std::vector<std::vector<platform::display::FlatSpan>> drawn;
  for (TTextLayout* t : lines) {
    drawn.push_back(t->GetDrawnSpans());
    spans += drawn.back().size();
  }
  std::printf("spans a frame: %zu\n", spans);
#if defined(ENGINE_BENCH_PIXMAN)
  PixmanText pixman(800, 600, drawn);
  // Each side's empty frame (the clear alone) is timed too, so that the spans are compared
  // on their own as well as in whole frames.
  auto clearOnly = [&] {
    if (!r->BeginDraw()) return;
    r->FillRect(TRect(0, 0, 800, 600), TColor(1, 1, 1, 1));
    if (r->Begin2d()) r->End2d();
    r->EndDraw();
  };
  constexpr int kRounds = 20;
  double best[4] = {1e30, 1e30, 1e30, 1e30}, sum[4] = {};
  for (int round = 0; round < kRounds; ++round) {
    const std::function<void()> turns[4] = {[&] { frame(round); }, [&] { pixman.Frame(true); },
                                            clearOnly, [&] { pixman.Frame(false); }};
    for (int k = 0; k < 4; ++k) {
      double t0 = ThreadSeconds();
      turns[k]();
      double t = ThreadSeconds() - t0;
      sum[k] += t, best[k] = std::min(best[k], t);
    }
  }
  auto mean = [&](int k) { return sum[k] / kRounds * 1e3; };
  std::printf("taking turns, %d frames each (thread CPU ms, mean / best):\n", kRounds);
  std::printf("  engine, whole frame (clear and spans)      %8.3f / %8.3f\n", mean(0),
              best[0] * 1e3);
  std::printf("  pixman, whole frame (%zu A8 masks)       %8.3f / %8.3f\n", pixman.MaskCount(),
              mean(1), best[1] * 1e3);
  std::printf("  engine / pixman, whole frames             %8.2fx / %7.2fx\n", sum[0] / sum[1],
              best[0] / best[1]);
  std::printf("  engine, spans alone (frame - clear)        %8.3f / %8.3f\n", mean(0) - mean(2),
              (best[0] - best[2]) * 1e3);
  std::printf("  pixman, spans alone (frame - clear)        %8.3f / %8.3f\n", mean(1) - mean(3),
              (best[1] - best[3]) * 1e3);
  std::printf("  engine / pixman, spans alone              %8.2fx / %7.2fx\n",
              (sum[0] - sum[2]) / (sum[1] - sum[3]), (best[0] - best[2]) / (best[1] - best[3]));
#else
  (void)ThreadSeconds;
  std::printf("pixman not found: no comparison\n");
#endif
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
