#include "particles/FTime.h"

#include <cmath>

#include "core/TRandom.h"
#include "particles/TLuaParticleSystem.h"

namespace {

// One 32-bit draw scaled by 1 / (2^32 + 128): in [0, 1), never 1.0 even after rounding.
float SingleDraw() {
  return static_cast<float>(TLuaParticleSystem::Random().genrand_int32() * 2.3283063671497593e-10);
}

bool Cycle(TParticleFrame* f, uint32_t& counter, bool closed) {
  if (f->argCount != 3) return false;
  const uint8_t n = f->Width(0);
  if (n != f->Width(1) || n > 4) return false;
  const float* a = f->Operand(0);
  const float steps = a[2 * n];
  const float divisor = closed ? steps - 1.0f : steps;
  // A closed cycle of one step or less has no span to divide: it stays on a.
  const float fraction = divisor > 0.0f ? static_cast<float>(counter) / divisor : 0.0f;
  const float value = (a[n] - a[0]) * fraction + a[0];
  ++counter;
  if (static_cast<float>(counter) >= steps) counter = 0;
  f->Push(&value, 1);
  return true;
}

}  // namespace

bool FTimeScale::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 1) return false;
  const uint8_t n = f->Width(0);
  if (n > 4) return false;
  const float* x = f->Operand(0);
  const long double dt = p->elapsed;
  float r[4] = {0, 0, 0, 0};
  for (uint8_t i = 0; i < n; ++i) r[i] = static_cast<float>(x[i] * dt / 1000.0L);
  f->Push(r, n);
  return true;
}

bool FAge::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 0) return false;
  const float r = static_cast<float>(p->elapsed);
  f->Push(&r, 1);
  return true;
}

bool FExpire::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 1 || f->Width(0) != 1) return false;
  const float v = f->Operand(0)[0];
  float r = 0.0f;
  if (!(v == 0.0f)) {
    p->alive = 0;
    r = 1.0f;
  }
  f->Push(&r, 1);
  return true;
}

bool FRange::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount != 2) return false;
  const uint8_t n = f->Width(0);
  if (n != f->Width(1) || n > 4) return false;
  const float* a = f->Operand(0);
  const float* b = f->Operand(1);
  float r[4] = {0, 0, 0, 0};
  for (uint8_t i = 0; i < n; ++i) r[i] = (b[i] - a[i]) * SingleDraw() + a[i];
  f->Push(r, n);
  return true;
}

bool FPick::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount == 0) return false;
  const uint32_t k =
      static_cast<uint32_t>(TLuaParticleSystem::Random().genrand_res53() * f->argCount);
  const uint8_t w = f->Width(k);
  if (w > 4) return false;
  float r[4];
  const float* v = f->Operand(k);
  for (uint8_t i = 0; i < w; ++i) r[i] = v[i];
  f->Push(r, w);
  return true;
}

bool FOpenCycle::Execute(TParticleContext*, TParticleFrame* f) { return Cycle(f, mCounter, false); }
bool FClosedCycle::Execute(TParticleContext*, TParticleFrame* f) {
  return Cycle(f, mCounter, true);
}

bool FFade::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount < 2) return false;
  const float* v = f->Operand(0);
  float t = v[0] < 0.0f ? 0.0f : v[0];
  const uint8_t w = f->Width(1);
  if (w > 4) return false;
  const float* current = v + 1;
  // Floats from the first value to the end of the operands, read as (w floats, 1 duration)*.
  const uint32_t total = f->stack->offsets[static_cast<uint8_t>(f->slot + f->argCount)] -
                         f->stack->offsets[static_cast<uint8_t>(f->slot + 1)];
  uint32_t at = w;  // float index (from the first value) of the next duration
  float r[4];
  while (at < total) {
    const float d = current[w];
    const bool hasNext = at + 1 + w <= total;
    if (d > t) {
      if (hasNext) {
        const float* next = current + w + 1;
        const float fraction = t / d;
        for (uint8_t i = 0; i < w; ++i) r[i] = (next[i] - current[i]) * fraction + current[i];
        f->Push(r, w);
        return true;
      }
      break;
    }
    if (!hasNext) break;
    t -= d;
    current += w + 1;
    at += w + 1;
  }
  for (uint8_t i = 0; i < w; ++i) r[i] = current[i];
  f->Push(r, w);
  return true;
}

bool F2dRadius::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->Width(0) != 1) return false;
  if (f->argCount == 2 && f->Width(1) != 2) return false;
  const float radius = f->Operand(0)[0];
  const float u = SingleDraw();
  const float angle = static_cast<float>((u + u) * 3.1415927410125732);
  const float c = static_cast<float>(std::cos(angle));
  const float s = static_cast<float>(std::sin(angle));
  const float r[2] = {radius * c, radius * s};
  f->Push(r, 2);
  return true;
}
