// PNG images decoded through the file layer.
#include "FuzzSupport.h"
#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutMemoryFile("fuzz.png", data, size);
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  bool hasAlpha = false;
  if (LoadPNG("fuzz.png", buffer, width, height, side, hasAlpha))
    fuzz::CheckImage(buffer, width, height, side);
  return 0;
}
