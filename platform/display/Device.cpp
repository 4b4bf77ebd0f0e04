// Device state, vertex decoding, transformation, clipping and the plan that picks the span
// loops for a draw.
#include "platform/display/Device.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "platform/display/PixelFormat.h"
#include "platform/display/Raster.h"

namespace platform::display {

using raster::Vertex;

// Everything one draw needs: the rasterizer's state plus the decoded vertices.
struct DrawState : raster::DrawState {};

// A vertex before the perspective divide (or already on screen when transformed).
struct ClipVertex {
  float p[4];  // clip-space x, y, z, w; or screen x, y, z, rhw
  float uv[2];
  float colour[4];  // r, g, b, a in 0..255
  float spec[3];
};

namespace {

constexpr float kNearW = 1e-5f;

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

bool VertexLayout(uint32_t format, uint32_t& stride) {
  const uint32_t known = kVertexPosition | kVertexTransformed | kVertexNormal | kVertexReserved |
                         kVertexDiffuse | kVertexSpecular | kVertexTex1;
  if (format & ~known) return false;
  bool pos = format & kVertexPosition, rhw = format & kVertexTransformed;
  if (pos == rhw) return false;
  // Added up without a branch: every draw asks.
  auto has = [format](uint32_t field) { return uint32_t((format & field) != 0); };
  stride = 12 + 4 * has(kVertexTransformed) + 12 * has(kVertexNormal) +
           4 * (has(kVertexReserved) + has(kVertexDiffuse) + has(kVertexSpecular)) +
           8 * has(kVertexTex1);
  return true;
}

float Clamp255(float v) { return std::clamp(v, 0.0f, 1.0f) * 255.0f; }

ClipVertex LerpClip(const ClipVertex& a, const ClipVertex& b, float t) {
  ClipVertex r;
  for (int k = 0; k < 4; ++k) r.p[k] = a.p[k] + (b.p[k] - a.p[k]) * t;
  for (int k = 0; k < 2; ++k) r.uv[k] = a.uv[k] + (b.uv[k] - a.uv[k]) * t;
  for (int k = 0; k < 4; ++k) r.colour[k] = a.colour[k] + (b.colour[k] - a.colour[k]) * t;
  for (int k = 0; k < 3; ++k) r.spec[k] = a.spec[k] + (b.spec[k] - a.spec[k]) * t;
  return r;
}

// Column j of a position times the matrix (the w of 1 implied).
float Transform(const float f[3], const Matrix4& m, int j) {
  return f[0] * m.m[0][j] + f[1] * m.m[1][j] + f[2] * m.m[2][j] + m.m[3][j];
}

// Clip-space x and y, divided by w (q = 1 / w), on the viewport.
float ScreenX(const Viewport& vp, float x, float q) {
  return float(vp.x) + (x * q + 1.0f) * 0.5f * float(vp.width);
}
float ScreenY(const Viewport& vp, float y, float q) {
  return float(vp.y) + (1.0f - y * q) * 0.5f * float(vp.height);
}

// Whether the cull mode drops the triangle a, b, c on screen.
bool Culled(CullMode mode, float ax, float ay, float bx, float by, float cx, float cy) {
  float area = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
  return (mode == CullMode::CounterClockwise && area < 0) ||
         (mode == CullMode::Clockwise && area > 0);
}

// Whether an alpha test can reject anything other than alpha 0.
bool Rejects(CompareFunc f, uint8_t ref) {
  switch (f) {
    case CompareFunc::Always: return false;
    case CompareFunc::GreaterEqual: return ref > 1;
    case CompareFunc::Greater:
    case CompareFunc::NotEqual: return ref > 0;
    default: return true;
  }
}

// The lean quads' plan is kept while the states it came from are the same byte for byte:
// equal bytes are equal states, and bytes that differ in padding alone only cost working the
// plan out again.
template <typename T>
bool SameBytes(const T& a, const T& b) {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) >= 16 && sizeof(T) <= 32);
  const auto* pa = reinterpret_cast<const unsigned char*>(&a);
  const auto* pb = reinterpret_cast<const unsigned char*>(&b);
#if defined(__SSE2__)
  // In line as two overlapping halves: a call to memcmp costs more than the comparison.
  auto half = [](const unsigned char* x, const unsigned char* y) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)));
  };
  constexpr size_t kLast = sizeof(T) - 16;
  return _mm_movemask_epi8(_mm_and_si128(half(pa, pb), half(pa + kLast, pb + kLast))) == 0xFFFF;
#else
  return std::memcmp(pa, pb, sizeof(T)) == 0;
#endif
}
template <typename T>
void CopyBytes(T& to, const T& from) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(&to, &from, sizeof(T));
}

bool Passes(CompareFunc f, uint32_t v, uint32_t ref) {
  switch (f) {
    case CompareFunc::Never: return false;
    case CompareFunc::Less: return v < ref;
    case CompareFunc::Equal: return v == ref;
    case CompareFunc::LessEqual: return v <= ref;
    case CompareFunc::Greater: return v > ref;
    case CompareFunc::NotEqual: return v != ref;
    case CompareFunc::GreaterEqual: return v >= ref;
    case CompareFunc::Always: return true;
  }
  return true;
}

}  // namespace

Device::Device(std::shared_ptr<Surface> target, uint32_t renderDepths)
    : target_(std::move(target)), renderDepths_(renderDepths) {
  viewport_ = {0, 0, target_->Width(), target_->Height(), 0.0f, 1.0f};
}

Device::~Device() = default;

Result Device::BeginScene() {
  if (inScene_) return kSceneInScene;
  if (!target_ || target_->IsLost()) return kSurfaceLost;
  inScene_ = true;
  return kOk;
}

Result Device::EndScene() {
  if (!inScene_) return kSceneNotInScene;
  inScene_ = false;
  return kOk;
}

Result Device::Clear(uint32_t flags, uint32_t argb, float z) {
  if (!target_ || target_->IsLost()) return kSurfaceLost;
  Rect area{viewport_.x, viewport_.y, viewport_.x + viewport_.width,
            viewport_.y + viewport_.height};
  if (flags & kClearTarget) {
    Result r = target_->Fill(&area, argb);
    if (Failed(r)) return r;
  }
  std::shared_ptr<Surface> zb = target_->ZBuffer();
  if ((flags & kClearZBuffer) && zb) {
    if (zb->IsLost()) return kSurfaceLost;
    double zc = z > 0.0f ? std::min(double(z), 1.0) : 0.0;  // NaN clears to 0
    bool d16 = zb->Format() == PixelFormat::D16;
    uint32_t value = d16 ? uint32_t(zc * 65535.0 + 0.5) : uint32_t(zc * 4294967295.0 + 0.5);
    const size_t n = size_t(std::max(area.right - area.left, 0));
    for (int32_t y = area.top; y < area.bottom; ++y) {
      uint8_t* row = zb->Bits() + size_t(y) * zb->Pitch();
      if (d16)
        std::fill_n(reinterpret_cast<uint16_t*>(row) + area.left, n, uint16_t(value));
      else
        std::fill_n(reinterpret_cast<uint32_t*>(row) + area.left, n, value);
    }
    zb->Touch();
  }
  return kOk;
}

Result Device::SetRenderTarget(const std::shared_ptr<Surface>& target) {
  if (!target) return kNullPointer;
  if (!target->HasCaps(kCapsRenderTarget)) return kInvalidArgument;
  if (target->IsLost()) return kSurfaceLost;
  int32_t bits = BytesPerPixel(target->Format()) * 8;
  uint32_t depthBit = bits == 16 ? 0x1 : bits == 32 ? 0x2 : 0;
  if (!(renderDepths_ & depthBit)) return kCurrentlyNotAvailable;
  target_ = target;
  viewport_ = {0, 0, target->Width(), target->Height(), 0.0f, 1.0f};
  return kOk;
}

Result Device::SetTexture(const std::shared_ptr<Surface>& texture) {
  if (texture && Describe(texture->Format()).depth) return kInvalidArgument;
  texture_ = texture;
  return kOk;
}

void Device::SetTransform(TransformKind kind, const Matrix4& m) {
  transformStale_ = true;
  switch (kind) {
    case TransformKind::World: world_ = m; break;
    case TransformKind::View: view_ = m; break;
    case TransformKind::Projection: projection_ = m; break;
  }
}

const Matrix4& Device::GetTransform(TransformKind kind) const {
  switch (kind) {
    case TransformKind::World: return world_;
    case TransformKind::View: return view_;
    default: return projection_;
  }
}

Result Device::SetViewport(const Viewport& v) {
  if (v.width <= 0 || v.height <= 0 || v.x < 0 || v.y < 0) return kInvalidArgument;
  if (!target_ || v.x + v.width > target_->Width() || v.y + v.height > target_->Height())
    return kInvalidArgument;
  if (!(v.minZ >= 0.0f && v.maxZ <= 1.0f && v.minZ <= v.maxZ)) return kInvalidArgument;
  viewport_ = v;
  return kOk;
}

Result Device::DrawPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                             uint32_t vertexCount) {
  return Draw(type, vertexFormat, vertices, vertexCount, nullptr, 0);
}

Result Device::DrawIndexedPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                                    uint32_t vertexCount, const uint16_t* indices,
                                    uint32_t indexCount) {
  if (!indices) return kInvalidArgument;
  return Draw(type, vertexFormat, vertices, vertexCount, indices, indexCount);
}

bool Device::PrepareDraw(DrawState& ds) {
  using namespace raster;
  ds.bits = target_->Bits();
  ds.pitch = target_->Pitch();
  ds.format = target_->Format();
  ds.targetHasAlpha = HasAlpha(ds.format);
  ds.targetBpp = BytesPerPixel(ds.format);
  ds.targetDirect = ds.format == PixelFormat::A8R8G8B8 || ds.format == PixelFormat::X8R8G8B8;
  ds.scissor = {viewport_.x, viewport_.y, viewport_.x + viewport_.width,
                viewport_.y + viewport_.height};
  ds.scissor.right = std::min(ds.scissor.right, target_->Width());
  ds.scissor.bottom = std::min(ds.scissor.bottom, target_->Height());
  if (ds.scissor.Empty()) return false;

  std::shared_ptr<Surface> zb = states_.zEnable ? target_->ZBuffer() : nullptr;
  ds.zTest = zb && !zb->IsLost();
  if (ds.zTest) {
    ds.zWrite = states_.zWrite;
    ds.zFunc = states_.zFunc;
    ds.zbits = zb->Bits();
    ds.zpitch = zb->Pitch();
    ds.zformat = zb->Format();
  }
  if (texture_ && !texture_->IsLost()) {
    ds.tex = texture_->ArgbPixels(ds.tpitch);
    ds.tw = texture_->Width();
    ds.th = texture_->Height();
    ds.magFilter = stage_.magFilter;
    ds.minFilter = stage_.minFilter;
    ds.addressU = stage_.addressU;
    ds.addressV = stage_.addressV;
  }
  ds.stage = stage_;
  ds.factor = states_.textureFactor;
  ds.alphaTest = states_.alphaTest;
  ds.alphaFunc = states_.alphaFunc;
  ds.alphaRef = states_.alphaRef;
  ds.blend = states_.alphaBlend;
  ds.srcBlend = states_.srcBlend;
  ds.dstBlend = states_.dstBlend;
  return true;
}

namespace {

// Works out which fast loops can draw with the device's states, or that none can.
void Plan(raster::DrawState& ds, bool allowed) {
  using namespace raster;
  ds.fast = false;
  ds.blit = BlitPlan::Off;
  // The attributes follow from four switches; their lists are worked out once.
  struct Attributes {
    uint32_t mask;
    int32_t count;
    uint8_t list[kAttrCount];
  };
  static const std::array<Attributes, 16> kTable = [] {
    std::array<Attributes, 16> table{};
    for (uint32_t i = 0; i < 16; ++i) {
      uint32_t mask = (1u << kR) | (1u << kG) | (1u << kB) | (1u << kA);
      if (i & 1) mask |= (1u << kU) | (1u << kV);
      if (i & 2) mask |= 1u << kQ;
      if (i & 4) mask |= 1u << kZ;
      if (i & 8) mask |= (1u << kSR) | (1u << kSG) | (1u << kSB);
      Attributes& a = table[i];
      a.mask = mask;
      int next = 0;
      for (int k = 0; k < kAttrCount; ++k)
        if (mask & (1u << k)) a.list[next++] = uint8_t(k);
      a.count = next;
      for (int k = 0; k < kAttrCount; ++k)
        if (!(mask & (1u << k))) a.list[next++] = uint8_t(k);
    }
    return table;
  }();
  const Attributes& attributes = kTable[(ds.tex ? 1u : 0u) | (ds.perspective ? 2u : 0u) |
                                        (ds.zTest ? 4u : 0u) | (ds.specular ? 8u : 0u)];
  ds.attrMask = attributes.mask;
  ds.attrCount = attributes.count;
  std::memcpy(ds.attrs, attributes.list, sizeof ds.attrs);
  if (!allowed || ds.zTest || ds.perspective || ds.specular) return;

  const TextureStage& s = ds.stage;
  bool haveTex = ds.tex != nullptr;
  auto plain = [](uint32_t a) { return (a & ~uint32_t(kArgSourceMask)) == 0; };
  auto isTex = [&](uint32_t a) { return a == kArgTexture; };
  auto isDiff = [&](uint32_t a) { return a == kArgDiffuse || a == kArgCurrent; };
  if (!plain(s.colourArg1) || !plain(s.alphaArg1)) return;
  bool texColour = false, diffColour = false;
  if (s.colourOp == TextureOp::SelectArg1) {
    texColour = isTex(s.colourArg1);
    diffColour = isDiff(s.colourArg1);
    if (!texColour && !diffColour) return;
  } else {
    if (!plain(s.colourArg2)) return;
    bool td = (isTex(s.colourArg1) && isDiff(s.colourArg2)) ||
              (isDiff(s.colourArg1) && isTex(s.colourArg2));
    bool dd = isDiff(s.colourArg1) && isDiff(s.colourArg2);
    if (!td || dd) return;
    texColour = diffColour = true;
  }
  ds.colourSource = texColour && diffColour ? ColourSource::TexTimesDiffuse
                    : texColour             ? ColourSource::Texture
                                            : ColourSource::Diffuse;
  bool texAlpha = false;
  if (s.alphaOp == TextureOp::SelectArg1) {
    if (isTex(s.alphaArg1)) {
      ds.alphaSource = haveTex ? AlphaSource::Texture : AlphaSource::Constant;
      ds.constantAlpha = 255;
      texAlpha = haveTex;
    } else if (isDiff(s.alphaArg1)) {
      ds.alphaSource = AlphaSource::Diffuse;
    } else {
      ds.alphaSource = AlphaSource::Constant;
      ds.constantAlpha = uint8_t(ds.factor >> 24);
    }
  } else {
    if (!plain(s.alphaArg2)) return;
    bool td =
        (isTex(s.alphaArg1) && isDiff(s.alphaArg2)) || (isDiff(s.alphaArg1) && isTex(s.alphaArg2));
    if (!td) return;
    ds.alphaSource = haveTex ? AlphaSource::TexTimesDiffuse : AlphaSource::Diffuse;
    texAlpha = haveTex;
  }
  ds.useTexture = haveTex && (texColour || texAlpha);

  if (ds.alphaSource == AlphaSource::Constant && ds.alphaTest &&
      Passes(ds.alphaFunc, ds.constantAlpha, ds.alphaRef))
    ds.alphaTest = false;  // every pixel has the same alpha, and it passes
  bool testRejects = ds.alphaTest && Rejects(ds.alphaFunc, ds.alphaRef);
  bool testOnlyZero = ds.alphaTest && !testRejects &&
                      !(ds.alphaFunc == CompareFunc::Always ||
                        (ds.alphaFunc == CompareFunc::GreaterEqual && ds.alphaRef == 0));
  if (!ds.blend) {
    ds.write = (testRejects || testOnlyZero) ? WriteKind::CopyTested : WriteKind::Copy;
  } else if (testRejects) {
    ds.write = WriteKind::Generic;
  } else if (ds.srcBlend == BlendFactor::SrcAlpha && ds.dstBlend == BlendFactor::InvSrcAlpha) {
    ds.write = WriteKind::Alpha;  // alpha 0 leaves the target as it is, tested or not
  } else if (ds.srcBlend == BlendFactor::SrcAlpha && ds.dstBlend == BlendFactor::One) {
    ds.write = WriteKind::Additive;
  } else {
    ds.write = WriteKind::Generic;
  }
  ds.fast = true;
  PlanBlit(ds);
}

// The colour every lit vertex takes: the material's emission plus the ambient light.
void LitColour(const RenderStates& states, const Material& mt, float out[4]) {
  float amb[3] = {float((states.ambient >> 16) & 0xFF) / 255.0f,
                  float((states.ambient >> 8) & 0xFF) / 255.0f,
                  float(states.ambient & 0xFF) / 255.0f};
  out[0] = Clamp255(mt.emissive.r + amb[0] * mt.ambient.r);
  out[1] = Clamp255(mt.emissive.g + amb[1] * mt.ambient.g);
  out[2] = Clamp255(mt.emissive.b + amb[2] * mt.ambient.b);
  out[3] = Clamp255(mt.diffuse.a);
}

// Reads every vertex of the stream into its clip-space form (transformed by m unless the
// stream already is), with its colours and texture coordinates; true when any vertex has a
// specular colour.
bool DecodeVertices(const RenderStates& states, const Material& material, const Matrix4& m,
                    bool zTest, uint32_t format, uint32_t stride, const void* vertices,
                    uint32_t count, ClipVertex* cv) {
  bool transformed = format & kVertexTransformed;
  bool lit = states.lighting && (format & kVertexNormal);
  float lightColour[4] = {0, 0, 0, 0};
  if (lit) LitColour(states, material, lightColour);
  const uint8_t* base = static_cast<const uint8_t*>(vertices);
  bool anySpecular = false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p = base + size_t(i) * stride;
    ClipVertex& v = cv[i];
    float f[4] = {0, 0, 0, 1};
    std::memcpy(f, p, transformed ? 16 : 12);
    p += transformed ? 16 : 12;
    if (transformed) {
      std::memcpy(v.p, f, 16);
    } else {
      // Depth is read only by the depth test.
      for (int j = 0; j < 4; ++j) v.p[j] = j == 2 && !zTest ? 0.0f : Transform(f, m, j);
    }
    if (format & kVertexNormal) p += 12;
    if (format & kVertexReserved) p += 4;
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    if (format & kVertexDiffuse) {
      std::memcpy(&diffuse, p, 4);
      p += 4;
    }
    if (format & kVertexSpecular) {
      std::memcpy(&specular, p, 4);
      p += 4;
    }
    v.uv[0] = v.uv[1] = 0;
    if (format & kVertexTex1) std::memcpy(v.uv, p, 8);
    if (lit) {
      std::memcpy(v.colour, lightColour, sizeof lightColour);
      specular = 0;
    } else {
      v.colour[0] = float((diffuse >> 16) & 0xFF);
      v.colour[1] = float((diffuse >> 8) & 0xFF);
      v.colour[2] = float(diffuse & 0xFF);
      v.colour[3] = float(diffuse >> 24);
    }
    // The specular colour is read only when the state asks for it.
    if (!states.specular) specular = 0;
    v.spec[0] = float((specular >> 16) & 0xFF);
    v.spec[1] = float((specular >> 8) & 0xFF);
    v.spec[2] = float(specular & 0xFF);
    anySpecular |= (specular & 0xFFFFFF) != 0;
  }
  return anySpecular;
}

// A clip-space vertex in screen space with the attributes the rasterizer interpolates.
Vertex ToScreen(const ClipVertex& c, const Viewport& vp, const DrawState& ds, bool transformed,
                bool perspective) {
  Vertex s;
  float q;
  if (transformed) {
    s.x = c.p[0];
    s.y = c.p[1];
    s.a[raster::kZ] = c.p[2];
    q = c.p[3];
  } else {
    q = 1.0f / c.p[3];
    s.x = ScreenX(vp, c.p[0], q);
    s.y = ScreenY(vp, c.p[1], q);
    s.a[raster::kZ] = ds.zTest ? vp.minZ + c.p[2] * q * (vp.maxZ - vp.minZ) : 0.0f;
  }
  float pq = perspective ? q : 1.0f;
  s.a[raster::kQ] = pq;
  s.a[raster::kU] = c.uv[0] * float(ds.tw) * pq;
  s.a[raster::kV] = c.uv[1] * float(ds.th) * pq;
  s.a[raster::kR] = c.colour[0];
  s.a[raster::kG] = c.colour[1];
  s.a[raster::kB] = c.colour[2];
  s.a[raster::kA] = c.colour[3];
  s.a[raster::kSR] = c.spec[0];
  s.a[raster::kSG] = c.spec[1];
  s.a[raster::kSB] = c.spec[2];
  return s;
}

// The triangle cut at the near plane (untransformed vertices only): 0, 3 or 4 corners in poly.
int ClipToNear(const ClipVertex t[3], bool transformed, ClipVertex poly[4]) {
  if (transformed || (t[0].p[3] >= kNearW && t[1].p[3] >= kNearW && t[2].p[3] >= kNearW)) {
    poly[0] = t[0];
    poly[1] = t[1];
    poly[2] = t[2];
    return 3;
  }
  int np = 0;
  for (int k = 0; k < 3; ++k) {
    const ClipVertex& a = t[k];
    const ClipVertex& b = t[(k + 1) % 3];
    bool ina = a.p[3] >= kNearW, inb = b.p[3] >= kNearW;
    if (ina) poly[np++] = a;
    if (ina != inb) poly[np++] = LerpClip(a, b, (kNearW - a.p[3]) / (b.p[3] - a.p[3]));
  }
  return np;
}

}  // namespace

void Device::RebuildPlan() {
  PlanSource& src = planSource_;
  if (!plan_) plan_ = std::make_unique<DrawState>();
  DrawState& ds = *plan_;
  ds = DrawState{};
  src.drawable = PrepareDraw(ds);
  ds.perspective = false;
  ds.specular = false;
  if (src.drawable) Plan(ds, fastPaths_);
  CopyBytes(src.states, states_);
  CopyBytes(src.stage, stage_);
  CopyBytes(src.viewport, viewport_);
  src.target = target_.get();
  src.targetFormat = target_->Format();
  src.targetWidth = target_->Width();
  src.targetHeight = target_->Height();
  src.texture = texture_.get();
  src.fastPaths = fastPaths_;
  src.valid = true;
}

// In line in the one draw that asks, which is most often the same as the draw before.
[[gnu::always_inline]] inline const DrawState* Device::QuadPlan() {
  PlanSource& src = planSource_;
  // With the depth test on, a depth buffer attached, detached or lost changes the plan while
  // the states stay as they were: such draws work it out every time.
  bool same = src.valid && !states_.zEnable && src.target == target_.get() &&
              src.texture == texture_.get() && src.fastPaths == fastPaths_ &&
              src.targetFormat == target_->Format() && src.targetWidth == target_->Width() &&
              src.targetHeight == target_->Height() && SameBytes(src.viewport, viewport_) &&
              SameBytes(src.states, states_) && SameBytes(src.stage, stage_);
  if (!same) {
    RebuildPlan();
  } else if (src.drawable) {
    // Pixels move: a flip swaps a target's with its back buffer's, a texture in another
    // format is converted afresh after a change.
    DrawState& ds = *plan_;
    ds.bits = target_->Bits();
    ds.pitch = target_->Pitch();
    if (texture_) {
      ds.tex = texture_->ArgbPixels(ds.tpitch);
      ds.tw = texture_->Width();
      ds.th = texture_->Height();
    }
  }
  return src.drawable ? plan_.get() : nullptr;
}

namespace {

// Where a vertex format keeps what the lean quads read (-1: absent).
struct QuadLayout {
  bool transformed;
  uint32_t stride;
  int32_t diffuseAt, uvAt;
};

constexpr QuadLayout LayoutOf(uint32_t format, uint32_t stride) {
  const bool transformed = format & kVertexTransformed;
  const int32_t colourAt = (transformed ? 16 : 12) + (format & kVertexNormal ? 12 : 0) +
                           (format & kVertexReserved ? 4 : 0);
  const int32_t diffuseAt = format & kVertexDiffuse ? colourAt : -1;
  const int32_t uvAt = format & kVertexTex1 ? colourAt + (format & kVertexDiffuse ? 4 : 0) +
                                                  (format & kVertexSpecular ? 4 : 0)
                                            : -1;
  return {transformed, stride, diffuseAt, uvAt};
}

// The screen corners and the one colour of a lean quad's four vertices; false when they need
// the general path: colours that differ by corner, a corner at or behind the eye, or w that
// differs between the corners of a textured quad (its texels would not step affinely). In
// line wherever it is used, so that the layouts of the common formats are constants; the four
// corners go side by side through the same arithmetic as one vertex does in Transform and
// ScreenX.
[[gnu::always_inline]] inline bool FindCorners(const QuadLayout& layout, const Matrix4& m,
                                               const Viewport& vp, const raster::DrawState& ds,
                                               bool textured, const void* vertices,
                                               const uint16_t* indices, raster::QuadCorners& c,
                                               uint32_t& colour) {
  const uint8_t* base = static_cast<const uint8_t*>(vertices);
  const uint8_t* p[4];
  for (int i = 0; i < 4; ++i) p[i] = base + size_t(indices ? indices[i] : i) * layout.stride;
  uint32_t colours[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  if (layout.diffuseAt >= 0)
    for (int i = 0; i < 4; ++i) std::memcpy(&colours[i], p[i] + layout.diffuseAt, 4);
  colour = colours[0];
  if (colours[1] != colour || colours[2] != colour || colours[3] != colour) return false;
  auto at = [&](int i, int32_t offset) {
    float f;
    std::memcpy(&f, p[i] + offset, 4);
    return f;
  };
#if defined(__SSE2__)
  // The two floats at an offset of every vertex, as the first four and the second four.
  auto pairs = [&](int32_t offset, __m128& first, __m128& second) {
    auto load = [&](int i) { return reinterpret_cast<const __m64*>(p[i] + offset); };
    __m128 lo = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), load(0)), load(1));
    __m128 hi = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), load(2)), load(3));
    first = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
    second = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
  };
  __m128 x, y, w;
  pairs(0, x, y);
  if (layout.transformed) {
    w = _mm_setr_ps(at(0, 12), at(1, 12), at(2, 12), at(3, 12));
  } else {
    const __m128 z = _mm_setr_ps(at(0, 8), at(1, 8), at(2, 8), at(3, 8));
    auto column = [&](int j) {
      return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(m.m[0][j])),
                                              _mm_mul_ps(y, _mm_set1_ps(m.m[1][j]))),
                                   _mm_mul_ps(z, _mm_set1_ps(m.m[2][j]))),
                        _mm_set1_ps(m.m[3][j]));
    };
    const __m128 cx = column(0), cy = column(1);
    w = column(3);
    if (_mm_movemask_ps(_mm_cmpge_ps(w, _mm_set1_ps(kNearW))) != 0xF) return false;
    // 2-D projections leave w at 1, where the division changes nothing.
    const __m128 one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f);
    const __m128 unit = _mm_cmpeq_ps(w, one);
    __m128 q = one;
    if (_mm_movemask_ps(unit) != 0xF)
      q = _mm_or_ps(_mm_and_ps(unit, one), _mm_andnot_ps(unit, _mm_div_ps(one, w)));
    x = _mm_add_ps(_mm_set1_ps(float(vp.x)),
                   _mm_mul_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(cx, q), one), half),
                              _mm_set1_ps(float(vp.width))));
    y = _mm_add_ps(_mm_set1_ps(float(vp.y)),
                   _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(one, _mm_mul_ps(cy, q)), half),
                              _mm_set1_ps(float(vp.height))));
  }
  __m128 u = _mm_setzero_ps(), v = _mm_setzero_ps();
  if (layout.uvAt >= 0) pairs(layout.uvAt, u, v);
  _mm_storeu_ps(c.x, x);
  _mm_storeu_ps(c.y, y);
  _mm_storeu_ps(c.u, _mm_mul_ps(u, _mm_set1_ps(float(ds.tw))));
  _mm_storeu_ps(c.v, _mm_mul_ps(v, _mm_set1_ps(float(ds.th))));
  // Texels are stepped affinely only when w is the same at every corner.
  return !textured ||
         _mm_movemask_ps(_mm_cmpeq_ps(w, _mm_shuffle_ps(w, w, _MM_SHUFFLE(0, 0, 0, 0)))) == 0xF;
#else
  float w[4];
  for (int i = 0; i < 4; ++i) {
    float x = at(i, 0), y = at(i, 4);
    if (layout.transformed) {
      w[i] = at(i, 12);
    } else {
      const float f[3] = {x, y, at(i, 8)};
      x = Transform(f, m, 0);
      y = Transform(f, m, 1);
      w[i] = Transform(f, m, 3);
      if (!(w[i] >= kNearW)) return false;
      float q = w[i] == 1.0f ? 1.0f : 1.0f / w[i];
      x = ScreenX(vp, x, q);
      y = ScreenY(vp, y, q);
    }
    c.x[i] = x;
    c.y[i] = y;
    c.u[i] = layout.uvAt >= 0 ? at(i, layout.uvAt) * float(ds.tw) : 0.0f;
    c.v[i] = layout.uvAt >= 0 ? at(i, layout.uvAt + 4) * float(ds.th) : 0.0f;
  }
  return !textured || (w[1] == w[0] && w[2] == w[0] && w[3] == w[0]);
#endif
}

}  // namespace

bool Device::DrawAlignedQuad(uint32_t format, uint32_t stride, const void* vertices,
                             const uint16_t* indices) {
  bool transformed = format & kVertexTransformed;
  if (states_.specular || states_.shadeMode == ShadeMode::Flat ||
      (states_.lighting && (format & kVertexNormal)))
    return false;
  if (!transformed && transformStale_) {
    combined_ = Multiply(Multiply(world_, view_), projection_);
    transformStale_ = false;
  }
  const DrawState* plan = QuadPlan();
  if (!plan) return true;
  const DrawState& ds = *plan;
  if (ds.zTest) return false;
  raster::QuadCorners c;
  uint32_t colour;
  const bool textured = texture_ != nullptr;
  // The renderer's formats have their own copies, with the fields at known places.
  constexpr QuadLayout kLit = LayoutOf(kLitVertex, 32), kScreen = LayoutOf(kTransformedVertex, 32);
  const bool corners =
      format == kLitVertex
          ? FindCorners(kLit, combined_, viewport_, ds, textured, vertices, indices, c, colour)
      : format == kTransformedVertex
          ? FindCorners(kScreen, combined_, viewport_, ds, textured, vertices, indices, c, colour)
          : FindCorners(LayoutOf(format, stride), combined_, viewport_, ds, textured, vertices,
                        indices, c, colour);
  if (!corners) return false;
  if (!Culled(states_.cullMode, c.x[0], c.y[0], c.x[1], c.y[1], c.x[2], c.y[2]) &&
      !(ds.blit != raster::BlitPlan::Off && raster::DrawSprite(ds, c, colour)) &&
      !raster::DrawQuad(ds, c, colour))
    return false;
  target_->Touch();
  return true;
}

Result Device::SpanPlan(const DrawState*& plan, float& z) {
  plan = nullptr;
  if (!inScene_) return kSceneNotInScene;
  if (!target_ || target_->IsLost()) return kSurfaceLost;
  if (texture_ && texture_->IsLost()) return kSurfaceLost;
  if (transformStale_) {
    combined_ = Multiply(Multiply(world_, view_), projection_);
    transformStale_ = false;
  }
  plan = QuadPlan();
  // The depth a vertex at z 0 of a 2-D projection (w 1) takes, for the depth test alone.
  z = viewport_.minZ + combined_.m[3][2] * (viewport_.maxZ - viewport_.minZ);
  return kOk;
}

Result Device::DrawSpans(const FlatSpan* spans, uint32_t count, int32_t dx, int32_t dy) {
  const DrawState* plan;
  float z;
  Result r = SpanPlan(plan, z);
  if (r != kOk) return r;
  if (!spans && count > 0) return kInvalidArgument;
  if (!plan || count == 0) return kOk;
  raster::DrawFlatSpans(*plan, spans, count, dx, dy, z);
  target_->Touch();
  return kOk;
}

Result Device::DrawMasks(const AlphaMask* masks, uint32_t count, int32_t dx, int32_t dy) {
  const DrawState* plan;
  float z;
  Result r = SpanPlan(plan, z);
  if (r != kOk) return r;
  if (!masks && count > 0) return kInvalidArgument;
  for (uint32_t i = 0; i < count; ++i) {
    const AlphaMask& m = masks[i];
    if (m.width < 0 || m.height < 0 || m.pitch < m.width ||
        (!m.alphas && m.width > 0 && m.height > 0))
      return kInvalidArgument;
  }
  if (!plan) return kOk;
  for (uint32_t i = 0; i < count; ++i) raster::DrawMaskSpans(*plan, masks[i], dx, dy, z);
  target_->Touch();
  return kOk;
}

Result Device::Draw(PrimitiveType type, uint32_t format, const void* vertices, uint32_t count,
                    const uint16_t* indices, uint32_t indexCount) {
  if (!inScene_) return kSceneNotInScene;
  if (!target_ || target_->IsLost()) return kSurfaceLost;
  if (texture_ && texture_->IsLost()) return kSurfaceLost;
  uint32_t stride = 0;
  if (!VertexLayout(format, stride) || (!vertices && count > 0)) return kInvalidArgument;
  if (type != PrimitiveType::LineList && type != PrimitiveType::TriangleList &&
      type != PrimitiveType::TriangleFan)
    return kInvalidArgument;
  uint32_t n = indices ? indexCount : count;
  if (indices)
    for (uint32_t i = 0; i < indexCount; ++i)
      if (indices[i] >= count) return kInvalidArgument;
  if (count == 0 || n == 0) return kOk;

  // The general path weighs every vertex given, indexed or not, so the lean one takes four
  // vertices drawn once each.
  bool fourVertices = count == 4 && (!indices || (1u << indices[0] | 1u << indices[1] |
                                                  1u << indices[2] | 1u << indices[3]) == 0xFu);
  if (type == PrimitiveType::TriangleFan && n == 4 && fourVertices && leanQuads_ &&
      DrawAlignedQuad(format, stride, vertices, indices))
    return kOk;
  DrawVertices(type, format, stride, vertices, count, indices, n);
  return kOk;
}

void Device::DrawVertices(PrimitiveType type, uint32_t format, uint32_t stride,
                          const void* vertices, uint32_t count, const uint16_t* indices,
                          uint32_t n) {
  DrawState ds;
  if (!PrepareDraw(ds)) return;

  bool transformed = format & kVertexTransformed;
  if (transformStale_) {
    combined_ = Multiply(Multiply(world_, view_), projection_);
    transformStale_ = false;
  }
  // Most draws are a quad or a short list; those need no heap, and the longer ones reuse the
  // device's buffer.
  ClipVertex local[16];
  ClipVertex* cv = local;
  if (count > 16) {
    if (clipVertices_.size() < count) clipVertices_.resize(count);
    cv = clipVertices_.data();
  }
  const bool anySpecular =
      DecodeVertices(states_, material_, combined_, ds.zTest, format, stride, vertices, count, cv);

  // Affine texturing unless w differs between vertices.
  float w0 = cv[0].p[3];
  bool perspective = false;
  if (ds.tex)
    for (uint32_t i = 0; i < count; ++i)
      if (cv[i].p[3] != w0) perspective = true;
  ds.perspective = perspective;
  ds.specular = states_.specular && anySpecular;
  Plan(ds, fastPaths_);

  const Viewport vp = viewport_;
  auto toScreen = [&](const ClipVertex& c) {
    return ToScreen(c, vp, ds, transformed, perspective);
  };
  bool flat = states_.shadeMode == ShadeMode::Flat;
  auto index = [&](uint32_t i) { return indices ? indices[i] : i; };

  auto triangle = [&](uint32_t i0, uint32_t i1, uint32_t i2) {
    ClipVertex t[3] = {cv[i0], cv[i1], cv[i2]};
    if (flat)
      for (int k = 1; k < 3; ++k) {
        std::memcpy(t[k].colour, t[0].colour, sizeof t[0].colour);
        std::memcpy(t[k].spec, t[0].spec, sizeof t[0].spec);
      }
    ClipVertex poly[4];
    const int np = ClipToNear(t, transformed, poly);
    for (int k = 1; k + 1 < np; ++k) {
      Vertex a = toScreen(poly[0]), b = toScreen(poly[k]), c = toScreen(poly[k + 1]);
      if (Culled(states_.cullMode, a.x, a.y, b.x, b.y, c.x, c.y)) continue;
      raster::DrawTriangle(ds, a, b, c);
    }
  };
  auto line = [&](uint32_t i0, uint32_t i1) {
    ClipVertex a = cv[i0], b = cv[i1];
    if (flat) {
      std::memcpy(b.colour, a.colour, sizeof a.colour);
      std::memcpy(b.spec, a.spec, sizeof a.spec);
    }
    if (!transformed) {
      bool ina = a.p[3] >= kNearW, inb = b.p[3] >= kNearW;
      if (!ina && !inb) return;
      if (!ina) a = LerpClip(a, b, (kNearW - a.p[3]) / (b.p[3] - a.p[3]));
      if (!inb) b = LerpClip(a, b, (kNearW - a.p[3]) / (b.p[3] - a.p[3]));
    }
    raster::DrawLine(ds, toScreen(a), toScreen(b));
  };

  switch (type) {
    case PrimitiveType::LineList:
      for (uint32_t i = 0; i + 1 < n; i += 2) line(index(i), index(i + 1));
      break;
    case PrimitiveType::TriangleList:
      for (uint32_t i = 0; i + 2 < n; i += 3) triangle(index(i), index(i + 1), index(i + 2));
      break;
    case PrimitiveType::TriangleFan:
      if (n == 4 && !flat &&
          (transformed || (cv[index(0)].p[3] >= kNearW && cv[index(1)].p[3] >= kNearW &&
                           cv[index(2)].p[3] >= kNearW && cv[index(3)].p[3] >= kNearW))) {
        // Sprites and glyphs: a screen-aligned quad is one rectangle, not two triangles.
        Vertex a = toScreen(cv[index(0)]), b = toScreen(cv[index(1)]), c = toScreen(cv[index(2)]),
               d = toScreen(cv[index(3)]);
        bool culled = Culled(states_.cullMode, a.x, a.y, b.x, b.y, c.x, c.y);
        if (culled || raster::DrawRectangle(ds, a, b, c, d)) break;
      }
      for (uint32_t i = 1; i + 1 < n; ++i) triangle(index(0), index(i), index(i + 1));
      break;
  }
  target_->Touch();
}

}  // namespace platform::display
