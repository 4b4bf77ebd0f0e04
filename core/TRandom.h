// The engine's pseudo-random generator: the 32-bit Mersenne Twister MT19937, bit for bit as
// its authors published it (2002 reference), so a given seed gives the reference outputs.
#pragma once

#include <cstdint>

class TRandom {
public:
  // Seeded with a fixed key, so an unseeded generator still gives a fixed sequence.
  TRandom();

  void init_genrand(uint32_t seed);
  void init_by_array(const uint32_t* key, int length);
  uint32_t genrand_int32();
  // [0, 1) with 53-bit resolution, from two draws.
  double genrand_res53();
  // lo + trunc(genrand_res53() * (hi - lo + 1)); within [lo, hi] when lo <= hi.
  int Range(int lo, int hi);

  // Start-up reseeding: four key words from twelve draws of the C-runtime generator.
  void ReseedFromCrtRand();

private:
  static constexpr int kN = 624;
  static constexpr int kM = 397;

  uint32_t mState[kN];
  int32_t mIndex = kN + 1;  // kN + 1: not seeded
};
