#include "particles/TParticleFunction.h"

#include <cstring>

void TParticleStack::SetWidths(uint32_t slot, const uint8_t* source, uint32_t n) {
  top = slot + n;
  if (source != widths) {
    for (uint32_t i = 0; i < n; ++i) widths[static_cast<uint8_t>(slot + i)] = source[i];
  }
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t at = static_cast<uint8_t>(slot + i);
    offsets[static_cast<uint8_t>(at + 1)] = offsets[at] + widths[at];
  }
}

void TParticleFrame::Push(const float* v, uint8_t count) {
  const uint32_t first = stack->offsets[slot];
  if (slot == 255 || first + count > floatLimit) {
    overflow = true;
    return;
  }
  stack->top = slot + 1u;
  stack->widths[slot] = count;
  stack->offsets[slot + 1] = first + count;
  std::memcpy(stack->values + first, v, sizeof(float) * count);
  ++slot;
  end = slot;
}

namespace {
TParticleFunction* BaseClassMarker() { return nullptr; }
}  // namespace

TClassId TParticleFunction::GetClassId() { return MakeClassId(&BaseClassMarker); }
