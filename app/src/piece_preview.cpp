#include "piece_preview.h"

#include <jpeglib.h>
#include <tiffio.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tessaly::app {

namespace {

constexpr double kInchesPerMetre = 0.0254;
constexpr double kCentimetresPerInch = 2.54;

int dotsPerInchFromMetres(int64_t perMetre) {
  if (perMetre <= 0) return 0;
  return int(std::floor(double(perMetre) * kInchesPerMetre + 0.5));
}

uint32_t littleEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

uint16_t littleEndian16(const uint8_t* bytes) {
  return uint16_t(bytes[0] | bytes[1] << 8);
}

uint32_t bigEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
         uint32_t(bytes[3]);
}

// ---- JPEG through libjpeg. Its errors come back by longjmp, so the functions that call it
// keep only plain data on their frames; the session's destructor cleans up.

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Warnings about damaged data would go to the terminal; the decoded picture is all we need.
void ignoreJpegMessage(j_common_ptr) {}

struct JpegSession {
  jpeg_decompress_struct info{};
  JpegError error{};
  std::FILE* file = nullptr;
  bool created = false;

  JpegSession() = default;
  JpegSession(const JpegSession&) = delete;
  JpegSession& operator=(const JpegSession&) = delete;
  ~JpegSession() {
    if (created) jpeg_destroy_decompress(&info);
    if (file) std::fclose(file);
  }
};

bool startJpeg(JpegSession& session, const QByteArray& path) {
  session.file = std::fopen(path.constData(), "rb");
  if (!session.file) return false;
  session.info.err = jpeg_std_error(&session.error.manager);
  session.error.manager.error_exit = onJpegError;
  session.error.manager.output_message = ignoreJpegMessage;
  if (setjmp(session.error.jump)) return false;
  jpeg_create_decompress(&session.info);
  session.created = true;
  jpeg_stdio_src(&session.info, session.file);
  jpeg_read_header(&session.info, TRUE);
  return true;
}

bool isJpegFile(const QByteArray& path) {
  std::FILE* file = std::fopen(path.constData(), "rb");
  if (!file) return false;
  std::array<uint8_t, 3> start{};
  const bool read = std::fread(start.data(), 1, start.size(), file) == start.size();
  std::fclose(file);
  return read && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF;
}

int jpegResolution(int unit, int density) {
  if (unit == 1) return density;
  if (unit == 2) return int(std::lround(density * kCentimetresPerInch));
  return 0;  // only an aspect ratio, or nothing
}

bool readJpegFacts(const QByteArray& path, PieceFacts& facts) {
  JpegSession session;
  if (!startJpeg(session, path)) return false;
  const jpeg_decompress_struct& info = session.info;
  facts.width = int(info.image_width);
  facts.height = int(info.image_height);
  facts.xResolution = jpegResolution(info.density_unit, info.X_density);
  facts.yResolution = jpegResolution(info.density_unit, info.Y_density);
  facts.bitDepth = info.data_precision * info.num_components;
  return facts.width > 0 && facts.height > 0;
}

// The largest of libjpeg's reductions 1/8, 1/4, 1/2 whose result still covers `wanted`.
int jpegScaleDenominator(QSize full, QSize wanted) {
  for (int denominator : {8, 4, 2}) {
    const int width = (full.width() + denominator - 1) / denominator;
    const int height = (full.height() + denominator - 1) / denominator;
    if (width >= wanted.width() && height >= wanted.height()) return denominator;
  }
  return 1;
}

bool prepareJpegScale(JpegSession& session, int denominator) {
  if (setjmp(session.error.jump)) return false;
  jpeg_decompress_struct& info = session.info;
  info.scale_num = 1;
  info.scale_denom = unsigned(denominator);
  info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  // The preview is scaled down once more afterwards: the faster transform and plain
  // upsampling of the colour channels cost nothing visible at that size.
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  jpeg_calc_output_dimensions(&info);
  return true;
}

bool readJpegRows(JpegSession& session, QImage& image) {
  if (setjmp(session.error.jump)) return false;
  jpeg_decompress_struct& info = session.info;
  jpeg_start_decompress(&info);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.scanLine(int(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

// Null when libjpeg cannot give the picture as grey or RGB (CMYK files): Qt's reader takes it.
QImage loadJpegPreview(const QByteArray& path, int limit) {
  JpegSession session;
  if (!startJpeg(session, path)) return {};
  const int components = session.info.num_components;
  if (components != 1 && components != 3) return {};
  const QSize full(int(session.info.image_width), int(session.info.image_height));
  const QSize wanted = previewSize(full, limit);
  if (wanted.isEmpty()) return {};
  if (!prepareJpegScale(session, jpegScaleDenominator(full, wanted))) return {};
  QImage decoded(int(session.info.output_width), int(session.info.output_height),
                 components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  if (decoded.isNull() || !readJpegRows(session, decoded)) return {};
  if (decoded.size() == wanted) return decoded;
  return decoded.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// ---- TIFF through libtiff, with its messages kept off the terminal.

// Non-zero: handled here, so libtiff's process-wide handlers stay silent too.
int ignoreTiffMessage(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile openTiff(const QByteArray& path) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, ignoreTiffMessage, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreTiffMessage, nullptr);
  TiffFile tiff(TIFFOpenExt(path.constData(), "r", options));
  TIFFOpenOptionsFree(options);
  return tiff;
}

bool isTiffFile(const QByteArray& path) {
  std::FILE* file = std::fopen(path.constData(), "rb");
  if (!file) return false;
  std::array<uint8_t, 4> start{};
  const bool read = std::fread(start.data(), 1, start.size(), file) == start.size();
  std::fclose(file);
  return read && ((start[0] == 'I' && start[1] == 'I' && (start[2] == 42 || start[2] == 43)) ||
                  (start[0] == 'M' && start[1] == 'M' && (start[3] == 42 || start[3] == 43)));
}

int tiffResolution(TIFF* tiff, uint32_t tag, uint16_t unit) {
  float value = 0;
  if (!TIFFGetField(tiff, tag, &value) || !(value > 0)) return 0;
  if (unit == RESUNIT_INCH) return int(std::lround(value));
  if (unit == RESUNIT_CENTIMETER) return int(std::lround(value * kCentimetresPerInch));
  return 0;
}

bool readTiffFacts(const QByteArray& path, PieceFacts& facts) {
  TiffFile tiff = openTiff(path);
  if (!tiff) return false;
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, unit = RESUNIT_INCH;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
  facts.width = int(width);
  facts.height = int(height);
  facts.bitDepth = int(bits) * int(samples);
  facts.xResolution = tiffResolution(tiff.get(), TIFFTAG_XRESOLUTION, unit);
  facts.yResolution = tiffResolution(tiff.get(), TIFFTAG_YRESOLUTION, unit);
  return true;
}

// The largest TIFF decoded for a preview: 2^31 bytes of 32-bit pixels.
constexpr int64_t kMostTiffPreviewBytes = int64_t(1) << 31;

QImage loadTiffPreview(const QByteArray& path, int limit) {
  TiffFile tiff = openTiff(path);
  if (!tiff) return {};
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  if (width == 0 || height == 0 || int64_t(width) * height * 4 > kMostTiffPreviewBytes) return {};
  // RGBA pixels as 32-bit words with red in the low byte: bytes R, G, B, A in memory.
  QImage full(int(width), int(height), QImage::Format_RGBA8888);
  if (full.isNull()) return {};
  auto* raster = reinterpret_cast<uint32_t*>(full.bits());
  if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster, ORIENTATION_TOPLEFT, 0)) {
    return {};
  }
  const QSize wanted = previewSize(full.size(), limit);
  QImage opaque = full.convertToFormat(QImage::Format_RGB888);
  if (opaque.size() == wanted) return opaque;
  return opaque.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// ---- BMP and PNG headers.

bool readBmpFacts(const QString& path, PieceFacts& facts) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(54);
  if (header.size() < 26 || header[0] != 'B' || header[1] != 'M') return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(header.constData());
  const uint32_t infoSize = littleEndian32(bytes + 14);
  if (infoSize == 12) {  // the old core header: no resolution
    facts.width = littleEndian16(bytes + 18);
    facts.height = littleEndian16(bytes + 20);
    facts.bitDepth = littleEndian16(bytes + 24);
  } else if (infoSize >= 40 && header.size() >= 46) {
    facts.width = int32_t(littleEndian32(bytes + 18));
    const int32_t height = int32_t(littleEndian32(bytes + 22));  // negative: rows top first
    if (height == INT32_MIN) return false;
    facts.height = std::abs(height);
    facts.bitDepth = littleEndian16(bytes + 28);
    facts.xResolution = dotsPerInchFromMetres(int32_t(littleEndian32(bytes + 38)));
    facts.yResolution = dotsPerInchFromMetres(int32_t(littleEndian32(bytes + 42)));
  } else {
    return false;
  }
  return facts.width > 0 && facts.height > 0 && facts.bitDepth > 0;
}

const QByteArray kPngSignature = QByteArray::fromHex("89504e470d0a1a0a");

int pngChannels(int colourType) {
  switch (colourType) {
    case 0:
    case 3:
      return 1;  // grey, palette
    case 2:
      return 3;
    case 4:
      return 2;  // grey with alpha
    case 6:
      return 4;
  }
  return 0;
}

// The resolution from the pHYs chunk, which comes before the image data.
void readPngResolution(QFile& file, PieceFacts& facts) {
  qint64 position = kPngSignature.size();
  for (int chunk = 0; chunk < 64; ++chunk) {
    if (!file.seek(position)) return;
    const QByteArray head = file.read(8);
    if (head.size() < 8) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(head.constData());
    const uint32_t length = bigEndian32(bytes);
    const QByteArray type = head.mid(4, 4);
    if (type == "IDAT" || type == "IEND") return;
    if (type == "pHYs" && length == 9) {
      const QByteArray body = file.read(9);
      if (body.size() < 9) return;
      const auto* values = reinterpret_cast<const uint8_t*>(body.constData());
      if (values[8] != 1) return;  // only an aspect ratio
      facts.xResolution = dotsPerInchFromMetres(bigEndian32(values));
      facts.yResolution = dotsPerInchFromMetres(bigEndian32(values + 4));
      return;
    }
    position += 12 + qint64(length);  // length, type, data, CRC
  }
}

bool readPngFacts(const QString& path, PieceFacts& facts) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(33);
  if (header.size() < 33 || !header.startsWith(kPngSignature) || header.mid(12, 4) != "IHDR") {
    return false;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(header.constData());
  const uint32_t width = bigEndian32(bytes + 16), height = bigEndian32(bytes + 20);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
  facts.width = int(width);
  facts.height = int(height);
  facts.bitDepth = bytes[24] * pngChannels(bytes[25]);
  readPngResolution(file, facts);
  return facts.bitDepth > 0;
}

// ---- Everything else through Qt's readers.

bool readOtherFacts(const QString& path, PieceFacts& facts) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QImage image = reader.read();
  if (image.isNull()) return false;
  facts.width = image.width();
  facts.height = image.height();
  facts.bitDepth = image.depth();
  facts.xResolution = dotsPerInchFromMetres(image.dotsPerMeterX());
  facts.yResolution = dotsPerInchFromMetres(image.dotsPerMeterY());
  return true;
}

QImage loadOtherPreview(const QString& path, int limit) {
  QImageReader reader(path);
  // The stitch reads the stored pixels as they are, so the preview shows them the same way.
  reader.setAutoTransform(false);
  const QSize full = reader.size();
  if (full.isValid()) reader.setScaledSize(previewSize(full, limit));
  QImage image = reader.read();
  if (image.isNull()) return {};
  const QSize wanted = previewSize(image.size(), limit);
  if (image.size() == wanted) return image;
  return image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QSize previewSize(QSize size, int limit) {
  if (size.isEmpty() || limit < 1) return {};
  if (size.width() <= limit && size.height() <= limit) return size;
  const QSize fitted = size.scaled(limit, limit, Qt::KeepAspectRatio);
  return fitted.expandedTo(QSize(1, 1));
}

bool readPieceFacts(const QString& path, PieceFacts& facts) {
  facts = {};
  const QByteArray local = QFile::encodeName(path);
  if (isJpegFile(local)) return readJpegFacts(local, facts);
  if (isTiffFile(local)) return readTiffFacts(local, facts);
  if (readBmpFacts(path, facts)) return true;
  facts = {};
  if (readPngFacts(path, facts)) return true;
  facts = {};
  return readOtherFacts(path, facts);
}

QImage loadPreview(const QString& path, int limit) {
  const QByteArray local = QFile::encodeName(path);
  if (isJpegFile(local)) {
    QImage image = loadJpegPreview(local, limit);
    if (!image.isNull()) return image;
  } else if (isTiffFile(local)) {
    return loadTiffPreview(local, limit);
  }
  return loadOtherPreview(path, limit);
}

}  // namespace tessaly::app
