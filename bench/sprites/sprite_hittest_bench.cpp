// Time of resolving one click against 100 named objects of a searchable sprite on the
// headless display: a scene of scattered objects, and the worst case where all 100 lie under
// the click so each is drawn into the hit test's 4x4 render target.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "bench/support/HeadlessEngine.h"
#include "core/TPlatform.h"
#include "platform/display/Image.h"
#include "platform/window/Window.h"
#include "render/QMSearchableSprite.h"
#include "render/TRenderer.h"

namespace {

using Clock = std::chrono::steady_clock;

// 64x64 disc: opaque inside radius 28, transparent outside.
bool WriteDisc(const std::string& path) {
  platform::display::Image img;
  img.width = 64;
  img.height = 64;
  img.pixels.resize(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      int dx = x - 32, dy = y - 32;
      img.pixels[size_t(y) * 64 + size_t(x)] = dx * dx + dy * dy < 28 * 28 ? 0xFFC08040u : 0u;
    }
  return img.SavePng(path);
}

template <typename F>
void Measure(const char* name, int iterations, F&& body) {
  const auto start = Clock::now();
  int found = 0;
  for (int i = 0; i < iterations; ++i) found += body(i) ? 1 : 0;
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / iterations;
  std::printf("%-56s %8.3f ms/click (%d of %d hit)\n", name, ms, found, iterations);
}

boost::shared_ptr<TSprite> Object(const boost::shared_ptr<TTexture>& disc, float x, float y,
                                  float angle) {
  boost::shared_ptr<TSprite> s = TSprite::Create(0, disc);
  s->GetDrawState().transform.Rotate(angle);
  s->GetDrawState().transform(2, 0) = x;
  s->GetDrawState().transform(2, 1) = y;
  return s;
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  boost::shared_ptr<TTexture> disc = TTexture::Get("disc.png", TTexture::kGetAlpha);
  if (!disc) {
    std::printf("  (disc missing)\n");
    return 0;
  }

  // Scattered: a 10x10 grid, neighbours overlapping a little.
  boost::shared_ptr<QMSearchableSprite> scene(new QMSearchableSprite(0));
  for (int i = 0; i < 100; ++i)
    scene->AddSprite(
        Object(disc, 60.0f + float(i % 10) * 56.0f, 60.0f + float(i / 10) * 50.0f, float(i) * 0.1f),
        str::Format("object%03d", i));
  Measure("100 scattered objects, click on one", 200, [&](int i) {
    int k = (i * 37) % 100;
    return bool(scene->FindNamedSpriteAt(TPoint(60 + (k % 10) * 56 + 5, 60 + (k / 10) * 50 - 3)));
  });
  Measure("100 scattered objects, click between them", 200, [&](int i) {
    int k = (i * 37) % 100;
    return bool(scene->FindNamedSpriteAt(TPoint(60 + (k % 10) * 56 + 30, 60 + (k / 10) * 50 + 27)));
  });

  // Worst case: the click lies inside the bounds of all 100, on a transparent corner of the
  // first 99 by name and on the last one's disc, so all 100 go through the render target.
  boost::shared_ptr<QMSearchableSprite> stack(new QMSearchableSprite(0));
  for (int i = 0; i < 99; ++i)
    stack->AddSprite(Object(disc, 400.0f + float(i % 3), 300.0f, 0), str::Format("a%03d", i));
  stack->AddSprite(Object(disc, 380.0f, 280.0f, 0), "z");
  Measure("100 objects under the click, only the last one hit", 100,
          [&](int) { return bool(stack->FindNamedSpriteAt(TPoint(372, 270))); });
  return 0;
}

}  // namespace

int main() {
  return bench::RunHeadlessEngine(
      "sprite_hittest_bench",
      [](const std::string& assets) { return WriteDisc(assets + "/disc.png"); }, &Game);
}
