// Reading PNG files of every colour type and bit depth: grey below 8 bits is stretched to 8,
// palette indices below 8 bits are spread to one byte, 16-bit samples are delivered
// little-endian, colour in blue-green-red order. 8-bit alpha is kept (blue-green-red-alpha,
// grey with alpha becomes colour); 16-bit alpha is dropped. Interlaced files are decoded whole
// before their rows are handed out.
#include <cstring>

#include "png_format.h"

namespace tessaly::plugin::png {
namespace {

void readData(png_structp png, png_bytep data, size_t count) {
  auto* in = static_cast<Instance*>(png_get_io_ptr(png));
  if (!plugin::readExact(in->head.stream, data, count)) raise(png, PLUG_ERR_BAD_DATA);
}

void takePalette(Instance& in) {
  png_colorp colours = nullptr;
  int count = 0;
  if (png_get_PLTE(in.png, in.info, &colours, &count) == 0 || count <= 0 || count > 256)
    raise(in.png, PLUG_ERR_BAD_DATA);
  for (int i = 0; i < count; ++i)
    in.out.palette[i] = {colours[i].blue, colours[i].green, colours[i].red, 0};
  in.out.paletteCount = count;
}

// Sets libpng's transformations for the file's colour type and depth and says what comes out.
void chooseDelivery(Instance& in, int colourType, int depth) {
  png_structp png = in.png;
  plugin::Delivery& d = in.out;
  if (depth == 16) png_set_swap(png);  // little-endian samples
  switch (colourType) {
    case PNG_COLOR_TYPE_PALETTE:
      if (depth < 8) png_set_packing(png);
      takePalette(in);
      d.colorModel = PLUG_COLOR_INDEXED;
      d.bits = 8;
      break;
    case PNG_COLOR_TYPE_GRAY:
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      d.colorModel = PLUG_COLOR_GREY;
      d.bits = depth == 16 ? 16 : 8;
      d.channels = 1;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      if (depth == 16) {
        png_set_strip_alpha(png);
        d.colorModel = PLUG_COLOR_GREY;
        d.bits = 16;
        d.channels = 1;
        break;
      }
      png_set_gray_to_rgb(png);
      [[fallthrough]];
    case PNG_COLOR_TYPE_RGB_ALPHA:
      png_set_bgr(png);
      if (depth == 16) {
        png_set_strip_alpha(png);
        d.colorModel = PLUG_COLOR_BGR;
        d.bits = 48;
        break;
      }
      d.colorModel = PLUG_COLOR_BGR;
      d.bits = 32;
      d.layerCount = 1;
      d.hasAlpha = 1;
      break;
    case PNG_COLOR_TYPE_RGB:
      png_set_bgr(png);
      d.colorModel = PLUG_COLOR_BGR;
      d.bits = depth == 16 ? 48 : 24;
      break;
    default:
      raise(png, PLUG_ERR_BAD_DATA);
  }
}

void readResolution(Instance& in) {
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  if (png_get_pHYs(in.png, in.info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER)
    in.head.resolution = {plugin::dpiFromPixelsPerMetre(x), plugin::dpiFromPixelsPerMetre(y)};
}

// Decodes an interlaced image whole into in.image, rows at the delivered row bytes.
void decodeWhole(Instance& in) {
  const uint64_t bytes = uint64_t(in.out.rowBytes) * uint64_t(in.out.height);
  plugin::HeapBuffer rows;
  // An interlaced picture beyond the buffer limit is a variant this reader does not take; only
  // a failed allocation is a shortage of memory.
  if (bytes > plugin::kMaxBufferBytes) raise(in.png, PLUG_ERR_BAD_DATA);
  if (!in.image.allocate(bytes) || !rows.allocate(uint64_t(in.out.height) * sizeof(png_bytep)))
    raise(in.png, PLUG_ERR_NO_MEMORY);
  auto* pointers = reinterpret_cast<png_bytep*>(rows.data());
  for (int32_t y = 0; y < in.out.height; ++y)
    pointers[y] = in.image.data() + uint64_t(y) * uint64_t(in.out.rowBytes);
  png_read_image(in.png, pointers);
}

}  // namespace

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  if (in.png != nullptr || in.head.stream->seek(in.head.stream, 0, PLUG_SEEK_SET) != 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &in, onError, onWarning);
  if (in.png == nullptr) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.info = png_create_info_struct(in.png);
  if (in.info == nullptr) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.code = 0;
  if (setjmp(png_jmpbuf(in.png))) return plugin::fail(in.head, in.code);
  png_set_read_fn(in.png, &in, readData);
  png_set_user_limits(in.png, plugin::kMaxDimension, plugin::kMaxDimension);
#ifdef TESSALY_FUZZING
  // Mutated inputs nearly always break a checksum (the chunks' CRCs, the compressed data's
  // Adler-32); the fuzzer wants what lies behind them.
  png_set_crc_action(in.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
  png_set_option(in.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
  png_read_info(in.png, in.info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(in.png, in.info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
  in.out.width = int32_t(width);
  in.out.height = int32_t(height);
  in.out.rowOrder = PLUG_ROWS_TOP_DOWN;
  chooseDelivery(in, colourType, depth);
  in.interlaced = png_set_interlace_handling(in.png) > 1;
  png_read_update_info(in.png, in.info);
  in.out.rowBytes = int32_t(png_get_rowbytes(in.png, in.info));
  if (in.out.rowBytes != in.out.width * (in.out.bits / 8))
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  readResolution(in);
  plugin::copyImageInfo(in.out, info);
  return 1;
}

int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  if (in.png == nullptr || in.reading || in.out.width == 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.code = 0;
  if (setjmp(png_jmpbuf(in.png))) return plugin::fail(in.head, in.code);
  if (in.interlaced) decodeWhole(in);
  in.reading = true;
  plugin::copyLayerInfo(in.out, info);
  return 1;
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.reading || rows <= 0 || planes == nullptr || rows > in.out.height - in.rowsRead)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.code = 0;
  if (setjmp(png_jmpbuf(in.png))) {
    in.reading = false;
    return plugin::fail(in.head, in.code);
  }
  for (int32_t i = 0; i < rows; ++i, ++in.rowsRead) {
    uint8_t* out = plugin::rowAt(planes, i, stride);
    if (in.interlaced)
      std::memcpy(out, in.image.data() + uint64_t(in.rowsRead) * uint64_t(in.out.rowBytes),
                  size_t(in.out.rowBytes));
    else
      png_read_row(in.png, out, nullptr);
  }
  return rows;
}

}  // namespace tessaly::plugin::png
