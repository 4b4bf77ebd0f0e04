#include "game/puzzles/codex/CodexParticleFunc.h"

uint8_t CodexParticleFunc::ResultType(uint8_t, const uint8_t*) { return 2; }

bool CodexParticleFunc::Execute(TParticleContext*, TParticleFrame* frame) {
  const float locus[2] = {mLocus.x, mLocus.y};
  frame->Push(locus, 2);
  return true;
}
