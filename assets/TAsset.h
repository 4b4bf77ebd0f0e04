// Base of every loadable resource (texture, sound, script code, mesh). Assets are always
// owned through shared pointers; the asset manager only keeps weak references to them.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "core/TClassId.h"

class TAsset : public boost::enable_shared_from_this<TAsset> {
public:
  static TClassId GetClassId() { return MakeClassId(&TAsset::GetClassId); }
  virtual const char* GetClassName() const { return "TAsset"; }
  virtual bool IsKindOf(TClassId id) const { return id == GetClassId(); }
  virtual ~TAsset() = default;
  // Before the display is reset: drop whatever lives in video memory.
  virtual void Release() {}
  // After the display is back: make it again.
  virtual void Restore() {}
};

// The asset as a T when it is one, sharing ownership with its other holders; empty for
// null, for another kind, or for an asset no shared pointer owns.
template <typename T>
boost::shared_ptr<T> AssetCast(TAsset* asset) {
  if (!asset || !asset->IsKindOf(T::GetClassId())) return boost::shared_ptr<T>();
  return boost::static_pointer_cast<T>(asset->weak_from_this().lock());
}

template <typename T>
boost::shared_ptr<T> AssetCast(const boost::shared_ptr<TAsset>& asset) {
  return AssetCast<T>(asset.get());
}
