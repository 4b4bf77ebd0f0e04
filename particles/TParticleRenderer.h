// How a particle system draws its live particles and learns which members every particle
// carries; T2dParticleRenderer draws each particle as a screen-space textured quad.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <list>

#include "core/TVec.h"
#include "core/str.h"

class TTexture;
struct TLitVertex;

class TParticleRenderer {
public:
  virtual ~TParticleRenderer() = default;
  virtual void Draw(const TVec3& origin, float alpha, const std::list<float*>& live,
                    int capacity) = 0;
  virtual void SetTexture(boost::shared_ptr<TTexture> texture) = 0;
  virtual void SetOption(const str& name, const TVec4& value) = 0;
  // The start values of a new particle's first floats.
  virtual const float* GetDefaults() = 0;
  virtual int GetDefaultCount() = 0;
  // Lua text that allocates the members the renderer reads.
  virtual str GetInitString() = 0;
};

class T2dParticleRenderer : public TParticleRenderer {
public:
  // One draw holds at most this many particles: 16-bit indices reach 65536 vertices.
  static constexpr int kMaxParticles = 16384;

  T2dParticleRenderer();
  ~T2dParticleRenderer() override;

  void Draw(const TVec3& origin, float alpha, const std::list<float*>& live, int capacity) override;
  void SetTexture(boost::shared_ptr<TTexture> texture) override;
  void SetOption(const str& name, const TVec4& value) override;
  const float* GetDefaults() override { return mDefaults; }
  int GetDefaultCount() override { return 10; }
  str GetInitString() override;

  int GetBlendMode() const { return mBlendMode; }
  TVec2 GetTextureSize() const { return mTextureSize; }
  bool IsBrokenIndexedVerts() const { return mBrokenIndexedVerts; }

  // The buffers every instance shares.
  static const TLitVertex* SharedVertices();
  static int SharedVertexCapacity();
  static const uint16_t* SharedIndices();

protected:
  // Hands the built vertices to the renderer (indices null for the unindexed form).
  virtual void Submit(const TLitVertex* vertices, int vertexCount, const uint16_t* indices,
                      int indexCount);

private:
  void EnsureBuffers(int capacity);

  int mBlendMode = 0;
  TVec2 mTextureSize{1.0f, 1.0f};
  float mDefaults[10] = {0, 0, 0, -1, 1, 1, 1, 1, 1, 0};
  boost::shared_ptr<TTexture> mTexture;
  bool mBrokenIndexedVerts = false;
};
