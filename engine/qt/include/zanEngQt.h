// Drawing the image engine's pixels with Qt: a ZanDevice over a QPainter.
//
// The engine draws through a plain C record (ZanDevice) so that it links no GUI library; this
// unit gives that record a QPainter to draw with, on any paint device (a QImage, a widget in its
// paint event, a pixmap).
#pragma once

#include <QImage>
#include <QPainter>

#include "zanengin.h"

namespace tessaly::engine::qt {

class PainterDevice {
 public:
  // The painter must be active for as long as the engine draws through this device.
  explicit PainterDevice(QPainter& painter);
  PainterDevice(const PainterDevice&) = delete;
  PainterDevice& operator=(const PainterDevice&) = delete;

  const ZanDevice* device() const { return &device_; }

 private:
  static int32_t display(void* context, int32_t x, int32_t y, const ZanDisplayBitmap* bitmap,
                         uint32_t rasterOp);

  QPainter& painter_;
  ZanDevice device_;
};

// A copy of the bitmap as a QImage: 24 bits as blue, green, red (QImage::Format_BGR888), 8 bits
// indexed through the palette (grey without one). A null image for another depth or a bitmap
// without pixels.
QImage toImage(const ZanDisplayBitmap& bitmap);

}  // namespace tessaly::engine::qt
