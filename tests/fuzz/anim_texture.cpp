// Animated-texture descriptions, binary ".anm" and XML: every frame, anchor and name read
// from them stays inside the bytes; the first input byte chooses the form.
#include <cstdint>

#include "FuzzSupport.h"
#include "render/TAnimatedTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool binary = data[0] & 1;
  const char* name = binary ? "fuzz/description.anm" : "fuzz/description.xml";
  fuzz::PutMemoryFile(name, data + 1, size - 1);
  boost::shared_ptr<TAnimatedTexture> texture = TAnimatedTexture::Get(name);
  if (texture) {
    const int32_t frames = texture->GetFrameCount();
    for (int32_t i = -1; i <= frames && i < 64; ++i) texture->SelectFrame(i);
  }
  return 0;
}
