// JPEG images decoded through the file layer.
#include "FuzzSupport.h"
#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutMemoryFile("fuzz.jpg", data, size);
  std::unique_ptr<uint8_t[]> buffer;
  int width = 0, height = 0, side = 0;
  if (LoadJPEG("fuzz.jpg", buffer, width, height, side))
    fuzz::CheckImage(buffer, width, height, side);
  return 0;
}
