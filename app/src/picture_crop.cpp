#include "picture_crop.h"

#include <QImage>

#include "picture_layers.h"
#include "tessaly/host/operations.h"
#include "tools.h"
#include "zanengin.h"

namespace tessaly::app {

using namespace tessaly::host;

ZanObject* cropPicture(ZanObject* picture, const QRect& rect) {
  QImage source;
  if (!picture || !Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&source)) ||
      source.isNull() || !rect.intersects(source.rect())) {
    return nullptr;
  }
  const LayerHandle layer = layerFromImage(source);
  if (!layer) return nullptr;
  const RECT crop{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  const ResizeRatio oneToOne{1, 1, 1, 1, 0};
  int32_t error = 0;
  const LayerHandle cut(_matCropResizeLayerEx(layer.get(), &crop, &oneToOne, nullptr, &error));
  if (!cut) return nullptr;
  QImage result = imageFromLayer(cut.get());
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
