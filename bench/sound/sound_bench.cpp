// Sound figures: the software mixer with 16 and 32 looping streams that all need resampling
// (as a share of one core for real-time output), decoding a one-minute Ogg Vorbis file, and
// one refill of a stream's half buffer from an open decoder. Run a Release build
// (-DENGINE_BENCH=ON). Times are the thread's CPU time.
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/Mixer.h"
#include "sound/TMemSpooler.h"
#include "sound/TSound.h"
#include "sound/TSoundData.h"
#include "tests/support/OggEncode.h"

namespace pa = platform::audio;

namespace {

double CpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

pa::BufferDesc Desc(uint32_t rate, uint16_t channels, float seconds) {
  pa::BufferDesc d;
  d.flags = pa::kBufferCtrlVolume | pa::kBufferCtrlPan | pa::kBufferCtrlFrequency;
  d.format.channels = channels;
  d.format.samplesPerSec = rate;
  d.format.bitsPerSample = 16;
  d.format.blockAlign = uint16_t(2 * channels);
  d.format.avgBytesPerSec = rate * d.format.blockAlign;
  d.bytes = uint32_t(float(d.format.avgBytesPerSec) * seconds) & ~7u;
  return d;
}

// Mixes ten seconds of output from `streams` looping buffers at rates other than the
// output's; answers the share of one core that real-time output would take, in percent.
double MixShare(int streams) {
  pa::Mixer mixer(44100);
  const uint32_t rates[] = {22050, 32000, 48000, 11025};
  std::vector<std::shared_ptr<pa::IBuffer>> buffers;
  for (int i = 0; i < streams; ++i) {
    uint16_t channels = uint16_t(1 + i % 2);
    pa::BufferDesc d = Desc(rates[i % 4], channels, 2.0f);
    std::shared_ptr<pa::IBuffer> b;
    mixer.CreateBuffer(d, b);
    void* p1 = nullptr;
    uint32_t n1 = 0;
    b->Lock(0, d.bytes, &p1, &n1, nullptr, nullptr);
    auto* s = static_cast<int16_t*>(p1);
    for (uint32_t k = 0; k < n1 / 2; ++k)
      s[k] = int16_t(3000 * std::sin(double(k) * 0.01 * (i + 1)));
    b->Unlock(p1, n1, nullptr, 0);
    b->SetVolume(-600);
    b->SetPan((i % 3 - 1) * 2000);
    b->Play(pa::kPlayLooping);
    buffers.push_back(b);
  }
  const uint32_t chunk = 1024, seconds = 10;
  std::vector<int16_t> out(chunk * 2);
  double start = CpuSeconds();
  for (uint32_t done = 0; done < 44100 * seconds; done += chunk) mixer.Mix(out.data(), chunk);
  double cpu = CpuSeconds() - start;
  return cpu / seconds * 100.0;
}

}  // namespace

int main() {
  std::printf("cpus: %ld\n", sysconf(_SC_NPROCESSORS_ONLN));
  for (int n : {16, 32})
    std::printf("mix %2d resampled streams: %.3f%% of one core (target for 16: under 2%%)\n", n,
                MixShare(n));

  // A minute of music-like content: three tones that drift against each other.
  const int rate = 44100;
  std::vector<int16_t> pcm(size_t(rate) * 60 * 2);
  for (size_t i = 0; i < pcm.size() / 2; ++i) {
    double t = double(i) / rate;
    double v = 4000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 331.3 * t) +
               2000 * std::sin(2 * M_PI * (440 + 5 * std::sin(t)) * t);
    pcm[2 * i] = pcm[2 * i + 1] = int16_t(v);
  }
  std::string path = "/tmp/bench_sound_" + std::to_string(getpid()) + ".ogg";
  testsupport::WriteBytes(path, testsupport::EncodeOgg(pcm, 2, rate));
  auto sound = TSound::Get(str(("::" + path).c_str()), true, 0);
  if (!sound) {
    std::printf("the one-minute file did not load\n");
    return 1;
  }

  TMemSpooler whole(sound->GetData());
  std::vector<uint8_t> block(1 << 16);
  uint32_t got = 0;
  uint64_t bytes = 0;
  double start = CpuSeconds();
  while (whole.Read(uint32_t(block.size()), block.data(), got, false)) bytes += got;
  bytes += got;
  double decode = CpuSeconds() - start;
  std::printf("decode one minute (%.1f s, %llu bytes): %.1f ms, %.0fx real time\n",
              sound->GetDuration(), (unsigned long long)bytes, decode * 1000, 60.0 / decode);

  // One refill as a stream does it: lock half the two-second buffer, read it from the
  // decoder, unlock.
  pa::Mixer mixer(44100);
  std::shared_ptr<pa::IBuffer> buffer;
  pa::BufferDesc d = Desc(44100, 2, 2.0f);
  mixer.CreateBuffer(d, buffer);
  TMemSpooler spooler(sound->GetData());
  const int refills = 50;
  start = CpuSeconds();
  for (int i = 0; i < refills; ++i) {
    void* p1 = nullptr;
    uint32_t n1 = 0;
    buffer->Lock((i % 2) * (d.bytes / 2), d.bytes / 2, &p1, &n1, nullptr, nullptr);
    spooler.Read(n1, static_cast<uint8_t*>(p1), got, true);
    buffer->Unlock(p1, n1, nullptr, 0);
  }
  double refill = (CpuSeconds() - start) / refills;
  std::printf("one refill (half of a 2 s buffer, 44.1 kHz stereo): %.2f ms\n", refill * 1000);
  sound.reset();
  std::remove(path.c_str());
  return 0;
}
