// A simple triangle mesh loaded from a ".mesh" file, cached by name like every asset.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <memory>
#include <vector>

#include "assets/TAsset.h"
#include "core/TVec.h"
#include "core/str.h"

// Position, normal and one texture coordinate: eight floats.
struct TMeshVertex {
  TVec3 position;
  TVec3 normal;
  TVec2 uv;
};

struct TMeshData {
  std::vector<TMeshVertex> vertices;
  // Three per triangle, each below the vertex count.
  std::vector<uint16_t> indices;
  str name;
};

class TModel : public TAsset {
  T_CLASS_IDENTITY(TModel, TAsset)

public:
  // The cached model of that name, else a newly loaded and registered one; empty on failure.
  static boost::shared_ptr<TModel> Get(const str& name);

  // Loads the file, replacing any mesh held. False (mesh dropped) for a name without
  // ".mesh", a missing or foreign file, or an index past the vertices. A file cut short
  // loads with its missing values 0.
  bool Init(const str& name);

  // The mesh lives in system memory, so a display reset leaves it alone.
  void Release() override {}
  // Loads the file again from the name the mesh came from.
  void Restore() override;

  const TMeshVertex* GetVertices() const;
  uint32_t GetVertexCount() const;
  const uint16_t* GetIndices() const;
  uint32_t GetIndexCount() const;
  const TMeshData* GetMeshData() const { return mData.get(); }

private:
  std::unique_ptr<TMeshData> mData;
};
