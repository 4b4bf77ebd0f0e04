#include <gtest/gtest.h>

#include <vector>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "render/TModel.h"

namespace {

struct MeshBytes {
  std::vector<uint8_t> bytes;

  MeshBytes(const char* magic, uint16_t vertices, uint16_t triangles) {
    bytes.assign(magic, magic + 4);
    U16(vertices);
    U16(triangles);
  }
  MeshBytes& U16(uint16_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
    return *this;
  }
  MeshBytes& Vertex(std::initializer_list<int16_t> values) {
    for (int16_t v : values) U16(uint16_t(v));
    return *this;
  }
  MeshBytes& Triangle(uint16_t a, uint16_t b, uint16_t c) { return U16(a).U16(b).U16(c); }
};

// Memory files do not own their bytes: every registered mesh is kept here for the test's run.
void Register(const char* name, const std::vector<uint8_t>& bytes) {
  static std::vector<std::vector<uint8_t>> keep;
  keep.push_back(bytes);
  keep.back().push_back(0);  // never an empty block, whose address might be null
  RegisterMemoryFile(name, keep.back().data(), uint32_t(bytes.size()));
}

MeshBytes Triangle() {
  MeshBytes m("TRIS", 3, 1);
  m.Vertex({-1000, 32767, -32768, 0, 0, 1000, 0, 500})
      .Vertex({1000, 0, 0, 0, 0, 1000, 1000, 0})
      .Vertex({0, 1000, 0, 0, 0, 1000, 1000, 1000})
      .Triangle(0, 1, 2);
  return m;
}

}  // namespace

TEST(MeshModelTest, LoadsPositionsNormalsUvsAndIndices) {
  Register("meshes/triangle.mesh", Triangle().bytes);
  TModel model;
  ASSERT_TRUE(model.Init("meshes/triangle.mesh"));
  ASSERT_EQ(model.GetVertexCount(), 3u);
  ASSERT_EQ(model.GetIndexCount(), 3u);
  const TMeshVertex& v = model.GetVertices()[0];
  EXPECT_FLOAT_EQ(v.position.x, -1.0f);
  EXPECT_FLOAT_EQ(v.position.y, 32.767f);
  EXPECT_FLOAT_EQ(v.position.z, -32.768f);
  EXPECT_FLOAT_EQ(v.normal.z, 1.0f);
  EXPECT_FLOAT_EQ(v.uv.x, 0.0f);
  EXPECT_FLOAT_EQ(v.uv.y, 0.5f);
  EXPECT_FLOAT_EQ(model.GetVertices()[2].uv.y, 1.0f);
  EXPECT_EQ(model.GetIndices()[0], 0);
  EXPECT_EQ(model.GetIndices()[2], 2);
  EXPECT_STREQ(model.GetMeshData()->name.CStr(), "meshes/triangle.mesh");

  // ".mesh" may stand anywhere in the name; an empty mesh is still a mesh.
  Register("meshes/empty.mesh.v2", MeshBytes("TRIS", 0, 0).bytes);
  ASSERT_TRUE(model.Init("meshes/empty.mesh.v2"));
  EXPECT_EQ(model.GetVertexCount(), 0u);
  EXPECT_EQ(model.GetIndexCount(), 0u);
  EXPECT_EQ(model.GetVertices(), nullptr);
}

TEST(MeshModelTest, FileCutShortLoadsItsMissingValuesAsZero) {
  std::vector<uint8_t> cut = Triangle().bytes;
  cut.resize(8 + 16 + 5);  // inside the second vertex's position y
  std::vector<uint8_t> noIndex = Triangle().bytes;
  noIndex.resize(noIndex.size() - 2);
  Register("meshes/cut.mesh", cut);
  Register("meshes/noindex.mesh", noIndex);
  Register("meshes/header.mesh", {'T', 'R', 'I', 'S', 2, 0});  // no triangle count

  TModel model;
  ASSERT_TRUE(model.Init("meshes/cut.mesh"));
  ASSERT_EQ(model.GetVertexCount(), 3u);
  ASSERT_EQ(model.GetIndexCount(), 3u);
  EXPECT_FLOAT_EQ(model.GetVertices()[0].position.x, -1.0f);
  EXPECT_FLOAT_EQ(model.GetVertices()[0].uv.y, 0.5f);
  EXPECT_FLOAT_EQ(model.GetVertices()[1].position.x, 1.0f);
  EXPECT_FLOAT_EQ(model.GetVertices()[1].normal.z, 0.0f);  // 1.0 in the whole file
  EXPECT_FLOAT_EQ(model.GetVertices()[2].position.y, 0.0f);
  EXPECT_FLOAT_EQ(model.GetVertices()[2].uv.x, 0.0f);
  EXPECT_EQ(model.GetIndices()[1], 0);

  ASSERT_TRUE(model.Init("meshes/noindex.mesh"));
  EXPECT_EQ(model.GetIndices()[1], 1);
  EXPECT_EQ(model.GetIndices()[2], 0);
  EXPECT_FLOAT_EQ(model.GetVertices()[2].uv.y, 1.0f);

  ASSERT_TRUE(model.Init("meshes/header.mesh"));
  EXPECT_EQ(model.GetVertexCount(), 2u);
  EXPECT_EQ(model.GetIndexCount(), 0u);
  EXPECT_FLOAT_EQ(model.GetVertices()[1].normal.z, 0.0f);
}

TEST(MeshModelTest, RefusesForeignFilesAndStrayIndices) {
  Register("meshes/short.mesh", {'T', 'R', 'I'});
  Register("meshes/magic.mesh", MeshBytes("TRIX", 0, 0).bytes);
  Register("meshes/index.mesh",
           MeshBytes("TRIS", 1, 1).Vertex({0, 0, 0, 0, 0, 0, 0, 0}).Triangle(0, 0, 1).bytes);
  // Without vertices even the zeros of a missing index point nowhere.
  Register("meshes/novertex.mesh", MeshBytes("TRIS", 0, 1).bytes);
  Register("meshes/upper.mesh", Triangle().bytes);

  // The name test is case-sensitive although the file layer is not.
  for (const char* name :
       {"meshes/short.mesh", "meshes/magic.mesh", "meshes/index.mesh", "meshes/novertex.mesh",
        "meshes/UPPER.MESH", "meshes/upper.MESH", "meshes/missing.mesh"}) {
    SCOPED_TRACE(name);
    TModel model;
    ASSERT_TRUE(model.Init("meshes/upper.mesh"));
    EXPECT_FALSE(model.Init(name));
    EXPECT_EQ(model.GetMeshData(), nullptr);
    EXPECT_EQ(model.GetVertexCount(), 0u);
  }
}

TEST(MeshModelTest, GetSharesOneModelPerNameAndRestoreReloads) {
  TAssetManager manager;
  Register("meshes/shared.mesh", Triangle().bytes);
  boost::shared_ptr<TModel> a = TModel::Get("meshes/shared.mesh");
  ASSERT_TRUE(a);
  EXPECT_EQ(TModel::Get("meshes/shared.mesh"), a);
  EXPECT_STREQ(a->GetClassName(), "TModel");
  EXPECT_TRUE(a->IsKindOf(TModel::GetClassId()));
  EXPECT_TRUE(a->IsKindOf(TAsset::GetClassId()));

  size_t entries = manager.GetAssetCount();
  EXPECT_FALSE(TModel::Get("meshes/nothing.mesh"));
  boost::shared_ptr<TAsset> none = manager.FindAsset("meshes/nothing.mesh");
  EXPECT_FALSE(none);
  EXPECT_EQ(manager.GetAssetCount(), entries + 1);  // the lookup's own empty entry

  // The file changed while the display was away: Restore reads it again.
  MeshBytes changed("TRIS", 1, 0);
  changed.Vertex({2000, 0, 0, 0, 0, 0, 0, 0});
  Register("meshes/shared.mesh", changed.bytes);
  manager.ReleaseAll();
  EXPECT_EQ(a->GetVertexCount(), 3u);
  manager.RestoreAll();
  ASSERT_EQ(a->GetVertexCount(), 1u);
  EXPECT_FLOAT_EQ(a->GetVertices()[0].position.x, 2.0f);
  EXPECT_STREQ(a->GetMeshData()->name.CStr(), "meshes/shared.mesh");
}
