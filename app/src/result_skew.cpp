#include "result_skew.h"

#include <QImage>
#include <algorithm>
#include <cstring>

#include "pixel_block.h"
#include "stitch_run.h"

namespace tessaly::app {

using stitch::client::allocatePixelArray;
using stitch::client::freePixelArray;

namespace {

// A pixel array freed with its owner.
struct PixelArrayOwner {
  tagPixelArray* array;
  ~PixelArrayOwner() { freePixelArray(array); }
};

constexpr int kBandRows = 256;

}  // namespace

bool measureSkew(StitchRun& run, const QImage& image, double* radians) {
  if (image.isNull() || radians == nullptr) return false;
  PixelArrayOwner pixels{allocatePixelArray(image.width(), image.height())};
  if (pixels.array == nullptr) return false;
  const size_t rowBytes = size_t(image.width()) * 3;
  for (int top = 0; top < image.height(); top += kBandRows) {
    const int rows = std::min(kBandRows, image.height() - top);
    const QImage band =
        image.copy(0, top, image.width(), rows).convertToFormat(QImage::Format_BGR888);
    if (band.isNull()) return false;
    for (int y = 0; y < rows; ++y) {
      std::memcpy(pixels.array->bits + int64_t(top + y) * pixels.array->bytesPerLine,
                  band.constScanLine(y), rowBytes);
    }
  }
  *radians = 0;
  return run.straighten(pixels.array, radians);
}

}  // namespace tessaly::app
