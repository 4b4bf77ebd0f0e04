// Device state, vertex decoding, transformation, clipping and the plan that picks the span
// loops for a draw.
#include "platform/display/Device.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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
  stride = pos ? 12 : 16;
  if (format & kVertexNormal) stride += 12;
  if (format & kVertexReserved) stride += 4;
  if (format & kVertexDiffuse) stride += 4;
  if (format & kVertexSpecular) stride += 4;
  if (format & kVertexTex1) stride += 8;
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
    for (int32_t y = area.top; y < area.bottom; ++y) {
      uint8_t* row = zb->Bits() + size_t(y) * zb->Pitch();
      for (int32_t x = area.left; x < area.right; ++x) {
        if (d16) {
          uint16_t v16 = uint16_t(value);
          std::memcpy(row + 2 * x, &v16, 2);
        } else {
          std::memcpy(row + 4 * x, &value, 4);
        }
      }
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

const DrawState* Device::QuadPlan() {
  PlanSource& src = planSource_;
  // With the depth test on, a depth buffer attached, detached or lost changes the plan while
  // the states stay as they were: such draws work it out every time.
  bool same = src.valid && !states_.zEnable && src.target == target_.get() &&
              src.texture == texture_.get() && src.fastPaths == fastPaths_ &&
              src.targetFormat == target_->Format() && src.targetWidth == target_->Width() &&
              src.targetHeight == target_->Height() && src.viewport == viewport_ &&
              src.states == states_ && src.stage == stage_;
  if (!plan_) plan_ = std::make_unique<DrawState>();
  DrawState& ds = *plan_;
  if (!same) {
    ds = DrawState{};
    src.drawable = PrepareDraw(ds);
    ds.perspective = false;
    ds.specular = false;
    if (src.drawable) Plan(ds, fastPaths_);
    src.states = states_;
    src.stage = stage_;
    src.viewport = viewport_;
    src.target = target_.get();
    src.targetFormat = target_->Format();
    src.targetWidth = target_->Width();
    src.targetHeight = target_->Height();
    src.texture = texture_.get();
    src.fastPaths = fastPaths_;
    src.valid = true;
  } else if (src.drawable) {
    // Pixels move: a flip swaps a target's with its back buffer's, a texture in another
    // format is converted afresh after a change.
    ds.bits = target_->Bits();
    ds.pitch = target_->Pitch();
    if (texture_) {
      ds.tex = texture_->ArgbPixels(ds.tpitch);
      ds.tw = texture_->Width();
      ds.th = texture_->Height();
    }
  }
  return src.drawable ? &ds : nullptr;
}

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
  const Matrix4& m = combined_;
  // Where the diffuse colour and the texel coordinates lie in a vertex (-1: absent).
  const int32_t position = transformed ? 16 : 12;
  const int32_t colourAt =
      position + (format & kVertexNormal ? 12 : 0) + (format & kVertexReserved ? 4 : 0);
  const int32_t diffuseAt = format & kVertexDiffuse ? colourAt : -1;
  const int32_t uvAt = format & kVertexTex1 ? colourAt + (format & kVertexDiffuse ? 4 : 0) +
                                                  (format & kVertexSpecular ? 4 : 0)
                                            : -1;
#if defined(__SSE2__)
  // The matrix's rows, so that a vertex's columns come out four at a time in the order
  // Transform adds them.
  const __m128 row0 = _mm_loadu_ps(m.m[0]), row1 = _mm_loadu_ps(m.m[1]),
               row2 = _mm_loadu_ps(m.m[2]), row3 = _mm_loadu_ps(m.m[3]);
#endif
  float px[4], py[4], pw[4], uv[4][2] = {};
  uint32_t colours[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  const uint8_t* base = static_cast<const uint8_t*>(vertices);
  for (int i = 0; i < 4; ++i) {
    const uint8_t* p = base + size_t(indices ? indices[i] : i) * stride;
    float f[4] = {0, 0, 0, 1};
    std::memcpy(f, p, size_t(position));
    if (transformed) {
      px[i] = f[0];
      py[i] = f[1];
      pw[i] = f[3];
    } else {
#if defined(__SSE2__)
      __m128 c = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(f[0]), row0),
                                                  _mm_mul_ps(_mm_set1_ps(f[1]), row1)),
                                       _mm_mul_ps(_mm_set1_ps(f[2]), row2)),
                            row3);
      float column[4];
      _mm_storeu_ps(column, c);
      px[i] = column[0];
      py[i] = column[1];
      pw[i] = column[3];
#else
      px[i] = Transform(f, m, 0);
      py[i] = Transform(f, m, 1);
      pw[i] = Transform(f, m, 3);
#endif
    }
    if (diffuseAt >= 0) std::memcpy(&colours[i], p + diffuseAt, 4);
    if (uvAt >= 0) std::memcpy(uv[i], p + uvAt, 8);
  }
  const uint32_t colour = colours[0];
  if (colours[1] != colour || colours[2] != colour || colours[3] != colour) return false;
  if (!transformed && !(pw[0] >= kNearW && pw[1] >= kNearW && pw[2] >= kNearW && pw[3] >= kNearW))
    return false;
  // Texels are stepped affinely only when w is the same at every corner.
  if (texture_ && (pw[1] != pw[0] || pw[2] != pw[0] || pw[3] != pw[0])) return false;

  const DrawState* plan = QuadPlan();
  if (!plan) return true;
  const DrawState& ds = *plan;
  if (ds.zTest) return false;
  raster::QuadCorner c[4];
  for (int i = 0; i < 4; ++i) {
    // 2-D projections leave w at 1, where the division changes nothing.
    float q = transformed || pw[i] == 1.0f ? 1.0f : 1.0f / pw[i];
    c[i].x = transformed ? px[i] : ScreenX(viewport_, px[i], q);
    c[i].y = transformed ? py[i] : ScreenY(viewport_, py[i], q);
    c[i].u = uv[i][0] * float(ds.tw) * 1.0f;
    c[i].v = uv[i][1] * float(ds.th) * 1.0f;
  }
  if (!Culled(states_.cullMode, c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y) &&
      !raster::DrawQuad(ds, c, colour))
    return false;
  target_->Touch();
  return true;
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
