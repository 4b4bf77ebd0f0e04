// Ogg Vorbis sounds, decoded whole and streamed through the spooler: damaged pages, holes and
// absurd headers must end in a refused sound or a short one, never in a read past the data.
#include <cstdint>
#include <memory>

#include "FuzzSupport.h"
#include "assets/TFile.h"
#include "sound/TSoundData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutMemoryFile("fuzz/sound.ogg", data, size);
  for (bool stream : {false, true}) {
    TFile* file = FileOpen("fuzz/sound.ogg", kFileReadBinary);
    if (!file) return 0;
    TSoundData sound;
    if (sound.Open(std::unique_ptr<TFile>(file), stream) && sound.IsDecoded()) {
      volatile uint32_t sum = 0;
      const uint8_t* pcm = sound.GetPcm();
      for (int32_t i = 0; pcm && i < sound.GetDecodedBytes(); i += 64) sum = sum + pcm[i];
      (void)sum;
    }
  }
  return 0;
}
