#include "picture_tools.h"

#include <algorithm>
#include <cmath>

#include "tools.h"
#include "zanEngDefs.h"
#include "zanengin.h"

namespace tessaly::app {

namespace {

// An 8-bit layer of the given size with every pixel 255.
LayerHandle fullCoverage(int width, int height) {
  int32_t error = 0;
  LayerHandle layer(zanCreateLayer(0, 0, width, height, &error));
  const int32_t bits = 8;
  if (!layer || zanSetLayerProperty(layer.get(), ZAN_LAYER_BPP, &bits, sizeof bits, 0) < 0 ||
      zanSetLayerBits(nullptr, layer.get(), 0, 0, width, height, 0, 255) != ZAN_OK) {
    return {};
  }
  return layer;
}

// Lightens every pixel by what the coverage lacks: a pixel the turned picture does not reach at
// all becomes white, a pixel it half covers half white.
void whitenUncovered(QImage& image, const QImage& coverage) {
  for (int y = 0; y < image.height(); ++y) {
    uchar* pixel = image.scanLine(y);
    const uchar* cover = coverage.constScanLine(y);
    for (int x = 0; x < image.width(); ++x, pixel += 3) {
      const int lack = 255 - cover[x];
      if (lack == 0) continue;
      for (int c = 0; c < 3; ++c) pixel[c] = uchar(std::min(255, pixel[c] + lack));
    }
  }
}

}  // namespace

QImage quarterTurned(const QImage& image, bool left) {
  const LayerHandle layer = layerFromImage(image);
  if (!layer) return {};
  // The tools turn positive angles counter-clockwise.
  RotateParams params{};
  params.angle = left ? 90 : 270;
  params.sourceWidth = image.width();
  params.sourceHeight = image.height();
  int32_t error = 0;
  const LayerHandle turned(matRotateLayer(layer.get(), &params, nullptr, &error));
  return imageFromLayer(turned.get());
}

QImage withImageTool(const QImage& image, int tool) {
  const LayerHandle layer = layerFromImage(image);
  if (!layer) return {};
  int32_t error = 0;
  LayerHandle result;
  if (tool == kEnhanceLevelsTool) result = LayerHandle(matAutoLevel(layer.get(), nullptr, &error));
  if (tool == kEnhanceContrastTool) {
    result = LayerHandle(matAutoContrast(layer.get(), nullptr, &error));
  }
  return imageFromLayer(result.get());
}

QImage enhanced(const QImage& image) {
  const QImage levelled = withImageTool(image, kEnhanceLevelsTool);
  return levelled.isNull() ? QImage() : withImageTool(levelled, kEnhanceContrastTool);
}

QImage reducedBy(const QImage& image, double scale) {
  const LayerHandle layer = layerFromImage(image);
  if (!layer) return {};
  // The ratio in 10000ths, never so small that a side vanishes.
  const int32_t numerator =
      std::max<int32_t>(int32_t(std::lround(scale * 10000)),
                        int32_t(std::ceil(10000.0 / std::min(image.width(), image.height()))));
  ResizeRatio ratio{numerator, 10000, numerator, 10000, scale < 1 ? 2 : 0};
  int32_t error = 0;
  const LayerHandle reduced(matResize(layer.get(), &ratio, nullptr, &error));
  return imageFromLayer(reduced.get());
}

TurnSource::TurnSource(const QImage& image)
    : layer_(layerFromImage(image)),
      coverage_(fullCoverage(image.width(), image.height())),
      width_(image.width()),
      height_(image.height()) {}

QImage TurnSource::turned(const TurnGeometry& geometry) const {
  if (!isValid() || geometry.width <= 0 || geometry.height <= 0) return {};
  const RECT target{0, 0, geometry.width, geometry.height};
  const LayerHandle turned(matTransformEx(layer_.get(), &target, &geometry.transform));
  const LayerHandle covered(matTransformEx(coverage_.get(), &target, &geometry.transform));
  QImage image = imageFromLayer(turned.get(), 0xFF000000);
  const QImage coverage = imageFromLayer(covered.get(), 0xFF000000);
  if (image.isNull() || coverage.isNull() || coverage.size() != image.size()) return {};
  whitenUncovered(image, coverage);
  return image;
}

}  // namespace tessaly::app
