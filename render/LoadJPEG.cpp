// JPEG decoding over libjpeg with a source manager on the engine's file layer. The library's
// own error exit would end the process; here it jumps back and the load fails.
#include <cstdio>
#include <csetjmp>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "render/ImageDecoders.h"

namespace {

// The decoder takes its fast path only with a few KiB of the file in hand, so small chunks
// would send it down the slow one near the end of each.
constexpr size_t kReadChunk = 65536;
// A progressive image keeps all its coefficients (2 bytes a sample) until the last scan, and
// this library has no backing store to spill them to: the limit must cover the largest
// image allowed, three full-resolution components of kMaxImageSide squared.
constexpr long kMaxDecoderMemory = 128L * 1024 * 1024;
static_assert(kMaxDecoderMemory > 3L * 2 * kMaxImageSide * kMaxImageSide);
// Every scan of a progressive image visits the whole image, so a file of many tiny scans
// holds the main thread for as long as it has scans; real encoders write about ten.
constexpr int kMaxScans = 500;

// The error manager comes first so libjpeg's error pointer leads back to the whole record.
struct JpegDecode {
  jpeg_error_mgr error;
  jmp_buf recovery;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  jpeg_decompress_struct info;
  bool created = false;
  bool endMissing = false;  // the file ended after its last scan, without the end marker
  TFile* file = nullptr;
  const char* name = "";
  const ImageTarget* target = nullptr;
  ImageRows out;
  bool refused = false;  // the target declined the image
  int width = 0;
  int height = 0;
  int side = 0;
  char message[JMSG_LENGTH_MAX] = {};
  JOCTET chunk[kReadChunk];
};

JpegDecode& DecodeOf(j_common_ptr cinfo) { return *reinterpret_cast<JpegDecode*>(cinfo->err); }

void ErrorExit(j_common_ptr cinfo) {
  JpegDecode& d = DecodeOf(cinfo);
  cinfo->err->format_message(cinfo, d.message);
  longjmp(d.recovery, 1);
}

// Once the file has ended, a warning means the decoder wanted data that is not there: the
// image is damaged, not just missing its end marker.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  if (DecodeOf(cinfo).endMissing && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA)
    ERREXIT(cinfo, JERR_INPUT_EOF);
  if (cinfo->err->num_warnings++ == 0) cinfo->err->output_message(cinfo);
}

void ProgressMonitor(j_common_ptr cinfo) {
  j_decompress_ptr info = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (info->input_scan_number <= kMaxScans) return;
  JpegDecode& d = DecodeOf(cinfo);
  std::snprintf(d.message, sizeof(d.message), "more than %d scans, decoding stopped", kMaxScans);
  longjmp(d.recovery, 1);
}

void OutputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, text);
  EngineLog("LoadJPEG: %s: %s", DecodeOf(cinfo).name, text);
}

void InitSource(j_decompress_ptr) {}

// Whether every coefficient of the image has been sent: the one scan of a sequential image
// holding all components has begun, or every coefficient of a progressive one has reached
// full precision. Data still missing within the current scan shows up as a warning.
bool AllScansSeen(j_decompress_ptr info) {
  if (!info->progressive_mode)
    return info->comps_in_scan > 0 && info->comps_in_scan == info->num_components;
  if (info->coef_bits == nullptr) return false;
  for (int c = 0; c < info->num_components; ++c)
    for (int k = 0; k < DCTSIZE2; ++k)
      if (info->coef_bits[c][k] != 0) return false;
  return true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  JpegDecode& d = DecodeOf(reinterpret_cast<j_common_ptr>(cinfo));
  int32_t got = FileRead(d.file, d.chunk, int(kReadChunk));
  if (got <= 0) {
    // A file that ends after its image data lacks only the end marker: it is supplied, and
    // the decoder's warnings from here on tell whether the data really was all there. A file
    // cut shorter is damaged; libjpeg's habit of padding it with grey would hide that.
    if (d.endMissing || !AllScansSeen(cinfo)) ERREXIT(cinfo, JERR_INPUT_EOF);
    static const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};
    d.endMissing = true;
    d.source.next_input_byte = kEndMarker;
    d.source.bytes_in_buffer = sizeof(kEndMarker);
    return TRUE;
  }
  d.source.next_input_byte = d.chunk;
  d.source.bytes_in_buffer = size_t(got);
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  while (count > 0) {
    if (size_t(count) <= src->bytes_in_buffer) {
      src->next_input_byte += count;
      src->bytes_in_buffer -= size_t(count);
      return;
    }
    count -= long(src->bytes_in_buffer);
    src->bytes_in_buffer = 0;
    src->fill_input_buffer(cinfo);
  }
}

void TermSource(j_decompress_ptr) {}

#if !defined(JCS_EXTENSIONS)
// Widens the packed red, green, blue bytes at the start of a row to blue, green, red, alpha.
// Right to left, so no source byte is overwritten before it is read.
void ExpandRow(uint8_t* row, int width) {
  for (int x = width - 1; x >= 0; --x) {
    const uint8_t* rgb = row + size_t(x) * 3;
    uint8_t r = rgb[0], g = rgb[1], b = rgb[2];
    uint8_t* bgra = row + size_t(x) * 4;
    bgra[0] = b;
    bgra[1] = g;
    bgra[2] = r;
    bgra[3] = 0xFF;
  }
}
#endif

// Holds no C++ objects: libjpeg leaves it with longjmp on any error.
bool Decode(JpegDecode& d) {
  if (setjmp(d.recovery)) return false;

  jpeg_create_decompress(&d.info);
  d.created = true;
  d.info.mem->max_memory_to_use = kMaxDecoderMemory;
  d.source.init_source = InitSource;
  d.source.fill_input_buffer = FillInputBuffer;
  d.source.skip_input_data = SkipInputData;
  d.source.resync_to_restart = jpeg_resync_to_restart;
  d.source.term_source = TermSource;
  d.source.next_input_byte = nullptr;
  d.source.bytes_in_buffer = 0;
  d.info.src = &d.source;
  d.progress.progress_monitor = ProgressMonitor;
  d.info.progress = &d.progress;

  jpeg_read_header(&d.info, TRUE);
#if defined(JCS_EXTENSIONS)
  // The library writes blue, green, red and an opaque alpha itself: no pass over the rows.
  d.info.out_color_space = JCS_EXT_BGRA;
  const int components = 4;
#else
  d.info.out_color_space = JCS_RGB;
  const int components = 3;
#endif
  d.side = ImageSide(int(d.info.image_width), int(d.info.image_height));
  if (d.side == 0) {
    std::snprintf(d.message, sizeof(d.message), "image size %ux%u out of range", d.info.image_width,
                  d.info.image_height);
    return false;
  }
  jpeg_start_decompress(&d.info);
  if (d.info.output_components != components || d.info.output_width != d.info.image_width ||
      d.info.output_height != d.info.image_height) {
    std::snprintf(d.message, sizeof(d.message), "unsupported colour layout");
    return false;
  }
  d.width = int(d.info.output_width);
  d.height = int(d.info.output_height);

  d.out = (*d.target)(d.width, d.height, d.side, false);
  if (d.out.bits == nullptr) {
    d.refused = true;
    return false;
  }
  while (d.info.output_scanline < d.info.output_height) {
    uint8_t* row = d.out.bits + d.out.pitch * d.info.output_scanline;
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&d.info, rows, 1) != 1) ERREXIT(&d.info, JERR_INPUT_EOF);
#if !defined(JCS_EXTENSIONS)
    ExpandRow(row, d.width);
#endif
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

}  // namespace

bool DecodeJPEG(const str& name, const ImageTarget& target) {
  auto d = std::make_unique<JpegDecode>();
  d->name = name.CStr();
  d->target = &target;
  d->file = FileOpen(name.CStr(), kFileReadBinary);
  if (d->file == nullptr) {
    EngineLog("LoadJPEG: cannot open %s", name.CStr());
    return false;
  }
  d->info.err = jpeg_std_error(&d->error);
  d->error.error_exit = ErrorExit;
  d->error.output_message = OutputMessage;
  d->error.emit_message = EmitMessage;
  bool ok = Decode(*d);
  if (d->created) jpeg_destroy_decompress(&d->info);
  FileClose(d->file);
  if (!ok) {
    if (!d->refused) EngineLog("LoadJPEG: %s: %s", name.CStr(), d->message);
    return false;
  }
  if (d->endMissing)
    EngineLog("LoadJPEG: %s: Premature end of JPEG file (no end marker)", name.CStr());
  return true;
}

bool LoadJPEG(const str& name, std::unique_ptr<uint8_t[]>& buffer, int& width, int& height,
              int& side) {
  buffer.reset();
  std::unique_ptr<uint8_t[]> pixels;
  bool noMemory = false;
  ImageTarget target = [&](int w, int h, int s, bool) {
    width = w;
    height = h;
    side = s;
    size_t stride = size_t(s) * 4;
    pixels.reset(new (std::nothrow) uint8_t[stride * size_t(s)]);
    noMemory = pixels == nullptr;
    if (pixels) {
      // Only what lies outside the image needs clearing; the decode writes the rest.
      for (int y = 0; y < h; ++y)
        std::memset(pixels.get() + stride * size_t(y) + size_t(w) * 4, 0, stride - size_t(w) * 4);
      std::memset(pixels.get() + stride * size_t(h), 0, stride * size_t(s - h));
    }
    return ImageRows{pixels.get(), stride, false};
  };
  if (!DecodeJPEG(name, target)) {
    if (noMemory) EngineLog("LoadJPEG: %s: out of memory", name.CStr());
    return false;
  }
  buffer = std::move(pixels);
  return true;
}
