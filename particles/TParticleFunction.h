// The contract every particle operation shares: the float operand stack, the frame of one
// stream run, the particle as an operation sees it, and the operation base class. A value is 1
// to 4 floats; its width is its type. Slot numbers are bytes and wrap at 256.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>

#include "core/TClassId.h"
#include "core/str.h"

class TLuaParticleSystem;

struct TParticleStack {
  float* values = nullptr;
  uint8_t* widths = nullptr;
  // offsets[i] is the index in values of slot i's first float; offsets[i + 1] = offsets[i] +
  // widths[i].
  uint32_t offsets[256] = {};
  uint32_t top = 0;
  uint32_t capacity = 0;

  // top = slot + n; copies n widths to widths[slot] onwards (unless source is the stack's own
  // array) and recomputes the offsets that follow them.
  void SetWidths(uint32_t slot, const uint8_t* source, uint32_t n);
};

// The particle as operations see it: a stack whose slots are the particle's members.
struct TParticleContext {
  TParticleStack data;
  uint32_t elapsed = 0;
  uint8_t alive = 1;

  // The particle's total float count.
  uint32_t FloatCount() const { return data.offsets[data.top & 0xff]; }
};

struct TParticleFrame {
  TLuaParticleSystem* system = nullptr;
  TParticleStack* stack = nullptr;
  uint8_t slot = 0;
  uint8_t end = 0;
  uint32_t reserved = 255;
  uint8_t argCount = 0;
  // Floats the operand storage holds; a push that would pass it is dropped and marks the run
  // overflowed, which stops the particle's stream.
  uint32_t floatLimit = 0;
  bool overflow = false;

  void Push(const float* v, uint8_t count);
  void Begin(uint8_t n) {
    if (end >= n) {
      slot = static_cast<uint8_t>(end - n);
      argCount = n;
    }
  }

  // Operand k of the current operation.
  uint8_t Width(uint32_t k) const { return stack->widths[static_cast<uint8_t>(slot + k)]; }
  const float* Operand(uint32_t k) const {
    return stack->values + stack->offsets[static_cast<uint8_t>(slot + k)];
  }
};

class TParticleFunction {
public:
  virtual ~TParticleFunction() = default;

  static TClassId GetClassId();
  virtual const char* GetClassName() const { return "TParticleFunction"; }
  virtual bool IsKindOf(TClassId id) const { return id == GetClassId(); }
  virtual void Hook() {}
  // Width of what Execute pushes for operands of these widths; 0 when it pushes nothing.
  virtual uint8_t ResultType(uint8_t argCount, const uint8_t* argWidths) = 0;
  // False stops this particle's stream for the current run.
  virtual bool Execute(TParticleContext* particle, TParticleFrame* frame) = 0;

  const str& GetName() const { return mName; }
  void SetName(const str& name) { mName = name; }

private:
  str mName;
};

using TParticleFunctionPtr = boost::shared_ptr<TParticleFunction>;
using TParticleCreator = TParticleFunction* (*)();

// Operations made by name: the creator's address is the class id.
#define PARTICLE_FUNCTION_CLASS(Name)                                 \
public:                                                               \
  static TParticleFunction* Create() { return new Name(); }           \
  static TClassId GetClassId() { return MakeClassId(&Name::Create); } \
  const char* GetClassName() const override { return #Name; }         \
  bool IsKindOf(TClassId id) const override {                         \
    return id == GetClassId() || TParticleFunction::IsKindOf(id);     \
  }

// The 32-bit member handle: a signed 16-bit position (float offset, or -n for the n-th
// computed member) and the width in the high half.
struct TParticleMemberId {
  uint32_t value = 0;

  static TParticleMemberId Make(int position, int width) {
    return {static_cast<uint32_t>(static_cast<uint16_t>(position)) |
            (static_cast<uint32_t>(width & 0xffff) << 16)};
  }
  int Position() const { return static_cast<int16_t>(value & 0xffff); }
  int Width() const { return static_cast<int>(value >> 16); }
};
