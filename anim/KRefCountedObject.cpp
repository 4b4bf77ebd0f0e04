#include "anim/KRefCountedObject.h"

#include <algorithm>
#include <vector>

namespace {

// Every live object; most objects die young, so removal searches from the back. Never
// destroyed, so objects released by other statics' destructors at exit still find it.
std::vector<KRefCountedObject*>& Registry() {
  static auto* registry = new std::vector<KRefCountedObject*>();
  return *registry;
}

}  // namespace

KRefCountedObject::KRefCountedObject() { Registry().push_back(this); }

KRefCountedObject::~KRefCountedObject() {
  auto& r = Registry();
  auto it = std::find(r.rbegin(), r.rend(), this);
  if (it != r.rend()) r.erase(std::next(it).base());
}

size_t KRefCountedObject::GetLiveCount() { return Registry().size(); }

bool KRefCountedObject::IsLive(const KRefCountedObject* object) {
  const auto& r = Registry();
  return std::find(r.begin(), r.end(), object) != r.end();
}

void KAddRef(KRefCountedObject* object) {
  if (object) ++object->mRefCount;
}

void KReleaseRef(KRefCountedObject* object) {
  if (!object || object->mRefCount <= 0) return;
  if (--object->mRefCount == 0) delete object;
}
