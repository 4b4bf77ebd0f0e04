// Value types shared by the display service: result codes, pixel formats, rectangles, surface
// descriptions, capabilities and the state enums of the drawing device.
#pragma once

#include <cstdint>

namespace platform::display {

// Results are 32-bit codes; negative means failure. The values are the ones the display code
// of the engine has always tested, so they stay fixed.
using Result = int32_t;

inline constexpr Result kOk = 0;
inline constexpr Result kFail = int32_t(0x80004005u);
inline constexpr Result kNullPointer = int32_t(0x80004003u);
inline constexpr Result kInvalidArgument = int32_t(0x80070057u);
inline constexpr Result kCurrentlyNotAvailable = int32_t(0x88760028u);
inline constexpr Result kExclusiveModeAlreadySet = int32_t(0x887600E1u);
inline constexpr Result kInvalidRect = int32_t(0x88760096u);
inline constexpr Result kOutOfVideoMemory = int32_t(0x8876017Cu);
inline constexpr Result kSurfaceBusy = int32_t(0x887601AEu);
inline constexpr Result kSurfaceLost = int32_t(0x887601C2u);
inline constexpr Result kWasStillDrawing = int32_t(0x8876021Cu);
inline constexpr Result kNotLocked = int32_t(0x88760250u);
inline constexpr Result kNoPaletteAttached = int32_t(0x8876023Cu);
inline constexpr Result kNoExclusiveMode = int32_t(0x88760245u);
inline constexpr Result kWrongMode = int32_t(0x8876024Bu);
inline constexpr Result kNoDisplayHardware = int32_t(0x8876024Eu);
inline constexpr Result kSurfaceNotInVideoMemory = int32_t(0x887602EBu);
inline constexpr Result kSceneInScene = int32_t(0x887602FAu);
inline constexpr Result kSceneNotInScene = int32_t(0x887602FBu);

inline constexpr bool Failed(Result r) { return r < 0; }
inline constexpr bool Succeeded(Result r) { return r >= 0; }

enum class PixelFormat : uint8_t {
  Unknown,
  A8R8G8B8,
  X8R8G8B8,
  R8G8B8,
  R5G6B5,
  X1R5G5B5,
  A1R5G5B5,
  A4R4G4B4,
  D16,
  D32,
};

// Integer rectangle, right and bottom exclusive.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

// What a surface is for. A creation request combines these.
enum SurfaceCaps : uint32_t {
  kCapsPrimary = 0x0001,         // the visible surface (front buffer)
  kCapsFlip = 0x0002,            // part of a flip chain (needs exclusive full screen)
  kCapsBackBuffer = 0x0004,      // the back buffer of a flip chain
  kCapsOffscreenPlain = 0x0008,  // plain surface for blits and render targets
  kCapsTexture = 0x0010,         // may be bound to the device
  kCapsZBuffer = 0x0020,         // depth buffer, attached to a render target
  kCapsRenderTarget = 0x0040,    // the device may draw into it
  kCapsVideoMemory = 0x0080,     // counts against the adapter's video memory
  kCapsSystemMemory = 0x0100,
  kCapsUncleared = 0x0200,  // pixels start undefined: the creator writes every one first
};

struct SurfaceDesc {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;  // bytes from one row to the next; filled in by creation
  PixelFormat format = PixelFormat::Unknown;  // Unknown: the display mode's format
  uint32_t caps = kCapsOffscreenPlain;
  int32_t backBufferCount = 0;  // primary surfaces only: 1 makes a flip chain
};

// Bits and masks of a pixel format.
struct FormatInfo {
  int32_t bitsPerPixel = 0;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
  bool depth = false;  // a z-buffer format
};

struct LockedRect {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;  // bytes
};

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 32;
  int32_t refreshRate = 60;  // Hz; 0 when unknown
};

// The desktop as the window system reports it. colours is -1 above 8 bits per pixel, else the
// palette size.
struct Desktop {
  int32_t width = 1280;
  int32_t height = 1024;
  int32_t bitsPerPixel = 32;
  int32_t colours = -1;
};

enum class CooperativeLevel : uint8_t { Normal, ExclusiveFullScreen };

// What the adapter can do. The defaults describe a capable card; the headless display lets
// tests take things away.
struct AdapterCaps {
  uint64_t videoMemoryTotal = 256ull << 20;
  uint64_t textureMemoryTotal = 256ull << 20;  // budget for texture surfaces
  int32_t maxTextureWidth = 2048;
  int32_t maxTextureHeight = 2048;
  int32_t maxTextureAspectRatio = 2048;
  bool squareTexturesOnly = false;
  bool powerOfTwoTexturesOnly = false;  // the software rasterizer samples any size
  bool hardwareRasterization = true;
  bool hardwareTransformAndLighting = false;
  bool gouraudShading = true;
  bool specularGouraud = true;
  bool separateTextureMemories = false;
  bool sourceColourKeyBlits = true;
  uint32_t renderDepths = 0x1 | 0x2;  // bit 0: 16-bit targets, bit 1: 32-bit targets
  uint32_t textureFormats = 0xFF;     // bit n: PixelFormat(n) may be a texture
};

struct AdapterIdentifier {
  char driver[64] = "software";
  char description[128] = "Software rasterizer";
  uint32_t driverVersionHigh = 1, driverVersionLow = 0;
  uint32_t vendorId = 0, deviceId = 0, subSysId = 0, revision = 0;
  uint32_t guid[4] = {0x5EF7A11E, 0x0000D15A, 0x1, 0x1};
};

// Device state enums.
enum class BlendFactor : uint8_t { Zero, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha };
enum class CompareFunc : uint8_t {
  Never,
  Less,
  Equal,
  LessEqual,
  Greater,
  NotEqual,
  GreaterEqual,
  Always
};
enum class ShadeMode : uint8_t { Flat, Gouraud };
enum class CullMode : uint8_t { None, Clockwise, CounterClockwise };
enum class TextureFilter : uint8_t { Point, Linear };
enum class TextureAddress : uint8_t { Wrap, Mirror, Clamp };
enum class TextureOp : uint8_t { SelectArg1, Modulate };

// A texture-stage argument: a source plus an optional modifier bit.
enum TextureArg : uint32_t {
  kArgDiffuse = 0,
  kArgCurrent = 1,  // the previous stage's result; at stage 0 the diffuse colour
  kArgTexture = 2,
  kArgFactor = 3,
  kArgSourceMask = 0x0F,
  kArgAlphaReplicate = 0x20,  // the argument's alpha copied into its colour channels
};

// Primitive kinds; the numbers are the ones callers pass as plain integers.
enum class PrimitiveType : uint8_t { LineList = 2, TriangleList = 4, TriangleFan = 6 };

// Vertex layout bits. A vertex is the listed fields in this order, 4 bytes each:
// position (3 floats) or transformed position (x, y, z, rhw), normal (3 floats), one reserved
// word, diffuse ARGB, specular ARGB, then u, v.
enum VertexFormat : uint32_t {
  kVertexPosition = 0x002,
  kVertexTransformed = 0x004,
  kVertexNormal = 0x010,
  kVertexReserved = 0x020,
  kVertexDiffuse = 0x040,
  kVertexSpecular = 0x080,
  kVertexTex1 = 0x100,
};
inline constexpr uint32_t kLitVertex = 0x1E2;          // position, reserved, colours, uv
inline constexpr uint32_t kTransformedVertex = 0x1C4;  // x, y, z, rhw, colours, uv
inline constexpr uint32_t kMeshVertex = 0x112;         // position, normal, uv

enum class TransformKind : uint8_t { World, View, Projection };

// Row-vector 4x4 matrix: a point p maps to p * m.
struct Matrix4 {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

struct Viewport {
  int32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0.0f, maxZ = 1.0f;
  bool operator==(const Viewport&) const = default;
};

struct ColourValue {
  float r = 0, g = 0, b = 0, a = 0;
};

struct Material {
  ColourValue diffuse, ambient, specular, emissive;
  float power = 0;
};

enum ClearFlags : uint32_t { kClearTarget = 1, kClearZBuffer = 2 };

}  // namespace platform::display
