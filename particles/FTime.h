// Particle operations that bring in time, chance and sequence: rates scaled by the step, the
// step itself, ending a particle, random values and choices, stepping cycles, keyframe fades and
// random points on a circle.
#pragma once

#include "particles/TParticleFunction.h"

class FTimeScale : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FTimeScale)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FAge : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FAge)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FExpire : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FExpire)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FRange : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FRange)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FPick : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FPick)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
// Steps from a towards b over `steps` calls, shared by every particle running the stream; the
// open cycle never reaches b, the closed one ends on it.
class FOpenCycle : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FOpenCycle)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
  uint32_t mCounter = 0;
};
class FClosedCycle : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FClosedCycle)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
  uint32_t mCounter = 0;
};
// Piecewise-linear keyframes: t, K0, then pairs of a duration and the value reached after it.
class FFade : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FFade)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[1]; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class F2dRadius : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(F2dRadius)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 2; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
