// Stateless particle operations: component-wise arithmetic, comparisons, distance, vectors and
// colours built from operands, a direction from an angle, and a debug print to the log.
#pragma once

#include "particles/TParticleFunction.h"

// a + b, a - b (b read as a's width), a * s, a / s, -a.
class FAdd : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FAdd)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FSub : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FSub)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FMul : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FMul)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FDiv : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FDiv)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FUnm : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FUnm)
  uint8_t ResultType(uint8_t, const uint8_t* w) override { return w[0]; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FLt : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FLt)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FLe : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FLe)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FDistance : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FDistance)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
// The compiler records a float for its result whatever the operand count.
class FVec : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FVec)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FAlpha : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FAlpha)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 4; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class F2dRotation : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(F2dRotation)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 2; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
class FDebug : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FDebug)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 0; }
  bool Execute(TParticleContext*, TParticleFrame* f) override;
};
