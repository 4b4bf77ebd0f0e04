// The particle member through which a sprite window tells its particle script where to emit:
// it hands the script one 2-D point ("dLocus").
#pragma once

#include "core/TVec.h"
#include "particles/TParticleFunction.h"

class KSPriteParticleFunc : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(KSPriteParticleFunc)

public:
  // Always a two-component vector, whatever the operands.
  uint8_t ResultType(uint8_t argCount, const uint8_t* argWidths) override;
  bool Execute(TParticleContext* particle, TParticleFrame* frame) override;

  const TVec2& GetPoint() const { return mPoint; }
  void SetPoint(const TVec2& point) { mPoint = point; }

private:
  TVec2 mPoint{0, 0};
};
