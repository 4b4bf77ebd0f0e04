// Particle update and quad building for 10,000 particles a frame: time per frame, per particle
// and per operation run, and heap allocations per frame (there should be none once running).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "particles/TLuaParticleSystem.h"
#include "particles/TParticleRenderer.h"
#include "script/binding/TScript.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t n) {
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

// Builds the quads but hands them to no device: the bench has no display to draw on.
class QuadBuilder : public T2dParticleRenderer {
protected:
  void Submit(const TLitVertex*, int, const uint16_t*, int) override {}
};

// Velocity, gravity, a colour fade over the age, a turning up vector and expiry by age; the
// spawner keeps the population near the capacity.
const char kDescription[] =
    "pAge = Allocate(1)\n"
    "RequireVelocity()\n"
    "SetNumParticles(10000)\n"
    "pPosition:Init(fRange(Vec2(0, 0), Vec2(800, 600)))\n"
    "pVelocity:Init(f2dRadius(fRange(20, 80)))\n"
    "pAge:Init(fRange(0, 500))\n"
    "pPosition:Anim(pPosition + fTimeScale(pVelocity))\n"
    "SetUpGravity(30)\n"
    "pAge:Anim(pAge + fTimeScale(1000))\n"
    "pColor:Anim(fAlpha(Color(1, 0.8, 0.2, 1), fFade(pAge, 1, 4000, 0)))\n"
    "pUp:Anim(f2dRotation(pAge * 0.001))\n"
    "Anim(fExpire(fGreater(pAge, 4000)))\n"
    "gen = NewParticleGenerator()\n"
    "function Update(s) CreateParticles(gen(2600, s * 1000)) end\n";

void Run(const char* name, bool draw) {
  QuadBuilder builder;
  TLuaParticleSystem system(&builder);
  system.GetScript()->DoLuaString(kDescription);
  system.CreateParticles(10000);
  // Warm up: lists and shared buffers at their size.
  for (int i = 0; i < 60; ++i) {
    system.Update(16);
    if (draw) system.Draw(TVec3{0, 0, 0});
  }
  const int frames = 300;
  long live = 0;
  const long before = gAllocations.load();
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    system.Update(16);
    if (draw) system.Draw(TVec3{0, 0, 0});
    live += system.GetCollection().GetLiveCount();
  }
  const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  const long allocations = gAllocations.load() - before;
  const double ops = double(live) * double(system.GetAnimStream().size());
  std::printf(
      "%-28s %8.3f ms/frame %7.1f ns/particle %6.2f ns/operation %6.2f allocations/frame "
      "(%ld live on average)\n",
      name, ns / frames / 1e6, ns / double(live), ns / ops, double(allocations) / frames,
      live / frames);
}

}  // namespace

int main() {
  Run("update", false);
  Run("update and build quads", true);
  return 0;
}
