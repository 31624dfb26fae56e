// Pictures and rasters. A picture is an image with its resolution and save options; a raster
// is a plain block of 24-bit rows kept bottom row first, which callers fill row by row and
// then turn into a picture.
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "class_records.h"
#include "object_model.h"

namespace tessaly::host {
namespace {

constexpr double kMetresPerInch = 0.0254;

QString textIn(intptr_t a) {
  return QString::fromUtf8(reinterpret_cast<const char*>(a));
}

int32_t* intOut(intptr_t a) {
  return reinterpret_cast<int32_t*>(a);
}

int bytesPerLine24(int width) {
  return ((width * 24 + 31) / 32) * 4;
}

struct PictureData : PayloadOf<PictureData> {
  QImage image;
  std::map<intptr_t, intptr_t> saveOptions;
};

struct RasterData : PayloadOf<RasterData> {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;  // row 0 (the bottom) first
};

QImage imageForSaving(const PictureData& picture) {
  const auto option = picture.saveOptions.find(kSaveOptionBitsPerPixel);
  const intptr_t bits = option == picture.saveOptions.end() ? 0 : option->second;
  if (bits == 8) return picture.image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  if (bits == 24) return picture.image.convertToFormat(QImage::Format_RGB888);
  return picture.image;
}

intptr_t savePicture(const PictureData& picture, const QString& path, const char* format) {
  if (picture.image.isNull()) return 0;
  QImageWriter writer(path, format ? QByteArray(format).toLower() : QByteArray());
  return writer.write(imageForSaving(picture)) ? 1 : 0;
}

intptr_t setResolution(QImage& image, intptr_t across, intptr_t down) {
  if (across <= 0 || down <= 0 || image.isNull()) return 0;
  image.setDotsPerMeterX(int(std::lround(double(across) / kMetresPerInch)));
  image.setDotsPerMeterY(int(std::lround(double(down) / kMetresPerInch)));
  return 1;
}

// Copies rows of the picture, counted from the bottom, as 24-bit blue-green-red pixels.
intptr_t readRows(const QImage& image, const RowRequest* request) {
  if (!request || !request->pixels || request->bitsPerPixel != 24 || image.isNull()) return 0;
  const int width = image.width(), height = image.height();
  if (request->first < 0 || request->count <= 0 || request->first >= height ||
      request->bytesPerLine < width * 3) {
    return 0;
  }
  const int count = std::min(request->count, height - request->first);
  // The rows asked for form one band of image lines, converted once.
  const int topLine = height - request->first - count;
  const QImage band = image.copy(0, topLine, width, count).convertToFormat(QImage::Format_RGB888);
  auto* out = static_cast<uint8_t*>(request->pixels);
  for (int row = 0; row < count; ++row) {
    const uint8_t* source = band.constScanLine(count - 1 - row);
    uint8_t* target = out + ptrdiff_t(row) * request->bytesPerLine;
    for (int x = 0; x < width; ++x) {
      target[3 * x] = source[3 * x + 2];
      target[3 * x + 1] = source[3 * x + 1];
      target[3 * x + 2] = source[3 * x];
    }
  }
  return count;
}

QImage imageOfRaster(const RasterData& raster) {
  QImage image(raster.width, raster.height, QImage::Format_RGB888);
  const int stride = bytesPerLine24(raster.width);
  for (int line = 0; line < raster.height; ++line) {
    const uint8_t* source = raster.bits.data() + ptrdiff_t(raster.height - 1 - line) * stride;
    uint8_t* target = image.scanLine(line);
    for (int x = 0; x < raster.width; ++x) {
      target[3 * x] = source[3 * x + 2];
      target[3 * x + 1] = source[3 * x + 1];
      target[3 * x + 2] = source[3 * x];
    }
  }
  return image;
}

intptr_t pictureOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* picture = payloadOf<PictureData>(object);
  if (!picture || interface != op::kPictureLoad.interface) return 0;
  QImage& image = picture->image;
  switch (method) {
    case op::kPictureLoad.method:
      return image.load(textIn(a));
    case op::kPictureSave.method:
      return savePicture(*picture, textIn(a), reinterpret_cast<const char*>(b));
    case op::kPictureSize.method:
      *intOut(a) = image.width();
      *intOut(b) = image.height();
      return 1;
    case op::kPictureSetImage.method:
      if (!a) return 0;
      image = *reinterpret_cast<const QImage*>(a);
      return 1;
    case op::kPictureImage.method:
      *reinterpret_cast<QImage*>(a) = image;
      return 1;
    case op::kPictureSetResolution.method:
      return setResolution(image, a, b);
    case op::kPictureResolution.method:
      *intOut(a) = int32_t(std::lround(image.dotsPerMeterX() * kMetresPerInch));
      *intOut(b) = int32_t(std::lround(image.dotsPerMeterY() * kMetresPerInch));
      return 1;
    case op::kPictureSetSaveOption.method:
      if (b == 0) {
        picture->saveOptions.erase(a);
      } else {
        picture->saveOptions[a] = b;
      }
      return 1;
    case op::kPictureSaveOption.method: {
      const auto found = picture->saveOptions.find(a);
      return found == picture->saveOptions.end() ? 0 : found->second;
    }
    case op::kPictureReadRows.method:
      return readRows(image, reinterpret_cast<const RowRequest*>(a));
    case op::kPictureFromRaster.method: {
      auto* raster = payloadOf<RasterData>(reinterpret_cast<ZanObject*>(a));
      if (!raster || raster->bits.empty()) return 0;
      image = imageOfRaster(*raster);
      return 1;
    }
  }
  return 0;
}

// The largest raster made: 2^31 bytes of pixels, so that every offset fits an int.
constexpr int64_t kMostRasterBytes = int64_t(1) << 31;

intptr_t createRaster(RasterData& raster, intptr_t width, intptr_t height) {
  if (width <= 0 || height <= 0 || width > 1'000'000 || height > 1'000'000) return 0;
  const int64_t bytes = int64_t(bytesPerLine24(int(width))) * height;
  if (bytes > kMostRasterBytes) return 0;
  try {
    raster.bits.assign(size_t(bytes), 0xFF);
  } catch (const std::bad_alloc&) {
    raster.bits.clear();
    return 0;
  }
  raster.width = int(width);
  raster.height = int(height);
  return 1;
}

intptr_t rasterOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* raster = payloadOf<RasterData>(object);
  if (!raster || interface != op::kRasterCreate.interface) return 0;
  switch (method) {
    case op::kRasterCreate.method:
      return createRaster(*raster, a, b);
    case op::kRasterSize.method:
      *intOut(a) = raster->width;
      *intOut(b) = raster->height;
      return 1;
    case op::kRasterBytesPerLine.method:
      return raster->bits.empty() ? 0 : bytesPerLine24(raster->width);
    case op::kRasterRow.method:
      if (a < 0 || a >= raster->height) return 0;
      return reinterpret_cast<intptr_t>(raster->bits.data() +
                                        ptrdiff_t(a) * bytesPerLine24(raster->width));
  }
  return 0;
}

}  // namespace

void registerPictureClasses() {
  static ClassDescriptor classes[] = {
      valueClass(kPicture, attachPayload<PictureData>, pictureOperation),
      valueClass(kRaster, attachPayload<RasterData>, rasterOperation),
  };
  for (ClassDescriptor& descriptor : classes) Zan0RegisterClass(&descriptor, 0);
}

}  // namespace tessaly::host
