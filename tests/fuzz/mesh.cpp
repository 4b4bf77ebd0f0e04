// Mesh files (".mesh") loaded through the file layer. A mesh that loads must keep every index
// below its vertex count, three to a triangle.
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "render/TModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutMemoryFile("fuzz.mesh", data, size);
  TModel model;
  if (!model.Init("fuzz.mesh")) return 0;
  if (model.GetIndexCount() % 3 != 0) abort();
  for (uint32_t i = 0; i < model.GetIndexCount(); ++i)
    if (model.GetIndices()[i] >= model.GetVertexCount()) abort();
  float sum = 0;
  for (uint32_t i = 0; i < model.GetVertexCount(); ++i) sum += model.GetVertices()[i].uv.x;
  (void)sum;
  return 0;
}
