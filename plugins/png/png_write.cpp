// Writing PNG files: blue-green-red (8 or 16 bits per sample), grey (8 or 16 bits) or palette
// rows; 16-bit samples come little-endian. The options' main word picks the compression level
// (1 to 9; anything else: libpng's default). The file is finished with the last row, so a
// failure to write its end is still reported by WriteRows.
#include <algorithm>
#include <cstring>

#include "png_format.h"

namespace tessaly::plugin::png {
namespace {

void writeData(png_structp png, png_bytep data, size_t count) {
  auto* in = static_cast<Instance*>(png_get_io_ptr(png));
  if (!plugin::writeExact(in->head.stream, data, count)) raise(png, PLUG_ERR_SHORT_WRITE);
}

void flushData(png_structp) {}

void describe(Instance& in) {
  png_structp png = in.png;
  const int depth = in.bits == 16 || in.bits == 48 ? 16 : 8;
  const int colourType = in.colorModel == PLUG_COLOR_BGR       ? PNG_COLOR_TYPE_RGB
                         : in.colorModel == PLUG_COLOR_INDEXED ? PNG_COLOR_TYPE_PALETTE
                                                               : PNG_COLOR_TYPE_GRAY;
  png_set_IHDR(png, in.info, png_uint_32(in.width), png_uint_32(in.height), depth, colourType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_color colours[256];
    for (int32_t i = 0; i < in.paletteCount; ++i)
      colours[i] = {in.palette[i].red, in.palette[i].green, in.palette[i].blue};
    png_set_PLTE(png, in.info, colours, in.paletteCount);
  }
  if (in.head.resolution.x > 0 || in.head.resolution.y > 0) {
    const int32_t x = in.head.resolution.x > 0 ? in.head.resolution.x : in.head.resolution.y;
    const int32_t y = in.head.resolution.y > 0 ? in.head.resolution.y : in.head.resolution.x;
    png_set_pHYs(png, in.info, plugin::pixelsPerMetreFromDpi(x), plugin::pixelsPerMetreFromDpi(y),
                 PNG_RESOLUTION_METER);
  }
  if (in.level >= 1 && in.level <= 9) png_set_compression_level(png, in.level);
}

}  // namespace

int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  if (!plugin::acceptable(request, kSaveList)) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.width = request->width;
  in.height = request->height;
  in.colorModel = request->colorModel;
  in.bits = request->bits;
  in.level = request->options != nullptr ? request->options->main : 0;
  if (in.colorModel == PLUG_COLOR_INDEXED)
    in.paletteCount = plugin::takePalette(*request, in.palette);
  plugin::copyRowLayout(layout, PLUG_ROWS_TOP_DOWN, in.width * (in.bits / 8));
  return 1;
}

int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.width == 0 || in.png != nullptr) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &in, onError, onWarning);
  if (in.png == nullptr) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.writer = true;
  in.info = png_create_info_struct(in.png);
  if (in.info == nullptr) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.code = 0;
  if (setjmp(png_jmpbuf(in.png))) return plugin::fail(in.head, in.code);
  png_set_write_fn(in.png, &in, writeData, flushData);
  describe(in);
  png_write_info(in.png, in.info);
  if (in.colorModel == PLUG_COLOR_BGR) png_set_bgr(in.png);
  if (in.bits == 16 || in.bits == 48) png_set_swap(in.png);
  in.writing = true;
  return 1;
}

int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.writing || rows <= 0 || planes == nullptr || rows > in.height - in.rowsWritten)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.code = 0;
  if (setjmp(png_jmpbuf(in.png))) {
    in.writing = false;
    return plugin::fail(in.head, in.code);
  }
  for (int32_t i = 0; i < rows; ++i, ++in.rowsWritten)
    png_write_row(in.png, plugin::rowAt(planes, i, stride));
  if (in.rowsWritten == in.height) {
    png_write_end(in.png, nullptr);
    in.writing = false;
  }
  return rows;
}

}  // namespace tessaly::plugin::png
