// A headless display with a small render target and a device set up the way the engine draws
// in 2-D: the fixed states it sets at start-up, then its 2-D states.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display/Device.h"
#include "platform/display/Image.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/headless/Display.h"

namespace devicetest {

namespace pd = platform::display;

struct LitVertex {
  float x, y, z;
  uint32_t reserved;
  uint32_t diffuse, specular;
  float u, v;
};

struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float u, v;
};

// The engine's 2-D projection: pixel (x, y) of the viewport for a vertex at (x, y) + offset.
inline pd::Matrix4 Ortho2D(int w, int h, float pixelOffset = -0.5f) {
  float l = -pixelOffset, r = float(w) - pixelOffset, t = -pixelOffset, b = float(h) - pixelOffset;
  pd::Matrix4 m;
  m.m[0][0] = 2.0f / (r - l);
  m.m[1][1] = 2.0f / (t - b);
  m.m[2][2] = 1.0f;
  m.m[3][0] = (l + r) / (l - r);
  m.m[3][1] = (t + b) / (b - t);
  m.m[3][2] = 0.0f;
  return m;
}

class DeviceFixture : public ::testing::Test {
protected:
  void MakeTarget(int w = 64, int h = 64, pd::PixelFormat format = pd::PixelFormat::A8R8G8B8) {
    pd::SurfaceDesc desc;
    desc.width = w;
    desc.height = h;
    desc.format = format;
    desc.caps = pd::kCapsOffscreenPlain | pd::kCapsRenderTarget;
    ASSERT_EQ(mDisplay.CreateSurface(desc, mTarget), pd::kOk);
    ASSERT_EQ(mDisplay.CreateDevice(mTarget, mDevice), pd::kOk);
    ASSERT_EQ(mTarget->Fill(nullptr, 0xFF000000u), pd::kOk);
    pd::RenderStates& s = mDevice->States();
    s.srcBlend = pd::BlendFactor::SrcAlpha;
    s.dstBlend = pd::BlendFactor::InvSrcAlpha;
    s.alphaBlend = true;
    s.alphaTest = true;
    s.alphaRef = 1;
    s.alphaFunc = pd::CompareFunc::GreaterEqual;
    s.lighting = false;
    s.cullMode = pd::CullMode::None;
    s.zEnable = false;
    pd::TextureStage& t = mDevice->Stage();
    t.magFilter = t.minFilter = pd::TextureFilter::Linear;
    t.colourArg1 = pd::kArgTexture;
    t.colourArg2 = pd::kArgCurrent;
    t.colourOp = pd::TextureOp::Modulate;
    t.alphaArg1 = pd::kArgTexture;
    t.alphaArg2 = pd::kArgCurrent;
    t.alphaOp = pd::TextureOp::Modulate;
    t.addressU = t.addressV = pd::TextureAddress::Clamp;
    mDevice->SetTransform(pd::TransformKind::Projection, Ortho2D(w, h));
    ASSERT_EQ(mDevice->BeginScene(), pd::kOk);
  }

  std::shared_ptr<pd::Surface> MakeTexture(int w, int h, const std::vector<uint32_t>& argb,
                                           pd::PixelFormat format = pd::PixelFormat::A8R8G8B8) {
    pd::SurfaceDesc desc;
    desc.width = w;
    desc.height = h;
    desc.format = format;
    desc.caps = pd::kCapsTexture;
    std::shared_ptr<pd::Surface> tex;
    EXPECT_EQ(mDisplay.CreateSurface(desc, tex), pd::kOk);
    pd::LockedRect lr;
    EXPECT_EQ(tex->Lock(nullptr, lr), pd::kOk);
    std::vector<uint8_t> row(size_t(w) * 4);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        pd::FromArgb(format, argb[size_t(y * w + x)],
                     lr.bits + y * lr.pitch + x * pd::BytesPerPixel(format));
    }
    EXPECT_EQ(tex->Unlock(), pd::kOk);
    return tex;
  }

  // A quad in engine coordinates, as a fan of lit vertices.
  pd::Result Quad(float x0, float y0, float x1, float y1, uint32_t colour = 0xFFFFFFFFu,
                  float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    LitVertex v[4] = {{x0, y0, 0.1f, 0, colour, 0xFF000000u, u0, v0},
                      {x1, y0, 0.1f, 0, colour, 0xFF000000u, u1, v0},
                      {x1, y1, 0.1f, 0, colour, 0xFF000000u, u1, v1},
                      {x0, y1, 0.1f, 0, colour, 0xFF000000u, u0, v1}};
    return mDevice->DrawPrimitive(pd::PrimitiveType::TriangleFan, pd::kLitVertex, v, 4);
  }

  pd::Image Frame() const { return pd::Image::FromSurface(*mTarget); }

  pd::headless::Display mDisplay;
  std::shared_ptr<pd::Surface> mTarget;
  std::unique_ptr<pd::Device> mDevice;
};

}  // namespace devicetest
