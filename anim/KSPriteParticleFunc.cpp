#include "anim/KSPriteParticleFunc.h"

uint8_t KSPriteParticleFunc::ResultType(uint8_t, const uint8_t*) { return 2; }

bool KSPriteParticleFunc::Execute(TParticleContext*, TParticleFrame* frame) {
  const float point[2] = {mPoint.x, mPoint.y};
  frame->Push(point, 2);
  return true;
}
