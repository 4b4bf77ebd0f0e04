#include "particles/FMemberAccess.h"

#include <cmath>
#include <cstring>

#include "core/TFailure.h"
#include "particles/TLuaParticleSystem.h"

namespace {

// Positions and indexes arrive as floats and are truncated toward zero; NaN reads as 0 and
// values past the int range saturate.
int Truncate(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(v);
}

void ReportIndex(int line, int index, const char* memberName) {
  str message = memberName ? str::Format("Out of range parameter index [%d] when indexing %s",
                                         index, memberName)
                           : str::Format("Out of range parameter index [%d]", index);
  const char* file = std::strrchr(__FILE__, '/');
  TFailure::Instance().Report(message.CStr(), line, file ? file + 1 : __FILE__);
}

}  // namespace

bool FGetParticleParam::Execute(TParticleContext* p, TParticleFrame* f) {
  const int position = mId.Position();
  if (position >= 0) {
    const uint32_t m = static_cast<uint32_t>(position) & 0xff;
    const uint8_t width = static_cast<uint8_t>(mId.Width());
    // A member past the particle's record (allocated after the records were made) reads
    // nothing rather than the next particle's floats.
    if (width > 4 || m + width > p->FloatCount()) return false;
    f->Push(p->data.values + m, width);
    return true;
  }
  TParticleFunction* member = f->system ? f->system->GetMemberFunction(-(position + 1)) : nullptr;
  return member && member->Execute(p, f);
}

bool FIndex::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 2 || f->Width(0) != 1 || f->Width(1) != 1) return false;
  const float positionValue = f->Operand(0)[0];
  const int index = Truncate(f->Operand(1)[0]);
  const uint32_t k = static_cast<uint32_t>(index - 1);
  float result = 0.0f;
  if (!(positionValue < 0.0f)) {
    const uint32_t m = static_cast<uint32_t>(Truncate(positionValue)) & 0xff;
    if (m + k >= p->FloatCount()) {
      ReportIndex(__LINE__, index, nullptr);
      return false;
    }
    result = p->data.values[m + k];
    f->Push(&result, 1);
    return true;
  }
  const int position = Truncate(positionValue);
  TParticleFunction* member = f->system ? f->system->GetMemberFunction(-(position + 1)) : nullptr;
  if (!member) return false;
  const uint8_t width = member->ResultType(0, nullptr);
  if (k >= width) {
    ReportIndex(__LINE__, index, member->GetName().CStr());
    return false;
  }
  const uint8_t slot = f->slot;
  f->end = f->slot;
  if (member->Execute(p, f)) {
    f->Begin(1);
    result = f->Operand(0)[k];
    f->end = f->slot;
  }
  // The member's own push (if any) is dropped: the result replaces the operands at their slot.
  f->slot = slot;
  f->end = slot;
  f->Push(&result, 1);
  return true;
}

bool FNewIndex::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 3 || f->Width(0) != 1 || f->Width(1) != 1 || f->Width(2) != 1) return false;
  const float* v = f->Operand(0);
  if (v[0] < 0.0f) return false;
  const uint32_t m = static_cast<uint32_t>(Truncate(v[0])) & 0xff;
  const int index = Truncate(v[1]);
  const uint32_t k = static_cast<uint32_t>(index - 1);
  if (m + k >= p->FloatCount()) {
    ReportIndex(__LINE__, index, nullptr);
    return false;
  }
  const float value = v[2];
  p->data.values[m + k] = value;
  f->Push(&value, 1);
  return true;
}

bool FAssign::Execute(TParticleContext* p, TParticleFrame* f) {
  if (f->argCount != 3) return false;
  const uint8_t n = f->Width(0);
  const int position = Truncate(f->Operand(1)[0]);
  if (position < 0 || n > 4) return false;
  // The value must fit the particle's record, as a component write must.
  if (static_cast<uint32_t>(position) + n > p->FloatCount()) {
    ReportIndex(__LINE__, position + n, nullptr);
    return false;
  }
  const float* value = f->Operand(0);
  for (uint8_t i = 0; i < n; ++i) p->data.values[position + i] = value[i];
  return true;
}
