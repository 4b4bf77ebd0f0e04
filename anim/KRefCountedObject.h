// The intrusive reference count shared by every animation, easing, filter and listener object.
// Inherit it virtually, so an object with several of the library's interfaces has one count.
#pragma once

#include <cstddef>
#include <cstdint>

class KRefCountedObject {
public:
  KRefCountedObject();
  virtual ~KRefCountedObject();
  KRefCountedObject(const KRefCountedObject&) = delete;
  KRefCountedObject& operator=(const KRefCountedObject&) = delete;

  int32_t GetRefCount() const { return mRefCount; }
  // Objects constructed and not yet destroyed.
  static size_t GetLiveCount();
  static bool IsLive(const KRefCountedObject* object);

private:
  friend void KAddRef(KRefCountedObject* object);
  friend void KReleaseRef(KRefCountedObject* object);

  // The creating pointer owns the first reference.
  int32_t mRefCount = 1;
};

void KAddRef(KRefCountedObject* object);
// At zero the object destroys itself. An object already being destroyed is left alone, so a
// release reached from its own destructor cannot delete it twice.
void KReleaseRef(KRefCountedObject* object);

// Points slot at value, moving one reference from the old pointee to the new one.
template <class T>
void KAssignRef(T* value, T*& slot) {
  if (slot == value) return;
  T* old = slot;
  if (value) KAddRef(value);
  slot = value;
  if (old) KReleaseRef(old);
}
