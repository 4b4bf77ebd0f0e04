// Time of one frame of 2,000 running property animations (and the allocations it makes), and
// of the texture filters at screen sizes: blur at several radii, darken, and bicubic scaling.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "anim/KAnimProperties.h"
#include "anim/KFilter.h"
#include "bench/support/CountingAllocator.h"
#include "bench/support/HeadlessEngine.h"
#include "core/TPlatform.h"
#include "render/TSprite.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

void BenchAnimations(TPlatform* p) {
  auto* top = dynamic_cast<TModalWindow*>(p->GetWindowManager()->GetTopModal());
  if (!top) {
    std::printf("  (no modal window)\n");
    return;
  }
  std::vector<boost::shared_ptr<TSprite>> sprites;
  std::vector<KAnimDriverBase*> anims;
  for (int i = 0; i < 2000; ++i) {
    auto s = TSprite::Create(0);
    sprites.push_back(s);
    KAnimDriverBase* a;
    switch (i % 4) {
      case 0: a = new KAnimMove<KSpritePtr>(s, TVec2(0, 0), TVec2(800, 600)); break;
      case 1: a = new KAnimScale<KSpritePtr>(s, TVec2(1, 1), TVec2(2, 3)); break;
      case 2: a = new KAnimRotate<KSpritePtr>(s, 0.0f, 6.0f); break;
      default: a = new KAnimOpacity<KSpritePtr>(s, 1.0f, 0.0f); break;
    }
    a->SetDuration(1e9f);
    if (i % 3 == 0) a->SetEase("sin");
    a->Start();
    anims.push_back(a);
  }
  top->RunTasks(0);
  const long before = bench::Allocations();
  bench::Measure("2000 property animations, one frame", 500, [&](int) { top->RunTasks(0); });
  std::printf("%-52s %10ld\n", "  allocations over those 500 frames",
              bench::Allocations() - before);
  for (KAnimDriverBase* a : anims) {
    a->Cancel();
    KReleaseRef(a);
  }
  top->RunTasks(0);
}

void BenchFilters() {
  std::vector<uint32_t> src(1024 * 768), dst(1024 * 768);
  for (size_t i = 0; i < src.size(); ++i)
    src[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  for (float radius : {1.0f, 10.0f, 50.0f, 200.0f}) {
    auto* blur = new KBlur(radius);
    char name[64];
    std::snprintf(name, sizeof name, "blur 800x600, radius %d", static_cast<int>(radius));
    bench::Measure(name, 20,
                   [&](int) { blur->Filter(src.data(), 800, 800, 800, 600, dst.data()); });
    KReleaseRef(blur);
  }
  auto* darken = new KDarken(0.5f);
  bench::Measure("darken 800x600", 50,
                 [&](int) { darken->Filter(src.data(), 800, 800, 800, 600, dst.data()); });
  KReleaseRef(darken);
  auto* scale = new KScale(0.5f, 2);
  bench::Measure("bicubic scale 1024x768 to 512x384", 10,
                 [&](int) { scale->Filter(src.data(), 1024, 512, 1024, 768, dst.data()); });
  KReleaseRef(scale);
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  BenchAnimations(p);
  BenchFilters();
  return 0;
}

}  // namespace

int main() {
  return bench::RunHeadlessEngine(
      "bench_anim", [](const std::string&) { return true; }, &Game);
}
