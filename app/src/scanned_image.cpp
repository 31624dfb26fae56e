#include "scanned_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tessaly::app {
namespace {

constexpr double kCentimetresPerInch = 0.39370078740157477;
constexpr size_t kPaletteRoom = 256;

bool bitmapDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32 ||
         bits == 48;
}

std::vector<DibColour> greys(int count) {
  std::vector<DibColour> palette(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto level = uint8_t(i * 255 / (count - 1));
    palette[size_t(i)] = DibColour{level, level, level, 0};
  }
  return palette;
}

// Copies a colour row with its first and third samples exchanged (red, green, blue becomes blue,
// green, red); the padding after the pixels is copied as it is.
void copySwapped(const uint8_t* from, uint8_t* to, int32_t width, int bytesPerSample,
                 size_t rowBytes) {
  const size_t pixels = size_t(width) * 3 * size_t(bytesPerSample);
  if (bytesPerSample == 1) {
    for (size_t i = 0; i < pixels; i += 3) {
      to[i] = from[i + 2];
      to[i + 1] = from[i + 1];
      to[i + 2] = from[i];
    }
  } else {
    for (size_t i = 0; i < pixels; i += 6) {
      std::memcpy(to + i, from + i + 4, 2);
      std::memcpy(to + i + 2, from + i + 2, 2);
      std::memcpy(to + i + 4, from + i, 2);
    }
  }
  std::memcpy(to + pixels, from + pixels, rowBytes - pixels);
}

QImage::Format formatOf(const ScannedImage& image) {
  switch (image.header.bitCount) {
    case 1:
      return QImage::Format_Mono;
    case 8:
      return QImage::Format_Indexed8;
    case 16:
      return image.rgb ? QImage::Format_Invalid : QImage::Format_Grayscale16;
    case 24:
    case 48:
      return image.rgb ? QImage::Format_BGR888 : QImage::Format_Invalid;
    default:
      return QImage::Format_Invalid;
  }
}

// A 48-bit row (blue, green, red samples in host order) cut to 8 bits per sample.
void narrowRow(const uint8_t* from, int32_t width, uint8_t* to) {
  for (int32_t i = 0; i < width * 3; ++i) {
    uint16_t sample = 0;
    std::memcpy(&sample, from + 2 * i, sizeof sample);
    to[i] = uint8_t(sample >> 8);
  }
}

}  // namespace

std::optional<TransferLayout> transferLayout(const TW_IMAGEINFO& info, uint32_t preferred) {
  // An unknown length (-1) or an empty image cannot be given a block.
  if (info.ImageWidth <= 0 || info.ImageLength <= 0 || !bitmapDepth(info.BitsPerPixel))
    return std::nullopt;
  const uint64_t row = (uint64_t(info.BitsPerPixel) * uint64_t(info.ImageWidth) + 31) / 32 * 4;
  const uint64_t image = row * uint64_t(info.ImageLength);
  // The whole bitmap, header and palette room included, must be addressable by 32-bit sizes.
  const uint64_t limit =
      std::numeric_limits<uint32_t>::max() - sizeof(DibHeader) - 4 * kPaletteRoom;
  if (image > limit) return std::nullopt;
  TransferLayout layout;
  layout.rowBytes = uint32_t(row);
  layout.imageBytes = uint32_t(image);
  layout.blockBytes = std::min(preferred == 0 ? layout.rowBytes : preferred, layout.imageBytes);
  return layout;
}

int32_t pelsPerMeter(double resolution, TW_UINT16 units) {
  double perMetre = 0;
  if (units == TWUN_INCHES) perMetre = resolution * kCentimetresPerInch * 100;
  if (units == TWUN_CENTIMETERS) perMetre = resolution * 100;
  if (!(perMetre > 0) || perMetre > std::numeric_limits<int32_t>::max()) return 0;
  return int32_t(perMetre);
}

int dotsPerInch(int32_t pelsPerMeter) {
  return int(std::floor(pelsPerMeter * 0.0254 + 0.5));
}

std::vector<DibColour> paletteFor(TW_INT16 pixelType, TW_UINT16 flavour,
                                  const TW_PALETTE8* sourcePalette) {
  switch (pixelType) {
    case TWPT_BW: {
      std::vector<DibColour> palette = greys(2);  // black, white
      if (flavour == TWPF_VANILLA) std::swap(palette[0], palette[1]);
      return palette;
    }
    case TWPT_GRAY:
      return greys(256);
    case TWPT_RGB:
      return {};
    default:
      break;
  }
  if (sourcePalette == nullptr || sourcePalette->NumColors == 0) return greys(256);
  // The palette room holds 256 entries, whatever count the source claims.
  const size_t count = std::min<size_t>(sourcePalette->NumColors, kPaletteRoom);
  std::vector<DibColour> palette(count);
  for (size_t i = 0; i < count; ++i) {
    const TW_ELEMENT8& entry = sourcePalette->Colors[i];
    palette[i] = DibColour{entry.Channel3, entry.Channel2, entry.Channel1, 0};
  }
  return palette;
}

void placeRowsBottomUp(ScannedImage& image, const uint8_t* rows, uint32_t firstRow,
                       uint32_t count) {
  const auto height = uint32_t(std::max(image.header.height, 0));
  const size_t rowBytes = image.rowBytes;
  if (firstRow >= height || image.bits.size() < rowBytes * height) return;
  count = std::min(count, height - firstRow);
  const int bytesPerSample = image.header.bitCount / 24;
  const bool swapSamples = image.rgb && bytesPerSample > 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* from = rows + size_t(i) * rowBytes;
    uint8_t* to = image.bits.data() + size_t(height - 1 - (firstRow + i)) * rowBytes;
    if (swapSamples) {
      copySwapped(from, to, image.header.width, bytesPerSample, rowBytes);
    } else {
      std::memcpy(to, from, rowBytes);
    }
  }
}

QImage toQImage(const ScannedImage& image) {
  const QImage::Format format = formatOf(image);
  const int32_t width = image.header.width, height = image.header.height;
  if (format == QImage::Format_Invalid || width <= 0 || height <= 0 ||
      image.bits.size() < size_t(image.rowBytes) * size_t(height))
    return {};
  QImage picture(width, height, format);
  if (picture.isNull()) return {};
  if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) {
    QList<QRgb> colours;
    for (const DibColour& c : image.palette) colours << qRgb(c.red, c.green, c.blue);
    while (colours.size() < (format == QImage::Format_Mono ? 2 : 256)) colours << qRgb(0, 0, 0);
    picture.setColorTable(colours);
  }
  const size_t copied = std::min<size_t>(image.rowBytes, size_t(picture.bytesPerLine()));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = image.bits.data() + size_t(height - 1 - y) * image.rowBytes;
    if (image.header.bitCount == 48) {
      narrowRow(from, width, picture.scanLine(y));
    } else {
      std::memcpy(picture.scanLine(y), from, copied);
    }
  }
  picture.setDotsPerMeterX(image.header.xPelsPerMeter);
  picture.setDotsPerMeterY(image.header.yPelsPerMeter);
  return picture;
}

}  // namespace tessaly::app
