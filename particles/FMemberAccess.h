// Particle operations over the particle's own data: reading a member (a data member or a
// computed one), reading or writing one component, storing a whole value, and constants.
#pragma once

#include "core/TVec.h"
#include "particles/TParticleFunction.h"

class FGetParticleParam : public TParticleFunction {
public:
  explicit FGetParticleParam(TParticleMemberId id) : mId(id) {}
  uint8_t ResultType(uint8_t, const uint8_t*) override { return static_cast<uint8_t>(mId.Width()); }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
  TParticleMemberId GetId() const { return mId; }

private:
  TParticleMemberId mId;
};

class FIndex : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FIndex)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FNewIndex : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FNewIndex)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 1; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};
class FAssign : public TParticleFunction {
  PARTICLE_FUNCTION_CLASS(FAssign)
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 0; }
  bool Execute(TParticleContext* p, TParticleFrame* f) override;
};

template <typename T>
struct TParticleConstantWidth;
template <>
struct TParticleConstantWidth<float> {
  static constexpr uint8_t kWidth = 1;
};
template <>
struct TParticleConstantWidth<TVec2> {
  static constexpr uint8_t kWidth = 2;
};
template <>
struct TParticleConstantWidth<TVec3> {
  static constexpr uint8_t kWidth = 3;
};
template <>
struct TParticleConstantWidth<TVec4> {
  static constexpr uint8_t kWidth = 4;
};

template <typename T>
class FPush : public TParticleFunction {
public:
  static constexpr uint8_t kWidth = TParticleConstantWidth<T>::kWidth;
  explicit FPush(const T& value) : mValue(value) {}
  uint8_t ResultType(uint8_t, const uint8_t*) override { return kWidth; }
  bool Execute(TParticleContext*, TParticleFrame* f) override {
    f->Push(reinterpret_cast<const float*>(&mValue), kWidth);
    return true;
  }
  const T& GetValue() const { return mValue; }

private:
  T mValue;
};
