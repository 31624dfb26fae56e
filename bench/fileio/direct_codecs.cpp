// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "direct_codecs.h"

#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tessaly::bench {
namespace {

uint8_t* row(const Picture& p, int32_t y) {
  return p.pixels + int64_t{y} * p.stride;
}

void put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

}  // namespace

bool writeJpeg(const std::string& path, const Picture& p, int quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = JDIMENSION(p.width);
  c.image_height = JDIMENSION(p.height);
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  c.density_unit = 1;
  c.X_density = c.Y_density = 300;
  jpeg_start_compress(&c, TRUE);
  for (int32_t y = 0; y < p.height; ++y) {
    JSAMPROW r = row(p, y);
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

bool readJpeg(const std::string& path, Picture& p) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  jpeg_decompress_struct d;
  jpeg_error_mgr errors;
  d.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&d);
  jpeg_stdio_src(&d, f);
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d);
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = row(p, int32_t(d.output_scanline));
    jpeg_read_scanlines(&d, &r, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::fclose(f);
  return true;
}

bool writePng(const std::string& path, const Picture& p) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_set_bgr(png);
  for (int32_t y = 0; y < p.height; ++y) png_write_row(png, row(p, y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool readPng(const std::string& path, Picture& p) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_bgr(png);
  png_read_update_info(png, info);
  for (int32_t y = 0; y < p.height; ++y) png_read_row(png, row(p, y), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return true;
}

bool writeTiffLzw(const std::string& path, const Picture& p) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(p.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(std::max(1, 256 * 1024 / (p.width * 3))));
  TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.0f);
  TIFFSetField(t, TIFFTAG_YRESOLUTION, 300.0f);
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  std::vector<uint8_t> rgb(size_t(p.width) * 3);
  bool ok = true;
  for (int32_t y = 0; ok && y < p.height; ++y) {
    const uint8_t* in = row(p, y);
    for (int32_t x = 0; x < p.width; ++x) {
      rgb[3 * x] = in[3 * x + 2];
      rgb[3 * x + 1] = in[3 * x + 1];
      rgb[3 * x + 2] = in[3 * x];
    }
    ok = TIFFWriteScanline(t, rgb.data(), uint32_t(y), 0) == 1;
  }
  TIFFClose(t);
  return ok;
}

bool readTiff(const std::string& path, Picture& p) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (t == nullptr) return false;
  std::vector<uint8_t> rgb(size_t(TIFFScanlineSize(t)));
  bool ok = true;
  for (int32_t y = 0; ok && y < p.height; ++y) {
    ok = TIFFReadScanline(t, rgb.data(), uint32_t(y), 0) == 1;
    uint8_t* out = row(p, y);
    for (int32_t x = 0; x < p.width; ++x) {
      out[3 * x] = rgb[3 * x + 2];
      out[3 * x + 1] = rgb[3 * x + 1];
      out[3 * x + 2] = rgb[3 * x];
    }
  }
  TIFFClose(t);
  return ok;
}

bool writeBmp(const std::string& path, const Picture& p) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const uint32_t rowBytes = uint32_t(p.width * 3 + 3) / 4 * 4;
  uint8_t h[54] = {'B', 'M'};
  put32(h + 2, 54 + rowBytes * uint32_t(p.height));
  put32(h + 10, 54);
  put32(h + 14, 40);
  put32(h + 18, uint32_t(p.width));
  put32(h + 22, uint32_t(p.height));
  h[26] = 1;
  h[28] = 24;
  put32(h + 34, rowBytes * uint32_t(p.height));
  std::fwrite(h, 1, sizeof h, f);
  const uint8_t pad[4] = {};
  for (int32_t y = p.height - 1; y >= 0; --y) {
    std::fwrite(row(p, y), 1, size_t(p.width) * 3, f);
    std::fwrite(pad, 1, rowBytes - uint32_t(p.width) * 3, f);
  }
  return std::fclose(f) == 0;
}

bool readBmp(const std::string& path, Picture& p) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  uint8_t h[54];
  bool ok = std::fread(h, 1, sizeof h, f) == sizeof h;
  const size_t rowBytes = size_t(p.width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> stored(rowBytes);
  for (int32_t y = p.height - 1; ok && y >= 0; --y) {
    ok = std::fread(stored.data(), 1, rowBytes, f) == rowBytes;
    std::memcpy(row(p, y), stored.data(), size_t(p.width) * 3);
  }
  std::fclose(f);
  return ok;
}

}  // namespace tessaly::bench
