#include "grey_test.h"

#include <QImage>
#include <algorithm>

namespace tessaly::app {

namespace {

bool tileIsGrey(const QImage& image, int left, int top, int width, int height) {
  for (int y = top; y < top + height; ++y) {
    const uchar* pixel = image.constScanLine(y) + 3 * left;
    for (int x = 0; x < width; ++x, pixel += 3) {
      if (pixel[0] != pixel[1] || pixel[1] != pixel[2]) return false;
    }
  }
  return true;
}

}  // namespace

bool isGreyImage(const QImage& image, int tile) {
  if (image.isNull() || tile <= 0) return false;
  if (image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16) {
    return true;
  }
  // Read as 8-bit triples; a picture kept in another form is converted one band at a time.
  const bool direct =
      image.format() == QImage::Format_RGB888 || image.format() == QImage::Format_BGR888;
  for (int top = 0; top < image.height(); top += tile) {
    const int rows = std::min(tile, image.height() - top);
    const QImage band =
        direct ? QImage()
               : image.copy(0, top, image.width(), rows).convertToFormat(QImage::Format_RGB888);
    const QImage& source = direct ? image : band;
    const int bandTop = direct ? top : 0;
    for (int left = 0; left < image.width(); left += tile) {
      const int columns = std::min(tile, image.width() - left);
      if (!tileIsGrey(source, left, bandTop, columns, rows)) return false;
    }
  }
  return true;
}

}  // namespace tessaly::app
