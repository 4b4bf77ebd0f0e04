#include "anim/KAnimBias.h"

#include <cmath>
#include <cstring>

#include "anim/KFloatPi.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;
}  // namespace

float KEaseInSineBias::Bias(float t) {
  const float s = static_cast<float>(std::sin((static_cast<double>(t) - 1.0) * kHalfPi));
  return static_cast<float>(static_cast<double>(s) + 1.0);
}

float KEaseInEaseOutSineBias::Bias(float t) {
  const float s = static_cast<float>(
      std::sin(static_cast<double>(t) * static_cast<double>(kFloatPi) - kHalfPi));
  return static_cast<float>((static_cast<double>(s) + 1.0) * 0.5);
}

float KEaseOutSine::Bias(float t) {
  return static_cast<float>(std::sin(static_cast<double>(t) * kHalfPi));
}

float KEaseInPower::Bias(float t) { return static_cast<float>(std::pow(t, mPower)); }

float KEaseOutPower::Bias(float t) {
  const float rest = 1.0f - t;
  return static_cast<float>(1.0 - std::pow(rest, mPower));
}

KAnimBias* KMakeEaseBias(const str& name) {
  const char* n = name.CStr();
  if (std::strcmp(n, "sin") == 0) return new KEaseInEaseOutSineBias();
  if (std::strcmp(n, "sinIn") == 0) return new KEaseInSineBias();
  if (std::strcmp(n, "sinOut") == 0) return new KEaseOutSine();
  if (std::strcmp(n, "powerIn") == 0) return new KEaseInPower(3.0f);
  if (std::strcmp(n, "powerOut") == 0) return new KEaseOutPower(3.0f);
  return nullptr;
}
