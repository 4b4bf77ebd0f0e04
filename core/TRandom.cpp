#include "core/TRandom.h"

#include <algorithm>
#include <cmath>

#include "core/CrtRandom.h"

namespace {
constexpr uint32_t kMatrixA = 0x9908B0DFu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
}  // namespace

TRandom::TRandom() {
  static const uint32_t kKey[4] = {0xD4C4CF4Bu, 0x3E2019A7u, 0xE6489797u, 0x5746FCB5u};
  init_by_array(kKey, 4);
}

void TRandom::init_genrand(uint32_t seed) {
  mState[0] = seed;
  for (int i = 1; i < kN; ++i)
    mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + uint32_t(i);
  mIndex = kN;
}

void TRandom::init_by_array(const uint32_t* key, int length) {
  init_genrand(19650218u);
  if (!key || length <= 0) {
    // The published loop needs at least one key word; an empty key acts as a single 0.
    static const uint32_t kZero = 0;
    key = &kZero;
    length = 1;
  }
  int i = 1, j = 0;
  for (int k = std::max(kN, length); k > 0; --k) {
    mState[i] =
        (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1664525u)) + key[j] + uint32_t(j);
    ++i;
    ++j;
    if (i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
    if (j >= length) j = 0;
  }
  for (int k = kN - 1; k > 0; --k) {
    mState[i] = (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1566083941u)) - uint32_t(i);
    ++i;
    if (i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
  }
  mState[0] = 0x80000000u;
}

uint32_t TRandom::genrand_int32() {
  static const uint32_t kMag01[2] = {0u, kMatrixA};
  if (mIndex >= kN) {
    if (mIndex == kN + 1) init_genrand(5489u);
    int k = 0;
    for (; k < kN - kM; ++k) {
      const uint32_t y = (mState[k] & kUpperMask) | (mState[k + 1] & kLowerMask);
      mState[k] = mState[k + kM] ^ (y >> 1) ^ kMag01[y & 1u];
    }
    for (; k < kN - 1; ++k) {
      const uint32_t y = (mState[k] & kUpperMask) | (mState[k + 1] & kLowerMask);
      mState[k] = mState[k + (kM - kN)] ^ (y >> 1) ^ kMag01[y & 1u];
    }
    const uint32_t y = (mState[kN - 1] & kUpperMask) | (mState[0] & kLowerMask);
    mState[kN - 1] = mState[kM - 1] ^ (y >> 1) ^ kMag01[y & 1u];
    mIndex = 0;
  }
  uint32_t y = mState[mIndex++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

double TRandom::genrand_res53() {
  const uint32_t a = genrand_int32() >> 5;
  const uint32_t b = genrand_int32() >> 6;
  return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

int TRandom::Range(int lo, int hi) {
  // In 64 bits: the span of a full int range does not fit an int before lo is added back.
  const double span = static_cast<double>(hi) - lo + 1.0;
  const int64_t offset = static_cast<int64_t>(std::trunc(genrand_res53() * span));
  return static_cast<int>(static_cast<int64_t>(lo) + offset);
}

void TRandom::ReseedFromCrtRand() {
  uint32_t key[4];
  for (uint32_t& word : key) {
    const uint32_t r1 = static_cast<uint32_t>(CrtRand());
    const uint32_t r2 = static_cast<uint32_t>(CrtRand());
    const uint32_t r3 = static_cast<uint32_t>(CrtRand());
    word = (r1 * 8u) * r2 + (r3 >> 3);
  }
  init_by_array(key, 4);
}
