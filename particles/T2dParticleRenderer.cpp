#include <algorithm>
#include <cmath>
#include <vector>

#include "core/TColor.h"
#include "core/TSettings.h"
#include "particles/TParticleRenderer.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/TVertexList.h"

namespace {

// The vertex and index arrays are shared by every 2-D particle renderer and live while one
// does; they only grow.
struct SharedBuffers {
  std::vector<TLitVertex> vertices;
  std::vector<uint16_t> indices;
  int renderers = 0;
};

SharedBuffers& Shared() {
  static SharedBuffers buffers;
  return buffers;
}

struct Corner {
  float cx, cy, tu, tv;
};
constexpr Corner kCorners[4] = {
    {-0.5f, -0.5f, 0, 0}, {0.5f, -0.5f, 1, 0}, {-0.5f, 0.5f, 0, 1}, {0.5f, 0.5f, 1, 1}};
constexpr int kUnindexedOrder[6] = {0, 1, 2, 1, 3, 2};

uint32_t FloatBits(float f) {
  uint32_t bits;
  static_assert(sizeof bits == sizeof f);
  __builtin_memcpy(&bits, &f, sizeof bits);
  return bits;
}

int CornerOf(int vertex, bool unindexed) {
  return unindexed ? kUnindexedOrder[vertex % 6] : vertex % 4;
}

// The frame member truncated toward zero; a value no frame index can hold (NaN, huge) names
// no frame, which the texture answers with an empty rectangle.
int32_t FrameOf(float member) {
  return std::isfinite(member) && std::fabs(member) < 2e9f ? static_cast<int32_t>(member) : -1;
}

}  // namespace

T2dParticleRenderer::T2dParticleRenderer() {
  mBrokenIndexedVerts = GetConfig(kConfigBrokenIndexedVerts).ToInt() != 0;
  ++Shared().renderers;
}

T2dParticleRenderer::~T2dParticleRenderer() {
  SharedBuffers& shared = Shared();
  if (--shared.renderers == 0) {
    std::vector<TLitVertex>().swap(shared.vertices);
    std::vector<uint16_t>().swap(shared.indices);
  }
}

const TLitVertex* T2dParticleRenderer::SharedVertices() { return Shared().vertices.data(); }
int T2dParticleRenderer::SharedVertexCapacity() {
  return static_cast<int>(Shared().vertices.size());
}
const uint16_t* T2dParticleRenderer::SharedIndices() {
  return Shared().indices.empty() ? nullptr : Shared().indices.data();
}

void T2dParticleRenderer::SetTexture(boost::shared_ptr<TTexture> texture) {
  mTexture = texture;
  if (mTexture) {
    mTextureSize =
        TVec2{static_cast<float>(mTexture->GetWidth()), static_cast<float>(mTexture->GetHeight())};
  }
}

void T2dParticleRenderer::SetOption(const str& name, const TVec4& value) {
  if (name == "blendmode") {
    const float mode = value.x;
    mBlendMode = std::isfinite(mode) && std::fabs(mode) < 1e9f ? static_cast<int>(mode) : 0;
  }
}

str T2dParticleRenderer::GetInitString() {
  return "pPosition = Allocate(2);\npUp = Allocate(2);\npScale = Allocate(1);\npColor = "
         "Allocate(4);\npFrame = Allocate(1);\n";
}

void T2dParticleRenderer::EnsureBuffers(int capacity) {
  SharedBuffers& shared = Shared();
  const int k = mBrokenIndexedVerts ? 6 : 4;
  // A renderer in the unindexed mode may have grown the vertices without indices; an indexed
  // draw then needs them made.
  const bool indexed = !mBrokenIndexedVerts;
  const size_t indexQuads = std::min<size_t>(static_cast<size_t>(capacity), kMaxParticles);
  if (static_cast<int>(shared.vertices.size()) >= k * capacity &&
      (!indexed || shared.indices.size() >= indexQuads * 6))
    return;
  const size_t count =
      std::max(shared.vertices.size(), static_cast<size_t>(k) * 2 * static_cast<size_t>(capacity));
  shared.vertices.assign(count, TLitVertex());
  for (size_t i = 0; i < count; ++i) {
    TLitVertex& v = shared.vertices[i];
    v.reserved = FloatBits(0.5f);
    v.specular = 0xffffffffu;
    const Corner& c = kCorners[CornerOf(static_cast<int>(i % k), mBrokenIndexedVerts)];
    v.u = c.tu;
    v.v = c.tv;
  }
  shared.indices.clear();
  if (!mBrokenIndexedVerts) {
    // Quads past what 16-bit indices can name get no indices; capacities are capped below that.
    const size_t quads = std::min<size_t>(count / 4, kMaxParticles);
    shared.indices.resize(quads * 6);
    for (size_t q = 0; q < quads; ++q) {
      const uint16_t b = static_cast<uint16_t>(4 * q);
      uint16_t* out = &shared.indices[q * 6];
      out[0] = b;
      out[1] = b + 1;
      out[2] = b + 2;
      out[3] = b + 1;
      out[4] = b + 3;
      out[5] = b + 2;
    }
  }
}

void T2dParticleRenderer::Draw(const TVec3& origin, float alpha, const std::list<float*>& live,
                               int capacity) {
  if (capacity <= 0) return;
  if (capacity > kMaxParticles) capacity = kMaxParticles;
  EnsureBuffers(capacity);
  SharedBuffers& shared = Shared();
  const int k = mBrokenIndexedVerts ? 6 : 4;
  const float mx = origin.x - 0.5f;
  const float my = origin.y - 0.5f;

  // Texture corners are written for every quad on every draw, so a plain texture after an
  // animated one never inherits another frame's rectangle.
  float uMin = 0, vMin = 0, uMax = 1, vMax = 1;
  const boost::shared_ptr<TAnimatedTexture> animated = TAnimatedTexture::Cast(mTexture);
  float sheetW = 0, sheetH = 0;
  if (animated) {
    int w = 0, h = 0;
    animated->GetFullSize(w, h);
    sheetW = static_cast<float>(w);
    sheetH = static_cast<float>(h);
  }
  int quads = 0;
  for (const float* p : live) {
    if (quads >= capacity) break;
    if (animated) {
      const TRect r = animated->GetFrameSourceRect(FrameOf(p[9]));
      uMin = sheetW > 0 ? static_cast<float>(r.left) / sheetW : 0;
      uMax = sheetW > 0 ? static_cast<float>(r.right) / sheetW : 0;
      vMin = sheetH > 0 ? static_cast<float>(r.top) / sheetH : 0;
      vMax = sheetH > 0 ? static_cast<float>(r.bottom) / sheetH : 0;
    }
    const TVec2 size{mTextureSize.x * p[4], mTextureSize.y * p[4]};
    const float ux = p[2], uy = p[3];
    const float cx0 = p[0] + mx, cy0 = p[1] + my;
    TColor colour;
    colour.r = p[5];
    colour.g = p[6];
    colour.b = p[7];
    colour.a = p[8];
    TColor32 packed = TColor32::FromColor(colour);
    float a = static_cast<float>(packed.GetAlpha()) * alpha;
    a = a > 0.0f ? (a < 255.0f ? a : 255.0f) : 0.0f;
    packed.SetAlpha(static_cast<uint8_t>(a));
    TLitVertex* out = &shared.vertices[static_cast<size_t>(quads) * k];
    for (int i = 0; i < k; ++i) {
      const Corner& c = kCorners[CornerOf(i, mBrokenIndexedVerts)];
      TLitVertex& v = out[i];
      v.x = cx0 - c.cx * size.x * uy - c.cy * size.y * ux;
      v.y = cy0 + c.cx * size.x * ux - c.cy * size.y * uy;
      v.z = origin.z;
      v.diffuse = packed.GetPacked();
      v.u = c.tu ? uMax : uMin;
      v.v = c.tv ? vMax : vMin;
    }
    ++quads;
  }

  TRenderer* renderer = TRenderer::Instance();
  if (renderer) {
    renderer->SetTexture(mTexture);
    renderer->SetBlendMode(mBlendMode);
  }
  if (mBrokenIndexedVerts) {
    Submit(shared.vertices.data(), quads * 6, nullptr, 0);
  } else {
    Submit(shared.vertices.data(), quads * 4, shared.indices.data(), quads * 6);
  }
  if (renderer) renderer->SetBlendMode(0);
}

void T2dParticleRenderer::Submit(const TLitVertex* vertices, int vertexCount,
                                 const uint16_t* indices, int indexCount) {
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer || vertexCount == 0) return;
  TVertexList list;
  list.InitLit(vertices, vertexCount);
  if (indices) {
    renderer->DrawIndexedVertices(4, list, indices, indexCount);
  } else {
    renderer->DrawVertices(4, list);
  }
}
