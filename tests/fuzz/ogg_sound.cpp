// Ogg Vorbis sounds, loaded in memory and streamed from the file, then played as the mixer
// plays them: pulled through the spooler in reads of varied sizes, once and looping, with
// seeks inside, before and past the sound. Damaged pages, holes and absurd headers must end
// in a refused sound or a short one, never in a read past the data. The last input byte
// picks the order of reads and seeks.
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "assets/TFile.h"
#include "sound/TMemSpooler.h"
#include "sound/TSoundData.h"

namespace {

// At most this many bytes are pulled from one sound (some seconds of stereo at the highest
// rate), so a long sound costs no more than a short one.
constexpr uint32_t kPullLimit = 1u << 20;

void Play(const boost::shared_ptr<TSoundData>& sound, uint8_t order) {
  static std::vector<uint8_t> buffer(1u << 16);
  static const uint32_t kSizes[] = {1, 3, 4, 64, 1000, 4096, 65536};
  static const float kSeeks[] = {0.0f, 0.25f, 1.5f, -1.0f, 1e9f, NAN, 0.01f};
  TMemSpooler* spooler = new TMemSpooler(sound);
  (void)spooler->GetLength();
  uint32_t pulled = 0;
  for (int step = 0; step < 24 && pulled < kPullLimit; ++step) {
    const uint32_t size = kSizes[(order + step * 3) % 7];
    const bool loop = (order >> (step % 8)) & 1;
    uint32_t read = 0;
    const bool more = spooler->Read(size, buffer.data(), read, loop);
    if (read > size) __builtin_trap();
    pulled += size;
    if (!more || step % 5 == 4) spooler->Seek(kSeeks[(order + step) % 7]);
    if (step % 11 == 10) spooler->Rewind();
  }
  spooler->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz::PutMemoryFile("fuzz/sound.ogg", data, size);
  for (bool stream : {false, true}) {
    TFile* file = FileOpen("fuzz/sound.ogg", kFileReadBinary);
    if (!file) return 0;
    boost::shared_ptr<TSoundData> sound(new TSoundData());
    if (!sound->Open(std::unique_ptr<TFile>(file), stream)) continue;
    if (sound->IsDecoded()) {
      volatile uint32_t sum = 0;
      const uint8_t* pcm = sound->GetPcm();
      for (int32_t i = 0; pcm && i < sound->GetDecodedBytes(); i += 64) sum = sum + pcm[i];
      (void)sum;
    }
    Play(sound, data[size - 1]);
  }
  return 0;
}
