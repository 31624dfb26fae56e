// Reading TIFF files: grey (1, 2, 4, 8 or 16 bits; white-is-zero files are turned round),
// palette (1, 2, 4 or 8 bits) and RGB (8 or 16 bits per sample, extra samples ignored), in
// strips or tiles, with any compression libtiff decodes; JPEG-compressed YCbCr comes out as RGB.
// Grey below 8 bits is stretched to 8 bits, palette indices are spread to one byte, 16-bit
// samples are delivered little-endian and colour in blue-green-red order. The first image of
// the file is read.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "tiff_format.h"

namespace tessaly::plugin::tiff {
namespace {

bool chooseGrey(Instance& in) {
  const int32_t bps = in.bitsPerSample;
  if (bps != 1 && bps != 2 && bps != 4 && bps != 8 && bps != 16) return false;
  if (bps < 8 && in.samplesPerPixel != 1) return false;
  in.kind = Kind::Grey;
  in.out.colorModel = PLUG_COLOR_GREY;
  in.out.bits = bps == 16 ? 16 : 8;
  in.out.channels = 1;
  return true;
}

// Palettes are stored with 16 bits per value; some writers put 8-bit values there.
bool choosePalette(Instance& in) {
  const int32_t bps = in.bitsPerSample;
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if ((bps != 1 && bps != 2 && bps != 4 && bps != 8) || in.samplesPerPixel != 1 ||
      TIFFGetField(in.tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1)
    return false;
  const int32_t count = 1 << bps;
  bool eightBit = true;
  for (int32_t i = 0; i < count; ++i)
    eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
  const int shift = eightBit ? 0 : 8;
  for (int32_t i = 0; i < count; ++i)
    in.out.palette[i] = {uint8_t(blue[i] >> shift), uint8_t(green[i] >> shift),
                         uint8_t(red[i] >> shift), 0};
  in.out.paletteCount = count;
  in.kind = Kind::Palette;
  in.out.colorModel = PLUG_COLOR_INDEXED;
  in.out.bits = 8;
  return true;
}

bool chooseRgb(Instance& in) {
  if ((in.bitsPerSample != 8 && in.bitsPerSample != 16) || in.samplesPerPixel < 3) return false;
  in.kind = Kind::Rgb;
  in.out.colorModel = PLUG_COLOR_BGR;
  in.out.bits = in.bitsPerSample * 3;
  return true;
}

bool readTiles(Instance& in) {
  in.tiled = TIFFIsTiled(in.tif) != 0;
  if (!in.tiled) return true;
  return TIFFGetField(in.tif, TIFFTAG_TILEWIDTH, &in.tileWidth) == 1 &&
         TIFFGetField(in.tif, TIFFTAG_TILELENGTH, &in.tileHeight) == 1 && in.tileWidth > 0 &&
         in.tileHeight > 0 && in.tileWidth <= uint32_t(plugin::kMaxDimension) &&
         in.tileHeight <= uint32_t(plugin::kMaxDimension) && in.tileWidth % 8 == 0;
}

bool readLayout(Instance& in) {
  TIFF* t = in.tif;
  uint32_t width = 0, height = 0;
  uint16_t bps = 1, spp = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  uint16_t photometric = 0, compression = COMPRESSION_NONE;
  if (TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height) != 1 || !plugin::sizeAllowed(width, height))
    return false;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  if (TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
    photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  if ((format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID) || spp < 1 ||
      (planar != PLANARCONFIG_CONTIG && spp > 1))
    return false;
  if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG) {
    // libjpeg turns the samples into RGB for us.
    if (TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) != 1) return false;
    photometric = PHOTOMETRIC_RGB;
  }
  in.bitsPerSample = bps;
  in.samplesPerPixel = spp;
  in.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
  in.out.width = int32_t(width);
  in.out.height = int32_t(height);
  in.out.rowOrder = PLUG_ROWS_TOP_DOWN;
  bool known = false;
  switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      known = chooseGrey(in);
      break;
    case PHOTOMETRIC_PALETTE:
      known = choosePalette(in);
      break;
    case PHOTOMETRIC_RGB:
      known = chooseRgb(in);
      break;
    default:
      break;
  }
  in.out.rowBytes = in.out.width * (in.out.bits / 8);
  in.fileRowBytes = (int64_t{in.out.width} * spp * bps + 7) / 8;
  return known && readTiles(in);
}

void readResolution(Instance& in) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(in.tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (unit == RESUNIT_NONE || TIFFGetField(in.tif, TIFFTAG_XRESOLUTION, &x) != 1) return;
  if (TIFFGetField(in.tif, TIFFTAG_YRESOLUTION, &y) != 1) y = x;
  const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
  const auto dpi = [&](double v) {
    const double d = v * perInch;
    return d >= 0.5 && d < 1e6 ? int32_t(std::lround(d)) : 0;  // also refuses NaN
  };
  in.head.resolution = {dpi(x), dpi(y)};
}

// Reads the row of tiles that starts at row top into the band, rows at the stored row bytes.
bool loadTileRow(Instance& in, uint32_t top) {
  const int64_t tileRowBytes =
      (int64_t{in.tileWidth} * in.samplesPerPixel * in.bitsPerSample + 7) / 8;
  const int64_t rows = std::min<int64_t>(in.tileHeight, in.out.height - int64_t{top});
  for (uint32_t x = 0; x < uint32_t(in.out.width); x += in.tileWidth) {
    if (TIFFReadTile(in.tif, in.tile.data(), x, top, 0, 0) < 0) return false;
    const int64_t offset = int64_t{x} * in.samplesPerPixel * in.bitsPerSample / 8;
    const int64_t bytes = std::min(tileRowBytes, in.fileRowBytes - offset);
    for (int64_t r = 0; r < rows; ++r)
      std::memcpy(in.band.data() + r * in.fileRowBytes + offset, in.tile.data() + r * tileRowBytes,
                  size_t(bytes));
  }
  return true;
}

// The stored samples of row y (rows come in order).
const uint8_t* storedRow(Instance& in, int32_t y) {
  if (!in.tiled)
    return TIFFReadScanline(in.tif, in.band.data(), uint32_t(y), 0) < 0 ? nullptr : in.band.data();
  const int32_t top = y - y % int32_t(in.tileHeight);
  if (in.bandFirstRow != top) {
    if (!loadTileRow(in, uint32_t(top))) return nullptr;
    in.bandFirstRow = top;
  }
  return in.band.data() + (y - top) * in.fileRowBytes;
}

uint16_t native16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

void deliverGrey(const Instance& in, const uint8_t* s, uint8_t* out) {
  const int32_t width = in.out.width, step = in.samplesPerPixel;
  if (in.bitsPerSample < 8) {
    plugin::unpackSamples(s, out, width, in.bitsPerSample, true);
  } else if (in.bitsPerSample == 8) {
    for (int32_t x = 0; x < width; ++x) out[x] = s[x * step];
  } else {
    for (int32_t x = 0; x < width; ++x) {
      const uint16_t v = native16(s + 2 * x * step);
      plugin::put16(out + 2 * x, in.minIsWhite ? 0xFFFFu - v : v);
    }
    return;
  }
  if (in.minIsWhite)
    for (int32_t x = 0; x < width; ++x) out[x] = uint8_t(255 - out[x]);
}

void deliverRow(const Instance& in, const uint8_t* s, uint8_t* out) {
  const int32_t width = in.out.width, step = in.samplesPerPixel;
  switch (in.kind) {
    case Kind::Grey:
      deliverGrey(in, s, out);
      return;
    case Kind::Palette:
      if (in.bitsPerSample < 8)
        plugin::unpackSamples(s, out, width, in.bitsPerSample, false);
      else
        std::memcpy(out, s, size_t(width));
      return;
    case Kind::Rgb:
      if (in.bitsPerSample == 8) {
        for (int32_t x = 0; x < width; ++x, s += step, out += 3) {
          out[0] = s[2];
          out[1] = s[1];
          out[2] = s[0];
        }
      } else {
        for (int32_t x = 0; x < width; ++x, s += 2 * step, out += 6)
          for (int c = 0; c < 3; ++c) plugin::put16(out + 2 * (2 - c), native16(s + 2 * c));
      }
      return;
  }
}

}  // namespace

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  if (in.tif != nullptr || in.head.stream->seek(in.head.stream, 0, PLUG_SEEK_SET) != 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  in.tif = openTiff(in, "r");
  if (in.tif == nullptr || !readLayout(in)) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  readResolution(in);
  plugin::copyImageInfo(in.out, info);
  return 1;
}

int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  if (in.tif == nullptr || in.reading || in.out.width == 0)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  uint64_t bandBytes = uint64_t(std::max<int64_t>(in.fileRowBytes, TIFFScanlineSize64(in.tif)));
  uint64_t tileBytes = 0;
  if (in.tiled) {
    bandBytes = uint64_t(in.fileRowBytes) * in.tileHeight;
    const uint64_t tileRowBytes =
        (uint64_t{in.tileWidth} * in.samplesPerPixel * in.bitsPerSample + 7) / 8;
    tileBytes = std::max<uint64_t>(uint64_t(TIFFTileSize64(in.tif)), tileRowBytes * in.tileHeight);
  }
  // A tile or band beyond the buffer limit comes from a header no sane writer makes (a
  // 1048576-pixel-square tile): that is a damaged file, not a shortage of memory.
  if (bandBytes > plugin::kMaxBufferBytes || tileBytes > plugin::kMaxBufferBytes)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  if (!in.band.allocate(bandBytes) || (in.tiled && !in.tile.allocate(tileBytes)))
    return plugin::fail(in.head, PLUG_ERR_NO_MEMORY);
  in.bandFirstRow = -1;
  in.reading = true;
  plugin::copyLayerInfo(in.out, info);
  return 1;
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (!in.reading || rows <= 0 || planes == nullptr || rows > in.out.height - in.rowsRead)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  for (int32_t i = 0; i < rows; ++i, ++in.rowsRead) {
    const uint8_t* stored = storedRow(in, in.rowsRead);
    if (stored == nullptr) return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    deliverRow(in, stored, plugin::rowAt(planes, i, stride));
  }
  return rows;
}

}  // namespace tessaly::plugin::tiff
