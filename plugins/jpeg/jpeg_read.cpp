// Reading JPEG files: grey files are delivered as 8-bit grey, colour files as blue-green-red
// (libjpeg-turbo decodes straight into that order), CMYK and YCCK files are converted to
// blue-green-red here. A file that ends early is damaged, not padded with grey; only a sequential
// file whose scan data arrived whole and that lacks just its end marker is read.
#include <cstring>

#include "jpeg_format.h"

namespace tessaly::plugin::jpeg {
namespace {

SourceManager& sourceOf(j_decompress_ptr d) {
  return *reinterpret_cast<SourceManager*>(d->src);
}

void initSource(j_decompress_ptr) {}

// The end marker the file should have closed with.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

// At the end of the file during a sequential scan the end marker is supplied: when every row's
// data arrived, that was all that was missing; when rows are still to come, the decoder meets
// the marker too early and warns, which fails the read. Anywhere else the end is damage.
boolean fillInput(j_decompress_ptr d) {
  Instance& in = *sourceOf(d).owner;
  const int32_t got = in.head.stream->read(in.head.stream, in.chunk.data(), kChunkBytes);
  if (got <= 0 && in.decoding && !d->progressive_mode && !in.endSupplied) {
    in.endSupplied = true;
    in.head.warning = "the file ends without its end marker; every row was there and was read";
    d->src->next_input_byte = kEndOfImage;
    d->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
  }
  if (got <= 0) raise(*reinterpret_cast<j_common_ptr>(d), PLUG_ERR_BAD_DATA, JERR_INPUT_EOF);
  d->src->next_input_byte = in.chunk.data();
  d->src->bytes_in_buffer = size_t(got);
  return TRUE;
}

void skipInput(j_decompress_ptr d, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& src = *d->src;
  if (size_t(count) <= src.bytes_in_buffer) {
    src.next_input_byte += count;
    src.bytes_in_buffer -= size_t(count);
    return;
  }
  PlugStream* s = sourceOf(d).owner->head.stream;
  const auto beyond = int64_t(count) - int64_t(src.bytes_in_buffer);
  src.bytes_in_buffer = 0;
  if (!plugin::skip(s, beyond))
    raise(*reinterpret_cast<j_common_ptr>(d), PLUG_ERR_BAD_DATA, JERR_INPUT_EOF);
}

void termSource(j_decompress_ptr) {}

// Stops a progressive file with absurdly many scans before it eats the time of a whole day.
void watchScans(j_common_ptr c) {
  auto* d = reinterpret_cast<j_decompress_ptr>(c);
  if (d->input_scan_number > kMaxScans) raise(*c, PLUG_ERR_BAD_DATA, JERR_BAD_PROGRESSION);
}

void bindSource(Instance& in) {
  in.source.owner = &in;
  jpeg_source_mgr& src = in.source.base;
  src.init_source = initSource;
  src.fill_input_buffer = fillInput;
  src.skip_input_data = skipInput;
  src.resync_to_restart = jpeg_resync_to_restart;
  src.term_source = termSource;
  src.next_input_byte = nullptr;
  src.bytes_in_buffer = 0;
  in.decoder.src = &src;
  in.progress.progress_monitor = watchScans;
  in.decoder.progress = &in.progress;
  in.decoder.mem->max_memory_to_use = kMaxLibraryMemory;
}

// Chooses the decoded colour space and what the plug-in delivers; false for colour spaces it
// does not read.
bool chooseOutput(Instance& in) {
  jpeg_decompress_struct& d = in.decoder;
  plugin::Delivery& out = in.out;
  switch (d.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.out_color_space = JCS_GRAYSCALE;
      out.colorModel = PLUG_COLOR_GREY;
      out.bits = 8;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      d.out_color_space = JCS_EXT_BGR;
      out.colorModel = PLUG_COLOR_BGR;
      out.bits = 24;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d.out_color_space = JCS_CMYK;
      out.colorModel = PLUG_COLOR_BGR;
      out.bits = 24;
      in.cmyk = true;
      in.invertedCmyk = d.saw_Adobe_marker != 0;
      break;
    default:
      return false;
  }
  out.width = int32_t(d.image_width);
  out.height = int32_t(d.image_height);
  out.rowOrder = PLUG_ROWS_TOP_DOWN;
  out.rowBytes = out.width * out.bits / 8;
  return plugin::sizeAllowed(out.width, out.height);
}

void readResolution(Instance& in) {
  const jpeg_decompress_struct& d = in.decoder;
  if (!d.saw_JFIF_marker) return;
  if (d.density_unit == 1) {  // dots per inch
    in.head.resolution = {d.X_density, d.Y_density};
  } else if (d.density_unit == 2) {  // dots per centimetre
    in.head.resolution = {(d.X_density * 254 + 50) / 100, (d.Y_density * 254 + 50) / 100};
  }
}

// One CMYK row to blue-green-red. Inverted data stores 255 for no ink.
void cmykToBgr(const uint8_t* cmyk, uint8_t* bgr, int32_t width, bool inverted) {
  for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const int k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const int ink = inverted ? cmyk[c] : 255 - cmyk[c];
      bgr[2 - c] = uint8_t((ink * k + 127) / 255);
    }
  }
}

}  // namespace

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  if (in.decoderMade) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  if (!in.chunk.allocate(kChunkBytes)) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  if (in.head.stream->seek(in.head.stream, 0, PLUG_SEEK_SET) != 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  bindErrors(in, *reinterpret_cast<j_common_ptr>(&in.decoder));
  if (setjmp(in.errors.escape)) return plugin::fail(in.head, in.errors.code);
  jpeg_create_decompress(&in.decoder);
  in.decoderMade = true;
  bindSource(in);
  jpeg_read_header(&in.decoder, TRUE);
  if (!chooseOutput(in)) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  readResolution(in);
  plugin::copyImageInfo(in.out, info);
  return 1;
}

int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  if (!in.decoderMade || in.decoding || in.out.width == 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  if (in.cmyk && !in.cmykRow.allocate(uint64_t(in.out.width) * 4))
    return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.errors.code = 0;
  if (setjmp(in.errors.escape)) return plugin::fail(in.head, in.errors.code);
  jpeg_start_decompress(&in.decoder);
  in.decoding = true;
  plugin::copyLayerInfo(in.out, info);
  return 1;
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  jpeg_decompress_struct& d = in.decoder;
  if (!in.decoding || rows <= 0 || planes == nullptr ||
      rows > int32_t(d.output_height - d.output_scanline))
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.errors.code = 0;
  if (setjmp(in.errors.escape)) return plugin::fail(in.head, in.errors.code);
  for (int32_t i = 0; i < rows; ++i) {
    uint8_t* out = plugin::rowAt(planes, i, stride);
    JSAMPROW row = in.cmyk ? in.cmykRow.data() : out;
    if (jpeg_read_scanlines(&d, &row, 1) != 1) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    if (in.cmyk) cmykToBgr(row, out, in.out.width, in.invertedCmyk);
  }
  return rows;
}

}  // namespace tessaly::plugin::jpeg
