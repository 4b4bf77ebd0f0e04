// Makes Ogg Vorbis files from PCM for the sound tests and benchmarks, so no binary
// fixtures are needed and every case gets exactly the length and tone it asks for.
#pragma once

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

// Interleaved 16-bit frames of a sine tone.
inline std::vector<int16_t> SineFrames(int rate, int channels, double seconds, double hz,
                                       double amplitude = 12000.0) {
  size_t frames = size_t(std::llround(seconds * rate));
  std::vector<int16_t> pcm(frames * size_t(channels));
  for (size_t i = 0; i < frames; ++i) {
    auto s = int16_t(std::lround(amplitude * std::sin(2.0 * M_PI * hz * double(i) / rate)));
    for (int c = 0; c < channels; ++c) pcm[i * size_t(channels) + size_t(c)] = s;
  }
  return pcm;
}

inline std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& pcm, int channels, int rate,
                                      float quality = 0.5f) {
  std::vector<uint8_t> out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) return out;
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  auto emit = [&] {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  while (ogg_stream_flush(&os, &page)) emit();
  size_t frames = pcm.size() / size_t(channels);
  size_t at = 0;
  bool eos = false;
  while (!eos) {
    size_t n = std::min<size_t>(1024, frames - at);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, int(n));
      for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
          buffer[c][i] = float(pcm[(at + i) * size_t(channels) + size_t(c)]) / 32768.0f;
      vorbis_analysis_wrote(&vd, int(n));
      at += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) {
          emit();
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace testsupport
