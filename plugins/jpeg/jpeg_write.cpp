// Writing JPEG files: blue-green-red rows (handed to libjpeg-turbo as they are) or 8-bit grey
// rows, at the quality of the options' main word (1 to 100, 90 when none is given), with the
// resolution in the JFIF header. The file is finished with the last row, so a failure to write
// its end is still reported by WriteRows.
#include <algorithm>

#include "jpeg_format.h"

namespace tessaly::plugin::jpeg {
namespace {

constexpr int32_t kDefaultQuality = 90;

DestinationManager& destinationOf(j_compress_ptr c) {
  return *reinterpret_cast<DestinationManager*>(c->dest);
}

void initDestination(j_compress_ptr c) {
  Instance& in = *destinationOf(c).owner;
  c->dest->next_output_byte = in.chunk.data();
  c->dest->free_in_buffer = in.chunk.size();
}

void putOut(j_compress_ptr c, size_t count) {
  Instance& in = *destinationOf(c).owner;
  if (!plugin::writeExact(in.head.stream, in.chunk.data(), count))
    raise(*reinterpret_cast<j_common_ptr>(c), PLUG_ERR_SHORT_WRITE, JERR_FILE_WRITE);
}

boolean emptyOutput(j_compress_ptr c) {
  putOut(c, destinationOf(c).owner->chunk.size());
  initDestination(c);
  return TRUE;
}

void termDestination(j_compress_ptr c) {
  putOut(c, destinationOf(c).owner->chunk.size() - c->dest->free_in_buffer);
}

void bindDestination(Instance& in) {
  in.destination.owner = &in;
  jpeg_destination_mgr& dest = in.destination.base;
  dest.init_destination = initDestination;
  dest.empty_output_buffer = emptyOutput;
  dest.term_destination = termDestination;
  in.encoder.dest = &dest;
}

void describe(Instance& in) {
  jpeg_compress_struct& c = in.encoder;
  const bool grey = in.colorModel == PLUG_COLOR_GREY;
  c.image_width = JDIMENSION(in.width);
  c.image_height = JDIMENSION(in.height);
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, in.quality, TRUE);
  if (in.head.resolution.x > 0 || in.head.resolution.y > 0) {
    c.density_unit = 1;  // dots per inch
    c.X_density = UINT16(std::clamp(
        in.head.resolution.x > 0 ? in.head.resolution.x : in.head.resolution.y, 1, 65535));
    c.Y_density = UINT16(std::clamp(
        in.head.resolution.y > 0 ? in.head.resolution.y : in.head.resolution.x, 1, 65535));
  }
}

}  // namespace

int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  if (!plugin::acceptable(request, kSaveList) || request->width > kMaxSide ||
      request->height > kMaxSide)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.width = request->width;
  in.height = request->height;
  in.colorModel = request->colorModel;
  const int32_t asked = request->options != nullptr ? request->options->main : 0;
  in.quality = asked >= 1 && asked <= 100 ? asked : kDefaultQuality;
  plugin::copyRowLayout(layout, PLUG_ROWS_TOP_DOWN, in.width * request->bits / 8);
  return 1;
}

int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.width == 0 || in.encoderMade) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  if (!in.chunk.allocate(kChunkBytes)) return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  bindErrors(in, *reinterpret_cast<j_common_ptr>(&in.encoder));
  if (setjmp(in.errors.escape)) return plugin::fail(in.head, in.errors.code);
  jpeg_create_compress(&in.encoder);
  in.encoderMade = true;
  bindDestination(in);
  describe(in);
  jpeg_start_compress(&in.encoder, TRUE);
  in.encoding = true;
  return 1;
}

int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.encoding || rows <= 0 || planes == nullptr || rows > in.height - in.rowsWritten)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.errors.code = 0;
  if (setjmp(in.errors.escape)) {
    in.encoding = false;
    return plugin::fail(in.head, in.errors.code);
  }
  for (int32_t i = 0; i < rows; ++i) {
    // libjpeg only reads the row, but its interface is not const.
    JSAMPROW row = const_cast<JSAMPROW>(plugin::rowAt(planes, i, stride));
    jpeg_write_scanlines(&in.encoder, &row, 1);
    ++in.rowsWritten;
  }
  if (in.rowsWritten == in.height) {
    jpeg_finish_compress(&in.encoder);
    in.encoding = false;
  }
  return rows;
}

}  // namespace tessaly::plugin::jpeg
