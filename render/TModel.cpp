// The ".mesh" format: "TRIS", u16 vertex count, u16 triangle count, then per vertex eight
// s16 values (position, normal, uv) in thousandths, then three u16 indices per triangle, all
// little-endian.
#include "render/TModel.h"

#include <cstring>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "core/EngineLog.h"

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kVertexSize = 16;
constexpr size_t kTriangleSize = 6;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

float Thousandths(const uint8_t* p) { return float(int16_t(U16(p)) / 1000.0); }

}  // namespace

boost::shared_ptr<TModel> TModel::Get(const str& name) {
  TAssetManager* manager = TAssetManager::Instance();
  if (manager != nullptr) {
    boost::shared_ptr<TModel> cached = AssetCast<TModel>(manager->FindAsset(name));
    if (cached) return cached;
  }
  boost::shared_ptr<TModel> model(new TModel);
  if (!model->Init(name)) return boost::shared_ptr<TModel>();
  if (manager != nullptr) manager->RegisterAsset(name, model);
  return model;
}

bool TModel::Init(const str& name) {
  // A copy: the name may be the one inside the mesh about to be dropped (Restore).
  str fileName = name;
  mData.reset();
  if (fileName.Find(str(".mesh")) < 0) return false;

  TFile* file = FileOpen(fileName.CStr(), kFileReadBinary);
  if (file == nullptr) {
    EngineLog("TModel::Init: Failed to load %s", fileName.CStr());
    return false;
  }
  uint8_t header[kHeaderSize] = {};
  int32_t headerRead = FileRead(file, header, int(kHeaderSize));
  if (headerRead < 4 || std::memcmp(header, "TRIS", 4) != 0) {
    FileClose(file);
    return false;
  }
  uint32_t vertexCount = U16(header + 4);
  uint32_t triangleCount = U16(header + 6);
  // Both counts are 16-bit, so the body is at most about 1.4 MB. A file cut short still
  // loads: the values it lacks read as 0, as they always have.
  size_t bodySize = vertexCount * kVertexSize + triangleCount * kTriangleSize;
  std::vector<uint8_t> body(bodySize, 0);
  int32_t bodyRead = bodySize > 0 && headerRead == int32_t(kHeaderSize)
                         ? FileRead(file, body.data(), int(bodySize))
                         : 0;
  FileClose(file);
  if (headerRead != int32_t(kHeaderSize) || bodyRead != int32_t(bodySize))
    EngineLog("TModel::Init: %s is cut short; its missing values read as 0", fileName.CStr());

  auto data = std::make_unique<TMeshData>();
  data->vertices.resize(vertexCount);
  const uint8_t* p = body.data();
  for (TMeshVertex& v : data->vertices) {
    float f[8];
    for (int i = 0; i < 8; ++i) f[i] = Thousandths(p + 2 * i);
    v.position = TVec3(f[0], f[1], f[2]);
    v.normal = TVec3(f[3], f[4], f[5]);
    v.uv = TVec2(f[6], f[7]);
    p += kVertexSize;
  }
  data->indices.resize(size_t(triangleCount) * 3);
  for (uint16_t& index : data->indices) {
    index = U16(p);
    p += 2;
    // Drawing code indexes the vertex array with these.
    if (index >= vertexCount) {
      EngineLog("TModel::Init: %s has vertex index %u of %u vertices", fileName.CStr(),
                unsigned(index), vertexCount);
      return false;
    }
  }
  data->name = fileName;
  mData = std::move(data);
  return true;
}

void TModel::Restore() {
  if (mData) Init(mData->name);
}

const TMeshVertex* TModel::GetVertices() const {
  return mData && !mData->vertices.empty() ? mData->vertices.data() : nullptr;
}

uint32_t TModel::GetVertexCount() const { return mData ? uint32_t(mData->vertices.size()) : 0; }

const uint16_t* TModel::GetIndices() const {
  return mData && !mData->indices.empty() ? mData->indices.data() : nullptr;
}

uint32_t TModel::GetIndexCount() const { return mData ? uint32_t(mData->indices.size()) : 0; }
