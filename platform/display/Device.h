// The drawing device: a software rasterizer that draws textured, vertex-coloured lines and
// triangles into a render-target surface, with one texture stage, alpha blending, alpha and
// depth tests, transforms and a viewport.
//
// Rasterization rules:
// - Pixel centres lie at integer coordinates. A triangle covers the pixels whose centres are
//   inside it; a centre exactly on an edge belongs to the triangle when the edge is a left or
//   a top edge (top-left rule), so triangles sharing an edge never both draw a pixel.
//   Vertices snap to 1/16 pixel.
// - Texture coordinates map u = 0..1 onto texels 0..width; point sampling takes texel
//   floor(u * width), linear sampling weighs the texels around u * width - 0.5. So a quad
//   whose edges lie half a pixel before the pixel centres, with one texel per pixel, copies
//   its texture exactly.
// - A line from a to b covers, for each integer c of its major axis (the axis along which it
//   is longer) with ceil(lo) <= c < ceil(hi), the pixel whose minor coordinate is
//   floor(minor(c) + 0.5); the end with the larger major coordinate is left out so that
//   joined segments draw their shared end once. Attributes interpolate along the major axis.
// - Every primitive, transformed vertices included, is cut to the viewport.
// - Blending and modulation round x / 255 to the nearest value; linear filtering weighs the
//   texels in steps of 1/256.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display/FlatSpan.h"
#include "platform/display/Surface.h"
#include "platform/display/Types.h"

namespace platform::display {

struct RenderStates {
  bool alphaBlend = false;
  BlendFactor srcBlend = BlendFactor::One;
  BlendFactor dstBlend = BlendFactor::Zero;
  bool alphaTest = false;
  CompareFunc alphaFunc = CompareFunc::Always;
  uint8_t alphaRef = 0;
  bool zEnable = false;
  bool zWrite = true;
  CompareFunc zFunc = CompareFunc::LessEqual;
  ShadeMode shadeMode = ShadeMode::Gouraud;
  CullMode cullMode = CullMode::CounterClockwise;
  uint32_t textureFactor = 0xFFFFFFFFu;
  bool lighting = true;   // vertices with normals take ambient and emissive light
  bool specular = false;  // adds the specular colour's rgb
  bool clipping = true;
  bool colourVertex = true;
  bool antialias = false;  // accepted; edges are not antialiased
  uint32_t ambient = 0;    // ARGB ambient light
  bool operator==(const RenderStates&) const = default;
};

struct TextureStage {
  TextureFilter magFilter = TextureFilter::Point;
  TextureFilter minFilter = TextureFilter::Point;
  TextureFilter mipFilter = TextureFilter::Point;  // accepted; textures have one level
  TextureAddress addressU = TextureAddress::Wrap;
  TextureAddress addressV = TextureAddress::Wrap;
  TextureOp colourOp = TextureOp::Modulate;
  uint32_t colourArg1 = kArgTexture;
  uint32_t colourArg2 = kArgCurrent;
  TextureOp alphaOp = TextureOp::SelectArg1;
  uint32_t alphaArg1 = kArgTexture;
  uint32_t alphaArg2 = kArgCurrent;
  bool operator==(const TextureStage&) const = default;
};

struct DrawState;
struct ClipVertex;

class Device {
public:
  // renderDepths: bit 0 allows 16-bit targets, bit 1 32-bit ones (the adapter's caps).
  explicit Device(std::shared_ptr<Surface> target, uint32_t renderDepths = 0x3);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  Result BeginScene();
  Result EndScene();
  bool InScene() const { return inScene_; }

  // Clears the viewport area of the target and/or its attached z-buffer.
  Result Clear(uint32_t flags, uint32_t argb, float z);

  // A new target also resets the viewport to cover it; a depth the adapter cannot render to
  // is refused with kCurrentlyNotAvailable.
  Result SetRenderTarget(const std::shared_ptr<Surface>& target);
  std::shared_ptr<Surface> GetRenderTarget() const { return target_; }

  // Null unbinds; reading the texture argument then gives opaque white.
  Result SetTexture(const std::shared_ptr<Surface>& texture);
  std::shared_ptr<Surface> GetTexture() const { return texture_; }

  RenderStates& States() { return states_; }
  TextureStage& Stage() { return stage_; }

  void SetTransform(TransformKind kind, const Matrix4& m);
  const Matrix4& GetTransform(TransformKind kind) const;
  // Refused (kInvalidArgument) when empty or not inside the render target.
  Result SetViewport(const Viewport& viewport);
  Viewport GetViewport() const { return viewport_; }
  void SetMaterial(const Material& material) { material_ = material; }
  const Material& GetMaterial() const { return material_; }

  Result DrawPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                       uint32_t vertexCount);
  Result DrawIndexedPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                              uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount);
  // Spans moved by (dx, dy) target pixels, each drawn as the level line of one colour from
  // x0 to x1 on row y is (untransformed, z 0, no texture coordinates) with the same states:
  // cut to the viewport, blended alike, without the vertex pipeline.
  Result DrawSpans(const FlatSpan* spans, uint32_t count, int32_t dx, int32_t dy);
  // Masks moved by (dx, dy), each pixel above 0 drawn as its span of one pixel is: what text
  // keeps of the spans it drew, drawn again.
  Result DrawMasks(const AlphaMask* masks, uint32_t count, int32_t dx, int32_t dy);

  // Off: every pixel goes through the reference pipeline (tests compare the two).
  void SetFastPaths(bool on) { fastPaths_ = on; }
  // Off: axis-aligned quads go through the general vertex path too (tests compare the two).
  void SetLeanQuads(bool on) { leanQuads_ = on; }

private:
  Result Draw(PrimitiveType type, uint32_t vertexFormat, const void* vertices, uint32_t vertexCount,
              const uint16_t* indices, uint32_t indexCount);
  // Everything after the checks; its frame is large, so the lean quads stay out of it.
  [[gnu::noinline]] void DrawVertices(PrimitiveType type, uint32_t vertexFormat, uint32_t stride,
                                      const void* vertices, uint32_t vertexCount,
                                      const uint16_t* indices, uint32_t indexCount);
  bool PrepareDraw(DrawState& ds);
  // The checks and the plan of the span entries; a null plan when nothing is drawable.
  Result SpanPlan(const DrawState*& plan, float& z);
  // The state and plan of a lean quad, or null when the viewport leaves nothing to draw on.
  const DrawState* QuadPlan();
  // Works the lean quads' plan out afresh from the device's state.
  [[gnu::noinline]] void RebuildPlan();
  // Draws a four-corner fan of one colour that is an axis-aligned rectangle on screen without
  // the general vertex path; false (drawing nothing) when the quad needs that path.
  bool DrawAlignedQuad(uint32_t format, uint32_t stride, const void* vertices,
                       const uint16_t* indices);

  std::shared_ptr<Surface> target_;
  std::shared_ptr<Surface> texture_;
  RenderStates states_;
  TextureStage stage_;
  Matrix4 world_, view_, projection_;
  Matrix4 combined_;
  bool transformStale_ = true;
  Viewport viewport_;
  Material material_;
  bool inScene_ = false;
  bool fastPaths_ = true;
  bool leanQuads_ = true;
  uint32_t renderDepths_;

  // What the lean quads' plan was worked out from. The states are public and changed in
  // place, so the plan is kept only while a copy of them is the same byte for byte; it is
  // worked out again after any change, never stepped by callers.
  struct PlanSource {
    RenderStates states;
    TextureStage stage;
    Viewport viewport;
    const Surface* target = nullptr;
    PixelFormat targetFormat = PixelFormat::X8R8G8B8;
    int32_t targetWidth = 0, targetHeight = 0;
    const Surface* texture = nullptr;
    bool fastPaths = false;
    bool valid = false;
    bool drawable = false;  // the viewport and target leave pixels to draw
  };
  PlanSource planSource_;
  std::unique_ptr<DrawState> plan_;
  // The decoded vertices of a draw too long for the stack; kept from one draw to the next.
  std::vector<ClipVertex> clipVertices_;
};

}  // namespace platform::display
