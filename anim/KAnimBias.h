// Easing curves: each maps linear progress t in [0, 1] to eased progress.
#pragma once

#include "anim/KRefCountedObject.h"
#include "core/str.h"

class KAnimBias : public virtual KRefCountedObject {
public:
  virtual float Bias(float t) = 0;
};

class KEaseInSineBias : public KAnimBias {
public:
  float Bias(float t) override;
};

class KEaseInEaseOutSineBias : public KAnimBias {
public:
  float Bias(float t) override;
};

class KEaseOutSine : public KAnimBias {
public:
  float Bias(float t) override;
};

class KEaseInPower : public KAnimBias {
public:
  explicit KEaseInPower(float p) : mPower(p) {}
  float Bias(float t) override;

private:
  float mPower;
};

class KEaseOutPower : public KAnimBias {
public:
  explicit KEaseOutPower(float p) : mPower(p) {}
  float Bias(float t) override;

private:
  float mPower;
};

// The curve a step table's "ease" names ("sin", "sinIn", "sinOut", "powerIn", "powerOut"; the
// power curves with exponent 3), with one reference for the caller; null for any other name,
// which leaves an animation linear.
KAnimBias* KMakeEaseBias(const str& name);
