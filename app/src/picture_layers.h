// Host pictures and the image engine's layers: a picture's pixels copied into a 24-bit engine
// layer for the image tools, and a tool's result layer copied back into an image or a new
// picture with the same resolution.
#pragma once

#include <QImage>
#include <utility>

#include "zanTypes.h"

struct ZanObject;

namespace tessaly::app {

// An engine layer destroyed with its owner; null (0) when none.
class LayerHandle {
 public:
  LayerHandle() = default;
  explicit LayerHandle(zanHandle handle) : handle_(handle) {}
  LayerHandle(LayerHandle&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  LayerHandle& operator=(LayerHandle&& other) noexcept;
  LayerHandle(const LayerHandle&) = delete;
  LayerHandle& operator=(const LayerHandle&) = delete;
  ~LayerHandle();

  zanHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

 private:
  zanHandle handle_ = 0;
};

// A 24-bit layer at (0, 0) holding the image; null when the engine cannot make it.
LayerHandle layerFromImage(const QImage& image);
// The same for the picture's pixels.
LayerHandle layerFromPicture(ZanObject* picture);
// The picture's pixels (a null image when it has none).
QImage pictureImage(ZanObject* picture);
// The layer's pixels as an image as large as the layer (8-bit grey layers as grey); pixels the
// layer has no block for are `background`. Null when the layer is null or empty.
QImage imageFromLayer(zanHandle layer, QRgb background = 0xFFFFFFFF);
// A new picture (one reference, the caller's) showing the image at the given pixels per inch;
// null on failure.
ZanObject* pictureFromImage(const QImage& image, int resolutionX, int resolutionY);

}  // namespace tessaly::app
