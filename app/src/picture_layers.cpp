#include "picture_layers.h"

#include <algorithm>
#include <cstring>

#include "tessaly/host/operations.h"
#include "zanEngDefs.h"
#include "zanengin.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// Rows converted per band, so that a picture is never held twice over in converted form.
constexpr int kBandRows = 256;

struct LayerBox {
  RECT rect{};
  int32_t bitsPerPixel = 0;
};

LayerBox layerBox(zanHandle layer) {
  LayerBox box;
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &box.rect, sizeof box.rect, nullptr);
  zanGetLayerProperty(layer, ZAN_LAYER_BPP, &box.bitsPerPixel, sizeof box.bitsPerPixel, nullptr);
  return box;
}

void fillRows(QImage& image, QRgb background) {
  if (image.format() == QImage::Format_Grayscale8) {
    image.fill(qGray(background));
  } else {
    image.fill(QColor::fromRgb(background));
  }
}

}  // namespace

LayerHandle& LayerHandle::operator=(LayerHandle&& other) noexcept {
  if (this != &other) {
    if (handle_ != 0) zanDestroyLayer(handle_);
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

LayerHandle::~LayerHandle() {
  if (handle_ != 0) zanDestroyLayer(handle_);
}

LayerHandle layerFromImage(const QImage& image) {
  if (image.isNull()) return {};
  const int width = image.width(), height = image.height();
  int32_t error = 0;
  LayerHandle layer(zanCreateLayer(0, 0, width, height, &error));
  if (!layer) return {};
  for (int top = 0; top < height; top += kBandRows) {
    const int rows = std::min(kBandRows, height - top);
    const QImage band = image.copy(0, top, width, rows).convertToFormat(QImage::Format_BGR888);
    if (band.isNull() || zanSetLayerBits(band.constBits(), layer.get(), 0, top, width, top + rows,
                                         int32_t(band.bytesPerLine()), 0) != ZAN_OK) {
      return {};
    }
  }
  return layer;
}

QImage pictureImage(ZanObject* picture) {
  QImage image;
  if (picture) Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&image));
  return image;
}

LayerHandle layerFromPicture(ZanObject* picture) {
  return layerFromImage(pictureImage(picture));
}

QImage imageFromLayer(zanHandle layer, QRgb background) {
  if (layer == 0) return {};
  const LayerBox box = layerBox(layer);
  const int width = box.rect.right - box.rect.left, height = box.rect.bottom - box.rect.top;
  if (width <= 0 || height <= 0) return {};
  const bool grey = box.bitsPerPixel == 8;
  if (!grey && box.bitsPerPixel != 24) return {};
  QImage image(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
  if (image.isNull()) return {};
  fillRows(image, background);
  // Layer coordinates start at the layer's own corner.
  zanGetLayerBits(image.bits(), layer, 0, 0, width, height, int32_t(image.bytesPerLine()));
  return image;
}

ZanObject* pictureFromImage(const QImage& image, int resolutionX, int resolutionY) {
  if (image.isNull()) return nullptr;
  ZanObject* picture = Zan0CreateObj(kPicture);
  if (!picture) return nullptr;
  if (!Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&image))) {
    Zan0Release(picture);
    return nullptr;
  }
  Zan0Inter(picture, op::kPictureSetResolution, resolutionX, resolutionY);
  return picture;
}

}  // namespace tessaly::app
