// Writing bitmaps: bottom-up, uncompressed, with a 40-byte info header. Blue-green-red rows are
// stored with 24 bits (or 32 when the options ask), palette and grey rows with 8 bits (or 1 or 4
// when the options ask and the palette fits).
#include <algorithm>
#include <cstring>

#include "bmp_format.h"

namespace tessaly::plugin::bmp {
namespace {

// The stored depth: the options' main word where it suits the source, else the natural one.
int32_t fileBitsFor(int32_t sourceModel, int32_t paletteCount, const SaveOptions* options) {
  const int32_t asked = options != nullptr ? options->main : 0;
  if (sourceModel == PLUG_COLOR_BGR) return asked == 32 ? 32 : 24;
  if ((asked == 1 || asked == 4) && paletteCount <= (1 << asked)) return asked;
  return 8;
}

void buildHeaders(const Instance& in, uint8_t* h, uint32_t paletteBytes, uint32_t imageBytes) {
  const uint32_t dataOffset = kFileHeaderBytes + kInfoHeaderBytes + paletteBytes;
  h[0] = 'B';
  h[1] = 'M';
  plugin::put32(h + 2, dataOffset + imageBytes);
  plugin::put32(h + 10, dataOffset);
  uint8_t* info = h + kFileHeaderBytes;
  plugin::put32(info, kInfoHeaderBytes);
  plugin::put32(info + 4, uint32_t(in.width));
  plugin::put32(info + 8, uint32_t(in.height));  // positive: rows bottom-up
  plugin::put16(info + 12, 1);
  plugin::put16(info + 14, uint32_t(in.fileBits));
  plugin::put32(info + 16, kRgb);
  plugin::put32(info + 20, imageBytes);
  plugin::put32(info + 24, plugin::pixelsPerMetreFromDpi(in.head.resolution.x));
  plugin::put32(info + 28, plugin::pixelsPerMetreFromDpi(in.head.resolution.y));
  plugin::put32(info + 32, uint32_t(in.fileBits <= 8 ? in.paletteCount : 0));
}

// Packs 8-bit indices into 1- or 4-bit samples, first pixel in the high bits.
void packIndices(const uint8_t* in, uint8_t* out, int32_t count, int32_t bits) {
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int32_t i = 0; i < count; ++i) {
    const int shift = 8 - bits * (i % perByte + 1);
    out[i / perByte] |= uint8_t((in[i] & mask) << shift);
  }
}

// One source row in the stored layout, padding included.
void storeRow(const Instance& in, const uint8_t* source, uint8_t* stored, int32_t storedBytes) {
  std::memset(stored, 0, size_t(storedBytes));
  switch (in.fileBits) {
    case 32:
      for (int32_t x = 0; x < in.width; ++x) std::memcpy(stored + 4 * x, source + 3 * x, 3);
      break;
    case 24:
      std::memcpy(stored, source, size_t(in.width) * 3);
      break;
    case 8:
      std::memcpy(stored, source, size_t(in.width));
      break;
    default:
      packIndices(source, stored, in.width, in.fileBits);
  }
}

}  // namespace

int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  if (!plugin::acceptable(request, kSaveList)) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.width = request->width;
  in.height = request->height;
  in.sourceModel = request->colorModel;
  in.sourceBits = request->bits;
  if (in.sourceModel != PLUG_COLOR_BGR) in.paletteCount = plugin::takePalette(*request, in.palette);
  in.fileBits = fileBitsFor(in.sourceModel, in.paletteCount, request->options);
  if (storedRowBytes(in.width, in.fileBits) * in.height > INT32_MAX)  // the header's sizes
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  plugin::copyRowLayout(layout, PLUG_ROWS_BOTTOM_UP, in.width * in.sourceBits / 8);
  return 1;
}

int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (in.width == 0 || in.started) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    const int64_t storedBytes = storedRowBytes(in.width, in.fileBits);
    const uint32_t paletteBytes = in.fileBits <= 8 ? uint32_t(in.paletteCount) * 4 : 0;
    uint8_t headers[kFileHeaderBytes + kInfoHeaderBytes] = {};
    buildHeaders(in, headers, paletteBytes, uint32_t(storedBytes * in.height));
    uint8_t palette[256 * 4];
    std::memcpy(palette, in.palette, paletteBytes);
    in.row.require(uint64_t(storedBytes));
    PlugStream* s = in.head.stream;
    if (!plugin::writeExact(s, headers, sizeof headers) ||
        !plugin::writeExact(s, palette, paletteBytes))
      return plugin::fail(in.head, PLUG_ERR_SHORT_WRITE);
    in.started = true;
    return int32_t{1};
  });
}

int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.started || rows <= 0 || planes == nullptr || rows > in.height - in.rowsWritten)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  const auto storedBytes = int32_t(in.row.size());
  for (int32_t i = 0; i < rows; ++i) {
    storeRow(in, plugin::rowAt(planes, i, stride), in.row.data(), storedBytes);
    if (!plugin::writeExact(in.head.stream, in.row.data(), size_t(storedBytes)))
      return plugin::fail(in.head, PLUG_ERR_SHORT_WRITE);
    ++in.rowsWritten;
  }
  return rows;
}

}  // namespace tessaly::plugin::bmp
