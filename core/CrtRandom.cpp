#include "core/CrtRandom.h"

namespace {
uint32_t gCrtState = 1;
}

void CrtSrand(uint32_t seed) { gCrtState = seed; }

int CrtRand() {
  gCrtState = gCrtState * 214013u + 2531011u;
  return static_cast<int>((gCrtState >> 16) & 0x7FFF);
}
