// The cross-sell description "xsell/xsell.xml".
#include <cstdint>

#include "online/TXSellDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TXSellDescription description;
  description.ReadBuffer(reinterpret_cast<const char*>(data), size);
  if (description.games.size() > TXSellDescription::kMaxGames) __builtin_trap();
  return 0;
}
