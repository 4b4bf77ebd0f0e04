// The classic C-runtime linear congruential generator (RAND_MAX 32767). Start-up seeds it,
// TRandom reseeds from it and the scripts' math.random draws from it, so all of them see one
// sequence. Main thread only.
#pragma once

#include <cstdint>

inline constexpr int kCrtRandMax = 32767;

void CrtSrand(uint32_t seed);
int CrtRand();
