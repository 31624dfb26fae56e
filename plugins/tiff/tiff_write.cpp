// Writing TIFF files in strips, rows top to bottom: 1-bit grey (rows packed eight pixels to the
// byte, first pixel in the high bit, 1 = white), 8- and 16-bit grey, 8-bit palette, 24- and
// 48-bit RGB (handed over blue-green-red, 16-bit samples little-endian), with the resolution in
// dots per inch. The options' main word chooses the compression by its TIFF number: 5 LZW,
// 8 or 32946 Deflate, 32773 PackBits, 7 JPEG (8-bit grey and colour only; quality in the second
// word); anything else stores the samples uncompressed. The file is finished with the last row,
// so a failure to write its end is still reported by WriteRows.
#include <algorithm>
#include <cstring>

#include "tiff_format.h"

namespace tessaly::plugin::tiff {
namespace {

constexpr int64_t kStripBytes = 256 * 1024;  // large strips compress better and faster

int32_t bitsPerSample(const Instance& in) {
  return in.bits == 1 ? 1 : (in.bits == 16 || in.bits == 48 ? 16 : 8);
}

int32_t compressionFor(int32_t asked, int32_t colorModel, int32_t bits) {
  switch (asked) {
    case COMPRESSION_LZW:
      return COMPRESSION_LZW;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return COMPRESSION_ADOBE_DEFLATE;
    case COMPRESSION_PACKBITS:
      return COMPRESSION_PACKBITS;
    case COMPRESSION_JPEG:  // JPEG holds only 8-bit grey and colour; the rest stays lossless
      return (colorModel == PLUG_COLOR_BGR && bits == 24) ||
                     (colorModel == PLUG_COLOR_GREY && bits == 8)
                 ? COMPRESSION_JPEG
                 : COMPRESSION_LZW;
    default:
      return COMPRESSION_NONE;
  }
}

bool setPalette(Instance& in) {
  uint16_t red[256] = {}, green[256] = {}, blue[256] = {};
  for (int32_t i = 0; i < in.paletteCount; ++i) {
    red[i] = uint16_t(in.palette[i].red * 257);
    green[i] = uint16_t(in.palette[i].green * 257);
    blue[i] = uint16_t(in.palette[i].blue * 257);
  }
  return TIFFSetField(in.tif, TIFFTAG_COLORMAP, red, green, blue) == 1;
}

uint32_t rowsPerStrip(const Instance& in, int64_t rowBytes) {
  int64_t rows = std::clamp<int64_t>(kStripBytes / std::max<int64_t>(rowBytes, 1), 1, in.height);
  if (in.compression == COMPRESSION_JPEG) rows = (rows + 15) / 16 * 16;  // whole JPEG blocks
  return uint32_t(rows);
}

bool describe(Instance& in) {
  TIFF* t = in.tif;
  const bool colour = in.colorModel == PLUG_COLOR_BGR;
  const int32_t bps = bitsPerSample(in);
  const uint16_t photometric = colour                                ? PHOTOMETRIC_RGB
                               : in.colorModel == PLUG_COLOR_INDEXED ? PHOTOMETRIC_PALETTE
                                                                     : PHOTOMETRIC_MINISBLACK;
  bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(in.width)) == 1 &&
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(in.height)) == 1 &&
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(bps)) == 1 &&
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(colour ? 3 : 1)) == 1 &&
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric) == 1 &&
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) == 1 &&
            TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT)) == 1 &&
            TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(in.compression)) == 1;
  if (ok && (in.compression == COMPRESSION_LZW || in.compression == COMPRESSION_ADOBE_DEFLATE) &&
      bps >= 8 && photometric != PHOTOMETRIC_PALETTE)
    ok = TIFFSetField(t, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL)) == 1;
  if (ok && in.compression == COMPRESSION_JPEG)
    ok = TIFFSetField(t, TIFFTAG_JPEGQUALITY, int(in.quality)) == 1;
  if (ok && photometric == PHOTOMETRIC_PALETTE) ok = setPalette(in);
  if (ok && (in.head.resolution.x > 0 || in.head.resolution.y > 0)) {
    const int32_t x = in.head.resolution.x > 0 ? in.head.resolution.x : in.head.resolution.y;
    const int32_t y = in.head.resolution.y > 0 ? in.head.resolution.y : in.head.resolution.x;
    ok = TIFFSetField(t, TIFFTAG_XRESOLUTION, float(x)) == 1 &&
         TIFFSetField(t, TIFFTAG_YRESOLUTION, float(y)) == 1 &&
         TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH)) == 1;
  }
  const int64_t rowBytes = (int64_t{in.width} * (colour ? 3 : 1) * bps + 7) / 8;
  return ok && TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip(in, rowBytes)) == 1 &&
         in.row.allocate(uint64_t(rowBytes));
}

// One row of the caller's layout in the stored layout.
void storeRow(const Instance& in, const uint8_t* source, uint8_t* stored) {
  if (in.colorModel == PLUG_COLOR_BGR && in.bits == 24)
    plugin::swapRedBlue(source, stored, in.width);
  else if (in.colorModel == PLUG_COLOR_BGR)  // 48 bits: little-endian samples to native ones
    for (int32_t i = 0; i < in.width * 3; ++i) {
      const uint16_t v = plugin::le16(source + 2 * (i / 3 * 3 + 2 - i % 3));
      std::memcpy(stored + 2 * i, &v, 2);
    }
  else if (in.bits == 16)
    for (int32_t x = 0; x < in.width; ++x) {
      const uint16_t v = plugin::le16(source + 2 * x);
      std::memcpy(stored + 2 * x, &v, 2);
    }
  else
    std::memcpy(stored, source, in.row.size());
}

int32_t writeFailure(Instance& in) {
  in.writing = false;
  return plugin::fail(in.head, in.shortWrite ? PLUG_ERR_SHORT_WRITE : PLUG_ERR_BAD_DATA);
}

}  // namespace

int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  if (!plugin::acceptable(request, kSaveList)) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.width = request->width;
  in.height = request->height;
  in.colorModel = request->colorModel;
  in.bits = request->bits;
  const SaveOptions* options = request->options;
  in.compression = compressionFor(options != nullptr ? options->main : 0, in.colorModel, in.bits);
  in.quality =
      options != nullptr && options->second >= 1 && options->second <= 100 ? options->second : 90;
  if (in.colorModel == PLUG_COLOR_INDEXED)
    in.paletteCount = plugin::takePalette(*request, in.palette);
  plugin::copyRowLayout(layout, PLUG_ROWS_TOP_DOWN, int32_t((int64_t{in.width} * in.bits + 7) / 8));
  return 1;
}

int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.width == 0 || in.tif != nullptr) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.tif = openTiff(in, "w");
  if (in.tif == nullptr || !describe(in)) return writeFailure(in);
  in.writing = true;
  return 1;
}

int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.writing || rows <= 0 || planes == nullptr || rows > in.height - in.rowsWritten)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  for (int32_t i = 0; i < rows; ++i, ++in.rowsWritten) {
    storeRow(in, plugin::rowAt(planes, i, stride), in.row.data());
    if (TIFFWriteScanline(in.tif, in.row.data(), uint32_t(in.rowsWritten), 0) != 1)
      return writeFailure(in);
  }
  if (in.rowsWritten == in.height) {
    if (TIFFWriteDirectory(in.tif) != 1 || in.shortWrite) return writeFailure(in);
    in.writing = false;
  }
  return rows;
}

}  // namespace tessaly::plugin::tiff
