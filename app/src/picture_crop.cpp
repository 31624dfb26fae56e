#include "picture_crop.h"

#include <QImage>
#include <algorithm>

#include "tessaly/host/operations.h"
#include "tools.h"
#include "zanengin.h"

namespace tessaly::app {
namespace {

using namespace tessaly::host;

// An engine layer destroyed with its owner.
class OwnedLayer {
 public:
  explicit OwnedLayer(zanHandle handle) : handle_(handle) {}
  OwnedLayer(const OwnedLayer&) = delete;
  OwnedLayer& operator=(const OwnedLayer&) = delete;
  ~OwnedLayer() {
    if (handle_ != 0) zanDestroyLayer(handle_);
  }
  zanHandle get() const { return handle_; }

 private:
  zanHandle handle_;
};

// A 24-bit engine layer with the image's pixels, or 0.
zanHandle layerOf(const QImage& image) {
  const QImage pixels = image.convertToFormat(QImage::Format_BGR888);
  if (pixels.isNull()) return 0;
  int32_t error = 0;
  const zanHandle layer = zanCreateLayer(0, 0, pixels.width(), pixels.height(), &error);
  if (layer == 0) return 0;
  if (zanSetLayerBits(pixels.constBits(), layer, 0, 0, pixels.width(), pixels.height(),
                      int32_t(pixels.bytesPerLine()), 0) != ZAN_OK) {
    zanDestroyLayer(layer);
    return 0;
  }
  return layer;
}

// The layer's pixels as an image, or a null image.
QImage imageOf(zanHandle layer) {
  RECT rect{};
  if (zanGetLayerProperty(layer, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr) !=
      int32_t(sizeof rect)) {
    return {};
  }
  QImage pixels(rect.right - rect.left, rect.bottom - rect.top, QImage::Format_BGR888);
  if (pixels.isNull()) return {};
  zanGetLayerBits(pixels.bits(), layer, 0, 0, pixels.width(), pixels.height(),
                  int32_t(pixels.bytesPerLine()));
  return pixels;
}

}  // namespace

ZanObject* cropPicture(ZanObject* picture, const QRect& rect) {
  QImage source;
  if (!picture || !Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&source)) ||
      source.isNull() || !rect.intersects(source.rect())) {
    return nullptr;
  }
  const OwnedLayer layer(layerOf(source));
  if (layer.get() == 0) return nullptr;
  const RECT crop{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  const ResizeRatio oneToOne{1, 1, 1, 1, 0};
  int32_t error = 0;
  const OwnedLayer cut(_matCropResizeLayerEx(layer.get(), &crop, &oneToOne, nullptr, &error));
  if (cut.get() == 0) return nullptr;
  QImage result = imageOf(cut.get());
  if (result.isNull()) return nullptr;
  // Grey and true-colour pictures keep their pixel format; others come back as 24 bits.
  if (source.format() != QImage::Format_Indexed8) result = result.convertToFormat(source.format());
  result.setDotsPerMeterX(source.dotsPerMeterX());
  result.setDotsPerMeterY(source.dotsPerMeterY());
  ZanObject* cropped = Zan0CopyObject(picture);
  if (!cropped) return nullptr;
  if (!Zan0Inter(cropped, op::kPictureSetImage, reinterpret_cast<intptr_t>(&result))) {
    Zan0Release(cropped);
    return nullptr;
  }
  return cropped;
}

}  // namespace tessaly::app
