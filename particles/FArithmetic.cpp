#include "particles/FArithmetic.h"

#include <cmath>

#include "core/EngineLog.h"

namespace {

// The component-wise rule shared by the four binary operations: b (or s) is read right after
// a's floats, taken to have a's width (or width 1 for a scalar).
template <typename Op>
bool ComponentWise(TParticleFrame* f, bool scalarSecond, Op op) {
  if (f->argCount != 2) return false;
  if (scalarSecond && f->Width(1) != 1) return false;
  const uint8_t n = f->Width(0);
  if (n > 4) return false;
  const float* a = f->Operand(0);
  const float* b = a + n;
  float r[4] = {0, 0, 0, 0};
  for (uint8_t i = 0; i < n; ++i) r[i] = op(a[i], scalarSecond ? b[0] : b[i]);
  f->Push(r, n);
  return true;
}

bool Compare(TParticleFrame* f, bool orEqual) {
  if (f->argCount != 2 || f->Width(0) != 1 || f->Width(1) != 1) return false;
  const float a = f->Operand(0)[0];
  const float b = f->Operand(0)[1];
  const float r = (orEqual ? a <= b : a < b) ? 1.0f : 0.0f;
  f->Push(&r, 1);
  return true;
}

}  // namespace

bool FAdd::Execute(TParticleContext*, TParticleFrame* f) {
  return ComponentWise(f, false, [](float a, float b) { return a + b; });
}
bool FSub::Execute(TParticleContext*, TParticleFrame* f) {
  return ComponentWise(f, false, [](float a, float b) { return a - b; });
}
bool FMul::Execute(TParticleContext*, TParticleFrame* f) {
  return ComponentWise(f, true, [](float a, float s) { return a * s; });
}
bool FDiv::Execute(TParticleContext*, TParticleFrame* f) {
  return ComponentWise(f, true, [](float a, float s) { return a / s; });
}

bool FUnm::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount != 1) return false;
  const uint8_t n = f->Width(0);
  if (n > 4) return false;
  const float* a = f->Operand(0);
  float r[4] = {0, 0, 0, 0};
  for (uint8_t i = 0; i < n; ++i) r[i] = -a[i];
  f->Push(r, n);
  return true;
}

bool FLt::Execute(TParticleContext*, TParticleFrame* f) { return Compare(f, false); }
bool FLe::Execute(TParticleContext*, TParticleFrame* f) { return Compare(f, true); }

bool FDistance::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount != 2) return false;
  const uint8_t n = f->Width(0);
  if (n > 4) return false;
  const float* a = f->Operand(0);
  long double sum = 0;
  for (uint8_t i = 0; i < n; ++i) {
    const float d = a[i] - a[n + i];
    sum += static_cast<long double>(d) * d;
  }
  const float r = static_cast<float>(std::sqrt(sum));
  f->Push(&r, 1);
  return true;
}

bool FVec::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->argCount < 1 || f->argCount > 4) return false;
  float r[4];
  const float* a = f->Operand(0);
  for (uint8_t i = 0; i < f->argCount; ++i) r[i] = a[i];
  f->Push(r, f->argCount);
  return true;
}

bool FAlpha::Execute(TParticleContext*, TParticleFrame* f) {
  const uint8_t n = f->Width(0);
  if (n < 3 || n > 4) return false;
  const float* c = f->Operand(0);
  const float r[4] = {c[0], c[1], c[2], c[n]};
  f->Push(r, 4);
  return true;
}

bool F2dRotation::Execute(TParticleContext*, TParticleFrame* f) {
  if (f->Width(0) != 1) return false;
  const float angle = f->Operand(0)[0];
  const float r[2] = {static_cast<float>(std::cos(static_cast<double>(angle))),
                      static_cast<float>(std::sin(static_cast<double>(angle)))};
  f->Push(r, 2);
  return true;
}

bool FDebug::Execute(TParticleContext*, TParticleFrame* f) {
  str text;
  const float* v = f->Operand(0);
  for (uint8_t k = 0; k < f->argCount; ++k) {
    text += "(";
    const uint8_t w = f->Width(k);
    for (uint8_t i = 0; i < w; ++i) {
      if (i) text += ",";
      text += str::Format("%f", static_cast<double>(*v++));
    }
    text += ") ";
  }
  EngineLog("Particle Values: %s", text.CStr());
  return true;
}
