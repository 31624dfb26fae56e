// A ZanDevice that draws with a QPainter.
#include <cstring>

#include "zanEngQt.h"

namespace tessaly::engine::qt {
namespace {

// Qt's raster operations for the engine's; copy for anything else.
QPainter::CompositionMode modeFor(uint32_t rasterOp) {
  switch (rasterOp) {
    case ZAN_ROP_SRCAND:
      return QPainter::RasterOp_SourceAndDestination;
    case ZAN_ROP_SRCPAINT:
      return QPainter::RasterOp_SourceOrDestination;
    case ZAN_ROP_SRCINVERT:
      return QPainter::RasterOp_SourceXorDestination;
    default:
      return QPainter::CompositionMode_Source;
  }
}

QList<QRgb> colourTable(const unsigned char* palette) {
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i)
    table[i] = palette != nullptr ? qRgb(palette[4 * i + 2], palette[4 * i + 1], palette[4 * i])
                                  : qRgb(i, i, i);
  return table;
}

// The bitmap's pixels as an image over its own memory (no copy): valid while the bitmap is.
QImage wrap(const ZanDisplayBitmap& bitmap) {
  if (bitmap.pixels == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return {};
  if (bitmap.bitsPerPixel == 24)
    return QImage(bitmap.pixels, bitmap.width, bitmap.height, bitmap.stride, QImage::Format_BGR888);
  if (bitmap.bitsPerPixel == 8) {
    QImage image(bitmap.pixels, bitmap.width, bitmap.height, bitmap.stride,
                 QImage::Format_Indexed8);
    image.setColorTable(colourTable(bitmap.palette));
    return image;
  }
  return {};
}

}  // namespace

PainterDevice::PainterDevice(QPainter& painter)
    : painter_(painter), device_{&PainterDevice::display, this} {}

int32_t PainterDevice::display(void* context, int32_t x, int32_t y, const ZanDisplayBitmap* bitmap,
                               uint32_t rasterOp) {
  auto* self = static_cast<PainterDevice*>(context);
  if (self == nullptr || bitmap == nullptr || !self->painter_.isActive()) return -1;
  const QImage image = wrap(*bitmap);
  if (image.isNull()) return -1;
  const QPainter::CompositionMode before = self->painter_.compositionMode();
  self->painter_.setCompositionMode(modeFor(rasterOp));
  self->painter_.drawImage(QPoint(x, y), image);
  self->painter_.setCompositionMode(before);
  return 0;
}

QImage toImage(const ZanDisplayBitmap& bitmap) {
  return wrap(bitmap).copy();
}

}  // namespace tessaly::engine::qt
