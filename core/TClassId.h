// Class identity without RTTI: a class's id is the address of a function of its own (for
// window classes, the creator registered under the window type's name). Addresses of
// inline functions are unique program-wide, so ids compare by pointer.
#pragma once

using TClassId = const void*;

template <typename Fn>
inline TClassId MakeClassId(Fn* function) {
  return reinterpret_cast<TClassId>(function);
}

// Inside a class body: its id function, its name, and a kind test that falls back to Base.
#define T_CLASS_IDENTITY(Class, Base)                                      \
public:                                                                    \
  static TClassId GetClassId() { return MakeClassId(&Class::GetClassId); } \
  const char* GetClassName() const override { return #Class; }             \
  bool IsKindOf(TClassId id) const override {                              \
    return id == Class::GetClassId() || Base::IsKindOf(id);                \
  }
