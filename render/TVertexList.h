// Vertices handed to the renderer's DrawVertices: a kind (which layout), a pointer to the
// caller's vertices and a count, plus the builder of a textured, tinted quad.
#pragma once

#include <cstdint>

#include "core/TColor.h"
#include "core/TMat3.h"
#include "core/TVec.h"

// Kinds 1 and 2: untransformed, unlit, coloured vertices with one texture coordinate pair
// (32 bytes).
struct TLitVertex {
  float x = 0, y = 0, z = 0;
  uint32_t reserved = 0;  // holds the float 0.5 in its bits for quads
  uint32_t diffuse = 0;   // ARGB
  uint32_t specular = 0;  // ARGB
  float u = 0, v = 0;
};

// Kind 3: screen-space vertices that skip the transforms (32 bytes).
struct TTransformedVertex {
  float x = 0, y = 0, z = 0, rhw = 1;
  uint32_t diffuse = 0;
  uint32_t specular = 0;
  float u = 0, v = 0;
};

static_assert(sizeof(TLitVertex) == 32 && sizeof(TTransformedVertex) == 32);

// The list is its own small record, held by value: it never owns the vertices, and copying
// it copies the three words.
struct TVertexList {
  enum Kind : int32_t { kMesh = 0, kLit = 1, kLit2d = 2, kTransformed = 3 };
  int32_t kind = kLit2d;
  const void* vertices = nullptr;
  int32_t count = 0;

  void InitLit(const TLitVertex* v, int32_t n) {
    kind = kLit2d;
    vertices = v;
    count = n;
  }
  void InitTransformed(const TTransformedVertex* v, int32_t n) {
    kind = kTransformed;
    vertices = v;
    count = n;
  }
  void SetCount(int32_t n) { count = n; }
};

// Fills the four lit vertices of a quad: corners (changed in place to their transformed
// positions) moved by offset, texture corners (left, top) and (right, bottom) given to corners
// 0..3 as (l, t), (r, t), (r, b), (l, b), the alpha as the diffuse alpha and the tint's red,
// green and blue as its colour.
void FillQuadVertices(const TVec2& offset, TLitVertex out[4], TVec2 corners[4],
                      const TVec2 texCorners[2], const TMat3& transform, float alpha,
                      const TColor& tint);
