// A script file compiled once into precompiled chunk bytes and cached by name, so a file
// named again is not parsed again.
#pragma once

#include <boost/shared_ptr.hpp>

#include "assets/TAsset.h"
#include "core/str.h"

class TScriptCode : public TAsset {
public:
  static TClassId GetClassId() { return MakeClassId(&TScriptCode::GetClassId); }
  const char* GetClassName() const override { return "TScriptCode"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TAsset::IsKindOf(id); }

  TScriptCode(const char* bytes, int length);

  // The compiled chunk of a file; null on an empty name or a compile failure, whose Lua
  // message goes to *error when error is not null. An empty path compiles against the default.
  static boost::shared_ptr<TScriptCode> Get(const str& name, const str& path, str* error);

  str GetCode() const { return mCode; }
  int GetLength() const { return mLength; }

private:
  str mCode;
  int mLength;
};
