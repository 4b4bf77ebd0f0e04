// Costs that must grow with the count and no faster: a frame of a window tree, finding the
// window under the pointer, and a frame of cached text lines, each at 1x, 10x and 100x of a
// typical screen's count (40 windows, 50 lines; other 1x counts as `bench_scale WINDOWS
// LINES`). Each row prints the cost per item, past a frame's fixed cost, and its growth over
// the 1x cost (1.00 when linear). The scales take turns in rounds and each keeps its best, in the thread's CPU time.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/HeadlessEngine.h"
#include "core/TPlatform.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "window/TScreen.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"
#include "window/text/TTextLayout.h"

namespace {

int gWindows = 40, gLines = 50;
constexpr int kScales[3] = {1, 10, 100};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A panel that fills its rectangle, as buttons and frames do.
class Panel : public TWindow {
public:
  void Draw() override {
    TRect r;
    GetClientRect(r);
    TRenderer::Instance()->FillRect(r, TColor(0.2f, 0.4f, 0.6f, 1.0f));
  }
};

// The time of body(scale, n) at each scale, n = unit * scale, and per item past the time of
// `empty` (a frame with nothing in it, so the frame's fixed cost is not spread over the
// items): rounds take the scales in turn, each batch the same number of items (the 1x case
// 100 times, 100x once).
void Row(const char* name, int unit, const std::function<void(int, int)>& body,
         const std::function<void()>& empty = nullptr) {
  double best[3] = {1e30, 1e30, 1e30}, fixed = empty ? 1e30 : 0.0;
  for (int round = 0; round < 5; ++round) {
    for (int s = 0; s < 3; ++s) {
      const int times = 100 / kScales[s];
      double t0 = Now();
      for (int i = 0; i < times; ++i) body(s, unit * kScales[s]);
      best[s] = std::min(best[s], (Now() - t0) / times);
    }
    if (!empty) continue;
    double t0 = Now();
    for (int i = 0; i < 10; ++i) empty();
    fixed = std::min(fixed, (Now() - t0) / 10);
  }
  double base = 0;
  for (int s = 0; s < 3; ++s) {
    const int n = unit * kScales[s];
    const double each = std::max(0.0, best[s] - fixed) / n;
    if (s == 0) base = each;
    std::printf("%-34s %3dx %7d %10.1f %9.1f %7.2f\n", name, kScales[s], n, best[s] * 1e6,
                each * 1e9, each / base);
  }
  if (empty) std::printf("%-34s %12s %10.1f\n", "  (the empty frame)", "", fixed * 1e6);
}

// Lines as long at every scale: numbered with five digits, so that the 100x lines are not
// three bold digits longer than the 1x ones (which made them cost up to a fifth more).
std::string LineText(int i) {
  static const char* const kWords[] = {"Lantern", "Compass", "Feather", "Teapot", "Anchor"};
  char buf[160];
  std::snprintf(buf, sizeof buf, "<b>%05d.</b> Find the <font color='#a03010'>%s</font> (%03d pts)",
                i + 1, kWords[i % 5], (i * 37) % 500);
  return buf;
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  TRenderer* r = TRenderer::Instance();
  std::printf("%-34s %4s %7s %10s %9s %7s\n", "", "", "count", "us", "ns each", "growth");

  // One screen per scale, its panels in rows of 40, a tree two levels deep like dialogs.
  auto emptyFrame = [&] {
    if (!r->BeginDraw()) return;
    if (r->Begin2d()) r->End2d();
    r->EndDraw();
  };
  std::vector<std::unique_ptr<TWindowManager>> managers;
  std::vector<TScreen*> screens;
  for (int s = 0; s < 3; ++s) {
    auto manager = std::make_unique<TWindowManager>();
    auto screen = std::make_unique<TScreen>();
    TScreen* sp = screen.get();
    manager->SetRoot(std::move(screen));
    sp->SetSize(800, 600);
    const int n = gWindows * kScales[s];
    TWindow* group = nullptr;
    for (int i = 0; i < n; ++i) {
      if (i % 10 == 0) {
        auto g = std::make_unique<TWindow>();
        g->SetPosition((i / 10 % 4) * 200, (i / 40 % 15) * 40);
        g->SetSize(200, 40);
        group = g.get();
        sp->AddChild(std::move(g));
      }
      auto w = std::make_unique<Panel>();
      w->SetName(str::Format("panel%d", i));
      w->SetPosition((i % 10) * 20, 0);
      w->SetSize(18, 36);
      group->AddChild(std::move(w));
    }
    screens.push_back(sp);
    managers.push_back(std::move(manager));
  }
  Row(
      "frame of a window tree (windows)", gWindows,
      [&](int s, int) {
        if (!r->BeginDraw()) return;
        if (r->Begin2d()) {
          managers[size_t(s)]->DrawModals();
          r->End2d();
        }
        r->EndDraw();
      },
      emptyFrame);
  Row("window under the pointer (windows)", gWindows, [&](int s, int) {
    volatile TWindow* sink = nullptr;
    for (int k = 0; k < 16; ++k)
      sink = screens[size_t(s)]->FindChildAtPoint(TPoint(k * 50 + 7, k * 37 + 5), 3);
    (void)sink;
  });
  Row("find a window by name (windows)", gWindows, [&](int s, int n) {
    volatile TWindow* sink = screens[size_t(s)]->FindChild(str::Format("panel%d", n / 2), 3);
    (void)sink;
  });
  managers.clear();

  // Text lines laid out once, drawn from their cached spans every frame.
  std::vector<std::vector<TTextLayout*>> lines(3);
  for (int s = 0; s < 3; ++s)
    for (int i = 0; i < gLines * kScales[s]; ++i)
      lines[size_t(s)].push_back(TTextLayout::Create(
          LineText(i).c_str(), 300, 20, 0, "fonts/sans.mvec", 14, TColor(0.1f, 0.1f, 0.2f, 1.0f)));
  Row(
      "frame of unchanged text (lines)", gLines,
      [&](int s, int n) {
        if (!r->BeginDraw()) return;
        r->FillRect(TRect(0, 0, 800, 600), TColor(1, 1, 1, 1));
        if (r->Begin2d()) {
          for (int i = 0; i < n; ++i) {
            int column = (i / 50) % 3, row = i % 50;
            DrawTextBlock(lines[size_t(s)][size_t(i)],
                          TRect(column * 260, row * 12, column * 260 + 300, row * 12 + 20), 1.0f, 0,
                          1.0f, 0, boost::shared_ptr<TTexture>());
          }
          r->End2d();
        }
        r->EndDraw();
      },
      [&] {
        if (!r->BeginDraw()) return;
        r->FillRect(TRect(0, 0, 800, 600), TColor(1, 1, 1, 1));
        if (r->Begin2d()) r->End2d();
        r->EndDraw();
      });
  for (auto& set : lines)
    for (TTextLayout* t : set) TTextLayout::Delete(t);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) gWindows = std::atoi(argv[1]);
  if (argc > 2) gLines = std::atoi(argv[2]);
  if (gWindows < 1 || gLines < 1) {
    std::fprintf(stderr, "usage: bench_scale [WINDOWS [LINES]]\n");
    return 2;
  }
  return bench::RunHeadlessEngine(
      "scale_bench",
      [](const std::string& assets) {
        return bench::CopySampleAsset(ENGINE_SOURCE_DIR, assets, "fonts/sans.mvec");
      },
      &Game);
}
