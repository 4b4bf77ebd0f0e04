// The particle member "dLocus" of the codex puzzle's pointer effect: it hands every particle the
// pointer's last position over the solve grid.
#pragma once

#include "core/TVec.h"
#include "particles/TParticleFunction.h"

class CodexParticleFunc : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(CodexParticleFunc)

public:
  // Always a two-component vector, whatever the operands.
  uint8_t ResultType(uint8_t argCount, const uint8_t* argWidths) override;
  // Reads no operand and ignores the particle.
  bool Execute(TParticleContext* particle, TParticleFrame* frame) override;

  const TVec2& GetLocus() const { return mLocus; }
  void SetLocus(const TVec2& locus) { mLocus = locus; }

private:
  TVec2 mLocus{0, 0};
};
